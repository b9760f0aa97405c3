#include "numtext.h"

#include <charconv>
#include <system_error>
#include <cmath>
#include <cstdlib>

namespace vandoral {

FormatSettings &Formats()
{
    static FormatSettings settings;
    return settings;
}

std::string Cut(std::string text, std::size_t limit)
{
    if (text.size() > limit)
        text.resize(limit);
    return text;
}

std::string GeneralFormat(double value, int precision, int expDigits, char separator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0";
    if (precision < 1)
        precision = 1;
    if (precision > 17)
        precision = 17;

    // Scientific form rounds the exact binary value to `precision` digits:
    // d.dddde±X (to_chars: the same digits as printf, several times faster).
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific, precision - 1);
    *res.ptr = '\0';
    const char *p = buf;
    std::string out;
    if (*p == '-') {
        out = "-";
        ++p;
    }
    std::string digits;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += *p;
    const int exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    const bool plain = exponent + 1 <= precision && exponent >= -5;
    if (plain) {
        if (exponent >= 0) {
            const std::size_t intLen = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intLen) {
                out += digits + std::string(intLen - digits.size(), '0');
            } else {
                out += digits.substr(0, intLen);
                out += separator;
                out += digits.substr(intLen);
            }
        } else {
            out += '0';
            out += separator;
            out += std::string(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        }
        return out;
    }

    out += digits[0];
    if (digits.size() > 1) {
        out += separator;
        out += digits.substr(1);
    }
    out += 'E';
    if (exponent < 0)
        out += '-';
    std::string e = std::to_string(std::abs(exponent));
    if (static_cast<int>(e.size()) < expDigits)
        e.insert(0, static_cast<std::size_t>(expDigits) - e.size(), '0');
    return out + e;
}

std::string FormatAbs(double value)
{
    double rounded = value;
    // Beyond 2^52 thousandths there is nothing left to round.
    if (std::isfinite(value) && std::fabs(value) < 4e12)
        rounded = std::nearbyint(value / 0.001) * 0.001; // ties to even
    return Cut(GeneralFormat(rounded, 3, 0, Formats().decimalSeparator), ShortTextLimit);
}

std::string FormatSig(double value)
{
    return Cut(GeneralFormat(value, 3, 0, Formats().decimalSeparator), ShortTextLimit);
}

std::string TexteNombre(double value)
{
    std::string text = Cut(GeneralFormat(value, 7, 4, Formats().decimalSeparator), ShortTextLimit);
    const char sep = Formats().decimalSeparator;
    if (sep != '.') {
        const auto pos = text.find(sep);
        if (pos != std::string::npos)
            text[pos] = '.';
    }
    return text;
}

std::string TexteNombreLocal(double value)
{
    const char sep = Formats().decimalSeparator;
    std::string text = Cut(GeneralFormat(value, 7, 4, sep), ShortTextLimit);
    // The separator and a zero mark a plain integer as a real number. Added to
    // a scientific text ("1E-0026,0") they would make it unreadable.
    if (text.find(sep) == std::string::npos && text.find('E') == std::string::npos
        && text.find('N') == std::string::npos)
        text += std::string(1, sep) + "0";
    return text;
}

std::string FormatPrecision(double value)
{
    // Below the plain notation's reach the cut would keep a bare mantissa
    // ("9" for 9E-6): nothing of it is significant for an absorbance.
    if (std::fabs(value) < 1e-5)
        return "0";
    std::string text = FormatSig(value);
    const auto e = text.find('E');
    const std::string exponent = e == std::string::npos ? std::string() : text.substr(e);
    if (e != std::string::npos)
        text.resize(e);
    const auto sepPos = text.find_first_of(".,");
    const std::size_t intEnd = sepPos == std::string::npos ? text.size() : sepPos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '0' || c == '.' || c == ',' || c == '-')
            continue;
        // Digits to keep: this one, and the next when this one is '1' or lower.
        std::size_t keep = i + 1;
        if (c <= '1' && keep < text.size()) {
            if (text[keep] == '.' || text[keep] == ',')
                ++keep; // the digit after the separator, not a bare separator
            if (keep < text.size())
                ++keep;
        }
        if (keep < intEnd) {
            // The integer part keeps its magnitude.
            for (std::size_t k = keep; k < intEnd; ++k)
                text[k] = '0';
            keep = intEnd;
        }
        text.resize(keep);
        if (!text.empty() && (text.back() == '.' || text.back() == ','))
            text.pop_back();
        break;
    }
    return text + exponent;
}

bool ParseNumber(const std::string &text, char separator, double &value)
{
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    std::string canon;
    std::size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            canon += '-';
        ++i;
    }
    int mantissaDigits = 0;
    while (i < e && text[i] >= '0' && text[i] <= '9') {
        canon += text[i++];
        ++mantissaDigits;
    }
    if (i < e && text[i] == separator) {
        canon += '.';
        ++i;
        while (i < e && text[i] >= '0' && text[i] <= '9') {
            canon += text[i++];
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < e && (text[i] == 'e' || text[i] == 'E')) {
        canon += 'e';
        ++i;
        if (i < e && (text[i] == '+' || text[i] == '-'))
            canon += text[i++];
        int expDigits = 0;
        while (i < e && text[i] >= '0' && text[i] <= '9') {
            canon += text[i++];
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != e)
        return false;
    double v = 0;
    const auto res = std::from_chars(canon.data(), canon.data() + canon.size(), v);
    if (res.ec != std::errc() || res.ptr != canon.data() + canon.size() || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool ParseInteger(const std::string &text, std::int64_t &value)
{
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    bool negative = false;
    if (b < e && (text[b] == '+' || text[b] == '-')) {
        negative = text[b] == '-';
        ++b;
    }
    int base = 10;
    if (b < e && text[b] == '$') {
        base = 16;
        ++b;
    } else if (e - b > 2 && text[b] == '0' && (text[b + 1] == 'x' || text[b + 1] == 'X')) {
        base = 16;
        b += 2;
    }
    // Digits only from here: a second sign is no number.
    if (b == e || text[b] == '+' || text[b] == '-')
        return false;
    unsigned long long v = 0;
    const auto res = std::from_chars(text.data() + b, text.data() + e, v, base);
    if (res.ec != std::errc() || res.ptr != text.data() + e)
        return false;
    if (negative ? v > 2147483648ULL : v > 4294967295ULL)
        return false;
    value = negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    return true;
}

namespace {

// The SI prefixes a typed number may end with, and their exponents.
struct Prefix {
    unsigned char letter;
    const char *exponent;
};
constexpr Prefix Prefixes[] = {
    {'y', "E-24"}, {'z', "E-21"}, {'a', "E-18"}, {'f', "E-15"}, {'p', "E-12"},
    {'n', "E-9"},  {0xB5, "E-6"}, {'m', "E-3"},  {'k', "E+3"},  {'M', "E+6"},
    {'G', "E+9"},  {'T', "E+12"}, {'P', "E+15"}, {'E', "E+18"},
};

} // namespace

bool TypedNumberCharacter(char c)
{
    if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'e' || c == 'E' || c == '.' || c == ','
        || c == ' ')
        return true;
    for (const Prefix &p : Prefixes)
        if (p.letter == static_cast<unsigned char>(c))
            return true;
    return false;
}

std::string FixedText(double value, int decimals)
{
    if (!std::isfinite(value))
        return GeneralFormat(value, 15, 0, Formats().decimalSeparator);
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0)
        rounded = 0; // not "-0,000"
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed, decimals);
    std::string text(buf, r.ec == std::errc() ? r.ptr : buf);
    const std::size_t point = text.find('.');
    if (point != std::string::npos)
        text[point] = Formats().decimalSeparator;
    return text;
}

double ReadTypedNumber(const std::string &typed)
{
    std::string text = Cut(typed, ShortTextLimit);
    const char sep = Formats().decimalSeparator;
    if (sep == ',') {
        const auto pos = text.find('.');
        if (pos != std::string::npos)
            text[pos] = ',';
    } else {
        const auto pos = text.find(',');
        if (pos != std::string::npos)
            text[pos] = sep;
    }
    if (!text.empty()) {
        const auto last = static_cast<unsigned char>(text.back());
        for (const auto &prefix : Prefixes) {
            if (prefix.letter == last) {
                text.pop_back();
                text = Cut(text + prefix.exponent, ShortTextLimit);
                break;
            }
        }
    }
    double value = MissingValue;
    if (!ParseNumber(text, sep, value))
        return MissingValue;
    return value;
}

} // namespace vandoral

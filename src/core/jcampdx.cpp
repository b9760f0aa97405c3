#include "jcampdx.h"

#include "graphker.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>

namespace vandoral {

namespace {

constexpr double MinWavelength = 100, MaxWavelength = 3000;
// Absorbances and ordinates beyond this are damaged files, not spectra.
constexpr double MaxAbs = 1e6;
constexpr double YFactor = 0.0001;

std::string Num(double v, int decimals = -1)
{
    char buf[64];
    const auto r = decimals < 0 ? std::to_chars(buf, buf + sizeof buf, v)
                                : std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string s(buf, r.ptr);
    if (s == "-0")
        s = "0";
    return s;
}

std::string OneLine(std::string text)
{
    for (char &c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    // "$$" would start a comment when read back.
    for (std::string::size_type p; (p = text.find("$$")) != std::string::npos;)
        text.replace(p, 2, "$ $");
    return text;
}

bool Evenly(const TDataSeries &s, double &delta)
{
    const int n = s.Count();
    delta = n > 1 ? (s.X[n - 1] - s.X[0]) / (n - 1) : 1;
    if (n > 1 && delta == 0)
        return false;
    for (int i = 0; i < n; ++i)
        if (std::fabs(s.X[i] - (s.X[0] + i * delta)) > 1e-6 * std::max(1.0, std::fabs(delta)))
            return false;
    return true;
}

bool Integral(const std::vector<double> &xs)
{
    return std::all_of(xs.begin(), xs.end(), [](double x) { return x == std::floor(x) && std::fabs(x) < 1e9; });
}

} // namespace

std::string WriteJcamp(const TDataSeries &s, const JcampHeader &h)
{
    std::string out;
    auto label = [&out](const char *name, const std::string &value) {
        out += "##";
        out += name;
        out += '=';
        out += value;
        out += "\r\n";
    };
    auto y = [](double a) {
        return a == MissingValue ? std::string("?") : Num(std::round(a / YFactor));
    };
    const int n = s.Count();
    double delta = 1;
    const bool even = Evenly(s, delta);
    const double xFactor = Integral(s.X) ? 1 : 0.001;
    label("TITLE", h.title.empty() ? std::string("Spectre") : OneLine(h.title));
    label("JCAMP-DX", "4.24");
    label("DATA TYPE", "UV/VIS SPECTRUM");
    label("ORIGIN", "Vandoral");
    label("OWNER", "");
    if (!h.date.empty())
        label("DATE", h.date);
    if (!h.time.empty())
        label("TIME", h.time);
    label("SPECTROMETER/DATA SYSTEM", OneLine(h.model));
    label("XUNITS", "NANOMETERS");
    label("YUNITS", "ABSORBANCE");
    label("XFACTOR", xFactor == 1 ? "1" : "0.001");
    label("YFACTOR", "0.0001");
    if (n > 0) {
        label("FIRSTX", Num(s.X.front()));
        label("LASTX", Num(s.X.back()));
        if (even)
            label("DELTAX", Num(delta));
    }
    label("NPOINTS", std::to_string(n));
    if (n > 0)
        label("FIRSTY", s.A.front() == MissingValue ? std::string("?") : Num(s.A.front()));
    auto x = [xFactor](double v) { return Num(std::round(v / xFactor)); };
    if (even) {
        out += "##XYDATA=(X++(Y..Y))\r\n";
        for (int i = 0; i < n;) {
            std::string line = x(s.X[i]);
            int j = i;
            while (j < n) {
                const std::string next = " " + y(s.A[j]);
                if (j > i && line.size() + next.size() > 80)
                    break;
                line += next;
                ++j;
            }
            out += line + "\r\n";
            i = j;
        }
    } else {
        out += "##XYPOINTS=(XY..XY)\r\n";
        for (int i = 0; i < n; ++i)
            out += x(s.X[i]) + ", " + y(s.A[i]) + "\r\n";
    }
    out += "##END=\r\n";
    return out;
}

// ---- reading ------------------------------------------------------------------

namespace {

struct Failure {
    std::string message;
};

[[noreturn]] void Fail(std::string message)
{
    throw Failure{std::move(message)};
}

[[noreturn]] void FailAt(int line, const std::string &why)
{
    Fail("Ligne " + std::to_string(line) + " : " + why);
}

std::string Upper(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string &s)
{
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::string();
    const auto e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// Labels are compared without spaces, "-", "/" and "_", in any case.
std::string LabelKey(const std::string &label)
{
    std::string k;
    for (char c : label)
        if (c != ' ' && c != '-' && c != '/' && c != '_' && c != '\t')
            k += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return k;
}

bool ParseReal(const std::string &text, double &v)
{
    const std::string t = Trim(text);
    if (t.empty())
        return false;
    const char *b = t.data();
    if (*b == '+')
        ++b;
    const auto r = std::from_chars(b, t.data() + t.size(), v);
    return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(v);
}

struct Line {
    int number;
    std::string text;
};

struct Block {
    std::map<std::string, std::string> labels; // by key; the first of each
    std::map<std::string, int> labelLine;
    std::string table;      // "XYDATA" or "XYPOINTS"
    std::string tableForm;  // its variable list, as written
    int tableLine = 0;
    std::vector<Line> data; // the table's lines
};

// One item of an ordinate line.
struct Item {
    enum Kind { Abs, Dif, Dup, Missing } kind;
    double value; // the number, the difference or the count
};

bool IsSqz(char c) { return c == '@' || (c >= 'A' && c <= 'I') || (c >= 'a' && c <= 'i'); }
bool IsDif(char c) { return c == '%' || (c >= 'J' && c <= 'R') || (c >= 'j' && c <= 'r'); }
bool IsDup(char c) { return (c >= 'S' && c <= 'Z') || c == 's'; }

// The items of one line of (X++(Y..Y)), X first.
std::vector<Item> Items(const Line &line)
{
    const std::string &s = line.text;
    // A line with compressed forms reads "E"/"e" as squeezed digits; a line
    // of plain numbers as exponents.
    bool compressed = false;
    for (char c : s)
        if (c != 'E' && c != 'e' && (IsSqz(c) || IsDif(c) || IsDup(c)))
            compressed = true;
    std::vector<Item> items;
    std::size_t i = 0;
    auto digits = [&](std::string &out) {
        while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.'))
            out += s[i++];
    };
    auto number = [&](const std::string &text) {
        double v;
        if (!ParseReal(text, v))
            FailAt(line.number, "nombre illisible \xAB " + text + " \xBB");
        return v;
    };
    while (i < s.size()) {
        const char c = s[i];
        if (c == ' ' || c == '\t' || c == ',' || c == ';') {
            ++i;
        } else if (c == '?') {
            items.push_back({Item::Missing, 0});
            ++i;
        } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '+' || c == '-') {
            std::string text(1, c);
            ++i;
            digits(text);
            if (!compressed && i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
                text += s[i++];
                if (i < s.size() && (s[i] == '+' || s[i] == '-'))
                    text += s[i++];
                digits(text);
            }
            items.push_back({Item::Abs, number(text)});
        } else if (compressed && IsSqz(c)) {
            const int d = c == '@' ? 0 : c <= 'I' ? c - 'A' + 1 : -(c - 'a' + 1);
            std::string text = std::to_string(std::abs(d));
            ++i;
            digits(text);
            items.push_back({Item::Abs, (d < 0 ? -1 : 1) * number(text)});
        } else if (compressed && IsDif(c)) {
            const int d = c == '%' ? 0 : c <= 'R' ? c - 'J' + 1 : -(c - 'j' + 1);
            std::string text = std::to_string(std::abs(d));
            ++i;
            digits(text);
            items.push_back({Item::Dif, (d < 0 ? -1 : 1) * number(text)});
        } else if (compressed && IsDup(c)) {
            std::string text = std::to_string(c == 's' ? 9 : c - 'S' + 1);
            ++i;
            while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
                text += s[i++];
            items.push_back({Item::Dup, number(text)});
        } else {
            FailAt(line.number, std::string("caract\xE8re inattendu \xAB ") + c + " \xBB");
        }
    }
    return items;
}

struct Scale {
    double xFactor = 1, yFactor = 1;
};

void AddPoint(std::vector<double> &ys, double y, int line)
{
    if (ys.size() >= std::size_t(GraphCapacity))
        FailAt(line, "plus de " + std::to_string(GraphCapacity) + " points");
    ys.push_back(y);
}

// (X++(Y..Y)): the ordinates, missing ones as NaN, in file units.
std::vector<double> ReadXyData(const Block &b, double firstX, double deltaX, double xFactor)
{
    std::vector<double> ys;
    bool checkPending = false; // the line before ended in DIF form
    for (const Line &line : b.data) {
        const std::vector<Item> items = Items(line);
        if (items.empty())
            continue;
        if (items[0].kind != Item::Abs)
            FailAt(line.number, "la ligne ne commence pas par une abscisse");
        // The line's abscissa tells where its first ordinate goes.
        const double where = deltaX != 0 ? (items[0].value * xFactor - firstX) / deltaX : double(ys.size());
        const double expected = double(ys.size()) - (checkPending ? 1 : 0);
        if (!std::isfinite(where) || std::fabs(where - expected) > 0.5)
            FailAt(line.number, "abscisse inattendue (" + Num(items[0].value) + ")");
        std::vector<double> lineYs;
        Item::Kind last = Item::Abs;
        double lastDif = 0;
        for (std::size_t k = 1; k < items.size(); ++k) {
            const Item &it = items[k];
            switch (it.kind) {
            case Item::Abs:
                lineYs.push_back(it.value);
                break;
            case Item::Missing:
                lineYs.push_back(std::nan(""));
                break;
            case Item::Dif:
                if (lineYs.empty() || std::isnan(lineYs.back()))
                    FailAt(line.number, "diff\xE9rence sans valeur qui la pr\xE9" "c\xE8" "de");
                lineYs.push_back(lineYs.back() + it.value);
                lastDif = it.value;
                break;
            case Item::Dup: {
                if (lineYs.empty() || it.value < 1)
                    FailAt(line.number, "r\xE9p\xE9tition sans valeur qui la pr\xE9" "c\xE8" "de");
                if (it.value - 1 + double(ys.size() + lineYs.size()) > GraphCapacity + 1)
                    FailAt(line.number, "plus de " + std::to_string(GraphCapacity) + " points");
                for (int r = 1; r < int(it.value); ++r)
                    lineYs.push_back(last == Item::Dif ? lineYs.back() + lastDif : lineYs.back());
                break;
            }
            }
            if (it.kind != Item::Dup)
                last = it.kind;
            if (lineYs.size() > std::size_t(GraphCapacity) + 1)
                FailAt(line.number, "plus de " + std::to_string(GraphCapacity) + " points");
        }
        std::size_t from = 0;
        if (checkPending && !lineYs.empty()) {
            // The Y check: the first ordinate repeats the last one of the
            // line before; it is not a new point.
            const double before = ys.back();
            if (!(std::isnan(before) && std::isnan(lineYs[0]))
                && !(std::fabs(before - lineYs[0]) <= 1e-9 * std::max(1.0, std::fabs(before))))
                FailAt(line.number, "la valeur de contr\xF4le (" + Num(lineYs[0]) + ") ne suit pas la ligne pr\xE9" "c\xE9" "dente ("
                                        + Num(before) + ") : fichier endommag\xE9");
            from = 1;
        }
        for (std::size_t k = from; k < lineYs.size(); ++k)
            AddPoint(ys, lineYs[k], line.number);
        checkPending = last == Item::Dif && lineYs.size() > from;
    }
    return ys;
}

// value × factor; a factor such as 0.001 divides by 1000 instead, which gives
// the decimal value exactly as written (0.7, not 0.7000000000000001).
double Scaled(double value, double factor)
{
    const double inverse = 1 / factor;
    const double whole = std::round(inverse);
    if (std::fabs(factor) < 1 && whole != 0 && std::fabs(inverse - whole) <= 1e-9 * std::fabs(inverse))
        return value / whole;
    return value * factor;
}

void ReadXyPoints(const Block &b, const Scale &sc, TDataSeries &out)
{
    for (const Line &line : b.data) {
        // Pairs "x, y" separated by spaces, commas or ";".
        std::vector<std::string> fields;
        std::string cur;
        for (char c : line.text + " ") {
            if (c == ' ' || c == '\t' || c == ',' || c == ';') {
                if (!cur.empty())
                    fields.push_back(cur);
                cur.clear();
            } else {
                cur += c;
            }
        }
        if (fields.size() % 2 != 0)
            FailAt(line.number, "une abscisse sans ordonn\xE9" "e");
        for (std::size_t k = 0; k < fields.size(); k += 2) {
            double x, y = 0;
            if (!ParseReal(fields[k], x))
                FailAt(line.number, "nombre illisible \xAB " + fields[k] + " \xBB");
            const bool missing = fields[k + 1] == "?";
            if (!missing && !ParseReal(fields[k + 1], y))
                FailAt(line.number, "nombre illisible \xAB " + fields[k + 1] + " \xBB");
            if (out.Count() >= GraphCapacity)
                FailAt(line.number, "plus de " + std::to_string(GraphCapacity) + " points");
            out.Append(Scaled(x, sc.xFactor), missing ? std::nan("") : Scaled(y, sc.yFactor));
        }
    }
}

bool UvVisible(const std::string &dataType)
{
    const std::string k = LabelKey(dataType);
    return k.rfind("UV", 0) == 0 && k.find("SPECTRUM") != std::string::npos;
}

void Convert(const Block &b, JcampSpectrum &result)
{
    auto value = [&b](const char *key) -> const std::string * {
        const auto it = b.labels.find(key);
        return it == b.labels.end() ? nullptr : &it->second;
    };
    auto real = [&](const char *key, double fallback, bool needed) {
        const std::string *v = value(key);
        double d = fallback;
        if (!v) {
            if (needed)
                Fail(std::string("Le fichier JCAMP-DX n'indique pas ##") + key + "=");
            return d;
        }
        if (!ParseReal(*v, d))
            FailAt(b.labelLine.at(key), std::string("##") + key + "= illisible");
        return d;
    };
    const std::string xUnits = value("XUNITS") ? Upper(Trim(*value("XUNITS"))) : std::string("NANOMETERS");
    double toNm;
    if (xUnits == "NANOMETERS" || xUnits == "NM")
        toNm = 1;
    else if (xUnits == "MICROMETERS" || xUnits == "MICRONS" || xUnits == "UM")
        toNm = 1000;
    else
        Fail("Unit\xE9 des abscisses non prise en charge : " + xUnits + " (nanom\xE8tres attendus)");
    const std::string yUnits = value("YUNITS") ? Upper(Trim(*value("YUNITS"))) : std::string("ABSORBANCE");
    const bool transmittance = yUnits == "TRANSMITTANCE";
    if (!transmittance && yUnits != "ABSORBANCE")
        Fail("Unit\xE9 des ordonn\xE9" "es non prise en charge : " + yUnits + " (ABSORBANCE ou TRANSMITTANCE attendue)");

    Scale sc;
    sc.xFactor = real("XFACTOR", 1, false);
    sc.yFactor = real("YFACTOR", 1, false);
    if (sc.xFactor == 0 || sc.yFactor == 0)
        Fail("##XFACTOR= ou ##YFACTOR= nul");
    TDataSeries &out = result.points;
    out.Clear();
    if (b.table == "XYDATA") {
        if (LabelKey(b.tableForm) != "(X++(Y..Y))")
            FailAt(b.tableLine, "forme de donn\xE9" "es non prise en charge : " + b.tableForm);
        const double firstX = real("FIRSTX", 0, true), lastX = real("LASTX", 0, true);
        const double np = real("NPOINTS", 0, true);
        if (np < 1 || np != std::floor(np))
            FailAt(b.labelLine.at("NPOINTS"), "##NPOINTS= incorrect");
        if (np > GraphCapacity)
            Fail("Le spectre a plus de " + std::to_string(GraphCapacity) + " points");
        const int n = int(np);
        const double delta = n > 1 ? (lastX - firstX) / (n - 1) : 0;
        const std::vector<double> ys = ReadXyData(b, firstX, delta, sc.xFactor);
        if (int(ys.size()) != n)
            Fail("##NPOINTS=" + std::to_string(n) + " mais le fichier donne " + std::to_string(ys.size())
                 + " points");
        for (int i = 0; i < n; ++i)
            out.Append(firstX + i * delta, Scaled(ys[std::size_t(i)], sc.yFactor));
    } else {
        if (LabelKey(b.tableForm) != "(XY..XY)")
            FailAt(b.tableLine, "forme de donn\xE9" "es non prise en charge : " + b.tableForm);
        ReadXyPoints(b, sc, out);
        if (const std::string *np = value("NPOINTS")) {
            double d;
            if (ParseReal(*np, d) && d != out.Count())
                Fail("##NPOINTS=" + Trim(*np) + " mais le fichier donne " + std::to_string(out.Count()) + " points");
        }
    }
    if (out.Empty())
        Fail("Le fichier JCAMP-DX ne contient aucun point");
    for (int i = 0; i < out.Count(); ++i) {
        double &x = out.X[std::size_t(i)];
        x *= toNm;
        if (!std::isfinite(x) || x < MinWavelength || x > MaxWavelength)
            Fail("Longueur d'onde hors de 100-3000 nm : " + Num(x));
        double &a = out.A[std::size_t(i)];
        if (std::isnan(a)) {
            a = MissingValue;
            continue;
        }
        if (transmittance) {
            if (a > 1.0001)
                Fail("Transmittance sup\xE9rieure \xE0 1 (" + Num(a)
                     + ") : une fraction est attendue, un pourcentage ne peut \xEAtre lu s\xFBrement");
            if (a <= 0) { // no light through: no absorbance to give
                a = MissingValue;
                continue;
            }
            a = -std::log10(std::min(a, 1.0));
        }
        if (!std::isfinite(a) || std::fabs(a) > MaxAbs)
            Fail("Valeur aberrante au point " + std::to_string(i + 1) + " : " + Num(a));
        if (a == MissingValue)
            a = 0; // a true zero is not the missing mark
    }
    const auto t = b.labels.find("TITLE");
    result.title = t == b.labels.end() ? std::string() : Trim(t->second);
}

} // namespace

bool ReadJcamp(const std::string &bytes, JcampSpectrum &spectrum, std::string *error)
{
    spectrum = JcampSpectrum();
    try {
        // Lines, their comments removed.
        std::vector<Line> lines;
        std::size_t start = 0;
        int number = 0;
        while (start < bytes.size()) {
            auto end = bytes.find_first_of("\r\n", start);
            if (end == std::string::npos)
                end = bytes.size();
            std::string text = bytes.substr(start, end - start);
            ++number;
            if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')
                ++end;
            start = end + 1;
            if (text.find('\0') != std::string::npos)
                FailAt(number, "octets binaires : ce n'est pas un fichier JCAMP-DX");
            const auto comment = text.find("$$");
            if (comment != std::string::npos)
                text.erase(comment);
            lines.push_back({number, text});
        }
        bool sawTitle = false;

        Block cur;
        bool inTable = false;
        std::string otherType;
        for (const Line &l : lines) {
            const std::string t = Trim(l.text);
            if (t.rfind("##", 0) != 0) {
                if (inTable)
                    cur.data.push_back(l);
                else if (!t.empty() && !sawTitle)
                    FailAt(l.number, "ce n'est pas un fichier JCAMP-DX (##TITLE= attendu)");
                continue;
            }
            inTable = false;
            const auto eq = t.find('=');
            if (eq == std::string::npos)
                FailAt(l.number, "\xE9tiquette sans \xAB = \xBB");
            const std::string key = LabelKey(t.substr(2, eq - 2));
            const std::string value = t.substr(eq + 1);
            if (key.rfind('$', 0) == 0)
                continue; // private labels
            if (key == "TITLE") {
                sawTitle = true;

                cur = Block();
            } else if (!sawTitle) {
                FailAt(l.number, "ce n'est pas un fichier JCAMP-DX (##TITLE= attendu)");
            }
            if (key == "END") {

                const auto type = cur.labels.find("DATATYPE");
                const std::string dataType = type == cur.labels.end() ? std::string() : Trim(type->second);
                if (!cur.table.empty()) {
                    if (dataType.empty() || UvVisible(dataType)) {
                        Convert(cur, spectrum);
                        return true;
                    }
                    if (otherType.empty())
                        otherType = dataType;
                }
                cur = Block();
                continue;
            }
            if (key == "XYDATA" || key == "XYPOINTS") {
                if (!cur.table.empty())
                    FailAt(l.number, "deux tableaux de donn\xE9" "es dans un bloc");
                cur.table = key;
                cur.tableForm = Trim(value);
                cur.tableLine = l.number;
                inTable = true;
                continue;
            }
            if (cur.labels.count(key) == 0) {
                cur.labels[key] = value;
                cur.labelLine[key] = l.number;
            }
        }
        if (!sawTitle)
            Fail("Le fichier est vide ou n'est pas un fichier JCAMP-DX");
        if (!otherType.empty())
            Fail("Le fichier JCAMP-DX ne contient pas de spectre UV/visible (type : " + otherType + ")");
        if (!cur.table.empty())
            Fail("Le fichier JCAMP-DX est incomplet : ##END= manque");
        Fail("Le fichier JCAMP-DX ne contient aucun spectre");
    } catch (const Failure &f) {
        spectrum = JcampSpectrum();
        if (error)
            *error = f.message;
        return false;
    }
}

} // namespace vandoral

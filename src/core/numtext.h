// Number texts shared by every window: the general number format, the
// absorbance and concentration formats, the export formats and the reader of
// numbers typed by the user. Texts are Windows-1252 byte strings.
#pragma once

#include <cstdint>
#include <string>

namespace vandoral {

// Marks a value that is absent or unreadable. Never plotted.
constexpr double MissingValue = 1e-26;

// Longest number, name or unit text.
constexpr std::size_t ShortTextLimit = 20;
// Longest other text.
constexpr std::size_t TextLimit = 255;

// The user's number and date conventions. One instance for the process,
// filled from the system locale at start-up (Qt side) and set by tests.
struct FormatSettings {
    char decimalSeparator = '.';
    std::string shortDateFormat = "dd/MM/yyyy";
    std::string longTimeFormat = "hh:mm:ss";
};

FormatSettings &Formats();

// Cuts a text to at most `limit` bytes.
std::string Cut(std::string text, std::size_t limit);

// General number format: the shortest text with `precision` significant
// digits, trailing zeros removed and the separator only when needed. Plain
// notation while the integer part has no more digits than `precision` and the
// magnitude is at least 0.00001, else scientific with "E", a "-" only for a
// negative exponent and at least `expDigits` exponent digits.
std::string GeneralFormat(double value, int precision, int expDigits, char separator);

// Absorbance: rounded to 0.001 (halves to even), 3 significant digits.
std::string FormatAbs(double value);
// Concentration: 3 significant digits.
std::string FormatSig(double value);
// 7 significant digits, always with a point (for the analysis program).
std::string TexteNombre(double value);
// 7 significant digits with the user's separator, which is always present.
std::string TexteNombreLocal(double value);
// Fit precision: FormatSig cut after the first significant digit (or the
// one after it when that digit is 0 or 1). Below 0.00001 the text is "0"; from
// 1 on, the digits cut from the integer part become zeros and an exponent
// stays with its mantissa.
std::string FormatPrecision(double value);

// Reads a number typed by the user: first 20 characters, '.' or ',' as the
// decimal separator, an optional final SI prefix letter. MissingValue for a
// text that is not a number; never fails.
double ReadTypedNumber(const std::string &text);
// A character ReadTypedNumber can take (a digit, a sign, an exponent's E, a
// decimal separator, a blank, a final SI prefix letter): what a cell that
// takes a number lets the user type. Windows-1252 (0xB5 is the micro sign).
bool TypedNumberCharacter(char c);
// `value` with `decimals` decimals and the user's separator ("-0,005",
// "0,000": no minus sign on a value that rounds to zero).
std::string FixedText(double value, int decimals);

// Strict decimal reader: optional blanks, sign, digits with `separator` as the
// decimal mark, optional exponent, optional blanks. False when the text is not
// entirely a finite number.
bool ParseNumber(const std::string &text, char separator, double &value);

// Integer reader of the settings file: decimal, or hexadecimal with "$" or
// "0x", one optional sign. False when the text is not an integer from
// -2147483648 to 4294967295.
bool ParseInteger(const std::string &text, std::int64_t &value);

} // namespace vandoral

#include "numtext.h"
#include "separator.h"

#include "coretest.h"

using namespace vandoral;

// Which function a row exercises.
enum Fn { Abs, Sig, Nombre, NombreLocal, Precision };

TEST_CASE("formats")
{
    struct Row {
        std::string tag;
        int fn;
        char sep;
        double value;
        std::string expected;
    };
    std::vector<Row> rows;

    rows.push_back({"abs plain", int(Abs), '.', 0.5234, "0.523"});
    rows.push_back({"abs comma", int(Abs), ',', 0.5234, "0,523"});
    rows.push_back({"abs trailing zeros go", int(Abs), '.', 2.5, "2.5"});
    rows.push_back({"abs integer has no separator", int(Abs), ',', 1.0, "1"});
    rows.push_back({"abs tie to even down", int(Abs), '.', 0.0125, "0.012"});
    rows.push_back({"abs tie to even up", int(Abs), '.', 0.0135, "0.014"});
    rows.push_back({"abs half a thousandth is 0", int(Abs), '.', 0.0005, "0"});
    rows.push_back({"abs negative", int(Abs), '.', -0.1, "-0.1"});
    rows.push_back({"abs rounds to 0.001 first", int(Abs), '.', 1.23456, "1.24"});
    rows.push_back({"abs large is scientific", int(Abs), '.', 1234.5678, "1.23E3"});
    rows.push_back({"abs missing value", int(Abs), '.', MissingValue, "0"});

    rows.push_back({"sig 3 digits", int(Sig), '.', -12.345, "-12.3"});
    rows.push_back({"sig integer part of 3", int(Sig), '.', 100.0, "100"});
    rows.push_back({"sig integer part of 4", int(Sig), '.', 1234.0, "1.23E3"});
    rows.push_back({"sig rounding adds a digit", int(Sig), '.', 999.7, "1E3"});
    rows.push_back({"sig smallest plain", int(Sig), '.', 0.00001, "0.00001"});
    rows.push_back({"sig below 0.00001", int(Sig), ',', 0.000001234, "1,23E-6"});
    rows.push_back({"sig missing value", int(Sig), '.', MissingValue, "1E-26"});
    rows.push_back({"sig zero", int(Sig), '.', 0.0, "0"});

    rows.push_back({"nombre point kept", int(Nombre), '.', 0.523, "0.523"});
    rows.push_back({"nombre comma becomes point", int(Nombre), ',', 0.523, "0.523"});
    rows.push_back({"nombre integer", int(Nombre), ',', 512.0, "512"});
    rows.push_back({"nombre 7 digits", int(Nombre), '.', 1234567.4, "1234567"});
    rows.push_back({"nombre 4-digit exponent", int(Nombre), ',', 12345678.0, "1.234568E0007"});
    rows.push_back({"nombre small", int(Nombre), '.', 1.5e-8, "1.5E-0008"});

    rows.push_back({"local comma", int(NombreLocal), ',', 0.523, "0,523"});
    rows.push_back({"local integer gets ,0", int(NombreLocal), ',', 12.0, "12,0"});
    rows.push_back({"local integer gets .0", int(NombreLocal), '.', 512.0, "512.0"});
    rows.push_back({"local scientific stays readable", int(NombreLocal), ',', MissingValue, "1E-0026"});
    rows.push_back({"local scientific with mantissa", int(NombreLocal), ',', 1.5e-8, "1,5E-0008"});

    rows.push_back({"precision 0.0123", int(Precision), '.', 0.0123, "0.012"});
    rows.push_back({"precision 0.0456", int(Precision), '.', 0.0456, "0.04"});
    rows.push_back({"precision 0.25", int(Precision), '.', 0.25, "0.2"});
    rows.push_back({"precision 0.5", int(Precision), '.', 0.5, "0.5"});
    rows.push_back({"precision 0.001", int(Precision), '.', 0.001, "0.001"});
    rows.push_back({"precision comma", int(Precision), ',', 0.0123, "0,012"});
    rows.push_back({"precision zero", int(Precision), '.', 0.0, "0"});
    rows.push_back({"precision 0.008, comma", int(Precision), ',', 0.00816, "0,008"});
    rows.push_back({"precision 0.00001 kept", int(Precision), '.', 0.00001, "0.00001"});
    rows.push_back({"precision below 0.00001 is 0", int(Precision), '.', 9e-6, "0"});
    rows.push_back({"precision rounding residue is 0", int(Precision), '.', 2.2e-16, "0"});
    rows.push_back({"precision 1.23, no bare separator", int(Precision), '.', 1.23, "1.2"});
    rows.push_back({"precision 1.23, comma", int(Precision), ',', 1.23, "1,2"});
    rows.push_back({"precision 9.87", int(Precision), '.', 9.87, "9"});
    rows.push_back({"precision 25.3 keeps its magnitude", int(Precision), '.', 25.3, "20"});
    rows.push_back({"precision 1234 keeps its exponent", int(Precision), '.', 1234.0, "1.2E3"});
    rows.push_back({"precision 56789", int(Precision), ',', 56789.0, "5E4"});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const int &fn = row.fn;
        const char &sep = row.sep;
        const double &value = row.value;
        const std::string &expected = row.expected;
        SeparatorScope scope(sep);
        std::string text;
        switch (fn) {
        case Abs: text = FormatAbs(value); break;
        case Sig: text = FormatSig(value); break;
        case Nombre: text = TexteNombre(value); break;
        case NombreLocal: text = TexteNombreLocal(value); break;
        case Precision: text = FormatPrecision(value); break;
        }
        REQUIRE(text == expected);
    }
}

TEST_CASE("cutsAtTwentyBytes")
{
    // 15 significant digits of a huge negative number with a 4-digit exponent
    // would pass 20 bytes; every number text stops there.
    const std::string general = GeneralFormat(-1.23456789012345e-100, 15, 4, '.');
    REQUIRE(general == std::string("-1.23456789012345E-0100"));
    REQUIRE(TexteNombre(-1.234567e-100).size() <= 20);
    REQUIRE(Cut(general, 20) == std::string("-1.23456789012345E-0"));
}

TEST_CASE("readTypedNumber")
{
    struct Row {
        std::string tag;
        char sep;
        std::string typed;
        double expected;
    };
    std::vector<Row> rows;

    for (char sep : {'.', ','}) {
        const std::string s = sep == '.' ? "point " : "comma ";
        rows.push_back({s + "with point", sep, std::string("0.5"), 0.5});
        rows.push_back({s + "with comma", sep, std::string("0,5"), 0.5});
        rows.push_back({s + "milli", sep, std::string("2m"), 0.002});
        rows.push_back({s + "kilo", sep, std::string("3k"), 3000.0});
        rows.push_back({s + "micro sign", sep, std::string("1.5\xB5"), 1.5e-6});
        rows.push_back({s + "exa", sep, std::string("5E"), 5e18});
        rows.push_back({s + "exponent", sep, std::string("1e3"), 1000.0});
        rows.push_back({s + "blanks", sep, std::string(" 7 "), 7.0});
        rows.push_back({s + "negative", sep, std::string("-0.25"), -0.25});
        rows.push_back({s + "letters", sep, std::string("abc"), MissingValue});
        rows.push_back({s + "empty", sep, std::string(""), MissingValue});
        rows.push_back({s + "two separators", sep, std::string("1.2.3"), MissingValue});
        rows.push_back({s + "prefix alone", sep, std::string("m"), MissingValue});
        rows.push_back({s + "infinity is no number", sep, std::string("inf"), MissingValue});
        rows.push_back({s + "out of range", sep, std::string("1e999"), MissingValue});
    }
    // Only the first 20 characters count: the prefix letter beyond them is lost.
    rows.push_back({"first 20 characters", '.', std::string("12345678901234567890k"), 12345678901234567890.0});
    rows.push_back({"prefix within 20", '.', std::string("1234567890123456k"), 1234567890123456e3});
    // The exponent text is cut at 20 characters too, which spoils the number.
    rows.push_back({"exponent cut", '.', std::string("1234567890123456789k"), MissingValue});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const char &sep = row.sep;
        const std::string &typed = row.typed;
        const double &expected = row.expected;
        SeparatorScope scope(sep);
        const double v = ReadTypedNumber(typed);
        REQUIRE_MESSAGE(SameNumber(v, expected), Num(v));
    }
}

TEST_CASE("what a number cell lets the user type")
{
    // Every character the reader takes at the end of a number can be typed
    // (the SI prefixes included: "4m" is 0.004, not 4), and what it never
    // takes cannot.
    SeparatorScope scope(',');
    for (int code = 32; code < 256; ++code) {
        const char c = char(code);
        CAPTURE(code);
        const bool read = ReadTypedNumber(std::string("4") + c) != MissingValue
                          || ReadTypedNumber(std::string(1, c) + "4") != MissingValue;
        if (read)
            REQUIRE(TypedNumberCharacter(c));
    }
    for (char c : {'m', 'k', 'M', 'G', 'n', 'p', '\xB5', 'E', 'e', '-', '+', ',', '.', ' '})
        REQUIRE(TypedNumberCharacter(c));
    for (char c : {'x', 'g', '/', '%', 'A'})
        REQUIRE_FALSE(TypedNumberCharacter(c));
}

TEST_CASE("fixed decimals")
{
    struct Row {
        double value;
        const char *comma, *point;
    };
    const std::vector<Row> rows = {
        {-1.4e-17, "0,000", "0.000"}, // a residual of nothing: not "-1,4E-17"
        {-0.0004, "0,000", "0.000"},  // no "-0,000"
        {-0.0049, "-0,005", "-0.005"},
        {0.01, "0,010", "0.010"},
        {1234.5678, "1234,568", "1234.568"},
    };
    for (const Row &row : rows) {
        CAPTURE(row.point);
        {
            SeparatorScope comma(',');
            REQUIRE(FixedText(row.value, 3) == row.comma);
        }
        SeparatorScope point('.');
        REQUIRE(FixedText(row.value, 3) == row.point);
    }
}

#include "numtext.h"
#include "separator.h"

#include <QtTest>

using namespace vandoral;

class TestNumText : public QObject {
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void cutsAtTwentyBytes();
    void readTypedNumber_data();
    void readTypedNumber();
};

// Which function a row exercises.
enum Fn { Abs, Sig, Nombre, NombreLocal, Precision };

void TestNumText::formats_data()
{
    QTest::addColumn<int>("fn");
    QTest::addColumn<char>("sep");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("abs plain") << int(Abs) << '.' << 0.5234 << "0.523";
    QTest::newRow("abs comma") << int(Abs) << ',' << 0.5234 << "0,523";
    QTest::newRow("abs trailing zeros go") << int(Abs) << '.' << 2.5 << "2.5";
    QTest::newRow("abs integer has no separator") << int(Abs) << ',' << 1.0 << "1";
    QTest::newRow("abs tie to even down") << int(Abs) << '.' << 0.0125 << "0.012";
    QTest::newRow("abs tie to even up") << int(Abs) << '.' << 0.0135 << "0.014";
    QTest::newRow("abs half a thousandth is 0") << int(Abs) << '.' << 0.0005 << "0";
    QTest::newRow("abs negative") << int(Abs) << '.' << -0.1 << "-0.1";
    QTest::newRow("abs rounds to 0.001 first") << int(Abs) << '.' << 1.23456 << "1.24";
    QTest::newRow("abs large is scientific") << int(Abs) << '.' << 1234.5678 << "1.23E3";
    QTest::newRow("abs missing value") << int(Abs) << '.' << MissingValue << "0";

    QTest::newRow("sig 3 digits") << int(Sig) << '.' << -12.345 << "-12.3";
    QTest::newRow("sig integer part of 3") << int(Sig) << '.' << 100.0 << "100";
    QTest::newRow("sig integer part of 4") << int(Sig) << '.' << 1234.0 << "1.23E3";
    QTest::newRow("sig rounding adds a digit") << int(Sig) << '.' << 999.7 << "1E3";
    QTest::newRow("sig smallest plain") << int(Sig) << '.' << 0.00001 << "0.00001";
    QTest::newRow("sig below 0.00001") << int(Sig) << ',' << 0.000001234 << "1,23E-6";
    QTest::newRow("sig missing value") << int(Sig) << '.' << MissingValue << "1E-26";
    QTest::newRow("sig zero") << int(Sig) << '.' << 0.0 << "0";

    QTest::newRow("nombre point kept") << int(Nombre) << '.' << 0.523 << "0.523";
    QTest::newRow("nombre comma becomes point") << int(Nombre) << ',' << 0.523 << "0.523";
    QTest::newRow("nombre integer") << int(Nombre) << ',' << 512.0 << "512";
    QTest::newRow("nombre 7 digits") << int(Nombre) << '.' << 1234567.4 << "1234567";
    QTest::newRow("nombre 4-digit exponent") << int(Nombre) << ',' << 12345678.0 << "1.234568E0007";
    QTest::newRow("nombre small") << int(Nombre) << '.' << 1.5e-8 << "1.5E-0008";

    QTest::newRow("local comma") << int(NombreLocal) << ',' << 0.523 << "0,523";
    QTest::newRow("local integer gets ,0") << int(NombreLocal) << ',' << 12.0 << "12,0";
    QTest::newRow("local integer gets .0") << int(NombreLocal) << '.' << 512.0 << "512.0";
    QTest::newRow("local scientific stays readable") << int(NombreLocal) << ',' << MissingValue
                                                     << "1E-0026";
    QTest::newRow("local scientific with mantissa") << int(NombreLocal) << ',' << 1.5e-8
                                                    << "1,5E-0008";

    QTest::newRow("precision 0.0123") << int(Precision) << '.' << 0.0123 << "0.012";
    QTest::newRow("precision 0.0456") << int(Precision) << '.' << 0.0456 << "0.04";
    QTest::newRow("precision 0.25") << int(Precision) << '.' << 0.25 << "0.2";
    QTest::newRow("precision 0.5") << int(Precision) << '.' << 0.5 << "0.5";
    QTest::newRow("precision 0.001") << int(Precision) << '.' << 0.001 << "0.001";
    QTest::newRow("precision comma") << int(Precision) << ',' << 0.0123 << "0,012";
    QTest::newRow("precision zero") << int(Precision) << '.' << 0.0 << "0";
    QTest::newRow("precision 0.008, comma") << int(Precision) << ',' << 0.00816 << "0,008";
    QTest::newRow("precision 0.00001 kept") << int(Precision) << '.' << 0.00001 << "0.00001";
    QTest::newRow("precision below 0.00001 is 0") << int(Precision) << '.' << 9e-6 << "0";
    QTest::newRow("precision rounding residue is 0") << int(Precision) << '.' << 2.2e-16 << "0";
    QTest::newRow("precision 1.23, no bare separator") << int(Precision) << '.' << 1.23 << "1.2";
    QTest::newRow("precision 1.23, comma") << int(Precision) << ',' << 1.23 << "1,2";
    QTest::newRow("precision 9.87") << int(Precision) << '.' << 9.87 << "9";
    QTest::newRow("precision 25.3 keeps its magnitude") << int(Precision) << '.' << 25.3 << "20";
    QTest::newRow("precision 1234 keeps its exponent") << int(Precision) << '.' << 1234.0 << "1.2E3";
    QTest::newRow("precision 56789") << int(Precision) << ',' << 56789.0 << "5E4";
}

void TestNumText::formats()
{
    QFETCH(int, fn);
    QFETCH(char, sep);
    QFETCH(double, value);
    QFETCH(QString, expected);
    SeparatorScope scope(sep);
    std::string text;
    switch (fn) {
    case Abs: text = FormatAbs(value); break;
    case Sig: text = FormatSig(value); break;
    case Nombre: text = TexteNombre(value); break;
    case NombreLocal: text = TexteNombreLocal(value); break;
    case Precision: text = FormatPrecision(value); break;
    }
    QCOMPARE(QString::fromStdString(text), expected);
}

void TestNumText::cutsAtTwentyBytes()
{
    // 15 significant digits of a huge negative number with a 4-digit exponent
    // would pass 20 bytes; every number text stops there.
    const std::string general = GeneralFormat(-1.23456789012345e-100, 15, 4, '.');
    QCOMPARE(general, std::string("-1.23456789012345E-0100"));
    QVERIFY(TexteNombre(-1.234567e-100).size() <= 20);
    QCOMPARE(Cut(general, 20), std::string("-1.23456789012345E-0"));
}

void TestNumText::readTypedNumber_data()
{
    QTest::addColumn<char>("sep");
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<double>("expected");

    for (char sep : {'.', ','}) {
        const QByteArray s = sep == '.' ? "point " : "comma ";
        QTest::newRow(s + "with point") << sep << QByteArray("0.5") << 0.5;
        QTest::newRow(s + "with comma") << sep << QByteArray("0,5") << 0.5;
        QTest::newRow(s + "milli") << sep << QByteArray("2m") << 0.002;
        QTest::newRow(s + "kilo") << sep << QByteArray("3k") << 3000.0;
        QTest::newRow(s + "micro sign") << sep << QByteArray("1.5\xB5") << 1.5e-6;
        QTest::newRow(s + "exa") << sep << QByteArray("5E") << 5e18;
        QTest::newRow(s + "exponent") << sep << QByteArray("1e3") << 1000.0;
        QTest::newRow(s + "blanks") << sep << QByteArray(" 7 ") << 7.0;
        QTest::newRow(s + "negative") << sep << QByteArray("-0.25") << -0.25;
        QTest::newRow(s + "letters") << sep << QByteArray("abc") << MissingValue;
        QTest::newRow(s + "empty") << sep << QByteArray("") << MissingValue;
        QTest::newRow(s + "two separators") << sep << QByteArray("1.2.3") << MissingValue;
        QTest::newRow(s + "prefix alone") << sep << QByteArray("m") << MissingValue;
        QTest::newRow(s + "infinity is no number") << sep << QByteArray("inf") << MissingValue;
        QTest::newRow(s + "out of range") << sep << QByteArray("1e999") << MissingValue;
    }
    // Only the first 20 characters count: the prefix letter beyond them is lost.
    QTest::newRow("first 20 characters") << '.' << QByteArray("12345678901234567890k") << 12345678901234567890.0;
    QTest::newRow("prefix within 20") << '.' << QByteArray("1234567890123456k") << 1234567890123456e3;
    // The exponent text is cut at 20 characters too, which spoils the number.
    QTest::newRow("exponent cut") << '.' << QByteArray("1234567890123456789k") << MissingValue;
}

void TestNumText::readTypedNumber()
{
    QFETCH(char, sep);
    QFETCH(QByteArray, typed);
    QFETCH(double, expected);
    SeparatorScope scope(sep);
    const double v = ReadTypedNumber(typed.toStdString());
    QCOMPARE(v, expected);
}

QTEST_GUILESS_MAIN(TestNumText)
#include "tst_numtext.moc"

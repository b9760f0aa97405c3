// Saved files opened back: every mode in every format gives back its data,
// under a French locale as under C; files that cannot be read say why.
#include "localescope.h"
#include "openfile.h"
#include "qtext.h"
#include "separator.h"
#include "xlsxfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace vandoral;

namespace {

TDataSeries Sample(MeasureMode mode, bool two)
{
    TDataSeries d;
    d.YAxis = AbsorbanceAxis;
    switch (mode) {
    case MeasureMode::Cinetique:
        d.XAxis = {"t", "s", "temps"};
        d.Two = two;
        for (int i = 0; i < 40; ++i)
            d.Append(5.0 * i, 0.8 * std::exp(-i / 12.0) + 0.05, i == 7 ? MissingValue : 0.3 + 0.001 * i);
        break;
    case MeasureMode::Beer:
        d.XAxis = {"c", "mmol/L", "concentration"};
        d.Append(0.5, 0.101);
        d.Append(1, 0.198);
        d.Append(2.5, 0.502);
        break;
    default:
        d.XAxis = {"Lambda", "nm", "Longueur d'onde"};
        for (int i = 0; i < 471; ++i)
            d.Append(330 + i, i == 20 ? MissingValue : std::round(1000 * (0.5 + 0.4 * std::sin(i / 30.0))) / 1000);
        break;
    }
    return d;
}

QString Write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    return path;
}

} // namespace

class TestOpenFile : public QObject {
    Q_OBJECT
private slots:
    void writtenThenOpened_data();
    void writtenThenOpened();
    void refused_data();
    void refused();
};

void TestOpenFile::writtenThenOpened_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("two");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("locale");
    const struct {
        const char *tag;
        MeasureMode mode;
        bool two;
    } modes[] = {{"spectrum", MeasureMode::Spectre, false},
                 {"kinetics", MeasureMode::Cinetique, false},
                 {"kinetics at two wavelengths", MeasureMode::Cinetique, true},
                 {"Beer-Lambert", MeasureMode::Beer, false}};
    for (const char *locale : {"C", "fr_FR.UTF-8"})
        for (const auto &m : modes)
            for (const char *name : {"m.txt", "m.csv", "m.xlsx", "m.jdx"}) {
                if (QString::fromLatin1(name).endsWith(".jdx") && m.mode != MeasureMode::Spectre)
                    continue;
                QTest::newRow(qPrintable(QStringLiteral("%1, %2, %3").arg(m.tag, name, locale)))
                    << int(m.mode) << m.two << name << locale;
            }
}

void TestOpenFile::writtenThenOpened()
{
    QFETCH(int, mode);
    QFETCH(bool, two);
    QFETCH(QString, name);
    QFETCH(QString, locale);
    LocaleScope user(locale.toLatin1().constData());
    QVERIFY2(user.ok(), qPrintable(locale + " is not installed (scripts/test.sh generates it)"));
    SeparatorScope sep(locale == QLatin1String("C") ? '.' : ',');
    const MeasureMode kind = MeasureMode(mode);
    const TDataSeries data = Sample(kind, two);
    FileRequest r;
    r.kind = kind;
    r.data = &data;
    r.twoCurves = two;
    r.comment = "essai \xE0 20 \xB0" "C";
    r.dateTime = "11/12/2026 10:12:05";
    if (kind == MeasureMode::Beer) {
        r.lambda = 520;
        r.unknowns = {{0.3, 1.5}, {0.45, MissingValue}};
    }
    QTemporaryDir tmp;
    const QString path = tmp.filePath(name);
    std::string written, error;
    QVERIFY2(SaveDataFile(ToPath(path), TextFilter, r, &written, &error), error.c_str());

    LoadedMeasurement m;
    QVERIFY2(OpenMeasurementFile(path, kind, m, &error), error.c_str());
    QCOMPARE(int(m.Mode), mode);
    QCOMPARE(m.Data.Count(), data.Count());
    QCOMPARE(m.Data.Two, two);
    // Text files carry 7 significant digits, JCAMP-DX absorbances 4 decimals.
    auto same = [](double got, double want) {
        if (want == MissingValue)
            return got == MissingValue;
        return std::fabs(got - want) <= 1e-6 * std::max(1.0, std::fabs(want));
    };
    for (int i = 0; i < data.Count(); ++i) {
        QVERIFY2(same(m.Data.X[i], data.X[i]), qPrintable(QString::number(i)));
        QVERIFY2(same(m.Data.A[i], data.A[i]), qPrintable(QStringLiteral("%1: %2").arg(i).arg(m.Data.A[i])));
        if (two)
            QVERIFY(same(m.Data.A2[i], data.A2[i]));
    }
    if (kind != MeasureMode::Beer)
        QCOMPARE(m.Title, r.comment);
    if (kind != MeasureMode::Spectre) {
        QCOMPARE(m.Data.XAxis.Name, data.XAxis.Name);
        QCOMPARE(m.Data.XAxis.Unit, data.XAxis.Unit);
    }
    if (kind == MeasureMode::Beer) {
        QCOMPARE(m.Lambda, 520);
        QCOMPARE(int(m.Unknowns.size()), 2);
        QVERIFY(same(m.Unknowns[0].abs, 0.3) && same(m.Unknowns[0].conc, 1.5));
        QVERIFY(same(m.Unknowns[1].abs, 0.45) && m.Unknowns[1].conc == MissingValue);
    }
    // A file of this mode is refused by another mode's window, which is named.
    const MeasureMode other = kind == MeasureMode::Beer ? MeasureMode::Spectre : MeasureMode::Beer;
    QVERIFY(!OpenMeasurementFile(path, other, m, &error));
    QVERIFY2(error.find("Ce fichier contient " + ModeNoun(kind)) == 0, qPrintable(FromCp(error)));
}

void TestOpenFile::refused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");
    const QByteArray head = "Spectre\r\nLambda\tA\r\nnm\t\r\nLongueur d'onde\t\r\n";
    QTest::newRow("empty") << "e.txt" << QByteArray() << QString::fromUtf8("aucune donnée");
    QTest::newRow("binary") << "b.csv" << QByteArray("\x00\x01\x02\x03", 4) << QString::fromUtf8("binaires");
    QTest::newRow("no header") << "n.txt" << QByteArray("1\t2\r\n3\t4\r\n") << QString::fromUtf8("ne disent pas");
    QTest::newRow("letters in a value") << "l.txt" << head + "400\t0,1\r\n401\t0,x2\r\n402\t0,3\r\n"
                                        << QString::fromUtf8("Ligne 6 :");
    QTest::newRow("a column too many") << "c.txt" << head + "400\t0,1\r\n401\t0,2\t9\r\n" << QString::fromUtf8("Ligne 6 :");
    QTest::newRow("out of 100-3000 nm") << "o.txt" << head + "40\t0,1\r\n" << QString::fromUtf8("100-3000");
    QByteArray many = head;
    for (int i = 0; i < 1502; ++i)
        many += QByteArray::number(200 + i) + "\t0,1\r\n";
    QTest::newRow("more than 1501 points") << "m.txt" << many << QString::fromUtf8("1502 points");
    QTest::newRow("not a workbook") << "w.xlsx" << QByteArray("PK\x03\x04 not really") << QString::fromUtf8("classeur");
    QTest::newRow("a damaged JCAMP-DX") << "d.jdx" << QByteArray("##TITLE=x\n##NPOINTS=3\n##FIRSTX=400\n##LASTX=402\n"
                                                           "##XYDATA=(X++(Y..Y))\n400 1 2\n##END=\n")
                                    << QString::fromUtf8("NPOINTS=3");
    QTest::newRow("too large") << "big.txt" << QByteArray(5 * 1024 * 1024, '1') << QString::fromUtf8("trop grand");
}

void TestOpenFile::refused()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    QTemporaryDir tmp;
    const QString path = Write(tmp.filePath(name), bytes);
    QVERIFY(!path.isEmpty());
    LoadedMeasurement m;
    std::string error;
    QVERIFY(!OpenMeasurementFile(path, MeasureMode::Spectre, m, &error));
    QVERIFY2(FromCp(error).contains(says), qPrintable(FromCp(error)));
}

QTEST_MAIN(TestOpenFile)
#include "tst_openfile.moc"

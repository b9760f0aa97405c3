// The data blocks for the clipboard and the analysis program, compared byte
// for byte with fixture files.
#include "exportblock.h"
#include "separator.h"

#include <QFile>
#include <QtTest>

using namespace vandoral;

namespace {

// Three small graphs, as the three windows fill them.
Tgraphe Spectrum()
{
    Tgraphe g;
    g.WorldX.Name = "Lambda";
    g.WorldX.Unit = "nm";
    g.WorldY.Name = "A";
    g.MarkerSize = 4;
    g.DrawMode = 1;
    const double y[] = {0.523, 1.0, -0.012};
    for (int i = 0; i < 3; ++i) {
        g.X[i] = 512 + i;
        g.Curve1.Y[i] = y[i];
    }
    g.PointCount = 3;
    return g;
}

Tgraphe Kinetics()
{
    Tgraphe g;
    g.WorldX.Name = "t";
    g.WorldX.Unit = "s";
    g.WorldX.LongName = "temps";
    g.WorldY.Name = "A";
    g.WorldY.LongName = "Absorbance";
    g.MarkerSize = 3;
    g.Grid = false;
    g.DrawMode = 3;
    g.Curve1.Color = 255;
    g.Curve2.Color = 32768;
    const double y1[] = {0.5, 0.45, 0.405}, y2[] = {0.1, 0.15, 0.19};
    for (int i = 0; i < 3; ++i) {
        g.X[i] = 8 * i;
        g.Curve1.Y[i] = y1[i];
        g.Curve2.Y[i] = y2[i];
    }
    g.PointCount = 3;
    return g;
}

Tgraphe Beer()
{
    Tgraphe g;
    g.WorldX.Name = "c";
    g.WorldX.Unit = "mol/L";
    g.WorldX.LongName = "concentration";
    g.WorldY.Name = "A";
    g.MarkerSize = 2;
    g.DrawMode = 2;
    g.X[0] = 0.001;
    g.X[1] = 0.002;
    g.Curve1.Y[0] = 0.25;
    g.Curve1.Y[1] = 0.5;
    g.PointCount = 2;
    return g;
}

QByteArray Fixture(const QString &name)
{
    QFile f(QFINDTESTDATA("fixtures/" + name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing fixture " + name.toLatin1());
}

} // namespace

class TestExportBlock : public QObject {
    Q_OBJECT
private slots:
    void blocks_data();
    void blocks();
    void ligneMapping();
    void longTextsAreCut();
};

void TestExportBlock::blocks_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<char>("sep");
    QTest::addColumn<bool>("tabvista");
    QTest::addColumn<bool>("two");
    QTest::addColumn<QByteArray>("symbol");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("fixture");

    QTest::newRow("spectrum to clipboard, comma") << int(BlockKind::Spectre) << ',' << false << false
        << QByteArray("k") << QByteArray("s-1") << QByteArray("0,05") << "spectre-clip-comma.txt";
    QTest::newRow("spectrum to clipboard, point") << int(BlockKind::Spectre) << '.' << false << false
        << QByteArray() << QByteArray() << QByteArray() << "spectre-clip-point.txt";
    QTest::newRow("spectrum to Tabvista, comma") << int(BlockKind::Spectre) << ',' << true << false
        << QByteArray("k") << QByteArray("s-1") << QByteArray("0,05") << "spectre-tabvista-comma.txt";
    QTest::newRow("kinetics, two curves, no symbol") << int(BlockKind::Cinetique) << '.' << true << true
        << QByteArray() << QByteArray("s") << QByteArray("1") << "cinetique2-tabvista-point.txt";
    QTest::newRow("kinetics, one curve, clipboard") << int(BlockKind::Cinetique) << ',' << false << false
        << QByteArray() << QByteArray() << QByteArray() << "cinetique1-clip-comma.txt";
    QTest::newRow("Beer-Lambert to clipboard") << int(BlockKind::Beer) << ',' << false << false
        << QByteArray() << QByteArray() << QByteArray() << "beer-clip-comma.txt";
    QTest::newRow("Beer-Lambert to Tabvista") << int(BlockKind::Beer) << '.' << true << false
        << QByteArray("k") << QByteArray("L/mol") << QByteArray("500") << "beer-tabvista-point.txt";
}

void TestExportBlock::blocks()
{
    QFETCH(int, kind);
    QFETCH(char, sep);
    QFETCH(bool, tabvista);
    QFETCH(bool, two);
    QFETCH(QByteArray, symbol);
    QFETCH(QByteArray, unit);
    QFETCH(QByteArray, value);
    QFETCH(QString, fixture);
    SeparatorScope scope(sep);
    const Tgraphe g = kind == int(BlockKind::Spectre) ? Spectrum() : kind == int(BlockKind::Cinetique) ? Kinetics() : Beer();
    BlockRequest r;
    r.kind = BlockKind(kind);
    r.graph = &g;
    r.twoCurves = two;
    r.versTabvista = tabvista;
    r.programPath = "/opt/vandoral/vandoral";
    r.dateTime = "10/12/2026 14:05:09";
    PageInfo page;
    page.symbol = symbol.toStdString();
    page.unit = unit.toStdString();
    page.value = value.toStdString();
    page.signif = "not exported";
    page.comment = "Essai n\xB0" "1";
    QCOMPARE(QByteArray::fromStdString(JoinBlock(BuildBlock(r, page))), Fixture(fixture));
}

void TestExportBlock::ligneMapping()
{
    QCOMPARE(LigneValue(0), std::string("2"));
    QCOMPARE(LigneValue(1), std::string("2"));
    QCOMPARE(LigneValue(2), std::string("1"));
    QCOMPARE(LigneValue(3), std::string("3"));
}

void TestExportBlock::longTextsAreCut()
{
    const Tgraphe g = Kinetics();
    BlockRequest r;
    r.kind = BlockKind::Cinetique;
    r.graph = &g;
    r.versTabvista = true;
    PageInfo page;
    page.comment = std::string(300, 'c');
    page.symbol = "abcdefghijk"; // 8 characters at most
    const auto lines = BuildBlock(r, page);
    QCOMPARE(lines[2].size(), std::size_t(255));
    const auto it = std::find(lines.begin(), lines.end(), std::string("abcdefgh"));
    QVERIFY(it != lines.end());
    QVERIFY(it[-1].empty());
}

QTEST_GUILESS_MAIN(TestExportBlock)
#include "tst_exportblock.moc"

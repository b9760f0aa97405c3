// The data blocks for the clipboard and the analysis program, compared byte
// for byte with fixture files.
#include "exportblock.h"
#include "samplegraphs.h"
#include "separator.h"

#include <QFile>
#include <QtTest>

using namespace vandoral;

namespace {

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
        << QByteArray("k") << QByteArray("s-1") << QByteArray("0,05") << "lambda-clip-comma.txt";
    QTest::newRow("spectrum to clipboard, point") << int(BlockKind::Spectre) << '.' << false << false
        << QByteArray() << QByteArray() << QByteArray() << "lambda-clip-point.txt";
    QTest::newRow("spectrum to Tabvista, comma") << int(BlockKind::Spectre) << ',' << true << false
        << QByteArray("k") << QByteArray("s-1") << QByteArray("0,05") << "lambda-tabvista-comma.txt";
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
    const Tgraphe g = kind == int(BlockKind::Spectre) ? SampleSpectrum() : kind == int(BlockKind::Cinetique) ? SampleKinetics() : SampleBeer();
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
    const Tgraphe g = SampleKinetics();
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

// Text and CSV data files: names, separators, line ends, contents, failures.
#include "datafile.h"
#include "inifile.h"
#include "separator.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace vandoral;

namespace {

Tgraphe Graph(BlockKind kind)
{
    Tgraphe g;
    if (kind == BlockKind::Cinetique) {
        g.WorldX.Name = "t";
        g.WorldX.Unit = "s";
        g.WorldX.LongName = "temps";
        g.WorldY.Name = "A";
        g.WorldY.LongName = "Absorbance";
    } else if (kind == BlockKind::Beer) {
        g.WorldX.Name = "c";
        g.WorldX.Unit = "mol/L";
        g.WorldX.LongName = "concentration";
        g.WorldY.Name = "A";
        g.WorldY.LongName = "Absorbance";
    }
    g.X[0] = 512;
    g.X[1] = 513;
    g.Curve1.Y[0] = 0.523;
    g.Curve1.Y[1] = 1.0;
    g.Curve2.Y[0] = 0.1;
    g.Curve2.Y[1] = 0.2;
    g.PointCount = 2;
    return g;
}

} // namespace

class TestDataFile : public QObject {
    Q_OBJECT
private slots:
    void files_data();
    void files();
    void extension_data();
    void extension();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();

private:
    QTemporaryDir dir_;
};

void TestDataFile::files_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("two");
    QTest::addColumn<char>("sep");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("bytes");

    const int S = int(BlockKind::Spectre), C = int(BlockKind::Cinetique), B = int(BlockKind::Beer);
    QTest::newRow("no extension, text filter") << S << false << '.' << "a" << int(TextFilter) << "a.TXT"
        << QByteArray("essai\r\nLambda\tA\r\nnm\t\r\nLongueur d'onde\t\r\n512.0\t0.523\r\n513.0\t1.0\r\n");
    QTest::newRow("no extension, csv filter") << S << false << '.' << "b" << int(CsvFilter) << "b.CSV"
        << QByteArray("essai\nLambda,A\nnm,\nLongueur d'onde,\n512.0,0.523\n513.0,1.0\n");
    QTest::newRow("csv with comma separator") << S << false << ',' << "c.csv" << int(TextFilter) << "c.csv"
        << QByteArray("essai\nLambda;A\nnm;\nLongueur d'onde;\n512,0;0,523\n513,0;1,0\n");
    QTest::newRow("dat with csv filter is text") << S << false << ',' << "d.dat" << int(CsvFilter) << "d.dat"
        << QByteArray("essai\r\nLambda\tA\r\nnm\t\r\nLongueur d'onde\t\r\n512,0\t0,523\r\n513,0\t1,0\r\n");
    QTest::newRow("kinetics, second wavelength") << C << true << '.' << "k.txt" << int(TextFilter) << "k.txt"
        << QByteArray("essai\r\nt\tA\tA2\r\ns\t\t\r\ntemps\tAbsorbance\tAbsorbance\r\n512.0\t0.523\t0.1\r\n513.0\t1.0\t0.2\r\n");
    QTest::newRow("kinetics, one wavelength, csv") << C << false << ',' << "k1.CSV" << int(TextFilter) << "k1.CSV"
        << QByteArray("essai\nt;A\ns;\ntemps;Absorbance\n512,0;0,523\n513,0;1,0\n");
    QTest::newRow("Beer-Lambert") << B << false << '.' << "beer" << int(TextFilter) << "beer.TXT"
        << QByteArray("Loi de Beer-Lambert 10/12/2026 14:05:09\r\nc\tA\r\nmol/L\t\r\nconcentration\tAbsorbance\r\n"
                      "512.0\t0.523\r\n513.0\t1.0\r\n");
}

void TestDataFile::files()
{
    QFETCH(int, kind);
    QFETCH(bool, two);
    QFETCH(char, sep);
    QFETCH(QString, name);
    QFETCH(int, filter);
    QFETCH(QString, written);
    QFETCH(QByteArray, bytes);
    SeparatorScope scope(sep);
    const Tgraphe g = Graph(BlockKind(kind));
    FileRequest r;
    r.kind = BlockKind(kind);
    r.graph = &g;
    r.twoCurves = two;
    r.comment = "essai";
    r.dateTime = "10/12/2026 14:05:09";
    std::string finalName, error;
    QVERIFY(SauveFichier(dir_.filePath(name).toStdString(), filter, r, &finalName, &error));
    QCOMPARE(QString::fromStdString(finalName), dir_.filePath(written));
    std::string contents;
    QCOMPARE(ReadWholeFile(finalName, contents), FileState::Read);
    QCOMPARE(QByteArray::fromStdString(contents), bytes);
}

void TestDataFile::extension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ext");
    QTest::newRow("lower csv") << "x.csv" << ".CSV";
    QTest::newRow("none") << "x" << "";
    QTest::newRow("dot in a folder") << "C:\\a.b\\x" << "";
    QTest::newRow("dot in a unix folder") << "/tmp/a.b/x" << "";
    QTest::newRow("drive only") << "a.b:x" << "";
    QTest::newRow("last dot") << "x.tar.Gz" << ".GZ";
}

void TestDataFile::extension()
{
    QFETCH(QString, name);
    QFETCH(QString, ext);
    QCOMPARE(QString::fromStdString(UpperExtension(name.toStdString())), ext);
}

void TestDataFile::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("disk full after half the lines") << "inject" << QByteArray("disque plein");
    QTest::newRow("temporary file cannot be made") << "blocked" << QByteArray("c'est un dossier");
    QTest::newRow("folder is a regular file") << "file-as-folder"
                                              << QByteArray("un \xE9l\xE9ment du chemin n'est pas un dossier");
}

void TestDataFile::failedSaveKeepsOldFile()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    const std::string old = dir.filePath("old.txt").toStdString();
    QVERIFY(WriteFileReplacing(old, "precious\r\n", nullptr));
    std::string target = old;
    const QString blocker = QString::fromStdString(old) + ".~" + QString::number(QCoreApplication::applicationPid());
    if (how == "inject") {
        InjectWriteFailure(60); // the header and part of the data
    } else if (how == "blocked") {
        QVERIFY(QDir().mkpath(blocker));
    } else {
        target = old + "/x.txt";
    }
    Tgraphe g = Graph(BlockKind::Spectre);
    FileRequest r;
    r.graph = &g;
    r.comment = "new";
    std::string error, finalName;
    QVERIFY(!SauveFichier(target, TextFilter, r, &finalName, &error));
    QDir().rmdir(blocker);
    // The user's file is named by the caller; the reason is French and never
    // names the temporary file.
    QCOMPARE(finalName, target);
    QFETCH(QByteArray, reason);
    QCOMPARE(QByteArray::fromStdString(error), reason);
    std::string contents;
    QCOMPARE(ReadWholeFile(old, contents), FileState::Read);
    QCOMPARE(contents, std::string("precious\r\n"));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"old.txt"});
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"

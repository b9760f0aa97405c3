#include "datafile.h"
#include "inifile.h"
#include "separator.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace vandoral;

class TestDataFile : public QObject {
    Q_OBJECT
private slots:
    void spectrumFiles_data();
    void spectrumFiles();
    void extension_data();
    void extension();
    void failedSaveKeepsOldFile();

private:
    QTemporaryDir dir_;
};

void TestDataFile::spectrumFiles_data()
{
    QTest::addColumn<char>("sep");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("no extension, text filter")
        << '.' << "a" << int(TextFilter) << "a.TXT"
        << QByteArray("essai\r\nLambda\tA\r\nnm\t\r\nLongueur d'onde\t\r\n512.0\t0.523\r\n513.0\t1.0\r\n");
    QTest::newRow("no extension, csv filter")
        << '.' << "b" << int(CsvFilter) << "b.CSV"
        << QByteArray("essai\nLambda,A\nnm,\nLongueur d'onde,\n512.0,0.523\n513.0,1.0\n");
    QTest::newRow("csv with comma separator")
        << ',' << "c.csv" << int(TextFilter) << "c.csv"
        << QByteArray("essai\nLambda;A\nnm;\nLongueur d'onde;\n512,0;0,523\n513,0;1,0\n");
    QTest::newRow("dat with csv filter is text")
        << ',' << "d.dat" << int(CsvFilter) << "d.dat"
        << QByteArray("essai\r\nLambda\tA\r\nnm\t\r\nLongueur d'onde\t\r\n512,0\t0,523\r\n513,0\t1,0\r\n");
}

void TestDataFile::spectrumFiles()
{
    QFETCH(char, sep);
    QFETCH(QString, name);
    QFETCH(int, filter);
    QFETCH(QString, written);
    QFETCH(QByteArray, bytes);
    SeparatorScope scope(sep);
    std::string finalName, error;
    const std::string path = dir_.filePath(name).toStdString();
    QVERIFY(SauveSpectreFichier(path, filter, "essai", {512, 513}, {0.523, 1.0}, &finalName, &error));
    QCOMPARE(QString::fromStdString(finalName), dir_.filePath(written));
    std::string contents;
    QVERIFY(ReadWholeFile(finalName, contents));
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

void TestDataFile::failedSaveKeepsOldFile()
{
    const std::string path = dir_.filePath("old.txt").toStdString();
    QVERIFY(WriteFileReplacing(path, "precious\r\n", nullptr));
    // The temporary file cannot be created beside the target.
    const QString blocker = QString::fromStdString(path) + ".~" + QString::number(QCoreApplication::applicationPid());
    QVERIFY(QDir().mkpath(blocker));
    std::string error;
    QVERIFY(!SauveSpectreFichier(path, TextFilter, "new", {1}, {2}, nullptr, &error));
    QVERIFY(!error.empty());
    QDir().rmdir(blocker);
    std::string contents;
    QVERIFY(ReadWholeFile(path, contents));
    QCOMPARE(contents, std::string("precious\r\n"));
    // A folder in the path that is a regular file.
    QVERIFY(!SauveSpectreFichier(path + "/x.txt", TextFilter, "new", {1}, {2}, nullptr, &error));
    QVERIFY(QString::fromStdString(error).contains("x.txt"));
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"

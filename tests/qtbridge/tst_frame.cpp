#include "cp1252.h"
#include "frame.h"
#include "qtext.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace vandoral;

class TestFrame : public QObject {
    Q_OBJECT
private slots:
    void windows1252_data();
    void windows1252();
    void everyByteSurvivesTheRoundTrip();
    void settingsFileBesideTheProgram();
    void pathsAreFileSystemNames();
    void timeFormatWithoutZone_data();
    void timeFormatWithoutZone();
};

void TestFrame::windows1252_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("accents") << QByteArray("Probl\xE8me d'\xE9talonnage") << QString::fromUtf8("Problème d'étalonnage");
    QTest::newRow("lambda mark 0x88") << QByteArray("\x88") << QString(QChar(0x02C6));
    QTest::newRow("euro 0x80") << QByteArray("\x80") << QString(QChar(0x20AC));
    QTest::newRow("micro 0xB5") << QByteArray("\xB5") << QString(QChar(0x00B5));
    QTest::newRow("oe 0x9C") << QByteArray("\x9C") << QString(QChar(0x0153));
}

void TestFrame::windows1252()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(FromCp(bytes.toStdString()), text);
    QCOMPARE(QByteArray::fromStdString(ToCp(text)), bytes);
}

void TestFrame::everyByteSurvivesTheRoundTrip()
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    QCOMPARE(ToCp(FromCp(all)), all);
    QCOMPARE(ToCp(QString(QChar(0x4E2D))), std::string("?")); // not in the code page
}

void TestFrame::settingsFileBesideTheProgram()
{
    QTemporaryDir dir;
    QCOMPARE(SettingsFilePathIn(dir.path()), dir.filePath("vandoral.INI"));
    // A program folder that cannot hold the file: the user's configuration folder.
    QStandardPaths::setTestModeEnabled(true);
    const QString fallback = SettingsFilePathIn(dir.filePath("no-such-folder"));
    QVERIFY(fallback.endsWith("/vandoral/vandoral.INI"));
    QVERIFY(QFileInfo(QFileInfo(fallback).path()).isDir());
    // Installed under /usr: the user's folder, though root may write there.
    QVERIFY(QFileInfo("/usr/bin").isWritable());
    QCOMPARE(SettingsFilePathIn("/usr/bin"), fallback);
    QCOMPARE(SettingsFilePathIn("/usr/local/bin/"), fallback);
}

void TestFrame::pathsAreFileSystemNames()
{
    // Not Windows-1252: the name the file system knows (UTF-8 here).
    const QString folder = QString::fromUtf8("/home/élève/Téléchargements/mesure_été.TXT");
    QCOMPARE(QByteArray::fromStdString(ToPath(folder)), folder.toUtf8());
    QCOMPARE(FromPath(ToPath(folder)), folder);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath(QString::fromUtf8("Téléchargements"))));
    const QString ini = SettingsFilePathIn(dir.filePath(QString::fromUtf8("Téléchargements")));
    QCOMPARE(ini, dir.filePath(QString::fromUtf8("Téléchargements/vandoral.INI")));
}

void TestFrame::timeFormatWithoutZone_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("French long time") << "HH:mm:ss t" << "HH:mm:ss";
    QTest::newRow("English long time") << "h:mm:ss AP t" << "h:mm:ss AP";
    QTest::newRow("long zone name") << "HH:mm:ss tttt" << "HH:mm:ss";
    QTest::newRow("zone first") << "t HH:mm:ss" << "HH:mm:ss";
    QTest::newRow("quoted letters stay") << "HH 'heures' mm" << "HH 'heures' mm";
    QTest::newRow("no zone") << "HH:mm:ss" << "HH:mm:ss";
}

void TestFrame::timeFormatWithoutZone()
{
    QFETCH(QString, format);
    QTEST(TimeFormatWithoutZone(format), "expected");
}

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"

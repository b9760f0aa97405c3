#include "inifile.h"
#include "separator.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace vandoral;

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void readsWithoutRegardToCase();
    void writeKeepsEverythingElse();
    void acceptsLfAndWritesCrLf();
    void windows1252BytesPassThrough();
    void integers_data();
    void integers();
    void floatsAcceptBothSeparators();
    void directAccess();
    void failedWriteKeepsOldFile();

private:
    QTemporaryDir dir_;
    std::string Path(const char *name) { return dir_.filePath(name).toStdString(); }
};

void TestIniFile::readsWithoutRegardToCase()
{
    IniImage ini;
    ini.Parse("[Beer]\r\nNom = x \r\n[k2]\r\nNOM=Orbis\r\n");
    QCOMPARE(ini.ReadString("BEER", "nom", "d"), std::string("x"));
    QCOMPARE(ini.ReadString("K2", "Nom", "d"), std::string("Orbis"));
    QCOMPARE(ini.ReadString("K2", "code", "d"), std::string("d"));
    QCOMPARE(ini.ReadString("K3", "Nom", "d"), std::string("d"));
    QCOMPARE(ini.Sections(), (std::vector<std::string>{"Beer", "k2"}));
}

void TestIniFile::writeKeepsEverythingElse()
{
    const std::string original =
        "; settings\r\n"
        "[Spectro]\r\n"
        "Com=3\r\n"
        "Test=1\r\n"
        "\r\n"
        "[K2]\r\n"
        "Nom=Orbis K2\r\n"
        "; a comment inside\r\n"
        "code=6004\r\n"
        "\r\n"
        "[Other]\r\n"
        "weird line without equals\r\n";
    IniImage ini;
    ini.Parse(original);
    ini.WriteInteger("spectro", "COM", 5);    // existing key, other case
    ini.WriteString("Spectro", "New", "v");   // new key in an existing section
    ini.WriteString("Beer", "Nom", "c");      // new section
    const std::string expected =
        "; settings\r\n"
        "[Spectro]\r\n"
        "Com=5\r\n"
        "Test=1\r\n"
        "New=v\r\n"
        "\r\n"
        "[K2]\r\n"
        "Nom=Orbis K2\r\n"
        "; a comment inside\r\n"
        "code=6004\r\n"
        "\r\n"
        "[Other]\r\n"
        "weird line without equals\r\n"
        "\r\n"
        "[Beer]\r\n"
        "Nom=c\r\n";
    QCOMPARE(ini.Serialize(), expected);
}

void TestIniFile::acceptsLfAndWritesCrLf()
{
    IniImage ini;
    ini.Parse("[A]\nx=1\ny=2");
    QCOMPARE(ini.ReadInteger("A", "y", 0), 2L);
    QCOMPARE(ini.Serialize(), std::string("[A]\r\nx=1\r\ny=2\r\n"));
}

void TestIniFile::windows1252BytesPassThrough()
{
    const std::string path = Path("bytes.ini");
    std::string all = "[Beer]\r\nSignif=";
    for (int b = 0x80; b <= 0xFF; ++b)
        all += static_cast<char>(b);
    all += "\r\n";
    IniImage ini;
    ini.Parse(all);
    QVERIFY(ini.Save(path));
    IniImage back;
    QVERIFY(back.Load(path));
    QCOMPARE(back.Serialize(), all);
    QCOMPARE(back.ReadString("Beer", "Signif", "").size(), std::size_t(128));
}

void TestIniFile::integers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<long>("expected");
    QTest::newRow("decimal") << QByteArray("42") << 42L;
    QTest::newRow("negative") << QByteArray("-3") << -3L;
    QTest::newRow("hex dollar") << QByteArray("$1F") << 31L;
    QTest::newRow("hex 0x") << QByteArray("0x10") << 16L;
    QTest::newRow("not a number") << QByteArray("abc") << -99L;
    QTest::newRow("trailing letters") << QByteArray("12ab") << -99L;
    QTest::newRow("real") << QByteArray("2.5") << -99L;
    QTest::newRow("empty") << QByteArray("") << -99L;
    QTest::newRow("too large") << QByteArray("99999999999") << -99L;
}

void TestIniFile::integers()
{
    QFETCH(QByteArray, text);
    QFETCH(long, expected);
    IniImage ini;
    ini.Parse("[S]\r\nk=" + text.toStdString() + "\r\n");
    QCOMPARE(ini.ReadInteger("S", "k", -99), expected);
}

void TestIniFile::floatsAcceptBothSeparators()
{
    IniImage ini;
    ini.Parse("[S]\r\na=2.5\r\nb=0,01\r\nc=x\r\n");
    for (char sep : {'.', ','}) {
        SeparatorScope scope(sep);
        QCOMPARE(ini.ReadFloat("S", "a", 0), 2.5);
        QCOMPARE(ini.ReadFloat("S", "b", 0), 0.01);
        QCOMPARE(ini.ReadFloat("S", "c", 7), 7.0);
    }
    SeparatorScope scope(',');
    ini.WriteFloat("S", "d", 0.1 + 0.2); // 15 significant digits
    QCOMPARE(ini.ReadString("S", "d", ""), std::string("0,3"));
}

void TestIniFile::directAccess()
{
    const std::string path = Path("direct.ini");
    QCOMPARE(IniReadInteger(path, "Spectro", "Test", 7), 7L); // no file yet
    QVERIFY(IniWriteInteger(path, "Spectro", "Test", 0));
    QVERIFY(IniWriteString(path, "WindowS", "Left", "12"));
    QCOMPARE(IniReadInteger(path, "spectro", "test", 7), 0L);
    QCOMPARE(IniReadString(path, "windows", "left", ""), std::string("12"));
}

void TestIniFile::failedWriteKeepsOldFile()
{
    const std::string path = Path("keep.ini");
    IniImage ini;
    ini.Parse("[K2]\r\ncode=6004\r\n");
    QVERIFY(ini.Save(path));

    // The temporary file cannot be created: a folder stands in its place.
    const QString blocker = QString::fromStdString(path) + ".~" + QString::number(QCoreApplication::applicationPid());
    QVERIFY(QDir().mkpath(blocker));
    IniImage changed;
    changed.Parse("[Spectro]\r\nCom=1\r\n");
    std::string error;
    QVERIFY(!changed.Save(path, &error));
    QVERIFY(!error.empty());
    QVERIFY(QDir().rmdir(blocker));
    IniImage back;
    QVERIFY(back.Load(path));
    QCOMPARE(back.ReadString("K2", "code", ""), std::string("6004"));

    // A folder path that is a regular file.
    const std::string under = path + "/sub.ini";
    QVERIFY(!ini.Save(under, &error));
    QVERIFY(QString::fromStdString(error).contains("sub.ini"));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"

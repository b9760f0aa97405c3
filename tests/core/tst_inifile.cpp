#include "inifile.h"
#include "separator.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

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
    void byteOrderMarkIsSkipped();
    void lineBreaksInValuesAreDropped();
    void unreadableFiles_data();
    void unreadableFiles();
    void manySectionsLoadInLinearTime();

private:
    QTemporaryDir dir_;
    std::string Path(const std::string &name) { return dir_.filePath(QString::fromStdString(name)).toStdString(); }
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
    QCOMPARE(back.Load(path), FileState::Read);
    QCOMPARE(back.Serialize(), all);
    QCOMPARE(back.ReadString("Beer", "Signif", "").size(), std::size_t(128));
}

void TestIniFile::integers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("decimal") << QByteArray("42") << qint64(42);
    QTest::newRow("negative") << QByteArray("-3") << qint64(-3);
    QTest::newRow("plus sign") << QByteArray("+3") << qint64(3);
    QTest::newRow("hex dollar") << QByteArray("$1F") << qint64(31);
    QTest::newRow("hex 0x") << QByteArray("0x10") << qint64(16);
    QTest::newRow("lowest") << QByteArray("-2147483648") << qint64(-2147483648LL);
    QTest::newRow("above 31 bits stays positive") << QByteArray("2147483648") << qint64(2147483648LL);
    QTest::newRow("highest") << QByteArray("4294967295") << qint64(4294967295LL);
    QTest::newRow("highest in hex") << QByteArray("$FFFFFFFF") << qint64(4294967295LL);
    QTest::newRow("not a number") << QByteArray("abc") << qint64(-99);
    QTest::newRow("trailing letters") << QByteArray("12ab") << qint64(-99);
    QTest::newRow("real") << QByteArray("2.5") << qint64(-99);
    QTest::newRow("empty") << QByteArray("") << qint64(-99);
    QTest::newRow("too large") << QByteArray("99999999999") << qint64(-99);
    QTest::newRow("below the lowest") << QByteArray("-2147483649") << qint64(-99);
    QTest::newRow("two minus signs") << QByteArray("--5") << qint64(-99);
    QTest::newRow("plus then minus") << QByteArray("+-5") << qint64(-99);
    QTest::newRow("sign after hex mark") << QByteArray("$-5") << qint64(-99);
    QTest::newRow("most negative 64-bit") << QByteArray("--9223372036854775808") << qint64(-99);
}

void TestIniFile::integers()
{
    QFETCH(QByteArray, text);
    QFETCH(qint64, expected);
    IniImage ini;
    ini.Parse("[S]\r\nk=" + text.toStdString() + "\r\n");
    QCOMPARE(qint64(ini.ReadInteger("S", "k", -99)), expected);
}

void TestIniFile::byteOrderMarkIsSkipped()
{
    const std::string path = Path("bom.ini");
    QVERIFY(WriteFileReplacing(path, "\xEF\xBB\xBF[Spectro]\r\nCom=3\r\n", nullptr));
    IniImage ini;
    QCOMPARE(ini.Load(path), FileState::Read);
    QCOMPARE(ini.ReadInteger("Spectro", "Com", 1), 3);
    ini.WriteInteger("Spectro", "Com", 4);
    QVERIFY(ini.Save(path));
    std::string bytes;
    QCOMPARE(ReadWholeFile(path, bytes), FileState::Read);
    QCOMPARE(bytes, std::string("[Spectro]\r\nCom=4\r\n")); // one section, not two
}

void TestIniFile::lineBreaksInValuesAreDropped()
{
    const std::string path = Path("breaks.ini");
    IniImage ini;
    ini.WriteString("Beer", "Nom", "c\r\n[Spectro]\r\nCom=9");
    ini.WriteString("Beer", "Unite", "mol\n/L");
    QVERIFY(ini.Save(path));
    IniImage back;
    QCOMPARE(back.Load(path), FileState::Read);
    QCOMPARE(back.Sections(), std::vector<std::string>{"Beer"});
    QCOMPARE(back.ReadString("Beer", "Nom", ""), std::string("c[Spectro]Com=9"));
    QCOMPARE(back.ReadString("Beer", "Unite", ""), std::string("mol/L"));
}

void TestIniFile::unreadableFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a pipe (would block)") << "fifo";
    QTest::newRow("a device (endless)") << "device";
}

void TestIniFile::unreadableFiles()
{
    QFETCH(QString, kind);
    const std::string path = Path(("odd-" + kind + ".ini").toStdString());
    if (kind == "folder")
        QVERIFY(QDir().mkpath(QString::fromStdString(path)));
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
    else
        QVERIFY(QFile::link("/dev/zero", QString::fromStdString(path)));
    IniImage ini;
    std::string error;
    QCOMPARE(ini.Load(path, &error), FileState::Unreadable);
    QCOMPARE(error, std::string("ce n'est pas un fichier ordinaire"));
    QVERIFY(ini.Sections().empty());
    // Direct writes refuse to replace it.
    error.clear();
    QVERIFY(!IniWriteString(path, "Spectro", "Test", "1", &error));
    QVERIFY(!error.empty());
    // It is still what it was.
    const QFileInfo after(QString::fromStdString(path));
    if (kind == "folder")
        QVERIFY(after.isDir());
    else if (kind == "fifo")
        QVERIFY(after.exists() && !after.isFile());
    else
        QCOMPARE(after.symLinkTarget(), QString("/dev/zero"));
    QCOMPARE(IniReadString(path, "Spectro", "Test", "none"), std::string("none"));
}

void TestIniFile::manySectionsLoadInLinearTime()
{
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += "[S" + std::to_string(i) + "]\r\ncode=" + std::to_string(i) + "\r\n";
    QElapsedTimer t;
    t.start();
    IniImage ini;
    ini.Parse(text);
    long long sum = 0;
    for (const auto &name : ini.Sections())
        sum += ini.ReadInteger(name, "code", 0);
    QCOMPARE(sum, 99999LL * 100000 / 2);
    // A lookup that scans every section makes this take about a minute.
    QVERIFY2(t.elapsed() < 10000, qPrintable(QString::number(t.elapsed())));
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
    QCOMPARE(back.Load(path), FileState::Read);
    QCOMPARE(back.ReadString("K2", "code", ""), std::string("6004"));

    // A folder path that is a regular file: the reason, in French.
    const std::string under = path + "/sub.ini";
    QVERIFY(!ini.Save(under, &error));
    QCOMPARE(error, std::string("un \xE9l\xE9ment du chemin n'est pas un dossier"));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"

#include "inifile.h"
#include "separator.h"

#include "coretest.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace vandoral;

namespace {

// Each test case gets its own folder.
struct IniFixture {
    TempDir dir_;
    std::string Path(const std::string &name) { return dir_.filePath(name); }
};

} // namespace

TEST_CASE("readsWithoutRegardToCase")
{
    IniImage ini;
    ini.Parse("[Beer]\r\nNom = x \r\n[k2]\r\nNOM=Orbis\r\n");
    REQUIRE(ini.ReadString("BEER", "nom", "d") == std::string("x"));
    REQUIRE(ini.ReadString("K2", "Nom", "d") == std::string("Orbis"));
    REQUIRE(ini.ReadString("K2", "code", "d") == std::string("d"));
    REQUIRE(ini.ReadString("K3", "Nom", "d") == std::string("d"));
    REQUIRE(ini.Sections() == (std::vector<std::string>{"Beer", "k2"}));
}

TEST_CASE("writeKeepsEverythingElse")
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
    REQUIRE(ini.Serialize() == expected);
}

TEST_CASE("acceptsLfAndWritesCrLf")
{
    IniImage ini;
    ini.Parse("[A]\nx=1\ny=2");
    REQUIRE(ini.ReadInteger("A", "y", 0) == 2L);
    REQUIRE(ini.Serialize() == std::string("[A]\r\nx=1\r\ny=2\r\n"));
}

TEST_CASE_FIXTURE(IniFixture, "windows1252BytesPassThrough")
{
    const std::string path = Path("bytes.ini");
    std::string all = "[Beer]\r\nSignif=";
    for (int b = 0x80; b <= 0xFF; ++b)
        all += static_cast<char>(b);
    all += "\r\n";
    IniImage ini;
    ini.Parse(all);
    REQUIRE(ini.Save(path));
    IniImage back;
    REQUIRE(back.Load(path) == FileState::Read);
    REQUIRE(back.Serialize() == all);
    REQUIRE(back.ReadString("Beer", "Signif", "").size() == std::size_t(128));
}

TEST_CASE("integers")
{
    struct Row {
        std::string tag;
        std::string text;
        std::int64_t expected;
    };
    std::vector<Row> rows;

    rows.push_back({"decimal", std::string("42"), std::int64_t(42)});
    rows.push_back({"negative", std::string("-3"), std::int64_t(-3)});
    rows.push_back({"plus sign", std::string("+3"), std::int64_t(3)});
    rows.push_back({"hex dollar", std::string("$1F"), std::int64_t(31)});
    rows.push_back({"hex 0x", std::string("0x10"), std::int64_t(16)});
    rows.push_back({"lowest", std::string("-2147483648"), std::int64_t(-2147483648LL)});
    rows.push_back({"above 31 bits stays positive", std::string("2147483648"), std::int64_t(2147483648LL)});
    rows.push_back({"highest", std::string("4294967295"), std::int64_t(4294967295LL)});
    rows.push_back({"highest in hex", std::string("$FFFFFFFF"), std::int64_t(4294967295LL)});
    rows.push_back({"not a number", std::string("abc"), std::int64_t(-99)});
    rows.push_back({"trailing letters", std::string("12ab"), std::int64_t(-99)});
    rows.push_back({"real", std::string("2.5"), std::int64_t(-99)});
    rows.push_back({"empty", std::string(""), std::int64_t(-99)});
    rows.push_back({"too large", std::string("99999999999"), std::int64_t(-99)});
    rows.push_back({"below the lowest", std::string("-2147483649"), std::int64_t(-99)});
    rows.push_back({"two minus signs", std::string("--5"), std::int64_t(-99)});
    rows.push_back({"plus then minus", std::string("+-5"), std::int64_t(-99)});
    rows.push_back({"sign after hex mark", std::string("$-5"), std::int64_t(-99)});
    rows.push_back({"most negative 64-bit", std::string("--9223372036854775808"), std::int64_t(-99)});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const std::string &text = row.text;
        const std::int64_t &expected = row.expected;
        IniImage ini;
        ini.Parse("[S]\r\nk=" + text + "\r\n");
        REQUIRE(std::int64_t(ini.ReadInteger("S", "k", -99)) == expected);
    }
}

TEST_CASE_FIXTURE(IniFixture, "byteOrderMarkIsSkipped")
{
    const std::string path = Path("bom.ini");
    REQUIRE(WriteFileReplacing(path, "\xEF\xBB\xBF[Spectro]\r\nCom=3\r\n", nullptr));
    IniImage ini;
    REQUIRE(ini.Load(path) == FileState::Read);
    REQUIRE(ini.ReadInteger("Spectro", "Com", 1) == 3);
    ini.WriteInteger("Spectro", "Com", 4);
    REQUIRE(ini.Save(path));
    std::string bytes;
    REQUIRE(ReadWholeFile(path, bytes) == FileState::Read);
    REQUIRE(bytes == std::string("[Spectro]\r\nCom=4\r\n")); // one section, not two
}

TEST_CASE_FIXTURE(IniFixture, "lineBreaksInValuesAreDropped")
{
    const std::string path = Path("breaks.ini");
    IniImage ini;
    ini.WriteString("Beer", "Nom", "c\r\n[Spectro]\r\nCom=9");
    ini.WriteString("Beer", "Unite", "mol\n/L");
    REQUIRE(ini.Save(path));
    IniImage back;
    REQUIRE(back.Load(path) == FileState::Read);
    REQUIRE(back.Sections() == std::vector<std::string>{"Beer"});
    REQUIRE(back.ReadString("Beer", "Nom", "") == std::string("c[Spectro]Com=9"));
    REQUIRE(back.ReadString("Beer", "Unite", "") == std::string("mol/L"));
}

TEST_CASE_FIXTURE(IniFixture, "unreadableFiles")
{
    struct Row {
        std::string tag;
        std::string kind;
    };
    std::vector<Row> rows;

    rows.push_back({"a folder", "folder"});
#ifndef _WIN32
    rows.push_back({"a pipe (would block)", "fifo"});
    rows.push_back({"a device (endless)", "device"});
#endif
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const std::string &kind = row.kind;
        const std::string path = Path(("odd-" + kind + ".ini"));
        if (kind == "folder")
            REQUIRE(MakeFolder(path));
#ifndef _WIN32
        else if (kind == "fifo")
            REQUIRE(::mkfifo(path.c_str(), 0600) == 0);
        else
            std::filesystem::create_symlink("/dev/zero", path);
#endif
        IniImage ini;
        std::string error;
        REQUIRE(ini.Load(path, &error) == FileState::Unreadable);
        REQUIRE(error == std::string("ce n'est pas un fichier ordinaire"));
        REQUIRE(ini.Sections().empty());
        // Direct writes refuse to replace it.
        error.clear();
        REQUIRE(!IniWriteString(path, "Spectro", "Test", "1", &error));
        REQUIRE(!error.empty());
        // It is still what it was.
        if (kind == "folder")
            REQUIRE(IsFolder(path));
        else if (kind == "fifo")
            REQUIRE((std::filesystem::is_fifo(path)));
        else
            REQUIRE(std::filesystem::read_symlink(path) == "/dev/zero");
        REQUIRE(IniReadString(path, "Spectro", "Test", "none") == std::string("none"));
    }
}

TEST_CASE("manySectionsLoadInLinearTime")
{
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += "[S" + std::to_string(i) + "]\r\ncode=" + std::to_string(i) + "\r\n";
    const Stopwatch t;
    IniImage ini;
    ini.Parse(text);
    long long sum = 0;
    for (const auto &name : ini.Sections())
        sum += ini.ReadInteger(name, "code", 0);
    REQUIRE(sum == 99999LL * 100000 / 2);
    // A lookup that scans every section makes this take about a minute.
    REQUIRE_MESSAGE(t.elapsed() < 10000, t.elapsed() << " ms");
}

TEST_CASE("floatsAcceptBothSeparators")
{
    IniImage ini;
    ini.Parse("[S]\r\na=2.5\r\nb=0,01\r\nc=x\r\n");
    for (char sep : {'.', ','}) {
        SeparatorScope scope(sep);
        REQUIRE(ini.ReadFloat("S", "a", 0) == 2.5);
        REQUIRE(ini.ReadFloat("S", "b", 0) == 0.01);
        REQUIRE(ini.ReadFloat("S", "c", 7) == 7.0);
    }
    SeparatorScope scope(',');
    ini.WriteFloat("S", "d", 0.1 + 0.2); // 15 significant digits
    REQUIRE(ini.ReadString("S", "d", "") == std::string("0,3"));
}

TEST_CASE_FIXTURE(IniFixture, "directAccess")
{
    const std::string path = Path("direct.ini");
    REQUIRE(IniReadInteger(path, "Spectro", "Test", 7) == 7L); // no file yet
    REQUIRE(IniWriteInteger(path, "Spectro", "Test", 0));
    REQUIRE(IniWriteString(path, "WindowS", "Left", "12"));
    REQUIRE(IniReadInteger(path, "spectro", "test", 7) == 0L);
    REQUIRE(IniReadString(path, "windows", "left", "") == std::string("12"));
}

TEST_CASE_FIXTURE(IniFixture, "failedWriteKeepsOldFile")
{
    const std::string path = Path("keep.ini");
    IniImage ini;
    ini.Parse("[K2]\r\ncode=6004\r\n");
    REQUIRE(ini.Save(path));

    // The temporary file cannot be created: a folder stands in its place.
    const std::string blocker = TemporaryBeside(path);
    REQUIRE(MakeFolder(blocker));
    IniImage changed;
    changed.Parse("[Spectro]\r\nCom=1\r\n");
    std::string error;
    REQUIRE(!changed.Save(path, &error));
    REQUIRE(!error.empty());
    REQUIRE(RemoveEmptyFolder(blocker));
    IniImage back;
    REQUIRE(back.Load(path) == FileState::Read);
    REQUIRE(back.ReadString("K2", "code", "") == std::string("6004"));

    // A folder path that is a regular file: the reason, in French.
    const std::string under = path + "/sub.ini";
    REQUIRE(!ini.Save(under, &error));
    REQUIRE(error == std::string("un \xE9l\xE9ment du chemin n'est pas un dossier"));
}


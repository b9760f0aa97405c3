// The settings file read and written by the driver, and the model catalogue
// kept in the same file.
#include "catalogue.h"
#include "inifile.h"
#include "separator.h"
#include "driver.h"

#include "coretest.h"

#include <map>

using namespace vandoral;

namespace {

// Each test case gets its own folder and settings file.
struct SettingsFixture {
    std::string Write(const std::string &text)
    {
        IniImage ini;
        ini.Parse(text);
        ini.Save(path_);
        return path_;
    }
    TempDir dir_;
    std::string path_ = dir_.filePath("v1.INI");
};

// A number as a short text ("%g").
std::string Short(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

} // namespace

TEST_CASE_FIXTURE(SettingsFixture, "defaultsWithoutFile")
{
    TspectroVandoral s(path_);
    REQUIRE(s.Com == std::uint16_t(1));
    REQUIRE(s.Mini == 0.0);
    REQUIRE(s.Maxi == 0.01);
    REQUIRE(s.Nom == std::string("c"));
    REQUIRE(s.Unite == std::string("mol/L"));
    REQUIRE(s.Signif == std::string("concentration"));
    REQUIRE(s.Actif);
    REQUIRE(s.LambdaBeer == std::uint16_t(500));
    REQUIRE(s.Deltat == std::uint16_t(8));
    REQUIRE(s.Nombre == std::uint16_t(60));
    REQUIRE(s.Duree() == 480u);
    REQUIRE(s.LambdaMin == 330);
    REQUIRE(s.LambdaMax == 800);
    REQUIRE(s.AbsMax == 2.5);
    REQUIRE(!s.BinaryScan);
    REQUIRE(!FileExists(path_)); // reading never creates the file
}

TEST_CASE_FIXTURE(SettingsFixture, "readingRules")
{
    struct Row {
        std::string tag;
        std::string section;
        std::string key;
        std::string stored;
        std::string field;
        std::string expected;
    };
    std::vector<Row> rows;

    rows.push_back({"Maxi 0 reads 0.001", std::string("Beer"), std::string("Maxi"), std::string("0"), "Maxi", "0.001"});
    rows.push_back({"Maxi not a number", std::string("Beer"), std::string("Maxi"), std::string("x"), "Maxi", "0.01"});
    rows.push_back({"Deltat 3 reads 8", std::string("Cinetique"), std::string("Deltat"), std::string("3"), "Deltat", "8"});
    rows.push_back({"Deltat negative wraps like the 16-bit field", std::string("Cinetique"), std::string("Deltat"), std::string("-20"), "Deltat", "65516"});
    rows.push_back({"Deltat 65540 is cut to 4, then reads 8", std::string("Cinetique"), std::string("Deltat"), std::string("65540"), "Deltat", "8"});
    rows.push_back({"Deltat 65536 is cut to 0, then reads 8", std::string("Cinetique"), std::string("Deltat"), std::string("65536"), "Deltat", "8"});
    rows.push_back({"Deltat 65546 is cut to 10", std::string("Cinetique"), std::string("Deltat"), std::string("65546"), "Deltat", "10"});
    rows.push_back({"Deltat 30", std::string("Cinetique"), std::string("Deltat"), std::string("30"), "Deltat", "30"});
    rows.push_back({"Nom empty reads c", std::string("Beer"), std::string("Nom"), std::string(""), "Nom", "c"});
    rows.push_back({"Nom cut to 20", std::string("Beer"), std::string("Nom"), std::string("abcdefghijklmnopqrstuvwxyz"), "Nom", "abcdefghijklmnopqrst"});
    rows.push_back({"Com 16 bits", std::string("Spectro"), std::string("Com"), std::string("65539"), "Com", "3"});
    rows.push_back({"Com not a number", std::string("Spectro"), std::string("Com"), std::string("COM3"), "Com", "1"});
    rows.push_back({"Actif any non-zero", std::string("Beer"), std::string("Actif"), std::string("7"), "Actif", "1"});
    rows.push_back({"Actif 0", std::string("Beer"), std::string("Actif"), std::string("0"), "Actif", "0"});
    rows.push_back({"Beer Lambda", std::string("Beer"), std::string("Lambda"), std::string("620"), "LambdaBeer", "620"});
    rows.push_back({"Cinetique Lambda", std::string("Cinetique"), std::string("Lambda"), std::string("420"), "Lambda", "420"});
    rows.push_back({"LambdaBis", std::string("Cinetique"), std::string("LambdaBis"), std::string("610"), "LambdaBis", "610"});
    rows.push_back({"Duree is not read", std::string("Cinetique"), std::string("Duree"), std::string("5"), "Duree", "480"});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const std::string &section = row.section;
        const std::string &key = row.key;
        const std::string &stored = row.stored;
        const std::string &field = row.field;
        const std::string &expected = row.expected;
        Write("[" + section + "]\r\n" + key + "=" + stored + "\r\n");
        TspectroVandoral s(path_);
        std::map<std::string, std::string> fields = {
            {"Maxi", Short(s.Maxi)},         {"Deltat", std::to_string(s.Deltat)},
            {"Nom", s.Nom},                  {"Com", std::to_string(s.Com)},
            {"Actif", std::to_string(int(s.Actif))}, {"LambdaBeer", std::to_string(s.LambdaBeer)},
            {"Lambda", std::to_string(s.Lambda)},    {"LambdaBis", std::to_string(s.LambdaBis)},
            {"Duree", std::to_string(s.Duree())},
        };
        REQUIRE(fields[field] == expected);
    }
}

TEST_CASE_FIXTURE(SettingsFixture, "saveOrderAndKeepsOtherSections")
{
    Write("[Spectro]\r\nTest=0\r\n[WindowS]\r\nLeft=10\r\n[K2]\r\nNom=Orbis K2\r\ncode=6004\r\n");
    TspectroVandoral s(path_);
    TlisteSpectro list;
    LoadCatalogue(list, path_);
    s.Catalogue = &list;
    s.Com = 4;
    s.Maxi = 0.05;
    s.Nombre = 100;
    s.Deltat = 10;
    s.Signif = "concentration molaire";
    REQUIRE(s.SaveSettings());

    std::string bytes;
    REQUIRE(ReadWholeFile(path_, bytes) == FileState::Read);
    REQUIRE(bytes == std::string("[Spectro]\r\nTest=0\r\nCom=4\r\n"
                                "[WindowS]\r\nLeft=10\r\n"
                                "[K2]\r\nNom=Orbis K2\r\ncode=6004\r\n"
                                "\r\n[Beer]\r\nMini=0\r\nMaxi=0.05\r\nNom=c\r\nUnite=mol/L\r\n"
                                "Signif=concentration molaire\r\nActif=1\r\nLambda=500\r\n"
                                "\r\n[Cinetique]\r\nDeltat=10\r\nDuree=1000\r\nNombre=100\r\n"
                                "Lambda=500\r\nLambdaBis=500\r\n"));
}

TEST_CASE_FIXTURE(SettingsFixture, "realsSurviveAChangeOfSeparator")
{
    {
        SeparatorScope comma(',');
        TspectroVandoral s(path_);
        s.Mini = 0.002;
        s.Maxi = 0.25;
        REQUIRE(s.SaveSettings());
        REQUIRE(IniReadString(path_, "Beer", "Maxi", "") == std::string("0,25")); // the user's separator
    }
    SeparatorScope point('.');
    TspectroVandoral s(path_);
    REQUIRE(s.Mini == 0.002);
    REQUIRE(s.Maxi == 0.25);
}

TEST_CASE_FIXTURE(SettingsFixture, "catalogueBuiltIn")
{
    REQUIRE(BuiltInCatalogueLines().size() == std::size_t(60));
    for (const auto &line : BuiltInCatalogueLines())
        REQUIRE(line.size() <= 16);
    for (char sep : {'.', ','}) {
        SeparatorScope scope(sep);
        TlisteSpectro list;
        LoadCatalogue(list, path_);
        REQUIRE(list.fromBuiltIn);
        REQUIRE(list.Count() == 10);
        REQUIRE(list.Item(0).nom == std::string("Orbis K2"));
        REQUIRE(list.Item(0).code == std::string("6004"));
        REQUIRE(list.Item(0).absMax == 2.5); // whatever the separator
        REQUIRE(list.Item(5).lmin == 190);
        REQUIRE(list.Item(5).lmax == 1100);
        REQUIRE(list.Item(5).absMax == 3.0);
        REQUIRE(list.Item(9).nom == std::string("LUMIRANT +"));
        REQUIRE(list.Item(9).code == std::string("4106"));
        REQUIRE(!FileExists(path_)); // loading does not write
    }
}

TEST_CASE_FIXTURE(SettingsFixture, "catalogueFromFile")
{
    Write("[Spectro]\r\nCom=2\r\n[Beer]\r\nNom=c\r\n"
          "[A]\r\nnom=Un nom beaucoup trop long\r\ncode=6004\r\nlmin=x\r\n"
          "[B]\r\nNOM=Second\r\nCODE=6004\r\nlmin=200\r\nabsMax=3,5\r\n");
    TlisteSpectro list;
    LoadCatalogue(list, path_);
    REQUIRE(!list.fromBuiltIn);
    REQUIRE(list.Count() == 4); // every section is an entry
    REQUIRE(list.Item(0).code == std::string());
    REQUIRE(list.Item(1).code == std::string());
    REQUIRE(list.Item(2).nom == std::string("Un nom beaucoup trop"));
    REQUIRE(list.Item(2).lmin == 330);
    REQUIRE(list.Item(2).absMax == 2.0);
    REQUIRE(list.Item(3).nom == std::string("Second"));
    REQUIRE(list.Item(3).lmin == 200);
    REQUIRE(list.Item(3).absMax == 3.5);
}

TEST_CASE_FIXTURE(SettingsFixture, "builtInModelsOutliveTheFirstSave")
{
    // First run: no file, the built-in models serve.
    {
        TlisteSpectro list;
        LoadCatalogue(list, path_);
        TspectroVandoral s(path_);
        s.Catalogue = &list;
        s.Com = 2;
        REQUIRE(s.SaveSettings());
    }
    // Second run: the file exists and still holds the models.
    TlisteSpectro list;
    LoadCatalogue(list, path_);
    REQUIRE(!list.fromBuiltIn);
    int models = 0;
    for (int i = 0; i < list.Count(); ++i)
        models += !list.Item(i).code.empty();
    REQUIRE(models == 10);
    TspectroVandoral s(path_);
    REQUIRE(s.Com == std::uint16_t(2));
    // Saving again adds nothing twice.
    s.Catalogue = &list;
    REQUIRE(s.SaveSettings());
    TlisteSpectro again;
    LoadCatalogue(again, path_);
    REQUIRE(again.Count() == list.Count());
}

TEST_CASE_FIXTURE(SettingsFixture, "fileWithoutModelsUsesBuiltIn")
{
    // Written by the language choice, then a crash before the first save.
    Write("[Interface]\r\nLangue=English\r\n[Spectro]\r\nCom=2\r\n");
    TlisteSpectro list;
    LoadCatalogue(list, path_);
    REQUIRE(list.fromBuiltIn);
    REQUIRE(list.Count() == 10);
    REQUIRE(list.Item(5).nom == std::string("Orbis P26"));
    REQUIRE(list.Item(5).lmin == 190);
    // The next save writes them, and keeps what the file held.
    TspectroVandoral s(path_);
    s.Catalogue = &list;
    REQUIRE(s.SaveSettings());
    TlisteSpectro again;
    LoadCatalogue(again, path_);
    REQUIRE(!again.fromBuiltIn);
    REQUIRE(IniReadString(path_, "P26", "code", "") == std::string("6022"));
    REQUIRE(IniReadString(path_, "Interface", "Langue", "") == std::string("English"));
}

TEST_CASE_FIXTURE(SettingsFixture, "catalogueRanges")
{
    struct Row {
        std::string tag;
        std::string lmin;
        std::string lmax;
        bool kept;
    };
    std::vector<Row> rows;

    rows.push_back({"usual", std::string("190"), std::string("1100"), true});
    rows.push_back({"up to 10000 nm", std::string("1"), std::string("10000"), true});
    rows.push_back({"past 10000 nm", std::string("190"), std::string("10001"), false});
    rows.push_back({"first wavelength at the integer limit", std::string("2147483647"), std::string("800"), false});
    rows.push_back({"first wavelength 0", std::string("0"), std::string("800"), false});
    rows.push_back({"negative", std::string("-5"), std::string("800"), false});
    rows.push_back({"reversed", std::string("800"), std::string("330"), false});
    rows.push_back({"empty range", std::string("500"), std::string("500"), false});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const std::string &lmin = row.lmin;
        const std::string &lmax = row.lmax;
        const bool &kept = row.kept;
        Write("[K2]\r\nnom=Orbis K2\r\ncode=6004\r\n[X]\r\nnom=Odd\r\ncode=9999\r\nlmin=" + lmin
              + "\r\nlmax=" + lmax + "\r\n");
        TlisteSpectro list;
        LoadCatalogue(list, path_);
        REQUIRE(list.Count() == (kept ? 2 : 1));
        REQUIRE(list.Item(0).code == std::string("6004"));
        if (kept)
            REQUIRE(list.Item(1).lmin == std::stoi(lmin));
    }
}

TEST_CASE_FIXTURE(SettingsFixture, "unreadableFileIsNeverWrittenOver")
{
    // As root nothing is refused for permissions: a folder stands in the way.
    REQUIRE(MakeFolder(path_));
    REQUIRE(vandoral::WriteFileReplacing(path_ + "/inside", "[Spectro]\r\nCom=4\r\n", nullptr));
    TspectroVandoral s(path_);
    REQUIRE(s.Com == std::uint16_t(1)); // the defaults
    TlisteSpectro list;
    LoadCatalogue(list, path_);
    REQUIRE(list.fromBuiltIn); // the instrument is still recognised
    s.Catalogue = &list;
    std::string error;
    REQUIRE(!s.SaveSettings(&error));
    REQUIRE(error == std::string("ce n'est pas un fichier ordinaire"));
    REQUIRE(IsRegularFile(path_ + "/inside"));
}

TEST_CASE_FIXTURE(SettingsFixture, "lineBreaksInTypedTextsStayInTheirKey")
{
    {
        TspectroVandoral s(path_);
        s.Nom = "c\r\n[Spectro]";
        s.Unite = "g/L\nCom=9";
        s.Signif = "masse\r\n[K2]\r\ncode=1";
        REQUIRE(s.SaveSettings());
    }
    TspectroVandoral back(path_);
    REQUIRE(back.Com == std::uint16_t(1));
    REQUIRE(back.Nom == std::string("c[Spectro]"));
    REQUIRE(back.Unite == std::string("g/LCom=9"));
    IniImage ini;
    ini.Load(path_);
    REQUIRE(ini.Sections() == (std::vector<std::string>{"Spectro", "Beer", "Cinetique"}));
}


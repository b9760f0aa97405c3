// Text and CSV data files: names, separators, line ends, contents, failures.
#include "datafile.h"
#include "inifile.h"
#include "separator.h"

#include "coretest.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace vandoral;

namespace {

// Two points of a session's data, with the axis names of the mode.
TDataSeries Data(MeasureMode kind)
{
    TDataSeries d;
    if (kind == MeasureMode::Cinetique) {
        d.XAxis = {"t", "s", "temps"};
        d.YAxis = {"A", "", "Absorbance"};
    } else if (kind == MeasureMode::Beer) {
        d.XAxis = {"c", "mol/L", "concentration"};
        d.YAxis = {"A", "", "Absorbance"};
    }
    d.Append(512, 0.523, 0.1);
    d.Append(513, 1.0, 0.2);
    return d;
}

} // namespace


TEST_CASE("files")
{
    TempDir dir_;
    struct Row {
        std::string tag;
        int kind;
        bool two;
        char sep;
        std::string name;
        int filter;
        std::string written;
        std::string bytes;
    };
    std::vector<Row> rows;

    const int S = int(MeasureMode::Spectre), C = int(MeasureMode::Cinetique), B = int(MeasureMode::Beer);
    rows.push_back({"no extension, text filter", S, false, '.', "a", int(TextFilter), "a.TXT", std::string("essai\r\nLambda\tA\r\nnm\t\r\nLongueur d'onde\t\r\n512.0\t0.523\r\n513.0\t1.0\r\n")});
    rows.push_back({"no extension, csv filter", S, false, '.', "b", int(CsvFilter), "b.CSV", std::string("essai\nLambda,A\nnm,\nLongueur d'onde,\n512.0,0.523\n513.0,1.0\n")});
    rows.push_back({"csv with comma separator", S, false, ',', "c.csv", int(TextFilter), "c.csv", std::string("essai\nLambda;A\nnm;\nLongueur d'onde;\n512,0;0,523\n513,0;1,0\n")});
    rows.push_back({"dat with csv filter is text", S, false, ',', "d.dat", int(CsvFilter), "d.dat", std::string("essai\r\nLambda\tA\r\nnm\t\r\nLongueur d'onde\t\r\n512,0\t0,523\r\n513,0\t1,0\r\n")});
    rows.push_back({"kinetics, second wavelength", C, true, '.', "k.txt", int(TextFilter), "k.txt", std::string("essai\r\nt\tA\tA2\r\ns\t\t\r\ntemps\tAbsorbance\tAbsorbance\r\n512.0\t0.523\t0.1\r\n513.0\t1.0\t0.2\r\n")});
    rows.push_back({"kinetics, one wavelength, csv", C, false, ',', "k1.CSV", int(TextFilter), "k1.CSV", std::string("essai\nt;A\ns;\ntemps;Absorbance\n512,0;0,523\n513,0;1,0\n")});
    rows.push_back({"Beer-Lambert", B, false, '.', "beer", int(TextFilter), "beer.TXT", std::string("Loi de Beer-Lambert 10/12/2026 14:05:09\r\nc\tA\r\nmol/L\t\r\nconcentration\tAbsorbance\r\n" "512.0\t0.523\r\n513.0\t1.0\r\n")});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const int &kind = row.kind;
        const bool &two = row.two;
        const char &sep = row.sep;
        const std::string &name = row.name;
        const int &filter = row.filter;
        const std::string &written = row.written;
        const std::string &bytes = row.bytes;
        SeparatorScope scope(sep);
        const TDataSeries d = Data(MeasureMode(kind));
        FileRequest r;
        r.kind = MeasureMode(kind);
        r.data = &d;
        r.twoCurves = two;
        r.comment = "essai";
        r.dateTime = "10/12/2026 14:05:09";
        std::string finalName, error;
        REQUIRE(SauveFichier(dir_.filePath(name), filter, r, &finalName, &error));
        REQUIRE(finalName == dir_.filePath(written));
        std::string contents;
        REQUIRE(ReadWholeFile(finalName, contents) == FileState::Read);
        REQUIRE(contents == bytes);
    }
}

TEST_CASE("extension")
{
    struct Row {
        std::string tag;
        std::string name;
        std::string ext;
    };
    std::vector<Row> rows;

    rows.push_back({"lower csv", "x.csv", ".CSV"});
    rows.push_back({"none", "x", ""});
    rows.push_back({"dot in a folder", "C:\\a.b\\x", ""});
    rows.push_back({"dot in a unix folder", "/tmp/a.b/x", ""});
    rows.push_back({"drive only", "a.b:x", ""});
    rows.push_back({"last dot", "x.tar.Gz", ".GZ"});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const std::string &name = row.name;
        const std::string &ext = row.ext;
        REQUIRE(UpperExtension(name) == ext);
    }
}

TEST_CASE("final names")
{
    REQUIRE(FinalFileName("spectre", TextFilter) == "spectre.TXT");
    REQUIRE(FinalFileName("spectre", CsvFilter) == "spectre.CSV");
    REQUIRE(FinalFileName("spectre.txt", CsvFilter) == "spectre.txt");
    REQUIRE(FinalFileName("/tmp/a.b/spectre", TextFilter) == "/tmp/a.b/spectre.TXT");
}

TEST_CASE("a missing value is an empty field")
{
    // Not 1E-0026, which a spreadsheet reads as an absorbance of 0: the row
    // keeps its abscissa and the value's field stays empty.
    TempDir dir_;
    struct Row {
        std::string tag;
        std::string name;
        char sep;
        std::string bytes;
    };
    std::vector<Row> rows;
    rows.push_back({"text", "m.txt", ',', "essai\r\nt\tA\tA2\r\ns\t\t\r\ntemps\tAbsorbance\tAbsorbance\r\n"
                                          "512,0\t\t0,1\r\n513,0\t1,0\t\r\n"});
    rows.push_back({"csv", "m.csv", ',', "essai\nt;A;A2\ns;;\ntemps;Absorbance;Absorbance\n512,0;;0,1\n513,0;1,0;\n"});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        SeparatorScope scope(row.sep);
        TDataSeries d = Data(MeasureMode::Cinetique);
        d.A[0] = MissingValue;
        d.A2[1] = MissingValue;
        FileRequest r;
        r.kind = MeasureMode::Cinetique;
        r.data = &d;
        r.twoCurves = true;
        r.comment = "essai";
        std::string finalName, error;
        REQUIRE(SauveFichier(dir_.filePath(row.name), TextFilter, r, &finalName, &error));
        std::string contents;
        REQUIRE(ReadWholeFile(finalName, contents) == FileState::Read);
        REQUIRE(contents == row.bytes);
    }
}

TEST_CASE("failedSaveKeepsOldFile")
{
    struct Row {
        std::string tag;
        std::string how;
        std::string reason;
    };
    std::vector<Row> rows;

    rows.push_back({"disk full after half the lines", "inject", std::string("disque plein")});
    rows.push_back({"temporary file cannot be made", "blocked", std::string("c'est un dossier")});
    rows.push_back({"folder is a regular file", "file-as-folder", std::string("un \xE9l\xE9ment du chemin n'est pas un dossier")});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const std::string &how = row.how;
        TempDir dir;
        const std::string old = dir.filePath("old.txt");
        REQUIRE(WriteFileReplacing(old, "precious\r\n", nullptr));
        std::string target = old;
        const std::string blocker = TemporaryBeside(old);
        if (how == "inject") {
            InjectWriteFailure(60); // the header and part of the data
        } else if (how == "blocked") {
            REQUIRE(MakeFolder(blocker));
        } else {
            target = old + "/x.txt";
        }
        const TDataSeries d = Data(MeasureMode::Spectre);
        FileRequest r;
        r.data = &d;
        r.comment = "new";
        std::string error, finalName;
        REQUIRE(!SauveFichier(target, TextFilter, r, &finalName, &error));
        RemoveEmptyFolder(blocker);
        // The user's file is named by the caller; the reason is French and never
        // names the temporary file.
        REQUIRE(finalName == target);
        const std::string &reason = row.reason;
        REQUIRE(error == reason);
        std::string contents;
        REQUIRE(ReadWholeFile(old, contents) == FileState::Read);
        REQUIRE(contents == std::string("precious\r\n"));
        // No temporary file is left behind.
        REQUIRE(FolderEntries(dir.path()) == std::vector<std::string>{"old.txt"});
    }
}


TEST_CASE("accented folder and file names")
{
    // File-system names are UTF-8 here and on Windows (widened there), never
    // the Windows-1252 of the texts.
    TempDir dir;
    const std::string folder = dir.filePath("Donn\xC3\xA9" "es \xC3\xA9t\xC3\xA9");
    REQUIRE(MakeFolder(folder));
    const TDataSeries d = Data(MeasureMode::Spectre);
    FileRequest r;
    r.data = &d;
    r.comment = "\xE9t\xE9"; // a text: Windows-1252
    std::string finalName, error;
    REQUIRE(SauveFichier(folder + "/mesure_\xC3\xA9t\xC3\xA9", CsvFilter, r, &finalName, &error));
    REQUIRE(finalName == folder + "/mesure_\xC3\xA9t\xC3\xA9.CSV");
    REQUIRE(FolderEntries(folder) == std::vector<std::string>{"mesure_\xC3\xA9t\xC3\xA9.CSV"});
    REQUIRE(FileExists(finalName));
    std::string contents;
    REQUIRE(ReadWholeFile(finalName, contents) == FileState::Read);
    REQUIRE(contents.rfind("\xE9t\xE9\n", 0) == 0);
    // Replaced in place, under the same name.
    REQUIRE(WriteFileReplacing(finalName, "new\n", &error));
    REQUIRE(ReadWholeFile(finalName, contents) == FileState::Read);
    REQUIRE(contents == "new\n");
    REQUIRE(FolderEntries(folder) == std::vector<std::string>{"mesure_\xC3\xA9t\xC3\xA9.CSV"});
}

#ifdef _WIN32
TEST_CASE("a file another program holds open is not replaced")
{
    // A spreadsheet keeps the CSV it shows open, without sharing.
    TempDir dir;
    const std::string path = dir.filePath("mesure.csv");
    REQUIRE(WriteFileReplacing(path, "precious\n", nullptr));
    const HANDLE held = CreateFileW(FromPathText(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);
    const TDataSeries d = Data(MeasureMode::Spectre);
    FileRequest r;
    r.data = &d;
    std::string error, finalName;
    const bool saved = SauveFichier(path, CsvFilter, r, &finalName, &error);
    CloseHandle(held);
    REQUIRE(!saved);
    REQUIRE(finalName == path); // the message names the user's file
    // The reason, in French, with what to do about it.
    REQUIRE(error == "fichier ouvert par un autre programme");
    std::string contents;
    REQUIRE(ReadWholeFile(path, contents) == FileState::Read);
    REQUIRE(contents == "precious\n");
    REQUIRE(FolderEntries(dir.path()) == std::vector<std::string>{"mesure.csv"});

    REQUIRE(SauveFichier(path, CsvFilter, r, &finalName, &error)); // once closed, saved
}
#endif

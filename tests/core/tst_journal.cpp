// The crash journal: numbers and texts written and read back bit for bit,
// each mode's records through a real file, journals torn at every byte,
// damaged and foreign ones, a journal that cannot be written, and a journal
// that belongs to the writer holding it until that writer closes or dies.
#include "fileio.h"
#include "journal.h"
#include "numtext.h"

#include "coretest.h"

#include <cfloat>
#include <cstring>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace vandoral;

namespace {

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

JournalRecord Point(double t, double a, double a2)
{
    return {"point", {JournalNumber(t), JournalNumber(a), JournalNumber(a2)}};
}

// A kinetics run of three points, the second wavelength missing at 8 s.
const JournalHeader KineticsHeader = {{"mode", "cinetique"}, {"debut", "10/12/2026 10:12:05"},
                                      {"modele", "Orbis K2"},  {"lambda", "545"},
                                      {"lambdabis", "420"},    {"deux", "1"},
                                      {"deltat", "8"},         {"nombre", "5"},
                                      {"commentaire", "essai \xE0 20 \xB0" "C"}};
const std::vector<JournalRecord> KineticsRecords = {Point(0, 0.523, 0.1), Point(8, 0.5117, MissingValue),
                                                    Point(16, 1.0 / 3, 0.30000000000000004)};

std::string Bytes(const JournalHeader &h, const std::vector<JournalRecord> &records)
{
    std::string text = FormatJournalHeader(h);
    for (const JournalRecord &r : records)
        text += FormatJournalRecord(r);
    return text;
}

} // namespace

TEST_CASE("numbers read back as the same doubles")
{
    for (double v : {0.0, -0.0, 0.1, 1.0 / 3, 0.523, 2.5e-7, -1.25, 90000.0, DBL_MAX, DBL_MIN, 4.9e-324, 1e-26 * 1.5}) {
        CAPTURE(v);
        double back = 42;
        REQUIRE(ReadJournalNumber(JournalNumber(v), back));
        REQUIRE(SameBits(back, v));
    }
    REQUIRE(JournalNumber(MissingValue) == "-");
    double m = 0;
    REQUIRE(ReadJournalNumber("-", m));
    REQUIRE(m == MissingValue);
    REQUIRE(JournalNumber(0.523) == "0.523"); // readable: the shortest text
    for (const char *bad : {"", "0,5", "1e", "abc", "nan", "inf", " 1", "1 ", "--"}) {
        CAPTURE(bad);
        REQUIRE(!ReadJournalNumber(bad, m));
    }
}

TEST_CASE("each mode's records through a file")
{
    struct Row {
        std::string tag;
        JournalHeader header;
        std::vector<JournalRecord> records;
    };
    std::vector<Row> rows;
    rows.push_back({"kinetics", KineticsHeader, KineticsRecords});
    rows.push_back({"Beer-Lambert",
                    {{"mode", "beer"}, {"nom", "c"}, {"unite", "mol/L"}, {"signif", "concentration"},
                     {"mini", "0"}, {"maxi", "10"}, {"lambda", "545"}},
                    {{"etalon", {"0", "1", "0.1"}},
                     {"etalon", {"1", "2", "0.21"}},
                     {"etalon", {"1", "2.5", "0.25"}},
                     {"defaire-etalon", {"0"}},
                     {"inconnue", {"0.15", "1.5"}},
                     {"inconnue", {"0.3", "-"}},
                     {"defaire-inconnue", {"1"}},
                     {"tri", {}},
                     {"raz", {}}}});
    rows.push_back({"spectrum",
                    {{"mode", "spectre"}, {"modele", "Orbis K2"}},
                    {{"spectre", {"330", "0.05", "-", JournalNumber(0.1 + 0.2), "1.7"}}}});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        TempDir dir;
        JournalWriter w;
        std::string error;
        REQUIRE(w.Open(dir.filePath("j.txt"), row.header, &error));
        for (const JournalRecord &r : row.records)
            REQUIRE(w.Append(r, &error));
        // Each record is on the disk as soon as it is appended.
        std::string bytes;
        REQUIRE(ReadWholeFile(dir.filePath("j.txt"), bytes) == FileState::Read);
        const JournalContents j = ParseJournal(bytes);
        REQUIRE(j.state == JournalContents::State::Read);
        REQUIRE(!j.damaged);
        REQUIRE(j.version == JournalVersion);
        REQUIRE(j.header == row.header);
        REQUIRE(j.records.size() == row.records.size());
        for (std::size_t i = 0; i < j.records.size(); ++i) {
            REQUIRE(j.records[i].kind == row.records[i].kind);
            REQUIRE(j.records[i].fields == row.records[i].fields);
        }
        w.Close();
        REQUIRE(FileExists(dir.filePath("j.txt"))); // left for the next start
    }
}

TEST_CASE("the kinetics points come back bit for bit")
{
    const JournalContents j = ParseJournal(Bytes(KineticsHeader, KineticsRecords));
    REQUIRE(j.records.size() == 3);
    double t, a, a2;
    REQUIRE(ReadJournalNumber(j.records[2].fields[0], t));
    REQUIRE(ReadJournalNumber(j.records[2].fields[1], a));
    REQUIRE(ReadJournalNumber(j.records[2].fields[2], a2));
    REQUIRE(t == 16.0);
    REQUIRE(SameBits(a, 1.0 / 3));
    REQUIRE(SameBits(a2, 0.30000000000000004));
    REQUIRE(ReadJournalNumber(j.records[1].fields[2], a2));
    REQUIRE(a2 == MissingValue);
    REQUIRE(j.Value("commentaire") == "essai \xE0 20 \xB0" "C");
    REQUIRE(j.Value("absent").empty());
}

TEST_CASE("a journal torn at every byte gives back exactly its complete points")
{
    const std::string header = FormatJournalHeader(KineticsHeader);
    const std::string whole = Bytes(KineticsHeader, KineticsRecords);
    std::vector<std::size_t> ends; // where each record's line ends
    std::size_t end = header.size();
    for (const JournalRecord &r : KineticsRecords)
        ends.push_back(end += FormatJournalRecord(r).size());
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        CAPTURE(cut);
        const JournalContents j = ParseJournal(whole.substr(0, cut));
        std::size_t complete = 0;
        while (complete < ends.size() && ends[complete] <= cut)
            ++complete;
        REQUIRE(j.records.size() == complete);
        for (std::size_t i = 0; i < complete; ++i)
            REQUIRE(j.records[i].fields == KineticsRecords[i].fields);
        if (cut >= header.size())
            REQUIRE(j.header == KineticsHeader);
        REQUIRE(j.damaged == (cut > 0 && cut < whole.size() && cut != header.size()
                              && std::find(ends.begin(), ends.end(), cut) == ends.end()
                              && j.state == JournalContents::State::Read));
    }
}

TEST_CASE("damaged and foreign journals")
{
    const std::string header = FormatJournalHeader(KineticsHeader);
    struct Row {
        std::string tag;
        std::string bytes;
        JournalContents::State state;
        std::size_t records;
        bool damaged;
    };
    std::vector<Row> rows;
    rows.push_back({"empty file", "", JournalContents::State::Empty, 0, false});
    rows.push_back({"header only", header, JournalContents::State::Read, 0, false});
    rows.push_back({"a bad number", header + "point 0 0.5 -\npoint 8 0,5 -\npoint 16 0.4 -\n",
                    JournalContents::State::Read, 1, true});
    rows.push_back({"an unknown kind of record", header + "point 0 0.5 -\nmystere 1\npoint 8 0.4 -\n",
                    JournalContents::State::Read, 1, true});
    rows.push_back({"a record with a field too many", header + "point 0 0.5 - 7\n", JournalContents::State::Read,
                    0, true});
    rows.push_back({"garbage", header + "\x01\x02\xFF\n", JournalContents::State::Read, 0, true});
    rows.push_back({"Windows line ends", "Journal Vandoral 1\r\nmode cinetique\r\n---\r\npoint 0 0.5 -\r\n",
                    JournalContents::State::Read, 1, false});
    rows.push_back({"a newer format", "Journal Vandoral 2\nmode cinetique\n---\nfutur 1 2 3\n",
                    JournalContents::State::NewerFormat, 0, false});
    rows.push_back({"not a journal", "[Spectro]\r\nCom=1\r\n", JournalContents::State::NotAJournal, 0, false});
    rows.push_back({"a first line cut", "Journal Vand", JournalContents::State::Empty, 0, false});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const JournalContents j = ParseJournal(row.bytes);
        REQUIRE(j.state == row.state);
        REQUIRE(j.records.size() == row.records);
        REQUIRE(j.damaged == row.damaged);
    }
}

TEST_CASE("a journal that cannot be written says why and closes")
{
    TempDir dir;
    JournalWriter w;
    std::string error;
    REQUIRE(!w.Open(dir.filePath("absent/j.txt"), KineticsHeader, &error));
    REQUIRE(!error.empty());
    REQUIRE(!w.IsOpen());
    REQUIRE(!w.Append(KineticsRecords[0], &error));
#ifndef _WIN32
    // A full disk: the header does not reach it.
    error.clear();
    REQUIRE(!w.Open("/dev/full", KineticsHeader, &error));
    REQUIRE(error == ErrnoText(ENOSPC));
    REQUIRE(!w.IsOpen());
#endif
}

TEST_CASE("texts as record fields")
{
    for (const std::string &text : {std::string(), std::string("mol/L"), std::string("concentration molaire"),
                                   std::string("100 % et %20"), std::string("\xB5mol/L\r\nligne"),
                                   std::string(" "), std::string("%")}) {
        CAPTURE(text);
        const std::string field = JournalText(text);
        REQUIRE(!field.empty());
        REQUIRE(field.find(' ') == std::string::npos);
        REQUIRE(field.find('\n') == std::string::npos);
        std::string back = "x";
        REQUIRE(ReadJournalText(field, back));
        REQUIRE(back == text);
        // Through a whole record and its parser.
        const JournalRecord r{"axe", {"0", "10", field, field, field}};
        const JournalContents j = ParseJournal(FormatJournalHeader({{"mode", "beer"}}) + FormatJournalRecord(r));
        REQUIRE(j.records.size() == 1);
        REQUIRE(!j.damaged);
    }
    std::string t;
    for (const char *bad : {"", "%2", "%G0", "a%"})
        REQUIRE(!ReadJournalText(bad, t));
}

TEST_CASE("a journal belongs to the writer that holds it")
{
    TempDir dir;
    const std::string path = dir.filePath("WindowC.journal");
    JournalWriter first;
    std::string error;
    REQUIRE(first.Open(path, KineticsHeader, &error));
    REQUIRE(first.Append(KineticsRecords[0], &error));
    REQUIRE(JournalWriter::InUse(path));
    // Another writer (another copy of the program, here or on a computer
    // sharing the folder) neither empties it nor goes on with it.
    JournalWriter second;
    REQUIRE(!second.Open(path, KineticsHeader, &error));
    REQUIRE(error == JournalWriter::InUseText);
    REQUIRE(!second.IsOpen());
    REQUIRE(!second.Reopen(path, &error));
    REQUIRE(first.Append(KineticsRecords[1], &error));
    first.Close();
    std::string bytes;
    REQUIRE(ReadWholeFile(path, bytes) == FileState::Read);
    REQUIRE(bytes == Bytes(KineticsHeader, {KineticsRecords[0], KineticsRecords[1]}));
    // Its writer gone, the journal is free: another writer goes on with it,
    // and holds it in turn.
    REQUIRE(!JournalWriter::InUse(path));
    REQUIRE(second.Reopen(path, &error));
    REQUIRE(JournalWriter::InUse(path));
    REQUIRE(!first.Reopen(path, &error));
    second.End();
    REQUIRE(!FileExists(path));
}

#ifndef _WIN32
TEST_CASE("a writer killed frees its journal, whole")
{
    TempDir dir;
    const std::string path = dir.filePath("WindowC.journal");
    int ready[2];
    REQUIRE(::pipe(ready) == 0);
    const pid_t child = ::fork();
    REQUIRE(child >= 0);
    if (child == 0) {
        // The other copy: writes two points, says so, and waits to be killed.
        JournalWriter w;
        std::string e;
        const bool ok = w.Open(path, KineticsHeader, &e) && w.Append(KineticsRecords[0], &e)
                        && w.Append(KineticsRecords[1], &e);
        const char c = ok ? '1' : '0';
        if (::write(ready[1], &c, 1) != 1)
            ::_exit(2);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char c = 0;
    REQUIRE(::read(ready[0], &c, 1) == 1);
    ::close(ready[0]);
    REQUIRE(c == '1');
    REQUIRE(JournalWriter::InUse(path));
    ::kill(child, SIGKILL);
    int status = 0;
    REQUIRE(::waitpid(child, &status, 0) == child);
    REQUIRE(WIFSIGNALED(status));
    REQUIRE(!JournalWriter::InUse(path));
    std::string bytes;
    REQUIRE(ReadWholeFile(path, bytes) == FileState::Read);
    REQUIRE(bytes == Bytes(KineticsHeader, {KineticsRecords[0], KineticsRecords[1]}));
}
#endif

TEST_CASE("a journal ended is gone; one closed stays")
{
    TempDir dir;
    const std::string path = dir.filePath("j.txt");
    JournalWriter w;
    std::string error;
    REQUIRE(w.Open(path, KineticsHeader, &error));
    REQUIRE(w.Append(KineticsRecords[0], &error));
    w.End();
    REQUIRE(!FileExists(path));
    REQUIRE(!w.IsOpen());
    {
        JournalWriter kept;
        REQUIRE(kept.Open(path, KineticsHeader, &error));
    } // destroyed: as at a crash, the file stays
    REQUIRE(FileExists(path));
}

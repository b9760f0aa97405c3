// The crash journal: what a mode window measures, appended record by record
// to a plain text file and handed to the disk before the next record, so that
// a run or a series survives the program being killed or the power cut.
//
//   Journal Vandoral 1
//   mode cinetique
//   debut 10/12/2026 10:12:05
//   lambda 545
//   ---
//   point 0 0.523 -
//   point 8 0.5117 -
//
// A header of "key value" lines ends at "---"; each record is one line, its
// kind then its fields, separated by one blank. Numbers are the shortest texts
// that read back as the same doubles, "-" for a missing value. Texts are
// Windows-1252 bytes, line breaks removed.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace vandoral {

constexpr int JournalVersion = 1;

// A number as the shortest text that reads back as the same double; "-" for
// the missing value.
std::string JournalNumber(double v);
// The double of a text JournalNumber wrote (MissingValue for "-"); false for
// any other text.
bool ReadJournalNumber(const std::string &text, double &v);

// A text as one record field: blanks, "%" and line breaks as "%XX", the
// empty text as "%"; and read back (false for a field no text gives).
std::string JournalText(const std::string &text);
bool ReadJournalText(const std::string &field, std::string &text);

struct JournalRecord {
    std::string kind;
    std::vector<std::string> fields;
};

// The kinds of records, with their fields (i: integer, n: number or "-",
// n*: any count of numbers after the fixed ones):
//   point t A A2            a kinetics point
//   etalon i c A            a Beer-Lambert standard stored at index i
//   defaire-etalon i        standard i removed
//   inconnue A c            an unknown measured
//   defaire-inconnue j      unknown j removed
//   raz                     the series emptied
//   tri                     the standards sorted by concentration
//   spectre lambda0 A...    a whole spectrum, from wavelength lambda0
//   axe mini maxi nom unite signif
//                           the Beer-Lambert quantity and its range changed
//                           (t: a text as JournalText writes it)
bool ValidJournalRecord(const JournalRecord &record);

using JournalHeader = std::vector<std::pair<std::string, std::string>>;

struct JournalContents {
    enum class State {
        Empty,       // nothing complete to read
        NotAJournal, // its first line is not a journal's
        NewerFormat, // written by a newer program: left alone
        Read,
    };
    State state = State::Empty;
    int version = 0;
    JournalHeader header;
    std::vector<JournalRecord> records;
    // Reading stopped at a torn, unknown or unreadable line: the records
    // before it are whole.
    bool damaged = false;

    // A header value; empty when the key is absent.
    std::string Value(const std::string &key) const;
};

// Reads a journal's bytes: every complete record before the first damage.
// Never fails: anything else is a state.
JournalContents ParseJournal(const std::string &bytes);

// The bytes of a journal's header, and of one record (each line ends "\n").
std::string FormatJournalHeader(const JournalHeader &header);
std::string FormatJournalRecord(const JournalRecord &record);

// Writes one journal. Each call hands its bytes to the disk before it
// returns; a failure says why (a French reason) and leaves the writer closed.
class JournalWriter {
public:
    JournalWriter() = default;
    JournalWriter(const JournalWriter &) = delete;
    JournalWriter &operator=(const JournalWriter &) = delete;
    ~JournalWriter();

    // Creates the file at `path` (its folder must exist) with the header,
    // and holds its lock while it is open: a journal locked by another writer
    // (another copy of the program, here or on another computer sharing the
    // folder) is neither opened nor emptied, and `error` says so.
    bool Open(const std::string &path, const JournalHeader &header, std::string *error);
    // Goes on with a journal left by an earlier session (its data brought
    // back): records are added after its last complete one.
    bool Reopen(const std::string &path, std::string *error);
    bool Append(const JournalRecord &record, std::string *error);
    bool IsOpen() const { return file_ != nullptr; }
    const std::string &Path() const { return path_; }
    // The journal at `path` is being written by another writer, alive.
    static bool InUse(const std::string &path);
    static constexpr const char *InUseText = "tenu par une autre copie du programme";
    // The journal's data were saved or knowingly discarded: the file goes.
    void End();
    // Leaves the file as it is (the next start offers it back).
    void Close();

private:
    bool OpenLocked(const std::string &path, std::string *error);
    bool Write(const std::string &bytes, std::string *error);

    std::FILE *file_ = nullptr;
    std::string path_;
};

} // namespace vandoral

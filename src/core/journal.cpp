#include "journal.h"

#include "fileio.h"
#include "numtext.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <system_error>

namespace vandoral {

namespace {

const char *const Magic = "Journal Vandoral ";
const char *const HeaderEnd = "---";

bool ReadInteger(const std::string &text, long long &v)
{
    if (text.empty())
        return false;
    const char *end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    return r.ec == std::errc() && r.ptr == end;
}

bool IsInteger(const std::string &text)
{
    long long v;
    return ReadInteger(text, v) && v >= 0;
}

bool IsNumber(const std::string &text)
{
    double v;
    return ReadJournalNumber(text, v);
}

std::vector<std::string> Split(const std::string &line)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t blank = line.find(' ', start);
        parts.push_back(line.substr(start, blank - start));
        if (blank == std::string::npos)
            return parts;
        start = blank + 1;
    }
}

std::string OneLine(std::string text)
{
    for (char &c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

bool IsText(const std::string &text)
{
    std::string v;
    return ReadJournalText(text, v);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string JournalText(const std::string &text)
{
    if (text.empty())
        return "%";
    static const char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == ' ' || c == '%' || c == '\r' || c == '\n') {
            out += '%';
            out += Hex[u >> 4];
            out += Hex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

bool ReadJournalText(const std::string &field, std::string &text)
{
    text.clear();
    if (field == "%")
        return true;
    if (field.empty())
        return false;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            text += field[i];
            continue;
        }
        if (i + 2 >= field.size())
            return false;
        const int hi = HexDigit(field[i + 1]), lo = HexDigit(field[i + 2]);
        if (hi < 0 || lo < 0)
            return false;
        text += char(hi * 16 + lo);
        i += 2;
    }
    return true;
}

std::string JournalNumber(double v)
{
    if (v == MissingValue || !std::isfinite(v))
        return "-";
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, v);
    return std::string(text, r.ptr);
}

bool ReadJournalNumber(const std::string &text, double &v)
{
    if (text == "-") {
        v = MissingValue;
        return true;
    }
    if (text.empty())
        return false;
    const char *end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    return r.ec == std::errc() && r.ptr == end && std::isfinite(v);
}

bool ValidJournalRecord(const JournalRecord &r)
{
    const std::vector<std::string> &f = r.fields;
    auto numbers = [&](std::size_t from) {
        for (std::size_t i = from; i < f.size(); ++i)
            if (!IsNumber(f[i]))
                return false;
        return true;
    };
    if (r.kind == "point")
        return f.size() == 3 && numbers(0);
    if (r.kind == "etalon")
        return f.size() == 3 && IsInteger(f[0]) && numbers(1);
    if (r.kind == "defaire-etalon" || r.kind == "defaire-inconnue")
        return f.size() == 1 && IsInteger(f[0]);
    if (r.kind == "inconnue")
        return f.size() == 2 && numbers(0);
    if (r.kind == "raz" || r.kind == "tri")
        return f.empty();
    if (r.kind == "spectre")
        return !f.empty() && IsInteger(f[0]) && numbers(1);
    if (r.kind == "axe")
        return f.size() == 5 && IsNumber(f[0]) && IsNumber(f[1]) && IsText(f[2]) && IsText(f[3]) && IsText(f[4]);
    return false;
}

std::string JournalContents::Value(const std::string &key) const
{
    for (const auto &kv : header)
        if (kv.first == key)
            return kv.second;
    return std::string();
}

JournalContents ParseJournal(const std::string &bytes)
{
    JournalContents j;
    std::size_t pos = 0;
    // The next complete line, without its end; false at a torn or missing one.
    auto next = [&](std::string &line) {
        const std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            return false;
        line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return true;
    };
    std::string line;
    if (!next(line))
        return j; // Empty: not even a whole first line
    const std::string magic = Magic;
    long long version = 0;
    if (line.compare(0, magic.size(), magic) != 0 || !ReadInteger(line.substr(magic.size()), version)
        || version < 1) {
        j.state = JournalContents::State::NotAJournal;
        return j;
    }
    j.version = int(version);
    if (version > JournalVersion) {
        j.state = JournalContents::State::NewerFormat;
        return j;
    }
    j.state = JournalContents::State::Read;
    for (;;) {
        if (!next(line)) {
            j.damaged = true; // the header never ended
            return j;
        }
        if (line == HeaderEnd)
            break;
        const std::size_t blank = line.find(' ');
        j.header.push_back({line.substr(0, blank), blank == std::string::npos ? std::string() : line.substr(blank + 1)});
    }
    while (pos < bytes.size()) {
        if (!next(line)) {
            j.damaged = true; // torn in the middle of its last record
            return j;
        }
        std::vector<std::string> parts = Split(line);
        JournalRecord r{parts.front(), std::vector<std::string>(parts.begin() + 1, parts.end())};
        if (!ValidJournalRecord(r)) {
            j.damaged = true;
            return j;
        }
        j.records.push_back(std::move(r));
    }
    return j;
}

std::string FormatJournalHeader(const JournalHeader &header)
{
    std::string text = Magic + std::to_string(JournalVersion) + "\n";
    for (const auto &kv : header)
        text += OneLine(kv.first) + " " + OneLine(kv.second) + "\n";
    return text + HeaderEnd + "\n";
}

std::string FormatJournalRecord(const JournalRecord &record)
{
    std::string text = record.kind;
    for (const std::string &f : record.fields)
        text += " " + f;
    return OneLine(text) + "\n";
}

// ---- writer ------------------------------------------------------------------

JournalWriter::~JournalWriter()
{
    Close();
}

bool JournalWriter::Open(const std::string &path, const JournalHeader &header, std::string *error)
{
    Close();
    // Not truncated before it is ours: another copy of the program may be
    // writing it (a home folder shared by several computers).
    if (!OpenLocked(path, error))
        return false;
    if (!EmptyOpenFile(file_)) {
        if (error)
            *error = ErrnoText(errno);
        Close();
        return false;
    }
    return Write(FormatJournalHeader(header), error);
}

bool JournalWriter::OpenLocked(const std::string &path, std::string *error)
{
    file_ = OpenFile(path, "ab");
    if (!file_) {
        if (error)
            *error = ErrnoText(errno);
        return false;
    }
    if (!LockWholeFile(file_)) {
        std::fclose(file_);
        file_ = nullptr;
        if (error)
            *error = InUseText;
        return false;
    }
    path_ = path;
    return true;
}

bool JournalWriter::InUse(const std::string &path)
{
    return FileLockedElsewhere(path);
}

bool JournalWriter::Reopen(const std::string &path, std::string *error)
{
    Close();
    if (InUse(path)) {
        if (error)
            *error = InUseText;
        return false;
    }
    std::string bytes;
    if (ReadWholeFile(path, bytes, error) != FileState::Read)
        return false;
    // A torn last line is dropped, so that the next record starts a line.
    const std::size_t end = bytes.rfind('\n');
    const std::string whole = end == std::string::npos ? std::string() : bytes.substr(0, end + 1);
    if (whole.size() != bytes.size()) {
        if (!WriteFileReplacing(path, whole, error))
            return false;
    }
    return OpenLocked(path, error);
}

bool JournalWriter::Append(const JournalRecord &record, std::string *error)
{
    if (!file_) {
        if (error)
            *error = "journal ferm\xE9";
        return false;
    }
    return Write(FormatJournalRecord(record), error);
}

bool JournalWriter::Write(const std::string &bytes, std::string *error)
{
    int err = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        err = errno;
    } else if (FlushToDisk(file_, err)) {
        return true;
    }
    if (error)
        *error = ErrnoText(err);
    Close();
    return false;
}

void JournalWriter::End()
{
#ifdef _WIN32
    Close(); // Windows removes no open file
    if (!path_.empty())
        RemoveFile(path_);
#else
    // Removed while still locked: no other copy takes it up half-ended.
    if (!path_.empty())
        RemoveFile(path_);
    Close();
#endif
    path_.clear();
}

void JournalWriter::Close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
}

} // namespace vandoral

// The settings file in Windows INI syntax, as a whole-file image that keeps
// every line it does not change (comments, unknown sections, foreign bytes).
#pragma once

#include <string>
#include <vector>

namespace vandoral {

class IniImage {
public:
    // Loads `path`; an absent or unreadable file gives an empty image.
    // Returns whether the file existed.
    bool Load(const std::string &path);
    void Parse(const std::string &bytes);
    std::string Serialize() const; // CR LF after every line

    // Writes the image to `path` through a temporary file in the same folder
    // that then replaces the old file, so a failed write never leaves a
    // truncated file behind. On failure `error` says why.
    bool Save(const std::string &path, std::string *error = nullptr) const;

    bool HasSection(const std::string &section) const;
    bool HasKey(const std::string &section, const std::string &key) const;
    std::vector<std::string> Sections() const; // in file order

    std::string ReadString(const std::string &section, const std::string &key,
                           const std::string &def) const;
    long ReadInteger(const std::string &section, const std::string &key, long def) const;
    bool ReadBool(const std::string &section, const std::string &key, bool def) const;
    // Accepts both '.' and ',' as decimal separator.
    double ReadFloat(const std::string &section, const std::string &key, double def) const;

    void WriteString(const std::string &section, const std::string &key, const std::string &value);
    void WriteInteger(const std::string &section, const std::string &key, long value);
    void WriteBool(const std::string &section, const std::string &key, bool value);
    // Up to 15 significant digits with the user's decimal separator.
    void WriteFloat(const std::string &section, const std::string &key, double value);

    // Appends a whole section as given lines (key=value), when absent.
    void AddSectionLines(const std::string &section, const std::vector<std::string> &lines);

private:
    struct Line {
        explicit Line(std::string text = std::string()) : raw(std::move(text)) {}
        std::string raw;
        bool isKey = false;
        std::string key; // trimmed, as written
        std::string value;
    };
    struct Section {
        std::string name; // empty for the lines before the first header
        std::vector<Line> lines;
    };
    static Line ParseLine(const std::string &raw);
    const Section *Find(const std::string &name) const;
    Section &Ensure(const std::string &name);
    static const Line *FindKey(const Section &s, const std::string &key);

    std::vector<Section> sections_;
};

// Direct access: every call reads or writes the file at once.
std::string IniReadString(const std::string &path, const std::string &section,
                          const std::string &key, const std::string &def);
long IniReadInteger(const std::string &path, const std::string &section, const std::string &key,
                    long def);
bool IniWriteString(const std::string &path, const std::string &section, const std::string &key,
                    const std::string &value, std::string *error = nullptr);
bool IniWriteInteger(const std::string &path, const std::string &section, const std::string &key,
                     long value, std::string *error = nullptr);

// Whole-file I/O used by the INI file and the data files.
bool FileExists(const std::string &path);
bool ReadWholeFile(const std::string &path, std::string &bytes);
// Writes `bytes` to a temporary file beside `path`, flushes it to the disk and
// renames it over `path`. The old file stays intact when anything fails.
bool WriteFileReplacing(const std::string &path, const std::string &bytes, std::string *error);
// For tests: the next WriteFileReplacing fails as a full disk would, after
// writing `afterBytes` bytes of the temporary file.
void InjectWriteFailure(std::size_t afterBytes);

} // namespace vandoral

// The settings file in Windows INI syntax, as a whole-file image that keeps
// every line it does not change (comments, unknown sections, foreign bytes).
#pragma once

#include "fileio.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vandoral {

class IniImage {
public:
    // Loads `path`; an absent or unreadable file gives an empty image. An
    // unreadable one must never be written over: `error` says why.
    FileState Load(const std::string &path, std::string *error = nullptr);
    // A UTF-8 byte-order mark at the start is skipped.
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
    std::int64_t ReadInteger(const std::string &section, const std::string &key, std::int64_t def) const;
    bool ReadBool(const std::string &section, const std::string &key, bool def) const;
    // Accepts both '.' and ',' as decimal separator.
    double ReadFloat(const std::string &section, const std::string &key, double def) const;

    // Line breaks in the value are dropped: they would start new lines.
    void WriteString(const std::string &section, const std::string &key, const std::string &value);
    void WriteInteger(const std::string &section, const std::string &key, std::int64_t value);
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
    // Upper-case name -> index of the first section of that name, so that a
    // file of many sections loads in linear time.
    std::unordered_map<std::string, std::size_t> index_;
};

// Direct access: every call reads or writes the file at once.
std::string IniReadString(const std::string &path, const std::string &section,
                          const std::string &key, const std::string &def);
std::int64_t IniReadInteger(const std::string &path, const std::string &section, const std::string &key,
                            std::int64_t def);
// A write refuses to replace a file that exists but cannot be read.
bool IniWriteString(const std::string &path, const std::string &section, const std::string &key,
                    const std::string &value, std::string *error = nullptr);
bool IniWriteInteger(const std::string &path, const std::string &section, const std::string &key,
                     std::int64_t value, std::string *error = nullptr);

} // namespace vandoral

#include "inifile.h"

#include "numtext.h"

namespace vandoral {

namespace {

std::string Trim(const std::string &s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

// Section and key names match without regard to the case of ASCII letters.
char UpperChar(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

bool SameName(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperChar(a[i]) != UpperChar(b[i]))
            return false;
    return true;
}

std::string Upper(const std::string &name)
{
    std::string u = name;
    for (char &c : u)
        c = UpperChar(c);
    return u;
}

} // namespace

FileState IniImage::Load(const std::string &path, std::string *error)
{
    std::string bytes;
    const FileState state = ReadWholeFile(path, bytes, error);
    Parse(state == FileState::Read ? bytes : std::string());
    return state;
}

void IniImage::Parse(const std::string &bytes)
{
    sections_.clear();
    index_.clear();
    sections_.push_back(Section{});
    // A byte-order mark would hide the first section's header.
    std::size_t pos = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        std::string raw = bytes.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? bytes.size() : end + 1;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        const std::string t = Trim(raw);
        if (t.size() >= 2 && t.front() == '[') {
            const auto close = t.find(']');
            if (close != std::string::npos) {
                Section s;
                s.name = Trim(t.substr(1, close - 1));
                s.lines.push_back(Line{raw});
                index_.emplace(Upper(s.name), sections_.size());
                sections_.push_back(std::move(s));
                continue;
            }
        }
        sections_.back().lines.push_back(ParseLine(raw));
    }
}

IniImage::Line IniImage::ParseLine(const std::string &raw)
{
    Line line{raw};
    const std::string t = Trim(raw);
    const auto eq = raw.find('=');
    if (!t.empty() && t[0] != ';' && t[0] != '#' && eq != std::string::npos) {
        line.isKey = true;
        line.key = Trim(raw.substr(0, eq));
        line.value = Trim(raw.substr(eq + 1));
    }
    return line;
}

std::string IniImage::Serialize() const
{
    std::string out;
    for (const auto &s : sections_)
        for (const auto &l : s.lines)
            out += l.raw + "\r\n";
    return out;
}

bool IniImage::Save(const std::string &path, std::string *error) const
{
    return WriteFileReplacing(path, Serialize(), error);
}

const IniImage::Section *IniImage::Find(const std::string &name) const
{
    const auto it = index_.find(Upper(name));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

IniImage::Section &IniImage::Ensure(const std::string &name)
{
    if (sections_.empty())
        sections_.push_back(Section{});
    if (auto *s = Find(name))
        return const_cast<Section &>(*s);
    // Keep a blank line between the previous section and the new one.
    auto &last = sections_.back();
    if (!last.lines.empty() && !Trim(last.lines.back().raw).empty())
        last.lines.push_back(Line{""});
    Section s;
    s.name = name;
    s.lines.push_back(Line{"[" + name + "]"});
    index_.emplace(Upper(name), sections_.size());
    sections_.push_back(std::move(s));
    return sections_.back();
}

const IniImage::Line *IniImage::FindKey(const Section &s, const std::string &key)
{
    for (const auto &l : s.lines)
        if (l.isKey && SameName(l.key, key))
            return &l;
    return nullptr;
}

bool IniImage::HasSection(const std::string &section) const
{
    return Find(section) != nullptr;
}

bool IniImage::HasKey(const std::string &section, const std::string &key) const
{
    const Section *s = Find(section);
    return s && FindKey(*s, key);
}

std::vector<std::string> IniImage::Sections() const
{
    std::vector<std::string> names;
    for (std::size_t i = 1; i < sections_.size(); ++i)
        names.push_back(sections_[i].name);
    return names;
}

std::string IniImage::ReadString(const std::string &section, const std::string &key,
                                 const std::string &def) const
{
    const Section *s = Find(section);
    const Line *l = s ? FindKey(*s, key) : nullptr;
    return l ? l->value : def;
}

std::int64_t IniImage::ReadInteger(const std::string &section, const std::string &key, std::int64_t def) const
{
    std::int64_t v = def;
    if (!ParseInteger(ReadString(section, key, ""), v))
        return def;
    return v;
}

bool IniImage::ReadBool(const std::string &section, const std::string &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double IniImage::ReadFloat(const std::string &section, const std::string &key, double def) const
{
    const std::string text = ReadString(section, key, "");
    double v = def;
    if (ParseNumber(text, Formats().decimalSeparator, v))
        return v;
    // A file moved from a machine with the other decimal separator.
    if (ParseNumber(text, Formats().decimalSeparator == ',' ? '.' : ',', v))
        return v;
    return def;
}

void IniImage::WriteString(const std::string &section, const std::string &key,
                           const std::string &text)
{
    std::string value;
    for (char c : text)
        if (c != '\r' && c != '\n')
            value += c;
    Section &s = Ensure(section);
    for (auto &l : s.lines) {
        if (l.isKey && SameName(l.key, key)) {
            l.value = value;
            l.raw = l.key + "=" + value;
            return;
        }
    }
    // After the last non-blank line of the section.
    std::size_t at = s.lines.size();
    while (at > 1 && Trim(s.lines[at - 1].raw).empty())
        --at;
    Line l;
    l.isKey = true;
    l.key = key;
    l.value = value;
    l.raw = key + "=" + value;
    s.lines.insert(s.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(l));
}

void IniImage::WriteInteger(const std::string &section, const std::string &key, std::int64_t value)
{
    WriteString(section, key, std::to_string(value));
}

void IniImage::WriteBool(const std::string &section, const std::string &key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void IniImage::WriteFloat(const std::string &section, const std::string &key, double value)
{
    WriteString(section, key, GeneralFormat(value, 15, 0, Formats().decimalSeparator));
}

void IniImage::AddSectionLines(const std::string &section, const std::vector<std::string> &lines)
{
    if (HasSection(section))
        return;
    Section &s = Ensure(section);
    for (const auto &raw : lines)
        s.lines.push_back(ParseLine(raw));
}

std::string IniReadString(const std::string &path, const std::string &section,
                          const std::string &key, const std::string &def)
{
    IniImage ini;
    ini.Load(path);
    return ini.ReadString(section, key, def);
}

std::int64_t IniReadInteger(const std::string &path, const std::string &section, const std::string &key,
                            std::int64_t def)
{
    IniImage ini;
    ini.Load(path);
    return ini.ReadInteger(section, key, def);
}

bool IniWriteString(const std::string &path, const std::string &section, const std::string &key,
                    const std::string &value, std::string *error)
{
    IniImage ini;
    if (ini.Load(path, error) == FileState::Unreadable)
        return false;
    ini.WriteString(section, key, value);
    return ini.Save(path, error);
}

bool IniWriteInteger(const std::string &path, const std::string &section, const std::string &key,
                     std::int64_t value, std::string *error)
{
    return IniWriteString(path, section, key, std::to_string(value), error);
}

} // namespace vandoral

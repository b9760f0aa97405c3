#include "datareader.h"

#include "numtext.h"

#include <algorithm>

namespace vandoral {

namespace {

std::vector<std::string> Split(const std::string &line, char sep)
{
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto pos = line.find(sep, start);
        fields.push_back(line.substr(start, pos == std::string::npos ? std::string::npos : pos - start));
        if (pos == std::string::npos)
            return fields;
        start = pos + 1;
    }
}

bool Blank(const std::string &s)
{
    return s.find_first_not_of(" \t") == std::string::npos;
}

// A field of a data row: a number with '.' or ',' as its decimal mark (both
// are found in the program's files, by the system's convention), or nothing.
bool ReadField(const std::string &field, bool commaDecimal, double &value)
{
    if (Blank(field)) {
        value = MissingValue;
        return true;
    }
    std::string text = field;
    if (commaDecimal)
        std::replace(text.begin(), text.end(), ',', '.');
    return ParseNumber(text, '.', value);
}

// The fields of a data row, or false when the line is not one.
bool ReadRow(const std::string &line, char sep, std::vector<double> &values)
{
    values.clear();
    if (Blank(line))
        return false;
    bool any = false;
    for (const std::string &f : Split(line, sep)) {
        double v;
        if (!ReadField(f, sep != ',', v))
            return false;
        any = any || v != MissingValue;
        values.push_back(v);
    }
    return any && values.size() >= 2;
}

bool StartsWith(const std::string &s, const std::string &prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::vector<std::string> SplitFields(const std::string &line, char sep)
{
    return Split(line, sep);
}

bool ReadNumberField(const std::string &field, double &value)
{
    return ReadField(field, true, value);
}

MeasureMode ParseDataMode(const std::string &name)
{
    if (name == "spectrum")
        return MeasureMode::Spectre;
    if (name == "kinetics")
        return MeasureMode::Cinetique;
    if (name == "beer")
        return MeasureMode::Beer;
    return MeasureMode::None;
}

bool ReadDataTable(const std::string &bytes, DataTable &table, std::string *error)
{
    table = DataTable();
    std::vector<std::string> lines = Split(bytes, '\n');
    for (std::string &l : lines)
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
    // The program writes tabs in text files, ";" or "," in CSV files.
    char sep = ',';
    if (std::any_of(lines.begin(), lines.end(), [](const std::string &l) { return l.find('\t') != std::string::npos; }))
        sep = '\t';
    else if (std::any_of(lines.begin(), lines.end(), [](const std::string &l) { return l.find(';') != std::string::npos; }))
        sep = ';';

    std::size_t i = 0;
    std::vector<double> row;
    for (; i < lines.size() && !ReadRow(lines[i], sep, row); ++i)
        table.HeaderLines.push_back(lines[i]);
    table.Separator = sep;
    std::size_t width = 0;
    for (; i < lines.size(); ++i) {
        if (Blank(lines[i]))
            continue;
        if (!ReadRow(lines[i], sep, row)) {
            // What follows the values (an analysis program's own lines).
            table.TrailerLine = static_cast<int>(i) + 1;
            table.Trailer.assign(lines.begin() + static_cast<std::ptrdiff_t>(i), lines.end());
            break;
        }
        if (table.Columns.empty()) {
            table.Columns.resize(row.size());
            width = row.size();
        } else if (row.size() != width && table.IrregularLine == 0) {
            table.IrregularLine = static_cast<int>(i) + 1;
        }
        for (std::size_t c = 0; c < table.Columns.size(); ++c)
            table.Columns[c].push_back(c < row.size() ? row[c] : MissingValue);
    }
    if (table.Columns.empty()) {
        if (error)
            *error = "Le fichier ne contient aucune donn\xE9" "e";
        return false;
    }
    // Names, units and long names are the three lines above the values.
    const auto &h = table.HeaderLines;
    if (h.size() >= 3)
        table.Names = Split(h[h.size() - 3], sep);
    const std::string longFirst = h.empty() ? std::string() : Split(h.back(), sep).front();
    const std::string nameFirst = table.Names.empty() ? std::string() : table.Names.front();
    if (std::any_of(h.begin(), h.end(), [](const std::string &l) { return StartsWith(l, "Loi de Beer-Lambert"); }))
        table.Mode = MeasureMode::Beer;
    else if (nameFirst == "Lambda" || longFirst == "Longueur d'onde")
        table.Mode = MeasureMode::Spectre;
    else if (nameFirst == "t" || longFirst == "temps")
        table.Mode = MeasureMode::Cinetique;
    return true;
}

} // namespace vandoral

// Reads back a data file the program wrote (text or CSV, either decimal
// separator): its header lines tell the mode, its columns hold the values.
#pragma once

#include "modeshared.h"

#include <string>
#include <vector>

namespace vandoral {

struct DataTable {
    MeasureMode Mode = MeasureMode::None;
    std::vector<std::string> HeaderLines;
    std::vector<std::string> Names;            // the column names' line, when there is one
    std::vector<std::vector<double>> Columns;  // column 0 the abscissa; MissingValue for an empty field
    char Separator = '\t';
    // The first value line whose number of fields differs from the first
    // one's (1-based; 0: none).
    int IrregularLine = 0;
    // The lines after the values, from line TrailerLine (1-based) on.
    std::vector<std::string> Trailer;
    int TrailerLine = 0;
    int Rows() const { return Columns.empty() ? 0 : static_cast<int>(Columns[0].size()); }
};

// The file's bytes (Windows-1252). False with a French message (Windows-1252)
// when the file holds no data.
bool ReadDataTable(const std::string &bytes, DataTable &table, std::string *error);

// The fields of a line, split at `sep`.
std::vector<std::string> SplitFields(const std::string &line, char sep);
// A field as a number, either decimal mark; MissingValue when blank. False
// when it is not a number.
bool ReadNumberField(const std::string &field, double &value);

// "spectrum", "kinetics", "beer"; Unknown for anything else.
MeasureMode ParseDataMode(const std::string &name);

} // namespace vandoral

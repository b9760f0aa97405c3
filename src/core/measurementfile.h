// A saved file opened back: the measurement it holds, of the mode its header
// lines tell, checked as a window would have measured it.
#pragma once

#include "datafile.h"
#include "datareader.h"

#include <string>
#include <vector>

namespace vandoral {

struct LoadedMeasurement {
    MeasureMode Mode = MeasureMode::None;
    std::string Title;  // the comment line, the JCAMP-DX title, or the Beer-Lambert line
    TDataSeries Data;   // spectrum: nm, A; kinetics: s, A (and A2); Beer-Lambert: the standards
    // Beer-Lambert: the working wavelength (0 when the file does not say)
    // and the unknowns.
    int Lambda = 0;
    std::vector<FileRequest::Unknown> Unknowns;
};

// A file larger than this is not one of the program's (1501 points take
// some 100 kB in any of its formats).
constexpr std::size_t MaxMeasurementFileSize = 4 * 1024 * 1024;

// A JCAMP-DX spectrum as the table a spectrum file of the program gives.
bool TableFromJcamp(const std::string &bytes, DataTable &table, std::string *error);

// The measurement of a table read from a file; `wanted` the window's mode
// (None: any). False, with a French message (Windows-1252), for a file of
// another mode or one that cannot be read for sure.
bool MeasurementFromTable(const DataTable &table, MeasureMode wanted, LoadedMeasurement &m, std::string *error);

// "un spectre", "une cinétique", "une série de Beer-Lambert".
std::string ModeNoun(MeasureMode mode);

// The request that writes `m` back as a file of its mode.
FileRequest RequestOf(const LoadedMeasurement &m);

} // namespace vandoral

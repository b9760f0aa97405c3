// vandoral-cli analyse: the analysis figures of a data file the program wrote.
#pragma once

#include "datareader.h"

#include <QString>

#include <vector>

namespace vandoral {

struct AnalyseOptions {
    QString file;
    bool json = false;
    MeasureMode mode = MeasureMode::None; // Unknown: told by the file's header lines
    std::vector<double> unknowns;      // absorbances of unknowns (Beer-Lambert)
};

// Prints the figures (French lines, or JSON) on standard output; a French
// message on standard error and 1 when the file cannot give them.
int Analyse(const AnalyseOptions &options);

} // namespace vandoral

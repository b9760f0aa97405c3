// vandoral-cli plot: a data file drawn as its window prints it.
#pragma once

#include "modeshared.h"

#include <QString>

namespace vandoral {

// Draws the file `in` (any format the program opens) with its figures to
// `out` (.png, .svg, .pdf); a French message on standard error and 1 when it
// cannot, `out` then untouched.
int Plot(const QString &in, const QString &out, MeasureMode mode);

} // namespace vandoral

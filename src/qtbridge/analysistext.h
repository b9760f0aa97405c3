// The analysis figures as the French lines the windows, the printed pages
// and the command-line tool show. They hold signs the Windows-1252 code page
// lacks (λ, ⁻¹, ∞), hence QString.
#pragma once

#include "analysis.h"
#include "beerseries.h"
#include "kineticsrun.h"

#include <functional>

#include <QString>
#include <QStringList>

namespace vandoral {

// A figure with `digits` significant digits and the user's separator.
QString Figure(double value, int digits = 4);

// "λmax : 530 nm (A = 1,25) ; 680 nm (A = 0,45)", or "λmax : aucun pic".
QString PeaksLine(const std::vector<Peak> &peaks);

// The Beer-Lambert statistics: the line through the origin, the line with
// an intercept, the warning when it misses the origin, the residuals.
QStringList BeerStatsLines(const BeerStats &stats);
QString MissesOriginText();

// One absorbance column of a kinetics run: the first-order figures (or why
// there are none), then the initial rate.
QStringList KineticsLines(const QString &column, const std::optional<FirstOrderFit> &fit,
                          const std::optional<double> &rate);
QString NotFirstOrderText();

// The figures of a finished run, each column named by its wavelength (A and
// A2 for a run opened from a file, which does not tell them).
QStringList KineticsFigureLines(const std::vector<TCinetiqueRun::CurveFigures> &figures);

// The Beer-Lambert statistics, or why there are none yet (unknowns on);
// then, for a printed page, each unknown with its concentration; `absText`
// writes an absorbance as the instrument does.
QStringList BeerStatsOrWhy(const TBeerSeries &series, bool unknownsOn);
QStringList BeerPageLines(const TBeerSeries &series, bool unknownsOn, const std::function<QString(double)> &absText);

} // namespace vandoral

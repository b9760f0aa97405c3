// The Beer-Lambert line through the origin: A = k·c, with k the slope of the
// line through the origin and the standards' centre of gravity (not a
// least-squares slope), and the precision of the fit on A.
#pragma once

#include <string>

namespace vandoral {

struct BeerFit {
    // ΣA / Σc over the standards with c > 1e-9 and A > 0; MissingValue when
    // none qualifies.
    double Slope;
    // Root mean square of A - k·c over the standards with c > 1e-9 and
    // A > 0.001; Used is false when none qualifies (no precision is shown).
    double Precision = 0;
    bool PrecisionUsed = false;
};

BeerFit FitThroughOrigin(const double *c, const double *a, int count);

// "Précision de l'ajustement sur A : " and the precision, or empty when there
// is no fit or no standard to measure it by.
std::string PrecisionText(const BeerFit &fit);

} // namespace vandoral

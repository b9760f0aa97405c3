#include "beerfit.h"

#include "numtext.h"

#include <cmath>

namespace vandoral {

BeerFit FitThroughOrigin(const double *c, const double *a, int count)
{
    BeerFit fit;
    fit.Slope = MissingValue;
    double sumA = 0, sumC = 0;
    int n = 0;
    for (int i = 0; i < count; ++i) {
        if (c[i] > 1e-9 && a[i] > 0) {
            sumA += a[i];
            sumC += c[i];
            ++n;
        }
    }
    if (n == 0)
        return fit;
    fit.Slope = sumA / sumC;
    double q = 0;
    int m = 0;
    for (int i = 0; i < count; ++i) {
        if (c[i] > 1e-9 && a[i] > 0.001) {
            const double d = a[i] - fit.Slope * c[i];
            q += d * d;
            ++m;
        }
    }
    if (m > 0) {
        fit.Precision = std::sqrt(q / m);
        fit.PrecisionUsed = true;
    }
    return fit;
}

std::string PrecisionText(const BeerFit &fit)
{
    if (fit.Slope == MissingValue || !fit.PrecisionUsed)
        return std::string();
    return Cut("Pr\xE9" "cision de l'ajustement sur A : " + FormatPrecision(fit.Precision), TextLimit);
}

} // namespace vandoral

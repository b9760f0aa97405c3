// The figures a teaching lab reads off a measurement: the peaks of a
// spectrum, the statistics of a Beer-Lambert calibration with the
// uncertainty of each unknown, and the first-order fit of a kinetics run.
// Plain functions of the values; missing values (MissingValue) are left out.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vandoral {

// ---- spectrum ------------------------------------------------------------------

struct Peak {
    double Lambda;
    double A;
};

// The local maxima whose topographic prominence is at least 5 % of the
// highest absorbance and at least 0.01, in wavelength order. A maximum on
// the first or last measured wavelength is not a peak (the band may go on
// past the range); a flat top counts once, at its middle.
std::vector<Peak> FindPeaks(const double *x, const double *y, int count);

// "530 nm (A = 1,25) ; 680 nm (A = 0,45)" with the user's separator; empty
// without peaks.
std::string PeakListText(const std::vector<Peak> &peaks);

// ---- Beer-Lambert ----------------------------------------------------------------

struct BeerStats {
    int N = 0; // standards used: c > 1e-9 and A > 0, both present
    // The line through the origin k = ΣA/Σc.
    double K = 0;
    std::optional<double> S;        // √(Σ(A − k·c)² / (n − 1)), n ≥ 2
    std::optional<double> R2Origin; // 1 − Σ(A − k·c)² / Σ(A − Ā)², when Σ(A − Ā)² > 0
    std::optional<double> UK;       // s·√n / Σc
    // The least-squares line A = a + b·c, when the concentrations differ.
    bool HasIntercept = false;
    double A = 0, B = 0;
    std::optional<double> UA, UB;      // n ≥ 3
    std::optional<double> R2Intercept; // when Σ(A − Ā)² > 0
    // |a| > 2·u(a): the line misses the origin.
    bool MissesOrigin = false;
    // A − k·c for every standard given (missing where it has no value).
    std::vector<double> Residuals;
    // The absorbances of the standards used: an unknown outside them is an
    // extrapolation.
    double AMin = 0, AMax = 0;
};

// From the standards' concentrations and absorbances (at least two used);
// nothing when fewer than two qualify or Σc is zero.
std::optional<BeerStats> ComputeBeerStats(const double *c, const double *a, int count);

// Where an unknown's absorbance lies: among the standards', outside them (its
// concentration is an extrapolation of the line), or above the instrument's
// top of scale (no reading to rely on).
enum class UnknownRange { Inside, Outside, AboveTop };

struct UnknownEstimate {
    double C;                // A₀ / k
    std::optional<double> U; // expanded uncertainty 2·u(c₀), when s is known and A₀ > 0
    UnknownRange Range = UnknownRange::Inside;
};
// `absMax`: the instrument's top of scale (0 when unknown: a file's data).
UnknownEstimate EstimateUnknown(const BeerStats &stats, double a0, double absMax = 0);
UnknownRange RangeOfUnknown(const BeerStats &stats, double a0, double absMax = 0);
// " (hors gamme)", " (non fiable)", or nothing, after the concentration.
std::string RangeMark(UnknownRange range);

// "1,58 ± 0,05": the uncertainty with one significant digit (two when the
// first is a 1), the value to the same decimal place; without an
// uncertainty, the concentration's usual three digits.
std::string ValueWithUncertainty(double value, std::optional<double> u);

// ---- kinetics ----------------------------------------------------------------------

struct FirstOrderFit {
    double K;     // s⁻¹, > 0
    double A0;    // at t = 0
    double AInf;  // at the end
    double THalf; // ln 2 / k
    double R2;
};

// A(t) = A∞ + (A₀ − A∞)·e^(−k·t) by least squares over the points present;
// nothing with fewer than 5 points or when no first-order decay fits (the
// best k is not inside the range the times can tell, or the run is flat).
std::optional<FirstOrderFit> FitFirstOrder(const double *t, const double *a, int count);
double FirstOrderValue(const FirstOrderFit &fit, double t);

// The slope (A per second) of the least-squares line through the first five
// points present; nothing with fewer than two or equal times.
std::optional<double> InitialRate(const double *t, const double *a, int count);

// Points present in a column.
int PresentCount(const double *a, int count);

} // namespace vandoral

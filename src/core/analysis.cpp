#include "analysis.h"

#include "numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vandoral {

namespace {

bool Present(double v)
{
    return v != MissingValue && std::isfinite(v);
}

// Fixed notation with `decimals` digits and the user's separator, whatever
// the C library's locale.
std::string Fixed(double value, int decimals)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string text(buf, r.ptr);
    if (!text.empty() && text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1); // no "-0,00"
    for (char &ch : text)
        if (ch == '.')
            ch = Formats().decimalSeparator;
    return text;
}

} // namespace

int PresentCount(const double *a, int count)
{
    int n = 0;
    for (int i = 0; i < count; ++i)
        n += Present(a[i]) ? 1 : 0;
    return n;
}

// ---- peaks ---------------------------------------------------------------------

std::vector<Peak> FindPeaks(const double *x, const double *y, int count)
{
    std::vector<double> px, py;
    for (int i = 0; i < count; ++i)
        if (Present(x[i]) && Present(y[i])) {
            px.push_back(x[i]);
            py.push_back(y[i]);
        }
    std::vector<Peak> peaks;
    const int n = static_cast<int>(py.size());
    if (n < 3)
        return peaks;
    const double top = *std::max_element(py.begin(), py.end());
    const double threshold = std::max(0.05 * top, 0.01);
    int i = 1;
    while (i < n - 1) {
        if (!(py[i] > py[i - 1])) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < n && py[j + 1] == py[i])
            ++j;
        if (j + 1 >= n)
            break; // rising to the last wavelength
        if (py[j + 1] < py[i]) {
            const int peak = (i + j) / 2;
            const double h = py[peak];
            // Topographic prominence: the height above the higher of the two
            // lowest points met on each side before higher ground (or the
            // range's end). Ground as high counts as higher on the right: of
            // two equal tops (values are read to 0.001) with a dip between,
            // only one is a peak.
            double leftMin = h;
            for (int k = i - 1; k >= 0 && py[k] <= h; --k)
                leftMin = std::min(leftMin, py[k]);
            double rightMin = h;
            for (int k = j + 1; k < n && py[k] < h; ++k)
                rightMin = std::min(rightMin, py[k]);
            if (h - std::max(leftMin, rightMin) >= threshold)
                peaks.push_back({px[peak], h});
        }
        i = j + 1;
    }
    return peaks;
}

std::string PeakListText(const std::vector<Peak> &peaks)
{
    std::string text;
    for (const Peak &p : peaks) {
        if (!text.empty())
            text += " ; ";
        text += GeneralFormat(p.Lambda, 7, 0, Formats().decimalSeparator) + " nm (A = " + FormatAbs(p.A) + ")";
    }
    return text;
}

// ---- Beer-Lambert ----------------------------------------------------------------

std::optional<BeerStats> ComputeBeerStats(const double *c, const double *a, int count)
{
    BeerStats st;
    std::vector<double> cs, as;
    for (int i = 0; i < count; ++i)
        if (Present(c[i]) && Present(a[i]) && c[i] > 1e-9 && a[i] > 0) {
            cs.push_back(c[i]);
            as.push_back(a[i]);
        }
    const int n = static_cast<int>(cs.size());
    double sumC = 0, sumA = 0;
    for (int i = 0; i < n; ++i) {
        sumC += cs[i];
        sumA += as[i];
    }
    if (n < 2 || !(sumC > 0))
        return std::nullopt;
    st.N = n;
    st.K = sumA / sumC;
    st.AMin = *std::min_element(as.begin(), as.end());
    st.AMax = *std::max_element(as.begin(), as.end());
    const double meanA = sumA / n, meanC = sumC / n;
    double ssRes = 0, ssTot = 0, maxA = 0;
    for (int i = 0; i < n; ++i) {
        const double r = as[i] - st.K * cs[i];
        ssRes += r * r;
        ssTot += (as[i] - meanA) * (as[i] - meanA);
        maxA = std::max(maxA, as[i]);
    }
    if (ssRes < 1e-24 * n * std::max(1.0, maxA * maxA))
        ssRes = 0;
    st.S = std::sqrt(ssRes / (n - 1));
    st.UK = *st.S * std::sqrt(double(n)) / sumC;
    // A constant absorbance leaves nothing to explain: no R².
    const bool spread = ssTot > 1e-24 * std::max(1.0, maxA * maxA);
    if (spread)
        st.R2Origin = 1 - ssRes / ssTot;

    double sxx = 0, sxy = 0, sumC2 = 0;
    for (int i = 0; i < n; ++i) {
        sxx += (cs[i] - meanC) * (cs[i] - meanC);
        sxy += (cs[i] - meanC) * (as[i] - meanA);
        sumC2 += cs[i] * cs[i];
    }
    if (sxx > 1e-12 * sumC2) {
        st.HasIntercept = true;
        st.B = sxy / sxx;
        st.A = meanA - st.B * meanC;
        double ss2 = 0;
        for (int i = 0; i < n; ++i) {
            const double r = as[i] - st.A - st.B * cs[i];
            ss2 += r * r;
        }
        // Points exactly on the line leave only rounding: no scatter.
        if (ss2 < 1e-24 * n * std::max(1.0, maxA * maxA))
            ss2 = 0;
        if (spread)
            st.R2Intercept = 1 - ss2 / ssTot;
        if (n >= 3) {
            const double s2 = std::sqrt(ss2 / (n - 2));
            st.UA = s2 * std::sqrt(1.0 / n + meanC * meanC / sxx);
            st.UB = s2 / std::sqrt(sxx);
            // An intercept lost in rounding is no warning.
            st.MissesOrigin = std::fabs(st.A) > 2 * *st.UA && std::fabs(st.A) > 1e-9 * maxA;
        }
    }
    st.Residuals.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        st.Residuals.push_back(Present(c[i]) && Present(a[i]) ? a[i] - st.K * c[i] : MissingValue);
    return st;
}

UnknownRange RangeOfUnknown(const BeerStats &stats, double a0, double absMax)
{
    if (absMax > 0 && a0 > absMax)
        return UnknownRange::AboveTop;
    return a0 < stats.AMin || a0 > stats.AMax ? UnknownRange::Outside : UnknownRange::Inside;
}

std::string RangeMark(UnknownRange range)
{
    switch (range) {
    case UnknownRange::Outside: return " (hors gamme)";
    case UnknownRange::AboveTop: return " (non fiable)";
    case UnknownRange::Inside: break;
    }
    return std::string();
}

UnknownEstimate EstimateUnknown(const BeerStats &stats, double a0, double absMax)
{
    UnknownEstimate e{a0 / stats.K, std::nullopt, RangeOfUnknown(stats, a0, absMax)};
    if (stats.S && stats.UK && a0 > 0 && stats.K > 0) {
        const double rel = std::hypot(*stats.S / a0, *stats.UK / stats.K);
        e.U = 2 * std::fabs(e.C) * rel;
    }
    return e;
}

std::string ValueWithUncertainty(double value, std::optional<double> u)
{
    if (!u || !(*u > 0) || !std::isfinite(*u) || !std::isfinite(value))
        return FormatSig(value);
    int e = static_cast<int>(std::floor(std::log10(*u)));
    double lead = std::round(*u / std::pow(10.0, e));
    if (lead >= 10) {
        ++e;
        lead = 1;
    }
    // A leading 1 keeps a second digit: rounding 0.14 to 0.1 would drop a
    // third of it.
    const int lastDigit = lead == 1 ? e - 1 : e;
    const int decimals = std::clamp(-lastDigit, 0, 12);
    return Fixed(value, decimals) + " \xB1 " + Fixed(*u, decimals);
}

// ---- kinetics ----------------------------------------------------------------------

namespace {

struct Points {
    std::vector<double> t, a;
};

Points Gather(const double *t, const double *a, int count)
{
    Points p;
    for (int i = 0; i < count; ++i)
        if (Present(t[i]) && Present(a[i])) {
            p.t.push_back(t[i]);
            p.a.push_back(a[i]);
        }
    return p;
}

// For a given k the model is linear in A∞ and (A₀ − A∞): the best pair and
// the residual sum of squares, with times counted from t0.
struct Linear {
    double p, q, ss;
};

Linear SolveForK(const Points &pts, double k, double t0)
{
    const std::size_t n = pts.t.size();
    double se = 0, see = 0, sa = 0, sea = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double e = std::exp(-k * (pts.t[i] - t0));
        se += e;
        see += e * e;
        sa += pts.a[i];
        sea += e * pts.a[i];
    }
    const double det = double(n) * see - se * se;
    Linear l{0, 0, 0};
    if (!(std::fabs(det) > 1e-300)) {
        l.p = sa / double(n);
        l.q = 0;
    } else {
        l.q = (double(n) * sea - se * sa) / det;
        l.p = (sa - l.q * se) / double(n);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const double r = pts.a[i] - l.p - l.q * std::exp(-k * (pts.t[i] - t0));
        l.ss += r * r;
    }
    return l;
}

} // namespace

// Hand-written rather than a general non-linear solver: with A∞ and
// A₀ − A∞ solved exactly for each k, only k is searched, over the range the
// times can tell apart, which needs no starting guess and cannot diverge.
std::optional<FirstOrderFit> FitFirstOrder(const double *t, const double *a, int count)
{
    Points pts = Gather(t, a, count);
    const int n = static_cast<int>(pts.t.size());
    if (n < 5)
        return std::nullopt;
    std::vector<double> sorted = pts.t;
    std::sort(sorted.begin(), sorted.end());
    const double t0 = sorted.front();
    const double span = sorted.back() - t0;
    double step = span;
    for (int i = 1; i < n; ++i)
        if (sorted[i] > sorted[i - 1])
            step = std::min(step, sorted[i] - sorted[i - 1]);
    if (!(span > 0))
        return std::nullopt;
    double mean = 0;
    for (double v : pts.a)
        mean += v;
    mean /= n;
    double ssTot = 0, maxA = 0;
    for (double v : pts.a) {
        ssTot += (v - mean) * (v - mean);
        maxA = std::max(maxA, std::fabs(v));
    }
    if (!(ssTot > 1e-24 * std::max(1.0, maxA * maxA)))
        return std::nullopt; // flat: nothing decays
    // Slower than 0.01/span the curve is a straight line over the run; faster
    // than 10/step it is over before the second point.
    const double lo = std::log(0.01 / span), hi = std::log(10.0 / step);
    if (!(hi > lo))
        return std::nullopt;
    constexpr int Grid = 400;
    int best = 0;
    double bestSs = INFINITY;
    for (int i = 0; i <= Grid; ++i) {
        const double ss = SolveForK(pts, std::exp(lo + (hi - lo) * i / Grid), t0).ss;
        if (ss < bestSs) {
            bestSs = ss;
            best = i;
        }
    }
    if (best == 0 || best == Grid)
        return std::nullopt; // the best decay is no decay the run can show
    // Golden-section search between the grid's neighbours of the best.
    double x0 = lo + (hi - lo) * (best - 1) / Grid, x3 = lo + (hi - lo) * (best + 1) / Grid;
    const double g = (std::sqrt(5.0) - 1) / 2;
    double x1 = x3 - g * (x3 - x0), x2 = x0 + g * (x3 - x0);
    double f1 = SolveForK(pts, std::exp(x1), t0).ss, f2 = SolveForK(pts, std::exp(x2), t0).ss;
    for (int it = 0; it < 200 && x3 - x0 > 1e-13; ++it) {
        if (f1 < f2) {
            x3 = x2;
            x2 = x1;
            f2 = f1;
            x1 = x3 - g * (x3 - x0);
            f1 = SolveForK(pts, std::exp(x1), t0).ss;
        } else {
            x0 = x1;
            x1 = x2;
            f1 = f2;
            x2 = x0 + g * (x3 - x0);
            f2 = SolveForK(pts, std::exp(x2), t0).ss;
        }
    }
    const double k = std::exp((x0 + x3) / 2);
    const Linear l = SolveForK(pts, k, t0);
    if (!(k > 0) || !std::isfinite(l.p) || !std::isfinite(l.q))
        return std::nullopt;
    FirstOrderFit fit;
    fit.K = k;
    fit.AInf = l.p;
    fit.A0 = l.p + l.q * std::exp(k * t0);
    fit.THalf = std::log(2.0) / k;
    fit.R2 = 1 - l.ss / ssTot;
    return fit;
}

double FirstOrderValue(const FirstOrderFit &fit, double t)
{
    return fit.AInf + (fit.A0 - fit.AInf) * std::exp(-fit.K * t);
}

std::optional<double> InitialRate(const double *t, const double *a, int count)
{
    std::vector<double> ts, as;
    for (int i = 0; i < count && ts.size() < 5; ++i)
        if (Present(t[i]) && Present(a[i])) {
            ts.push_back(t[i]);
            as.push_back(a[i]);
        }
    const int n = static_cast<int>(ts.size());
    if (n < 2)
        return std::nullopt;
    double mt = 0, ma = 0;
    for (int i = 0; i < n; ++i) {
        mt += ts[i];
        ma += as[i];
    }
    mt /= n;
    ma /= n;
    double sxx = 0, sxy = 0;
    for (int i = 0; i < n; ++i) {
        sxx += (ts[i] - mt) * (ts[i] - mt);
        sxy += (ts[i] - mt) * (as[i] - ma);
    }
    if (!(sxx > 0))
        return std::nullopt;
    return sxy / sxx;
}

} // namespace vandoral

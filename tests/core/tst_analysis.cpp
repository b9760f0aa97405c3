// The analysis figures as tables. Where an expected value is not a number
// chosen by the case itself, it was computed with Python 3.11's statistics
// module (linear_regression, correlation) and the formulas written out by
// hand in Python, independently of this code.
#include "analysis.h"
#include "numtext.h"
#include "separator.h"

#include "coretest.h"

#include <cmath>

using namespace vandoral;

namespace {

bool Close(double got, double want, double rel = 1e-9)
{
    return std::fabs(got - want) <= rel * std::fmax(std::fabs(want), 1e-12);
}

// Gaussian bands on a 1 nm grid.
struct Bands {
    std::vector<double> x, y;
    Bands(int from, int to) {
        for (int l = from; l <= to; ++l) {
            x.push_back(l);
            y.push_back(0);
        }
    }
    Bands &Add(double centre, double width, double height) {
        for (std::size_t i = 0; i < x.size(); ++i)
            y[i] += height * std::exp(-0.5 * std::pow((x[i] - centre) / width, 2));
        return *this;
    }
};

} // namespace

TEST_CASE("peaks")
{
    struct Row {
        const char *tag;
        std::vector<double> y;
        std::vector<double> expectedX; // x is the index
    };
    const double M = MissingValue;
    const std::vector<Row> rows = {
        // The flank peak at 3 stands 0.1 above the saddle at 0.5 (its base
        // is the higher of 0.5 on the left and 0 on the right): 10 % of 1.
        {"a peak on the flank of a higher one", {0, 1, 0.5, 0.6, 0.2, 0}, {1, 3}},
        // 0.54 - 0.5 = 0.04 is under 5 % of the top.
        {"a ripple under 5 % of the top", {0, 1, 0.5, 0.54, 0.2, 0}, {1}},
        // The top (0.15) makes 5 % 0.0075; the floor of 0.01 holds.
        {"under the floor of 0.01", {0, 0.15, 0.05, 0.059, 0.05, 0}, {1}},
        {"over the floor of 0.01", {0, 0.15, 0.05, 0.061, 0.05, 0}, {1, 3}},
        {"the range's first and last values are not peaks", {1.0, 0.5, 0.2, 0.6, 0.1, 0.9}, {3}},
        {"a flat top counts once, at its middle", {0, 0.5, 0.5, 0.5, 0}, {2}},
        // Equal tops split by a dip of one reading: one band, not two.
        {"two equal tops with a dip", {0, 0.2, 0.5, 0.499, 0.5, 0.2, 0}, {4}},
        {"missing values are left out", {0, 0.2, M, 0.5, M, 0.4, 0}, {3}},
        {"a monotonic rise has none", {0, 0.1, 0.2, 0.3}, {}},
        {"too short", {0, 1}, {}},
    };
    for (const Row &row : rows) SUBCASE(row.tag) {
        std::vector<double> x;
        for (std::size_t i = 0; i < row.y.size(); ++i)
            x.push_back(double(i));
        const auto peaks = FindPeaks(x.data(), row.y.data(), int(x.size()));
        REQUIRE(peaks.size() == row.expectedX.size());
        for (std::size_t i = 0; i < peaks.size(); ++i) {
            CHECK(peaks[i].Lambda == row.expectedX[i]);
            CHECK(peaks[i].A == row.y[std::size_t(peaks[i].Lambda)]);
        }
    }
}

TEST_CASE("peaks of two bands and their text")
{
    // Bands 20 nm wide, 150 nm apart: neither adds to the other's top.
    Bands b(400, 800);
    b.Add(530, 20, 1.25).Add(680, 20, 0.45);
    SeparatorScope comma(',');
    const auto peaks = FindPeaks(b.x.data(), b.y.data(), int(b.x.size()));
    REQUIRE(peaks.size() == 2);
    CHECK(PeakListText(peaks) == "530 nm (A = 1,25) ; 680 nm (A = 0,45)");
    SeparatorScope point('.');
    CHECK(PeakListText(peaks) == "530 nm (A = 1.25) ; 680 nm (A = 0.45)");
    CHECK(PeakListText({}).empty());
}

TEST_CASE("Beer-Lambert statistics")
{
    SUBCASE("four standards near the origin")
    {
        const std::vector<double> c{1, 2, 3, 4}, a{0.102, 0.198, 0.305, 0.398};
        const auto st = ComputeBeerStats(c.data(), a.data(), 4);
        REQUIRE(st);
        CHECK(st->N == 4);
        CHECK(Close(st->K, 0.10030000000000001));
        CHECK(Close(*st->S, 0.003497618237219901));
        CHECK(Close(*st->R2Origin, 0.9992591059811546));
        CHECK(Close(*st->UK, 0.0006995236474439802));
        REQUIRE(st->HasIntercept);
        CHECK(Close(st->A, 0.0020000000000000018, 1e-6));
        CHECK(Close(st->B, 0.0995));
        CHECK(Close(*st->UA, 0.0050124844139408575));
        CHECK(Close(*st->UB, 0.0018303005217723137));
        CHECK(Close(*st->R2Intercept, 0.9993237070945145));
        CHECK_FALSE(st->MissesOrigin);
        const double residuals[] = {0.0017, -0.0026, 0.0041, -0.0032};
        for (int i = 0; i < 4; ++i)
            CHECK(Close(st->Residuals[std::size_t(i)], residuals[i], 1e-9));
        // c₀ = 0.25 / k, U = 2·c₀·√((s/A₀)² + (u(k)/k)²).
        const UnknownEstimate e = EstimateUnknown(*st, 0.25);
        CHECK(Close(e.C, 2.492522432701894));
        CHECK(Close(*e.U, 0.07792860644854938));
        SeparatorScope comma(',');
        CHECK(ValueWithUncertainty(e.C, e.U) == "2,49 \xB1 0,08");
    }
    SUBCASE("a line that misses the origin")
    {
        const std::vector<double> c{1, 2, 3, 4, 5}, a{0.15, 0.25, 0.35, 0.46, 0.55};
        const auto st = ComputeBeerStats(c.data(), a.data(), 5);
        REQUIRE(st);
        CHECK(Close(st->K, 0.11733333333333333));
        CHECK(Close(*st->S, 0.02616188916046476));
        CHECK(Close(*st->R2Origin, 0.9731800766283525));
        CHECK(Close(st->A, 0.04899999999999993, 1e-9));
        CHECK(Close(st->B, 0.10100000000000002));
        CHECK(Close(*st->UA, 0.005066228051190224));
        CHECK(Close(*st->UB, 0.0015275252316519473));
        CHECK(Close(*st->R2Intercept, 0.9993142633228844));
        CHECK(st->MissesOrigin);
    }
    SUBCASE("two standards: no uncertainty on the intercept line")
    {
        const std::vector<double> c{1, 2}, a{0.1, 0.22};
        const auto st = ComputeBeerStats(c.data(), a.data(), 2);
        REQUIRE(st);
        CHECK(Close(st->K, 0.10666666666666667));
        CHECK(Close(*st->S, 0.009428090415820625));
        CHECK(Close(*st->R2Origin, 0.9876543209876544));
        CHECK(Close(st->A, -0.02, 1e-9));
        CHECK(Close(st->B, 0.12));
        CHECK(Close(*st->R2Intercept, 1.0));
        CHECK_FALSE(st->UA);
        CHECK_FALSE(st->UB);
        CHECK_FALSE(st->MissesOrigin);
    }
    SUBCASE("equal concentrations: no intercept line")
    {
        const std::vector<double> c{2, 2, 2}, a{0.2, 0.21, 0.19};
        const auto st = ComputeBeerStats(c.data(), a.data(), 3);
        REQUIRE(st);
        CHECK(Close(st->K, 0.1));
        CHECK_FALSE(st->HasIntercept);
        CHECK_FALSE(st->MissesOrigin);
    }
    SUBCASE("a zero slope: constant absorbance")
    {
        // Nothing to explain: no R²; the flat line A = 0.3 misses the origin
        // by far with no scatter at all.
        const std::vector<double> c{1, 2, 3}, a{0.3, 0.3, 0.3};
        const auto st = ComputeBeerStats(c.data(), a.data(), 3);
        REQUIRE(st);
        CHECK_FALSE(st->R2Origin);
        CHECK_FALSE(st->R2Intercept);
        CHECK(std::fabs(st->B) < 1e-12);
        CHECK(Close(st->A, 0.3));
        CHECK(*st->UA == 0); // no scatter at all, not rounding noise
        CHECK(st->MissesOrigin);
    }
    SUBCASE("standards without a value are left out and have no residual")
    {
        const std::vector<double> c{1, 2, 0, 3, 4}, a{0.102, 0.198, 0.5, MissingValue, 0.398};
        const auto st = ComputeBeerStats(c.data(), a.data(), 5);
        REQUIRE(st);
        CHECK(st->N == 3);
        CHECK(Close(st->K, (0.102 + 0.198 + 0.398) / 7));
        REQUIRE(st->Residuals.size() == 5);
        CHECK(st->Residuals[3] == MissingValue);
    }
    SUBCASE("fewer than two standards")
    {
        const std::vector<double> c{1, 0}, a{0.1, 0.2};
        CHECK_FALSE(ComputeBeerStats(c.data(), a.data(), 2));
    }
}

TEST_CASE("an unknown among the standards, outside them, above the top of scale")
{
    // Standards from A = 0.102 to 0.398; the instrument's top at 2.5.
    const std::vector<double> c{1, 2, 3, 4}, a{0.102, 0.198, 0.305, 0.398};
    const auto st = ComputeBeerStats(c.data(), a.data(), 4);
    REQUIRE(st);
    struct Row {
        double a0;
        UnknownRange range;
        const char *mark;
    };
    const std::vector<Row> rows = {
        {0.25, UnknownRange::Inside, ""},
        {0.102, UnknownRange::Inside, ""}, // the lowest standard's own
        {0.398, UnknownRange::Inside, ""},
        {0.05, UnknownRange::Outside, " (hors gamme)"},
        {2.4, UnknownRange::Outside, " (hors gamme)"}, // "24" read as calmly as any other, before
        {2.6, UnknownRange::AboveTop, " (non fiable)"},
    };
    for (const Row &row : rows) {
        CAPTURE(row.a0);
        const UnknownEstimate e = EstimateUnknown(*st, row.a0, 2.5);
        CHECK(e.Range == row.range);
        CHECK(RangeMark(e.Range) == row.mark);
    }
    // Without a top of scale (a file's data), only the standards' range.
    CHECK(RangeOfUnknown(*st, 2.6) == UnknownRange::Outside);
}

TEST_CASE("value with its uncertainty")
{
    struct Row {
        double value;
        std::optional<double> u;
        const char *text;
    };
    const std::vector<Row> rows = {
        {1.5823, 0.0512, "1,58 \xB1 0,05"},
        {1.5823, 0.0148, "1,582 \xB1 0,015"},  // a leading 1 keeps two digits
        {1.5823, 0.096, "1,58 \xB1 0,10"},     // 0.096 rounds up to 0.1, a leading 1
        {152.3, 12.0, "152 \xB1 12"},
        {1234.0, 250.0, "1234 \xB1 250"},
        {-0.004, 0.03, "0,00 \xB1 0,03"},      // no "-0,00"
        {1.5823, std::nullopt, "1,58"},
        {1.5823, 0.0, "1,58"},
    };
    SeparatorScope comma(',');
    for (const Row &row : rows) {
        CAPTURE(row.text);
        CHECK(ValueWithUncertainty(row.value, row.u) == row.text);
    }
}

namespace {

struct Run {
    std::vector<double> t, a;
};

// A(t) = aInf + (a0 - aInf)·e^(-k·t) every `dt` seconds, plus `noise`
// times a fixed pseudo-random sequence in [-1, 1].
Run FirstOrderRun(double k, double a0, double aInf, int points, double dt, double noise)
{
    Run r;
    unsigned state = 12345;
    for (int i = 0; i < points; ++i) {
        state = state * 1103515245u + 12345u;
        const double u = double((state >> 8) & 0xFFFF) / 32767.5 - 1.0;
        r.t.push_back(i * dt);
        r.a.push_back(aInf + (a0 - aInf) * std::exp(-k * i * dt) + noise * u);
    }
    return r;
}

} // namespace

TEST_CASE("first-order fit")
{
    SUBCASE("exact data give back their parameters")
    {
        const Run r = FirstOrderRun(0.02, 1.0, 0.1, 31, 10, 0);
        const auto fit = FitFirstOrder(r.t.data(), r.a.data(), 31);
        REQUIRE(fit);
        CHECK(Close(fit->K, 0.02, 1e-8));
        CHECK(Close(fit->A0, 1.0, 1e-8));
        CHECK(Close(fit->AInf, 0.1, 1e-7));
        CHECK(Close(fit->THalf, std::log(2.0) / 0.02, 1e-8));
        CHECK(Close(fit->R2, 1.0, 1e-12));
        CHECK(Close(FirstOrderValue(*fit, 50), 0.1 + 0.9 * std::exp(-1.0), 1e-8));
    }
    SUBCASE("noisy data: k within 0.1 %")
    {
        // 200 points over five half-lives, noise of ±0.0005 on a 0.9 change.
        const Run r = FirstOrderRun(0.0125, 1.2, 0.25, 200, 1.5, 0.0005);
        const auto fit = FitFirstOrder(r.t.data(), r.a.data(), int(r.t.size()));
        REQUIRE(fit);
        CHECK_MESSAGE(Close(fit->K, 0.0125, 1e-3), Num(fit->K));
        CHECK(Close(fit->A0, 1.2, 1e-3));
        CHECK(Close(fit->AInf, 0.25, 1e-2));
        CHECK(fit->R2 > 0.9999);
    }
    SUBCASE("a rising absorbance (product formed) fits too")
    {
        const Run r = FirstOrderRun(0.05, 0.05, 0.8, 40, 2, 0);
        const auto fit = FitFirstOrder(r.t.data(), r.a.data(), 40);
        REQUIRE(fit);
        CHECK(Close(fit->K, 0.05, 1e-8));
        CHECK(Close(fit->A0, 0.05, 1e-7));
    }
    SUBCASE("missing points are left out")
    {
        Run r = FirstOrderRun(0.02, 1.0, 0.1, 31, 10, 0);
        r.a[3] = MissingValue;
        r.a[17] = MissingValue;
        const auto fit = FitFirstOrder(r.t.data(), r.a.data(), 31);
        REQUIRE(fit);
        CHECK(Close(fit->K, 0.02, 1e-8));
    }
    SUBCASE("not first order")
    {
        struct Case {
            const char *tag;
            Run run;
        };
        Run constant{{0, 1, 2, 3, 4, 5}, {0.4, 0.4, 0.4, 0.4, 0.4, 0.4}};
        Run line;
        for (int i = 0; i < 20; ++i) {
            line.t.push_back(i * 5);
            line.a.push_back(0.9 - 0.01 * i); // zero order: no curvature
        }
        Run growth; // a run that speeds up: k < 0
        for (int i = 0; i < 20; ++i) {
            growth.t.push_back(i * 5);
            growth.a.push_back(0.1 * std::exp(0.03 * i * 5));
        }
        Run four = FirstOrderRun(0.02, 1.0, 0.1, 4, 10, 0);
        Run fiveWithAGap = FirstOrderRun(0.02, 1.0, 0.1, 5, 10, 0);
        fiveWithAGap.a[2] = MissingValue;
        for (const Case &c : {Case{"constant", constant}, Case{"zero order", line}, Case{"growing", growth},
                              Case{"four points", four}, Case{"five with one missing", fiveWithAGap}}) {
            CAPTURE(c.tag);
            CHECK_FALSE(FitFirstOrder(c.run.t.data(), c.run.a.data(), int(c.run.t.size())));
        }
    }
}

TEST_CASE("initial rate")
{
    // Five points on A = 1 - 0.01·t, then anything: only the first five count.
    const std::vector<double> t{0, 2, 4, 6, 8, 10, 12}, a{1, 0.98, 0.96, 0.94, 0.92, 0.5, 0.1};
    CHECK(Close(*InitialRate(t.data(), a.data(), 7), -0.01));
    // A missing point is skipped, the sixth takes its place. By hand: points
    // (0,1) (4,0.96) (6,0.94) (8,0.92) (10,0.9): slope -0.01.
    const std::vector<double> a2{1, MissingValue, 0.96, 0.94, 0.92, 0.9, 0.1};
    CHECK(Close(*InitialRate(t.data(), a2.data(), 7), -0.01));
    // Least squares, not the end points: (0,0) (1,1) (2,0) gives 0.
    const std::vector<double> t3{0, 1, 2}, a3{0, 1, 0};
    CHECK(std::fabs(*InitialRate(t3.data(), a3.data(), 3)) < 1e-15);
    const std::vector<double> t4{3, 3}, a4{0.1, 0.2};
    CHECK_FALSE(InitialRate(t4.data(), a4.data(), 2));
    CHECK_FALSE(InitialRate(t4.data(), a4.data(), 1));
}

#include "tracesession.h"

#include "modeshared.h"
#include "numtext.h"

namespace vandoral {

TTraceSession::TTraceSession(const TspectroVandoral *spectro)
{
    SetUpSpectrumGraph(Graphe, spectro);
}

SpaceAction TTraceSession::SpaceBar(bool controlled, bool busy) const
{
    if (CanScan(controlled, busy))
        return SpaceAction::Measure;
    return CanBlank(controlled, busy) ? SpaceAction::Blank : SpaceAction::None;
}

void TTraceSession::BlankStarted()
{
    Graphe.PointCount = 0;
    truncated_ = false;
}

void TTraceSession::ScanStarted(double lambdaMin, double lambdaMax)
{
    Graphe.WorldX.Min = lambdaMin;
    Graphe.WorldX.Max = lambdaMax;
    Graphe.PointCount = 0;
    truncated_ = false;
}

TTraceSession::Stored TTraceSession::AddValue(std::int32_t index, double absorbance)
{
    const int n = Graphe.PointCount;
    // The first values are kept; the cut is said when the scan ends.
    if (n >= GraphCapacity) {
        truncated_ = true;
        return Stored::Dropped;
    }
    Graphe.X[n] = index;
    Graphe.Curve1.Y[n] = absorbance;
    Graphe.PointCount = static_cast<std::uint16_t>(n + 1);
    Sauve = false;
    // The curve never leaves the top of the graph.
    if (absorbance != MissingValue && absorbance > Graphe.WorldY.Max) {
        Graphe.WorldY.Max = 1.05 * absorbance;
        return Stored::TopRaised;
    }
    return Stored::Kept;
}

void TTraceSession::AutoScale(double absMax)
{
    Graphe.WorldY.Max = AutoTop(Graphe.MaxY(), absMax);
}

void TTraceSession::FullScale(double lambdaMin, double lambdaMax, double absMax)
{
    Graphe.WorldY.Max = absMax;
    Graphe.WorldX.Max = lambdaMax;
    Graphe.WorldX.Min = lambdaMin;
}

TTraceSession::Reading TTraceSession::ReadAt(double lambda, double aUnderMouse) const
{
    const int count = Graphe.PointCount;
    if (count == 0 || !(Graphe.X[0] <= lambda && lambda <= Graphe.X[count - 1]))
        return {aUnderMouse, false, false};
    int i = 0;
    while (i < count - 1 && Graphe.X[i] < lambda)
        ++i;
    const double *y = Graphe.Curve1.Y.data();
    if (i == 0 || Graphe.X[i] == Graphe.X[i - 1])
        return {y[i], y[i] != MissingValue, y[i] == MissingValue};
    if (y[i] == MissingValue || y[i - 1] == MissingValue)
        return {aUnderMouse, false, true}; // no value to read there
    const double a = y[i] + (lambda - Graphe.X[i]) * (y[i] - y[i - 1]) / (Graphe.X[i] - Graphe.X[i - 1]);
    return {a, true, false};
}

void TTraceSession::Restore(std::int32_t lambda0, const std::vector<double> &values)
{
    ScanStarted(Graphe.WorldX.Min, Graphe.WorldX.Max);
    for (std::size_t i = 0; i < values.size(); ++i)
        AddValue(lambda0 + std::int32_t(i), values[i]);
    Sauve = false;
}

TRect TTraceSession::PageBounds(int width, int height, bool portrait)
{
    TRect b{0, 0, width, height};
    int d = (b.Right - b.Left) / 20;
    b.Right -= d;
    b.Left += d;
    if (portrait)
        b.Bottom = (b.Top + b.Bottom) / 2;
    d = (b.Bottom - b.Top) / 20;
    b.Bottom -= d;
    b.Top += d;
    return b;
}

} // namespace vandoral

#include "beerseries.h"

#include "driver.h"
#include "modeshared.h"
#include "numtext.h"

#include <algorithm>

namespace vandoral {

bool ReadBeerBounds(const std::string &miniText, const std::string &maxiText, double &mini, double &maxi)
{
    double lo = ReadTypedNumber(Cut(miniText, TextLimit));
    if (lo == MissingValue)
        lo = 0;
    double hi = ReadTypedNumber(Cut(maxiText, TextLimit));
    if (hi == MissingValue)
        hi = 0.01;
    if (hi < lo)
        std::swap(lo, hi);
    // An axis without extent cannot be drawn.
    if (hi == lo || hi <= 0)
        return false;
    mini = lo;
    maxi = hi;
    return true;
}

TBeerSeries::TBeerSeries(const TspectroVandoral &spectro) : spectro_(spectro)
{
    BeerGraph.WorldX.Name = spectro.Nom;
    BeerGraph.WorldX.Unit = spectro.Unite;
    BeerGraph.WorldX.LongName = spectro.Signif;
    BeerGraph.WorldY.Name = "A";
    BeerGraph.WorldY.LongName = "Absorbance";
    BeerGraph.DrawMode = 2;
    BeerGraph.SetWorld(spectro.Mini, 0, spectro.Maxi, spectro.AbsMax);
    SetUpSpectrumGraph(SpectrumGraph, &spectro);
    SpectrumGraph.LabelY = false;
}

bool TBeerSeries::ShowsFit() const
{
    return spectro_.Actif && StandardCount() > 2;
}

SpaceAction TBeerSeries::SpaceBar(bool busy) const
{
    if (!BlancFait)
        return measuring_ == Measure::None ? SpaceAction::Blank : SpaceAction::None;
    return CanMeasureUnknown() && !busy ? SpaceAction::Measure : SpaceAction::None;
}

// ---- the list changed ---------------------------------------------------------

void TBeerSeries::Changed()
{
    const int n = StandardCount();
    for (int i = 0; i < n; ++i) {
        BeerGraph.X[i] = Standards[i].Conc;
        BeerGraph.Curve1.Y[i] = Standards[i].Abs;
    }
    BeerGraph.PointCount = static_cast<std::uint16_t>(n);
    Refit();
}

void TBeerSeries::Refit()
{
    // Without the line shown, there is no precision, and the slope and the
    // unknowns keep their values.
    PrecisionText.clear();
    // The statistics from two standards on, with the option on.
    Stats.reset();
    if (spectro_.Actif)
        Stats = ComputeBeerStats(BeerGraph.X.data(), BeerGraph.Curve1.Y.data(), BeerGraph.PointCount);
    if (!ShowsFit())
        return;
    const BeerFit fit = FitThroughOrigin(BeerGraph.X.data(), BeerGraph.Curve1.Y.data(), BeerGraph.PointCount);
    Slope = fit.Slope;
    for (BeerUnknown &u : Unknowns)
        u.Conc = Slope == MissingValue ? MissingValue : u.Abs / Slope;
    PrecisionText = vandoral::PrecisionText(fit);
}

UnknownEstimate TBeerSeries::Estimate(const BeerUnknown &u) const
{
    if (!Stats || !HasLine())
        return {u.Conc, std::nullopt};
    UnknownEstimate e = EstimateUnknown(*Stats, u.Abs);
    e.C = u.Conc; // the window's own figure, from the same slope
    return e;
}

void TBeerSeries::DrawFit(bool withPrecision)
{
    Tgraphe &g = BeerGraph;
    TCanvas *canvas = g.Canvas;
    if (!ShowsFit() || !canvas)
        return;
    if (HasLine()) {
        int x0, y0, x1, y1;
        g.WorldToPixel(0, 0, x0, y0);
        g.WorldToPixel(g.WorldX.Max, Slope * g.WorldX.Max, x1, y1);
        // A steep line ends on the top of the absorbance axis.
        if (y1 < g.Bounds.Top)
            g.WorldToPixel(g.WorldY.Max / Slope, g.WorldY.Max, x1, y1);
        canvas->SetPenStyle(PenStyle::Solid);
        canvas->SetPenMode(PenMode::Copy);
        canvas->SetPenWidth(g.CurvePen);
        canvas->SetPenColor(g.Curve1.Color);
        canvas->MoveTo(x0, y0);
        canvas->LineTo(x1, y1);
        for (const BeerUnknown &u : Unknowns)
            g.MarkPoint(u.Conc, u.Abs);
    }
    if (withPrecision && !PrecisionText.empty()) {
        canvas->SetFontColor(clBlack);
        canvas->TextOut(g.PlotRect.Left + 8, g.Bounds.Top + 8, PrecisionText);
    }
    canvas->Flush();
}

// ---- entries ----------------------------------------------------------------------

TBeerSeries::Entry TBeerSeries::CheckEntry(int row, const std::string &text, double &conc) const
{
    const int i = row - 2;
    if (i < 0)
        return Entry::NoRow;
    if (i > StandardCount())
        return Entry::BelowEntryRow;
    if (i == StandardCount() && i >= Capacity)
        return Entry::ListFull;
    conc = ReadTypedNumber(Cut(text, TextLimit));
    if (conc == MissingValue)
        return Entry::BadNumber;
    if (conc > BeerGraph.WorldX.Max || conc < BeerGraph.WorldX.Min)
        return Entry::OutOfRange;
    return Entry::Ready;
}

std::string TBeerSeries::RangeQuestion(double conc) const
{
    return FormatSig(conc) + " avec mini=" + FormatSig(BeerGraph.WorldX.Min) + " et maxi="
           + FormatSig(BeerGraph.WorldX.Max) + "\r\n    Vous confirmez ?";
}

void TBeerSeries::Widen(double conc)
{
    if (conc > BeerGraph.WorldX.Max)
        BeerGraph.WorldX.Max = conc;
    else if (conc < BeerGraph.WorldX.Min)
        BeerGraph.WorldX.Min = conc;
}

// ---- measurements -------------------------------------------------------------------

void TBeerSeries::BlankStarted()
{
    measuring_ = Measure::Blank;
    SpectrumGraph.PointCount = 0;
}

void TBeerSeries::ScanStarted(Measure kind, int lambda)
{
    measuring_ = kind;
    measuredLambda_ = lambda;
    SpectrumMode = kind == Measure::Spectrum;
    SpectrumGraph.PointCount = 0;
    // A scan that never reaches the wavelength cannot give an old value.
    if (!SpectrumMode)
        AbsAtLambda = MissingValue;
}

void TBeerSeries::StandardStarted(int row, double conc, int lambda)
{
    measuredRow_ = row;
    measuredConc_ = conc;
    ScanStarted(Measure::Standard, lambda);
}

void TBeerSeries::UnknownStarted(int lambda)
{
    ScanStarted(Measure::Unknown, lambda);
}

void TBeerSeries::SpectrumStarted(int lambda)
{
    ScanStarted(Measure::Spectrum, lambda);
}

void TBeerSeries::NotStarted()
{
    measuring_ = Measure::None;
    measuredRow_ = -1;
}

bool TBeerSeries::ScanPoint(std::int32_t lambda, double a)
{
    const int n = SpectrumGraph.PointCount;
    if (lambda == measuredLambda_)
        AbsAtLambda = a;
    if (n < GraphCapacity) {
        SpectrumGraph.X[n] = lambda;
        SpectrumGraph.Curve1.Y[n] = a;
        SpectrumGraph.PointCount = static_cast<std::uint16_t>(n + 1);
    }
    return n == 0;
}

bool TBeerSeries::BlancTermine(bool ok)
{
    if (measuring_ != Measure::Blank)
        return false;
    measuring_ = Measure::None;
    BlancFait = ok;
    return true;
}

TBeerSeries::Result TBeerSeries::StandardMeasured(int &index)
{
    if (measuring_ != Measure::Standard)
        return Result::NotMine;
    measuring_ = Measure::None;
    const int row = measuredRow_;
    measuredRow_ = -1;
    if (row < 2)
        return Result::NoRow;
    // A reading that failed changes nothing of the standard.
    if (AbsAtLambda == MissingValue)
        return Result::Unreadable;
    index = row - 2;
    const BeerStandard s{measuredConc_, AbsAtLambda};
    if (index >= StandardCount()) {
        index = StandardCount();
        Standards.push_back(s);
    } else {
        Standards[index] = s;
    }
    Sauve = false;
    Changed();
    return Result::Stored;
}

TBeerSeries::Result TBeerSeries::UnknownMeasured()
{
    if (measuring_ != Measure::Unknown)
        return Result::NotMine;
    measuring_ = Measure::None;
    if (AbsAtLambda == MissingValue)
        return Result::Unreadable;
    Refit();
    if (HasLine()) {
        Unknowns.push_back({AbsAtLambda, AbsAtLambda / Slope});
        return Result::Stored;
    }
    Unknowns.push_back({AbsAtLambda, MissingValue});
    return Result::NoFit;
}

bool TBeerSeries::SpectrumFinished()
{
    if (measuring_ != Measure::Spectrum)
        return false;
    measuring_ = Measure::None;
    return true;
}

void TBeerSeries::GivenUp()
{
    measuring_ = Measure::None;
    measuredRow_ = -1;
}

// ---- corrections --------------------------------------------------------------------

bool TBeerSeries::UndoStandard(int row, int col)
{
    if (StandardCount() < 1 || col != 0 || row < 2 || row >= StandardCount() + 2)
        return false;
    Standards.erase(Standards.begin() + (row - 2));
    Sauve = false;
    Changed();
    return true;
}

bool TBeerSeries::UndoUnknown(int j)
{
    if (!spectro_.Actif || j < 0 || j >= UnknownCount())
        return false;
    Unknowns.erase(Unknowns.begin() + j);
    return true;
}

void TBeerSeries::Reset()
{
    if (!Standards.empty())
        Sauve = false;
    Standards.clear();
    Unknowns.clear();
    SpectrumGraph.PointCount = 0;
    Changed();
}

void TBeerSeries::SortForSave()
{
    std::stable_sort(Standards.begin(), Standards.end(),
                     [](const BeerStandard &a, const BeerStandard &b) { return a.Conc < b.Conc; });
    Changed();
}

void TBeerSeries::ApplyOptions()
{
    BeerGraph.WorldX.Name = spectro_.Nom;
    BeerGraph.WorldX.Unit = spectro_.Unite;
    BeerGraph.WorldX.LongName = spectro_.Signif;
    BeerGraph.WorldX.Min = spectro_.Mini;
    BeerGraph.WorldX.Max = spectro_.Maxi;
    Refit();
}

// ---- scales ---------------------------------------------------------------------------

void TBeerSeries::PreparePlot()
{
    Tmonde &x = BeerGraph.WorldX, &y = BeerGraph.WorldY;
    if (StandardCount() == 0) {
        y.Max = 1.0;
        return;
    }
    double t = 1.05 * BeerGraph.MaxY();
    if (t < 0.1)
        t = 1.0;
    if (y.Max < t)
        y.Max = t;
    if (!spectro_.Actif)
        return;
    double aMax = 0, cMax = 0;
    for (const BeerUnknown &u : Unknowns) {
        aMax = std::max(aMax, u.Abs);
        if (u.Conc != MissingValue)
            cMax = std::max(cMax, u.Conc);
    }
    if (aMax < 0.01)
        aMax = 0.1;
    if (x.Max < cMax)
        x.Max = cMax;
    if (y.Max < aMax)
        y.Max = aMax;
}

void TBeerSeries::ZoomChanged(bool down)
{
    if (down && StandardCount() >= 2)
        BeerGraph.WorldY.Max = AutoTop(BeerGraph.MaxY(), spectro_.AbsMax);
    else
        BeerGraph.WorldY.Max = spectro_.AbsMax;
}

void TBeerSeries::Restore(std::vector<BeerStandard> standards, std::vector<BeerUnknown> unknowns,
                          const std::string &nom, const std::string &unite, const std::string &signif, double mini,
                          double maxi)
{
    measuring_ = Measure::None;
    if (standards.size() > std::size_t(Capacity))
        standards.resize(Capacity);
    if (unknowns.size() > std::size_t(Capacity))
        unknowns.resize(Capacity);
    Standards = std::move(standards);
    Unknowns = std::move(unknowns);
    BeerGraph.WorldX.Name = nom;
    BeerGraph.WorldX.Unit = unite;
    BeerGraph.WorldX.LongName = signif;
    if (maxi > mini) {
        BeerGraph.WorldX.Min = mini;
        BeerGraph.WorldX.Max = maxi;
    }
    Sauve = Standards.empty();
    Changed();
}

void TBeerSeries::FollowInstrumentRange()
{
    SpectrumGraph.WorldX.Min = spectro_.LambdaMin;
    SpectrumGraph.WorldX.Max = spectro_.LambdaMax;
}

} // namespace vandoral

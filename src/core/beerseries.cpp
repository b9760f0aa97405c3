#include "beerseries.h"

#include "driver.h"
#include "instrument.h"
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

TBeerSeries::TBeerSeries(const TspectroVandoral &spectro, TInstrument &instrument)
    : spectro_(spectro), instrument_(instrument)
{
    BeerGraph.WorldX.Name = spectro.Nom;
    BeerGraph.WorldX.Unit = spectro.Unite;
    BeerGraph.WorldX.LongName = spectro.Signif;
    BeerGraph.WorldY.Name = "A";
    BeerGraph.WorldY.LongName = "Absorbance";
    BeerGraph.DrawMode = 2;
    BeerGraph.SetWorld(spectro.Mini, 0, spectro.Maxi, spectro.AbsMax);
    Data.YAxis = AbsorbanceAxis;
    BeerGraph.Source = &Data;
    SetUpSpectrumGraph(SpectrumGraph, LastScan, &spectro);
    SpectrumGraph.LabelY = false;
    Changed();
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

SpaceAction TBeerSeries::SpaceBar() const
{
    return SpaceBar(instrument_.IsBusy());
}

bool TBeerSeries::Busy() const
{
    return measuring_ != Measure::None || instrument_.IsBusy();
}

void TBeerSeries::Fire(SessionEvent e, int value)
{
    if (OnEvent)
        OnEvent(e, value);
}

// ---- the list changed ---------------------------------------------------------

void TBeerSeries::Changed()
{
    Data.Clear();
    for (const BeerStandard &s : Standards)
        Data.Append(s.Conc, s.Abs);
    const Tmonde &x = BeerGraph.WorldX;
    Data.XAxis = {x.Name, x.Unit, x.LongName};
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
        Stats = ComputeBeerStats(Data.X.data(), Data.A.data(), Data.Count());
    if (!ShowsFit())
        return;
    const BeerFit fit = FitThroughOrigin(Data.X.data(), Data.A.data(), Data.Count());
    Slope = fit.Slope;
    for (BeerUnknown &u : Unknowns)
        u.Conc = Slope == MissingValue ? MissingValue : u.Abs / Slope;
    PrecisionText = vandoral::PrecisionText(fit);
}

UnknownEstimate TBeerSeries::Estimate(const BeerUnknown &u) const
{
    if (!Stats || !HasLine())
        return {u.Conc, std::nullopt};
    UnknownEstimate e = EstimateUnknown(*Stats, u.Abs, spectro_.AbsMax);
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

TBeerSeries::Entry TBeerSeries::CheckEntry(int i, const std::string &text, double &conc) const
{
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

bool TBeerSeries::StartBlank()
{
    if (Busy())
        return false;
    if (!Reachable(instrument_) || !instrument_.SetRef([this] { BlankEnded(); }, [this] { GivenUp(); }))
        return false;
    blankAgain_ = true;
    measuring_ = Measure::Blank;
    LastScan.Clear();
    return true;
}

void TBeerSeries::BlankEnded()
{
    if (measuring_ != Measure::Blank)
        return;
    // Switched off and on since: control taken again, the blank asked again.
    if (blankAgain_) {
        blankAgain_ = false;
        if (BlankAgainUnderControl(instrument_, [this] { BlankEnded(); }, [this] { GivenUp(); }))
            return;
    }
    measuring_ = Measure::None;
    // A blank the instrument refused is not a reference.
    BlancFait = instrument_.StatusWasOk();
    Fire(SessionEvent::BlankEnded);
}

bool TBeerSeries::StartScan(Measure kind, int lambda)
{
    if (Busy() || !Reachable(instrument_))
        return false;
    if (!instrument_.Scan([this](std::int32_t l, double a) { ScanPoint(l, a); }, [this] { ScanEnded(); },
                          [this] { GivenUp(); }))
        return false;
    measuring_ = kind;
    measuredLambda_ = lambda;
    SpectrumMode = kind == Measure::Spectrum;
    LastScan.Clear();
    // A scan that never reaches the wavelength cannot give an old value.
    if (!SpectrumMode)
        AbsAtLambda = MissingValue;
    return true;
}

bool TBeerSeries::MeasureStandard(int index, double conc)
{
    if (index < 0 || Busy())
        return false;
    if (!StartScan(Measure::Standard, spectro_.LambdaBeer))
        return false;
    measuredIndex_ = index;
    measuredConc_ = conc;
    return true;
}

TBeerSeries::UnknownStart TBeerSeries::MeasureUnknown()
{
    if (!CanMeasureUnknown() || Busy())
        return UnknownStart::NotNow;
    if (UnknownCount() >= Capacity)
        return UnknownStart::ListFull;
    return StartScan(Measure::Unknown, spectro_.LambdaBeer) ? UnknownStart::Started : UnknownStart::Refused;
}

bool TBeerSeries::MeasureSpectrum()
{
    return StartScan(Measure::Spectrum, spectro_.LambdaBeer);
}

bool TBeerSeries::ScanPoint(std::int32_t lambda, double a)
{
    const int n = LastScan.Count();
    if (lambda == measuredLambda_)
        AbsAtLambda = a;
    if (n < GraphCapacity)
        LastScan.Append(lambda, a);
    if (n == 0)
        Fire(SessionEvent::Value, 0);
    return n == 0;
}

void TBeerSeries::ScanEnded()
{
    // Refused by an instrument switched off and on meanwhile: its blank is
    // gone, a new one is needed before any value.
    if (RefusedAsRestarted(instrument_))
        BlancFait = false;
    Outcome o;
    o.Kind = measuring_;
    switch (measuring_) {
    case Measure::Standard: o.What = StandardMeasured(o.Index); break;
    case Measure::Unknown:
        o.What = UnknownMeasured();
        o.Index = UnknownCount() - 1;
        break;
    case Measure::Spectrum:
        measuring_ = Measure::None;
        o.What = Result::Stored;
        break;
    case Measure::None:
    case Measure::Blank: return; // not a scan of this series
    }
    outcome_ = o;
    Fire(SessionEvent::Ended, int(o.What));
}

TBeerSeries::Result TBeerSeries::StandardMeasured(int &index)
{
    if (measuring_ != Measure::Standard)
        return Result::NotMine;
    measuring_ = Measure::None;
    index = measuredIndex_;
    measuredIndex_ = -1;
    if (index < 0)
        return Result::NoRow;
    // A reading that failed changes nothing of the standard.
    if (AbsAtLambda == MissingValue)
        return Result::Unreadable;
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

void TBeerSeries::GivenUp()
{
    if (measuring_ == Measure::None)
        return;
    measuring_ = Measure::None;
    measuredIndex_ = -1;
    Fire(SessionEvent::GivenUp);
}

// ---- corrections --------------------------------------------------------------------

std::string TBeerSeries::RemeasureQuestion(int index) const
{
    return "Remesurer l'absorbance de l'\xE9talon " + std::to_string(index + 1) + " ?";
}

bool TBeerSeries::CorrectConcentration(int index, double conc)
{
    if (!Corrects(index) || conc == MissingValue || Busy())
        return false;
    Standards[std::size_t(index)].Conc = conc;
    Sauve = false;
    Changed();
    return true;
}

bool TBeerSeries::CanUndoUnknown(int j) const
{
    return spectro_.Actif && j >= 0 && j < UnknownCount();
}

bool TBeerSeries::UndoStandard(int index)
{
    if (!CanUndoStandard(index))
        return false;
    Standards.erase(Standards.begin() + index);
    Sauve = false;
    Changed();
    return true;
}

bool TBeerSeries::UndoUnknown(int j)
{
    if (!CanUndoUnknown(j))
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
    LastScan.Clear();
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
    Changed();
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

void TBeerSeries::Load(const TDataSeries &data, const std::vector<FileRequest::Unknown> &fileUnknowns)
{
    std::vector<BeerStandard> standards;
    std::vector<BeerUnknown> unknowns;
    double top = BeerGraph.WorldX.Max;
    for (int i = 0; i < data.Count(); ++i) {
        standards.push_back({data.X[std::size_t(i)], data.A[std::size_t(i)]});
        top = std::max(top, 1.1 * data.X[std::size_t(i)]);
    }
    for (const FileRequest::Unknown &u : fileUnknowns) {
        unknowns.push_back({u.abs, u.conc});
        if (u.conc != MissingValue)
            top = std::max(top, 1.1 * u.conc);
    }
    Restore(std::move(standards), std::move(unknowns), data.XAxis.Name, data.XAxis.Unit, data.XAxis.LongName,
            std::min(0.0, BeerGraph.WorldX.Min), top);
    Sauve = true;
}

void TBeerSeries::FollowInstrumentRange()
{
    SpectrumGraph.WorldX.Min = spectro_.LambdaMin;
    SpectrumGraph.WorldX.Max = spectro_.LambdaMax;
}

} // namespace vandoral

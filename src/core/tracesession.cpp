#include "tracesession.h"

#include "instrument.h"
#include "modeshared.h"
#include "numtext.h"

#include <algorithm>

namespace vandoral {

TTraceSession::TTraceSession(TInstrument &instrument, const TspectroVandoral *settings) : instrument_(instrument)
{
    SetUpSpectrumGraph(Graphe, Spectrum, settings);
}

bool TTraceSession::Busy() const
{
    return instrument_.IsBusy();
}

bool TTraceSession::CanBlank() const
{
    // A line that went away is looked for again by the blank or scan itself.
    return CanBlank(instrument_.IsControlled() || instrument_.LineLost(), instrument_.IsBusy());
}

bool TTraceSession::CanScan() const
{
    return CanScan(instrument_.IsControlled() || instrument_.LineLost(), instrument_.IsBusy());
}


SpaceAction TTraceSession::SpaceBar(bool controlled, bool busy) const
{
    if (CanScan(controlled, busy))
        return SpaceAction::Measure;
    return CanBlank(controlled, busy) ? SpaceAction::Blank : SpaceAction::None;
}

SpaceAction TTraceSession::SpaceBar() const
{
    return SpaceBar(instrument_.IsControlled() || instrument_.LineLost(), instrument_.IsBusy());
}

void TTraceSession::Fire(SessionEvent e, int value)
{
    if (OnEvent)
        OnEvent(e, value);
}

bool TTraceSession::StartBlank()
{
    if (!Reachable(instrument_) || !instrument_.SetRef([this] { BlankDone(); }, [this] { Lost(); }))
        return false;
    blankAgain_ = true;
    pending_ = Pending::Blank;
    BlankStarted();
    return true;
}

void TTraceSession::BlankDone()
{
    // Switched off and on since: control taken again, the blank asked again.
    if (blankAgain_) {
        blankAgain_ = false;
        if (BlankAgainUnderControl(instrument_, [this] { BlankDone(); }, [this] { Lost(); }))
            return;
    }
    pending_ = Pending::None;
    // A blank the instrument refused is not a reference.
    BlancFait = instrument_.StatusWasOk();
    Fire(SessionEvent::BlankEnded);
}

void TTraceSession::Lost()
{
    pending_ = Pending::None;
    Fire(SessionEvent::GivenUp);
}

bool TTraceSession::StartScan(double lambdaMin, double lambdaMax)
{
    if (!Reachable(instrument_))
        return false;
    const bool taken = instrument_.Scan(
        [this](std::int32_t index, double a) { ValeurRecue(index, a); },
        [this] {
            pending_ = Pending::None;
            // Refused by an instrument switched off and on meanwhile: its
            // blank is gone, a new one is needed before any value.
            if (RefusedAsRestarted(instrument_))
                BlancFait = false;
            Fire(SessionEvent::Ended);
        },
        [this] { Lost(); }); // what arrived before the silence stays, saveable
    if (!taken)
        return false;
    pending_ = Pending::Scan;
    ScanStarted(lambdaMin, lambdaMax);
    return true;
}

void TTraceSession::ValeurRecue(std::int32_t index, double absorbance)
{
    ++received_;
    const int n = Spectrum.Count();
    switch (AddValue(index, absorbance)) {
    case Stored::Dropped: break;
    case Stored::Kept: Fire(SessionEvent::Value, n); break;
    case Stored::TopRaised: Fire(SessionEvent::Redraw); break;
    }
}

long long TTraceSession::Readable() const
{
    return Spectrum.Readable();
}

void TTraceSession::BlankStarted()
{
    Spectrum.Clear();
    truncated_ = false;
}

void TTraceSession::ScanStarted(double lambdaMin, double lambdaMax)
{
    Graphe.WorldX.Min = lambdaMin;
    Graphe.WorldX.Max = lambdaMax;
    Spectrum.Clear();
    received_ = 0;
    truncated_ = false;
}

void TTraceSession::Discard()
{
    Spectrum.Clear();
    truncated_ = false;
    Sauve = false;
}

TTraceSession::Stored TTraceSession::AddValue(std::int32_t index, double absorbance)
{
    // The first values are kept; the cut is said when the scan ends.
    if (Spectrum.Count() >= GraphCapacity) {
        truncated_ = true;
        return Stored::Dropped;
    }
    Spectrum.Append(index, absorbance);
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
    FullRange(lambdaMin, lambdaMax);
    Graphe.WorldY.Max = absMax;
    Graphe.WorldX.Max = lambdaMax;
    Graphe.WorldX.Min = lambdaMin;
}

TTraceSession::Reading TTraceSession::ReadAt(double lambda, double aUnderMouse) const
{
    const int count = Spectrum.Count();
    const std::vector<double> &x = Spectrum.X, &y = Spectrum.A;
    // A spectrum opened from a file may run downwards.
    if (count == 0)
        return {aUnderMouse, false, false};
    const bool up = x[count - 1] >= x[0];
    if (!(std::min(x[0], x[count - 1]) <= lambda && lambda <= std::max(x[0], x[count - 1])))
        return {aUnderMouse, false, false};
    int i = 0;
    while (i < count - 1 && (up ? x[i] < lambda : x[i] > lambda))
        ++i;
    if (i == 0 || x[i] == x[i - 1])
        return {y[i], y[i] != MissingValue, y[i] == MissingValue};
    if (y[i] == MissingValue || y[i - 1] == MissingValue)
        return {aUnderMouse, false, true}; // no value to read there
    const double a = y[i] + (lambda - x[i]) * (y[i] - y[i - 1]) / (x[i] - x[i - 1]);
    return {a, true, false};
}

void TTraceSession::Restore(std::int32_t lambda0, const std::vector<double> &values)
{
    ScanStarted(Graphe.WorldX.Min, Graphe.WorldX.Max);
    for (std::size_t i = 0; i < values.size(); ++i)
        AddValue(lambda0 + std::int32_t(i), values[i]);
    Sauve = false;
}

std::vector<Peak> TTraceSession::Peaks() const
{
    return FindPeaks(Spectrum.X.data(), Spectrum.A.data(), Spectrum.Count());
}

void TTraceSession::DrawPeaks()
{
    TCanvas *c = Graphe.Canvas;
    if (!c)
        return;
    const int m = Graphe.Margin;
    c->SetPenStyle(PenStyle::Solid);
    c->SetPenMode(PenMode::Copy);
    c->SetPenWidth(Graphe.CurvePen);
    c->SetPenColor(clBlack);
    c->SetFontColor(clBlack);
    for (const Peak &p : Peaks()) {
        int px, py;
        Graphe.WorldToPixel(p.Lambda, p.A, px, py);
        if (px == -1 || py == -1 || px < Graphe.PlotRect.Left || px > Graphe.PlotRect.Right)
            continue;
        c->MoveTo(px, py - m);
        c->LineTo(px, py - 3 * m);
        const std::string label = GeneralFormat(p.Lambda, 7, 0, Formats().decimalSeparator);
        const int top = std::max(Graphe.Bounds.Top, py - 3 * m - Graphe.CharHeight);
        c->TextOut(px - c->TextWidth(label) / 2, top, label);
    }
    c->Flush();
}

void TTraceSession::Load(const TDataSeries &spectrum)
{
    Spectrum.Clear();
    const int n = std::min(spectrum.Count(), GraphCapacity);
    for (int i = 0; i < n; ++i)
        Spectrum.Append(spectrum.X[std::size_t(i)], spectrum.A[std::size_t(i)]);
    received_ = n;
    truncated_ = false;
    Sauve = true;
    double lo = Graphe.WorldX.Min, hi = Graphe.WorldX.Max, top = Graphe.WorldY.Max;
    FullRange(lo, hi);
    for (double a : Spectrum.A)
        if (a != MissingValue && a > top)
            top = 1.05 * a;
    Graphe.SetWorld(lo, Graphe.WorldY.Min, hi, top);
}

void TTraceSession::FullRange(double &lambdaMin, double &lambdaMax) const
{
    auto widen = [&](const std::vector<double> &xs) {
        for (double x : xs) {
            lambdaMin = std::min(lambdaMin, x);
            lambdaMax = std::max(lambdaMax, x);
        }
    };
    widen(Spectrum.X);
    for (const Reference &r : references_)
        widen(r.X);
}

TTraceSession::Keep TTraceSession::KeepReference(const std::string &legend)
{
    return AddReference(Spectrum, legend);
}

TTraceSession::Keep TTraceSession::AddReference(const TDataSeries &spectrum, const std::string &legend)
{
    if (spectrum.Empty())
        return Keep::NoSpectrum;
    if (references_.size() >= MaxReferences)
        return Keep::Full;
    // Muted colours, each its own, all lighter than the live curve's blue.
    static constexpr TColor Palette[MaxReferences] = {
        RGBColor(150, 150, 150), RGBColor(196, 150, 110), RGBColor(130, 175, 130), RGBColor(185, 135, 170),
        RGBColor(120, 170, 185), RGBColor(200, 175, 90),  RGBColor(160, 145, 205), RGBColor(205, 130, 130)};
    Reference r;
    r.X = spectrum.X;
    r.Y = spectrum.A;
    r.Legend = Cut(legend, ShortTextLimit * 2);
    r.Color = Palette[references_.size()];
    references_.push_back(std::move(r));
    return Keep::Kept;
}

void TTraceSession::DrawReferences()
{
    TCanvas *c = Graphe.Canvas;
    if (!c || references_.empty())
        return;
    c->SetPenStyle(PenStyle::Solid);
    c->SetPenMode(PenMode::Copy);
    c->SetPenWidth(Graphe.CurvePen);
    for (const Reference &r : references_) {
        c->SetPenColor(r.Color);
        Graphe.DrawPath(r.X.data(), r.Y.data(), int(r.X.size()));
    }
    // The legend, in the plot's upper right corner: a stroke of each
    // colour and its text.
    int widest = 0;
    for (const Reference &r : references_)
        widest = std::max(widest, c->TextWidth(r.Legend));
    const int cw = Graphe.CharWidth, ch = Graphe.CharHeight;
    const int x = Graphe.PlotRect.Right - widest - 4 * cw;
    int y = Graphe.PlotRect.Top + Graphe.Margin;
    c->SetFontColor(clBlack);
    for (const Reference &r : references_) {
        c->SetPenColor(r.Color);
        c->SetPenWidth(3 * Graphe.CurvePen);
        c->MoveTo(x, y + ch / 2);
        c->LineTo(x + 2 * cw, y + ch / 2);
        c->TextOut(x + 3 * cw, y, r.Legend);
        y += ch;
    }
    c->Flush();
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

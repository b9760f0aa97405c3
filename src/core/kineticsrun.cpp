#include "kineticsrun.h"

#include "driver.h"
#include "instrument.h"
#include "numtext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vandoral {

std::string DurationText(std::int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    const std::int64_t h = seconds / 3600, m = (seconds - 3600 * h) / 60, s = seconds % 60;
    char text[72];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(h), static_cast<long long>(m),
                  static_cast<long long>(s));
    return text;
}

TCinetiqueRun::TCinetiqueRun(const TspectroVandoral &spectro, TInstrument &instrument, Clock clock)
    : instrument_(instrument), spectro_(spectro), clock_(std::move(clock))
{
    GrapheCinetique.DrawMode = 3;
    GrapheCinetique.WorldX.Name = "t";
    GrapheCinetique.WorldX.Unit = "s";
    GrapheCinetique.WorldX.LongName = "temps";
    GrapheCinetique.WorldY.Name = "A";
    GrapheCinetique.WorldY.LongName = "Absorbance";
    GrapheCinetique.SetWorld(0, 0, spectro.Duree(), spectro.AbsMax);
    Points.XAxis = {"t", "s", "temps"};
    Points.YAxis = AbsorbanceAxis;
    GrapheCinetique.Source = &Points;
    SetUpSpectrumGraph(GrapheSpectre, LastScan, &spectro);
    GrapheSpectre.LabelY = false;
    interval_ = spectro.Deltat;
}

// ---- what may be done -------------------------------------------------------

bool TCinetiqueRun::CanSpectre(bool c) const
{
    return c && BlancFait && (Etat == EtatCinetique::Arrete || Etat == EtatCinetique::Pret);
}

bool TCinetiqueRun::CanBlank(bool c) const
{
    return c && Etat != EtatCinetique::Acquisition && Etat != EtatCinetique::Spectre
           && pending_ == Operation::None;
}

bool TCinetiqueRun::CanReset(bool c) const
{
    return c && (Etat == EtatCinetique::Arrete || Etat == EtatCinetique::Pret);
}

bool TCinetiqueRun::CanSave() const
{
    // A run brought back, or cut by a loss of the instrument, is saveable
    // whatever its number of points.
    return Etat == EtatCinetique::Arrete && (Points.Count() >= 4 || ((recovered_ || lossSeen_) && !Points.Empty()));
}

bool TCinetiqueRun::WavelengthsEditable() const
{
    // A finished run keeps its wavelengths while a single spectrum is taken:
    // the saved columns are the run's.
    if (Etat == EtatCinetique::Spectre)
        return etatAvantSpectre_ != EtatCinetique::Arrete;
    return Etat != EtatCinetique::Acquisition && Etat != EtatCinetique::Arrete;
}

SpaceAction TCinetiqueRun::SpaceBar(bool c) const
{
    if (CanStart(c))
        return SpaceAction::Measure;
    // Never a blank over a run's unsaved points: the sample is in the cuvette.
    return CanBlank(c) && !AsksSave() ? SpaceAction::Blank : SpaceAction::None;
}

bool TCinetiqueRun::CatchUpDue() const
{
    return TopManque && Etat == EtatCinetique::Acquisition && pending_ == Operation::None && !instrument_.IsBusy()
           && !instrument_.Exchanging();
}

void TCinetiqueRun::Fire(SessionEvent e, int value)
{
    if (OnEvent)
        OnEvent(e, value);
}

// ---- the measurement cycle ----------------------------------------------------------

bool TCinetiqueRun::StartBlank()
{
    if (!Reachable(instrument_) || !instrument_.SetRef([this] { BlankDone(); }, [this] { GivenUp(); }))
        return false;
    blankAgain_ = true;
    BlankStarted();
    return true;
}

void TCinetiqueRun::BlankDone()
{
    // Switched off and on since: control taken again, the blank asked again.
    if (blankAgain_) {
        blankAgain_ = false;
        if (BlankAgainUnderControl(instrument_, [this] { BlankDone(); }, [this] { GivenUp(); }))
            return;
    }
    BlankEnded(instrument_.StatusWasOk());
    Fire(SessionEvent::BlankEnded);
}

bool TCinetiqueRun::TakePoint()
{
    if (Etat != EtatCinetique::Acquisition || !BeginPoint(instrument_.IsBusy()))
        return false;
    if (!instrument_.Scan([this](std::int32_t l, double a) { ValeurRecue(l, a); }, [this] { ScanDone(); },
                          [this] { GivenUp(); })) {
        PointRefused(); // caught up once the line is free
        return false;
    }
    return true;
}

void TCinetiqueRun::TimerFired()
{
    // A tick that was already on its way when the pacing stopped takes nothing.
    if (!TimerRunning())
        return;
    Tick();
    Fire(SessionEvent::Pace);
    if (!lost_ && Now() >= backAt_ + SettleSeconds) {
        TakePoint();
        return;
    }
    // The instrument is away, or just back: this point is a gap on the
    // schedule, and the instrument is asked whether it answers.
    MissingPoint(std::floor(Elapsed()));
    if (lost_ && Etat == EtatCinetique::Acquisition && instrument_.Answers()) {
        lost_ = false;
        backAt_ = Now();
        // A line that had gone took the control with it: taken again (an
        // instrument switched off and on shows itself at the next scan).
        if (!instrument_.IsControlled())
            instrument_.TakeControlAgain();
        Fire(SessionEvent::Found);
    }
}

bool TCinetiqueRun::RecordPoint(double t, double a, double a2)
{
    const bool stored = Points.Count() < GraphCapacity;
    if (stored) {
        Points.Append(t, a, a2);
        lastPoint_ = {true, Points.Count() - 1, true, false};
    }
    if (!stored || Points.Count() > spectro_.Nombre || ArretDemande)
        SetEtat(EtatCinetique::Arrete);
    ArretDemande = false;
    return stored;
}

void TCinetiqueRun::MissingPoint(double t)
{
    if (Etat == EtatCinetique::Acquisition && RecordPoint(t, MissingValue, MissingValue))
        Fire(SessionEvent::Ended, lastPoint_.index);
}

void TCinetiqueRun::CatchUp()
{
    if (CatchUpDue())
        TakePoint();
}

bool TCinetiqueRun::StartSpectrum()
{
    if (!Reachable(instrument_)
        || !instrument_.Scan([this](std::int32_t l, double a) { ValeurRecue(l, a); }, [this] { ScanDone(); },
                             [this] { GivenUp(); }))
        return false;
    SpectreStarted();
    return true;
}

void TCinetiqueRun::ScanDone()
{
    if (pending_ == Operation::Spectrum) {
        if (SpectreTermine())
            Fire(SessionEvent::Ended, -1);
        return;
    }
    if (pending_ == Operation::Point && RefusedAsRestarted(instrument_)) {
        // Switched off and on (after a loss, or between two points): its
        // blank is gone. Nothing of this scan is kept, and the run ends with
        // the points taken before.
        pending_ = Operation::None;
        restarted_ = true;
        BlancFait = false;
        SetEtat(EtatCinetique::Arrete);
        Fire(SessionEvent::Restarted);
        return;
    }
    const PointEnd end = PointTermine();
    if (!end.ended)
        return;
    lastPoint_ = end;
    Fire(SessionEvent::Ended, end.index);
    // The missed tick now, and the pace from there.
    if (end.catchUp) {
        Fire(SessionEvent::Pace);
        TakePoint();
    }
}

bool TCinetiqueRun::AsksSave() const
{
    return CanSave() && !Sauve;
}

void TCinetiqueRun::Discard()
{
    Reset();
    Sauve = false;
}

// ---- states ---------------------------------------------------------------------

bool TCinetiqueRun::SetEtat(EtatCinetique e)
{
    // A single scan of the spectrum panel keeps the run's figures.
    if (e != EtatCinetique::Spectre)
        figures_.clear();
    Etat = e;
    if (e != EtatCinetique::Arrete)
        return false;
    ComputeFigures();
    // A finished run: the vertical range fitted to its first curve.
    double top = spectro_.AbsMax;
    if (Points.Count() >= 4) {
        top = 0;
        for (double a : Points.A)
            if (a != MissingValue)
                top = std::max(top, a);
    }
    if (top < 1.0)
        top = 1.0;
    GrapheCinetique.SetWorld(0, 0, spectro_.Duree(), top);
    return true;
}

void TCinetiqueRun::BlankStarted()
{
    restarted_ = false;
    recovered_ = false;
    pending_ = Operation::Blank;
    Points.Clear();
    ArretDemande = false;
    BlancFait = false;
    GrapheCinetique.WorldX.Max = spectro_.Duree();
    GrapheCinetique.WorldY.Max = spectro_.AbsMax;
    GrapheSpectre.WorldY.Max = spectro_.AbsMax;
}

void TCinetiqueRun::BlankEnded(bool ok)
{
    pending_ = Operation::None;
    BlancFait = ok;
    SetEtat(EtatCinetique::Pret);
}

// ---- the run ----------------------------------------------------------------------

bool TCinetiqueRun::Start()
{
    // An instrument whose line went away is looked for again first.
    if (!Reachable(instrument_))
        return false;
    recovered_ = false;
    Sauve = false;
    Points.Clear();
    Points.Two = LambdaBisSuivie;
    ArretDemande = false;
    TopManque = false;
    GrapheCinetique.Curve2Visible = LambdaBisSuivie;
    GrapheCinetique.Curve1.Color = LambdaColor(spectro_.Lambda);
    GrapheCinetique.Curve2.Color = LambdaColor(spectro_.LambdaBis);
    runLambda_ = spectro_.Lambda;
    runLambdaBis_ = spectro_.LambdaBis;
    // From the full range, not the previous run's: later points widen it.
    GrapheCinetique.SetWorld(0, 0, spectro_.Duree(), spectro_.AbsMax);
    debut_ = Now();
    interval_ = spectro_.Deltat;
    nextTick_ = debut_ + interval_;
    firstPoint_ = true;
    pacingStopped_ = false;
    lost_ = restarted_ = lossSeen_ = false;
    backAt_ = -1e300;
    SetEtat(EtatCinetique::Acquisition);
    TakePoint();
    return true;
}

bool TCinetiqueRun::BeginPoint(bool busy)
{
    TopManque = busy;
    if (busy)
        return false; // caught up when the current point ends
    // The run's time starts with its first scan: that point is at 0 s, and
    // the ticks are counted from it.
    if (firstPoint_) {
        firstPoint_ = false;
        debut_ = Now();
        nextTick_ = debut_ + interval_;
    }
    TempsPoint = Elapsed();
    LastScan.Clear();
    // No value of an earlier point may stand for this one's.
    pointA_ = pointA2_ = MissingValue;
    pending_ = Operation::Point;
    return true;
}

void TCinetiqueRun::PointRefused()
{
    pending_ = Operation::None;
    TopManque = true;
}

bool TCinetiqueRun::ValeurRecue(std::int32_t lambda, double a)
{
    const int n = LastScan.Count();
    if (n == 0)
        Fire(SessionEvent::Value, 0);
    if (n < GraphCapacity)
        LastScan.Append(lambda, a);
    if (pending_ == Operation::Point) {
        if (lambda == spectro_.Lambda)
            pointA_ = a;
        if (lambda == spectro_.LambdaBis)
            pointA2_ = a;
    }
    return n == 0;
}

TCinetiqueRun::PointEnd TCinetiqueRun::PointTermine()
{
    PointEnd end;
    if (pending_ != Operation::Point)
        return end;
    pending_ = Operation::None;
    end.ended = true;
    end.index = Points.Count();
    // Whole seconds of the full elapsed time, taken at the start of the
    // point's scan: past 24 hours the stamps go on.
    end.drawn = RecordPoint(std::floor(TempsPoint), pointA_, pointA2_);
    if (end.drawn && TopManque && Etat == EtatCinetique::Acquisition) {
        // The missed tick now, and a second more between the ticks from here.
        end.catchUp = true;
        interval_ += 1;
        nextTick_ = Now() + interval_;
    }
    return end;
}

bool TCinetiqueRun::Stop()
{
    if (pending_ != Operation::Point) {
        SetEtat(EtatCinetique::Arrete);
        return true;
    }
    ArretDemande = true;
    pacingStopped_ = true;
    return false;
}

void TCinetiqueRun::Reset()
{
    recovered_ = false;
    Points.Clear();
    LastScan.Clear();
    SetEtat(EtatCinetique::Pret);
}

void TCinetiqueRun::SpectreStarted()
{
    // A finished run stays finished, with its save and print.
    etatAvantSpectre_ = Etat == EtatCinetique::Arrete ? EtatCinetique::Arrete : EtatCinetique::Pret;
    pending_ = Operation::Spectrum;
    SetEtat(EtatCinetique::Spectre);
    LastScan.Clear();
}

bool TCinetiqueRun::SpectreTermine()
{
    if (pending_ != Operation::Spectrum)
        return false;
    pending_ = Operation::None;
    SetEtat(etatAvantSpectre_);
    return true;
}

void TCinetiqueRun::GivenUp()
{
    const Operation which = pending_;
    pending_ = Operation::None;
    if (which == Operation::None)
        return;
    switch (which) {
    case Operation::Point: {
        // The run goes on: this point keeps what arrived before the silence
        // (a gap where nothing did), and the instrument is lost until a tick
        // finds it again.
        TopManque = false;
        lost_ = true;
        lossSeen_ = true;
        lostSince_ = TempsPoint;
        const bool stored = RecordPoint(std::floor(TempsPoint), pointA_, pointA2_);
        Fire(SessionEvent::GivenUp);
        if (stored)
            Fire(SessionEvent::Ended, lastPoint_.index);
        return;
    }
    case Operation::Spectrum: SetEtat(etatAvantSpectre_); break;
    default: break;
    }
    Fire(SessionEvent::GivenUp);
}

// ---- pacing -------------------------------------------------------------------------

double TCinetiqueRun::Elapsed() const
{
    return Now() - debut_;
}

double TCinetiqueRun::SecondsToTick() const
{
    return std::max(0.0, nextTick_ - Now());
}

void TCinetiqueRun::Tick()
{
    // One interval after the tick that was due; ticks missed altogether
    // (the machine asleep) are not made up.
    const double now = Now();
    nextTick_ += interval_;
    while (nextTick_ <= now)
        nextTick_ += interval_;
}

void TCinetiqueRun::DeltatChanged()
{
    interval_ = spectro_.Deltat;
    nextTick_ = Now() + interval_;
}

// ---- scales -----------------------------------------------------------------------

void TCinetiqueRun::WidenRange(double &min, double &max) const
{
    auto scan = [&](const std::vector<double> &values) {
        for (double y : values) {
            if (y == MissingValue)
                continue;
            max = std::max(max, y);
            min = std::min(min, y);
        }
    };
    scan(Points.A);
    if (LambdaBisSuivie)
        scan(Points.A2);
}

void TCinetiqueRun::SetRange(double min, double max)
{
    if (max > spectro_.AbsMax)
        max = spectro_.AbsMax;
    if (max < 0.2)
        max = 0.2;
    GrapheCinetique.WorldY.Min = min;
    GrapheCinetique.WorldY.Max = max;
}

void TCinetiqueRun::EtendEchelle()
{
    double max = GrapheCinetique.WorldY.Max, min = GrapheCinetique.WorldY.Min;
    WidenRange(min, max);
    SetRange(min, max);
}

void TCinetiqueRun::EchelleAuto()
{
    double min = 0, max = 0;
    WidenRange(min, max);
    SetRange(min, 1.05 * max);
    const int n = Points.Count();
    GrapheCinetique.WorldX.Max = Points.X[n - 1] + Points.X[1];
}

void TCinetiqueRun::ZoomChanged(bool down)
{
    if (down && Points.Count() > 3) {
        EchelleAuto();
        return;
    }
    for (Tgraphe *g : {&GrapheCinetique, &GrapheSpectre}) {
        g->WorldY.Max = spectro_.AbsMax;
        g->WorldY.Min = 0;
    }
    GrapheCinetique.WorldX.Max = spectro_.Duree();
}

void TCinetiqueRun::PreparePlot()
{
    const int n = Points.Count();
    const double duree = spectro_.Duree();
    // About one interval past the last point, never short of the plan.
    if (n > 4)
        GrapheCinetique.WorldX.Max = std::max(duree, Points.X[n - 1] + Points.X[1]);
    else
        GrapheCinetique.WorldX.Max = duree;
    if (n >= 1)
        EtendEchelle();
}

void TCinetiqueRun::PrepareSpectrumPanel()
{
    GrapheSpectre.WorldY.Min = GrapheCinetique.WorldY.Min;
    GrapheSpectre.WorldY.Max = GrapheCinetique.WorldY.Max;
}

void TCinetiqueRun::Restore(const std::vector<Point> &points, int lambda, int lambdaBis, bool two)
{
    pending_ = Operation::None;
    const std::size_t n = std::min<std::size_t>(points.size(), GraphCapacity);
    Points.Clear();
    for (std::size_t i = 0; i < n; ++i)
        Points.Append(points[i].t, points[i].a, points[i].a2);
    Points.Two = two;
    LambdaBisSuivie = two;
    GrapheCinetique.Curve2Visible = two;
    GrapheCinetique.Curve1.Color = LambdaColor(lambda);
    GrapheCinetique.Curve2.Color = LambdaColor(lambdaBis);
    runLambda_ = lambda;
    runLambdaBis_ = lambdaBis;
    Sauve = false;
    ArretDemande = false;
    TopManque = false;
    recovered_ = n > 0;
    SetEtat(EtatCinetique::Arrete);
}

void TCinetiqueRun::Load(const TDataSeries &data)
{
    std::vector<Point> points;
    for (int i = 0; i < data.Count(); ++i)
        points.push_back({data.X[std::size_t(i)], data.A[std::size_t(i)], data.A2[std::size_t(i)]});
    Restore(points, 0, 0, data.Two);
    GrapheCinetique.Curve1.Color = clBlue;
    GrapheCinetique.Curve2.Color = clRed;
    Sauve = true;
}

void TCinetiqueRun::ComputeFigures()
{
    figures_.clear();
    const Tgraphe &g = GrapheCinetique;
    const int count = Points.Count();
    if (count == 0)
        return;
    const double *curves[2] = {Points.A.data(), g.Curve2Visible ? Points.A2.data() : nullptr};
    const int lambdas[2] = {runLambda_, runLambdaBis_};
    for (int c = 0; c < 2; ++c) {
        if (!curves[c])
            continue;
        CurveFigures f;
        f.Lambda = lambdas[c];
        f.Enough = PresentCount(curves[c], count) >= 5;
        if (f.Enough) {
            f.Fit = FitFirstOrder(Points.X.data(), curves[c], count);
            f.Rate = InitialRate(Points.X.data(), curves[c], count);
        }
        figures_.push_back(f);
    }
}

void TCinetiqueRun::DrawFits()
{
    Tgraphe &g = GrapheCinetique;
    TCanvas *canvas = g.Canvas;
    if (!canvas || figures_.empty() || Points.Count() < 2)
        return;
    const Tcourbe *curves[2] = {&g.Curve1, &g.Curve2};
    const double t0 = Points.X.front(), t1 = Points.X.back();
    canvas->SetPenMode(PenMode::Copy);
    canvas->SetPenStyle(PenStyle::Dot);
    canvas->SetPenWidth(g.CurvePen + 1);
    for (std::size_t c = 0; c < figures_.size(); ++c) {
        if (!figures_[c].Fit)
            continue;
        canvas->SetPenColor(curves[c]->Color);
        constexpr int Steps = 200;
        double t[Steps + 1], a[Steps + 1];
        for (int i = 0; i <= Steps; ++i) {
            t[i] = t0 + (t1 - t0) * i / Steps;
            a[i] = FirstOrderValue(*figures_[c].Fit, t[i]);
        }
        g.DrawPath(t, a, Steps + 1);
    }
    canvas->SetPenStyle(PenStyle::Solid);
    canvas->Flush();
}

void TCinetiqueRun::FollowInstrumentRange()
{
    GrapheSpectre.WorldX.Min = spectro_.LambdaMin;
    GrapheSpectre.WorldX.Max = spectro_.LambdaMax;
}

} // namespace vandoral

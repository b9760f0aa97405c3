// The kinetics mode's data and rules: the states of a run, the blank, the
// start, each point's beginning and end, the pacing of the points and its
// catch-up when a scan outlasts the interval, stop, reset, the single
// spectrum, the time stamps, one or two wavelengths, the saved flag, and the
// scaling rules of the plot and of the spectrum panel. Time comes from an
// injected clock, so the rules run without real time.
#pragma once

#include "analysis.h"
#include "graphker.h"
#include "modeshared.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vandoral {

class TInstrument;
class TspectroVandoral;

// Hours:minutes:seconds of a duration, the hours going on past 24
// ("25:00:00" for 90000 s).
std::string DurationText(std::int64_t seconds);

enum class EtatCinetique : std::uint8_t {
    Initial = 0,
    Acquisition = 1, // a run under way
    Arrete = 2,      // a run finished or stopped, its data kept
    Pret = 3,        // the blank done, ready for a run
    Spectre = 4,     // a single scan for the spectrum panel
};

class TCinetiqueRun {
public:
    // Seconds on any origin; the run measures its times on it.
    using Clock = std::function<double()>;

    // `spectro`: the instrument whose settings (Deltat, Nombre, Lambda,
    // LambdaBis, AbsMax, the wavelength range) the run reads as they stand;
    // `instrument` measures the blank and the points.
    TCinetiqueRun(const TspectroVandoral &spectro, TInstrument &instrument, Clock clock);
    TCinetiqueRun(const TCinetiqueRun &) = delete; // its graphs draw its own series
    TCinetiqueRun &operator=(const TCinetiqueRun &) = delete;

    // The ranges of Δt (seconds) and of the number of intervals.
    static constexpr int DeltatMin = 8, DeltatMax = 60;
    static constexpr int NombreMin = 5, NombreMax = 1500;

    // The window's listener: Value (a scan's first value: 0), BlankEnded,
    // Ended (a point: its index, see LastPoint; the single spectrum: -1),
    // GivenUp, Pace (the next tick is due at a new time: arm the timer),
    // Found and Restarted (the instrument lost during a run is back).
    SessionListener OnEvent;

    // The run's points (time, absorbance at Lambda and at LambdaBis), and the
    // last scan for the spectrum panel; the two graphs draw them.
    TDataSeries Points;
    TDataSeries LastScan;
    Tgraphe GrapheCinetique;
    Tgraphe GrapheSpectre;
    EtatCinetique Etat = EtatCinetique::Initial;
    // The current run's data have been handed over.
    bool Sauve = false;
    // A blank has ended since the last press of the blank button.
    bool BlancFait = false;
    // The user asked to stop while a point was being measured.
    bool ArretDemande = false;
    // A tick fell while the instrument was busy: caught up at the point's end.
    bool TopManque = false;
    // Seconds from the start of the run to the start of the current point.
    double TempsPoint = 0;
    // The second wavelength is followed (its check box).
    bool LambdaBisSuivie = false;

    // What the controls may do now (c: the instrument is under control).
    bool CanStart(bool c) const { return c && BlancFait && Etat == EtatCinetique::Pret; }
    bool CanSpectre(bool c) const;
    bool MarkersMovable(bool c) const { return c && BlancFait && Etat == EtatCinetique::Pret; }
    bool CanBlank(bool c) const;
    bool CanReset(bool c) const;
    bool CanSave() const;
    bool CanStop() const { return Etat == EtatCinetique::Acquisition; }
    bool ShowsRunPanel(bool c) const { return c && Etat == EtatCinetique::Acquisition; }
    bool WavelengthsEditable() const;
    bool ShowsSecondAbs() const { return Etat == EtatCinetique::Acquisition && LambdaBisSuivie; }
    // A run when it may start, else the blank when it may and no unsaved run
    // would be cleared by it.
    SpaceAction SpaceBar(bool c) const;
    // A tick missed while the instrument was busy or a synchronous exchange
    // held the line: the point is to be taken now that the line is free.
    bool CatchUpDue() const;
    // Closing asks "Sauvegarde ?" first; a blank, a reset or a new run asks
    // before clearing such a run.
    bool AsksSave() const;
    // The run's points knowingly discarded: nothing left to save.
    void Discard();
    // A blank, point or single spectrum of this window is under way.
    bool Pending() const { return pending_ != Operation::None; }
    bool PointPending() const { return pending_ == Operation::Point; }

    // The state, with its consequences: a finished run fits the plot's
    // vertical range to its points (true: the plot is to be redrawn).
    bool SetEtat(EtatCinetique e);

    // The measurement cycle. A request the instrument does not take changes
    // nothing and answers false.
    // The blank: the points are cleared and the time axis laid out at the
    // nominal times; it counts only when the instrument answers "E00".
    bool StartBlank();
    // A run starts now, at the instrument's Deltat, Nombre, Lambda and
    // LambdaBis; its first point is taken at once (its time is the run's 0).
    // False, nothing changed, when the instrument's line went away and it
    // does not answer yet.
    bool Start();
    // The pacing timer fired: the tick, then the point (remembered for later
    // when the instrument is busy).
    void TimerFired();
    // The point due now, when the instrument is free: true when its scan was
    // sent.
    bool TakePoint();
    // A missed tick is caught up when it is due (CatchUpDue).
    void CatchUp();
    // The single spectrum for the panel.
    bool StartSpectrum();

    struct PointEnd {
        bool ended = false;   // a point of this run ended (else: ignore)
        int index = 0;        // the point's index in the graph
        bool drawn = false;   // the point was stored and is to be drawn
        bool catchUp = false; // the next point began at once
    };
    // The last point to end.
    const PointEnd &LastPoint() const { return lastPoint_; }

    // A run goes on through a loss of the instrument (silence, or its line
    // gone): each point due while it is away is a missing value at its time
    // on the schedule, and each tick asks whether it answers again; the
    // points due from SettleSeconds after its return are measured. One
    // switched off and on (it refuses a point's scan as not under control,
    // E92, or as calibrating, E91 or E98) has lost its blank: the run
    // ends there, nothing measured after the return kept.
    static constexpr double SettleSeconds = 15;
    bool Lost() const { return lost_; }
    // Seconds of the run when the instrument was lost.
    double LostSince() const { return lostSince_; }
    bool Restarted() const { return restarted_; }

    // Stop: true when the run ended at once, false when the point under way
    // must end first (the pacing stops now).
    bool Stop();
    void Reset();

    // The pacing: the ticks run while a run is under way and no stop waits.
    bool TimerRunning() const { return Etat == EtatCinetique::Acquisition && !pacingStopped_; }
    // Seconds on the clock until the next tick (0 when it is already due).
    double SecondsToTick() const;
    // The tick has come: the next one is due one interval later.
    void Tick();
    // The interval between two ticks, in seconds: Deltat, plus one second
    // each time a scan outlasted it.
    double Interval() const { return interval_; }
    // Deltat changed: the interval is Deltat again, counted from now.
    void DeltatChanged();
    // Seconds since the start of the run.
    double Elapsed() const;

    // The plot's scaling rules: the vertical range only grows from where it
    // is (EtendEchelle); "Auto" down with more than 3 points fits it to the
    // points, else the full scale; before each drawing, the time axis.
    void EtendEchelle();
    void ZoomChanged(bool down);
    void PreparePlot();
    // The spectrum panel's vertical range follows the plot's.
    void PrepareSpectrumPanel();
    // The instrument's wavelength range for the spectrum panel.
    void FollowInstrumentRange();

    struct Point {
        double t, a, a2;
    };
    // A finished run brought back (from the crash journal): its points, at
    // the wavelengths it followed, unsaved, and saveable whatever their
    // number; no measurement is resumed.
    void Restore(const std::vector<Point> &points, int lambda, int lambdaBis, bool two);
    // A run opened from a file: shown as a finished run, counting as saved.
    // A file does not tell the wavelengths: the curves take the plot's blue
    // and red, and the figures name them A and A2.
    void Load(const TDataSeries &points);

    // The figures of a finished run, for each curve with at least 5 points:
    // the first-order fit (none when not recognisable) and the initial rate.
    struct CurveFigures {
        bool Enough = false;
        int Lambda = 0;
        std::optional<FirstOrderFit> Fit;
        std::optional<double> Rate;
    };
    // Empty while no finished run is shown; else one entry per curve.
    const std::vector<CurveFigures> &Figures() const { return figures_; }
    // The fitted curves over the points, each in its curve's colour, on the
    // run graph's canvas.
    void DrawFits();

private:
    enum class Operation { None, Blank, Point, Spectrum };
    void BlankStarted();
    void BlankEnded(bool ok);
    bool BeginPoint(bool busy);
    void PointRefused();
    bool ValeurRecue(std::int32_t lambda, double a);
    PointEnd PointTermine();
    void SpectreStarted();
    bool SpectreTermine();
    void ScanDone();
    void GivenUp();
    // A point of the schedule stored at `t` (its values, or gaps): false past
    // the capacity. The run ends with its Nombre + 1 points, at the capacity,
    // or when a stop waited for this point.
    bool RecordPoint(double t, double a, double a2);
    // A point of the schedule that could not be measured: missing, at its time.
    void MissingPoint(double t);
    void BlankDone();
    void Fire(SessionEvent e, int value = 0);
    TInstrument &instrument_;
    PointEnd lastPoint_;
    double pointA_ = MissingValue, pointA2_ = MissingValue; // the point under way
    bool lost_ = false, restarted_ = false, blankAgain_ = false, lossSeen_ = false;
    double lostSince_ = 0, backAt_ = -1e300;
    void WidenRange(double &min, double &max) const;
    void SetRange(double min, double max);
    void EchelleAuto();
    double Now() const { return clock_(); }

    const TspectroVandoral &spectro_;
    Clock clock_;
    Operation pending_ = Operation::None;
    EtatCinetique etatAvantSpectre_ = EtatCinetique::Pret;
    double debut_ = 0;
    double interval_ = 8;
    double nextTick_ = 0;
    bool pacingStopped_ = false;
    bool firstPoint_ = false;
    bool recovered_ = false; // the points came back from a journal
    int runLambda_ = 0, runLambdaBis_ = 0;
    std::vector<CurveFigures> figures_;
    void ComputeFigures();
};

} // namespace vandoral

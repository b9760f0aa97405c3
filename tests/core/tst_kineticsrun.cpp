// The kinetics run on a fake clock over a scripted instrument: every
// transition of its states, the blank it asks for (refused, then accepted),
// the pacing of the points and its catch-up when a scan outlasts the
// interval or a tick falls during an exchange, stop with a point under way or
// a tick pending, a point given up, the single spectrum, the time stamps of a
// long run, and the plot's scaling rules.
#include "driver.h"
#include "kineticsrun.h"
#include "numtext.h"
#include "scriptedinstrument.h"

#include "coretest.h"

using namespace vandoral;

namespace {

// A run over an instrument's settings, on a clock the test moves by hand.
struct Run {
    Run(int nombre = 5, int deltat = 8)
    {
        spectro.Nombre = static_cast<std::uint16_t>(nombre);
        spectro.Deltat = static_cast<std::uint16_t>(deltat);
        spectro.Lambda = 545;
        spectro.LambdaBis = 400;
        spectro.LambdaMin = 330;
        spectro.LambdaMax = 800;
        run.OnEvent = [this](SessionEvent e, int v) {
            events.push_back({e, v});
            if (e == SessionEvent::Pace)
                ++paces;
        };
    }
    // Blank done, ready.
    Run &Ready()
    {
        REQUIRE(run.StartBlank());
        instrument.Finish(true);
        return *this;
    }
    // The values of the scan under way: the absorbance `a` at Lambda and `a2`
    // at LambdaBis, `seconds` long; it has not ended yet.
    void Values(double a, double a2 = 0.5, double seconds = 1)
    {
        instrument.Values(spectro.LambdaMin, spectro.LambdaMax,
                          [&](int l) { return l == spectro.Lambda ? a : l == spectro.LambdaBis ? a2 : 0.1; });
        now += seconds;
    }
    // The same, then the scan's end: the point it was for.
    const TCinetiqueRun::PointEnd &Scan(double a, double a2 = 0.5, double seconds = 1)
    {
        Values(a, a2, seconds);
        REQUIRE(instrument.Busy);
        instrument.Finish();
        return run.LastPoint();
    }
    // Moves the clock to the next tick and lets the timer fire, as the
    // window's does: true when the point's scan was sent.
    bool TickAndBegin()
    {
        now += run.SecondsToTick();
        const int scans = instrument.Scans;
        run.TimerFired();
        return instrument.Scans == scans + 1;
    }
    // Runs to the end: each point a scan of `scanSeconds`.
    void RunToEnd(double scanSeconds = 1)
    {
        REQUIRE(instrument.Running == ScriptedInstrument::Op::Scan);
        for (int guard = 0; guard < 5000 && run.Etat == EtatCinetique::Acquisition; ++guard) {
            const TCinetiqueRun::PointEnd end = Scan(0.8 - 0.01 * run.Points.Count(), 0.5, scanSeconds);
            REQUIRE(end.ended);
            if (run.Etat != EtatCinetique::Acquisition)
                break;
            if (end.catchUp)
                REQUIRE(instrument.Running == ScriptedInstrument::Op::Scan);
            else
                REQUIRE(TickAndBegin());
        }
    }
    int Count(SessionEvent e) const
    {
        return int(std::count_if(events.begin(), events.end(), [e](const auto &x) { return x.first == e; }));
    }
    TspectroVandoral spectro;
    ScriptedInstrument instrument;
    double now = 1000; // any origin
    TCinetiqueRun run{spectro, instrument, [this] { return now; }};
    std::vector<std::pair<SessionEvent, int>> events;
    int paces = 0;
};

} // namespace

TEST_CASE("duration texts")
{
    struct Row {
        std::string tag;
        std::int64_t seconds;
        std::string text;
    };
    std::vector<Row> rows;
    rows.push_back({"40 s", 40, "00:00:40"});
    rows.push_back({"12 intervals of 10 s", 120, "00:02:00"});
    rows.push_back({"just under a day", 86399, "23:59:59"});
    rows.push_back({"a day", 86400, "24:00:00"});
    rows.push_back({"1500 intervals of 60 s", 90000, "25:00:00"});
    rows.push_back({"negative", -5, "00:00:00"});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        REQUIRE(DurationText(row.seconds) == row.text);
    }
}

TEST_CASE("the controls follow the state")
{
    // What each state allows, under control (c) and not.
    struct Row {
        std::string tag;
        EtatCinetique etat;
        bool blancFait;
        bool start, spectre, markers, reset, stop, wavelengths;
        SpaceAction space; // what the space bar does under control
    };
    std::vector<Row> rows;
    const SpaceAction none = SpaceAction::None, blank = SpaceAction::Blank, measure = SpaceAction::Measure;
    rows.push_back({"initial", EtatCinetique::Initial, false, false, false, false, false, false, true, blank});
    rows.push_back({"ready", EtatCinetique::Pret, true, true, true, true, true, false, true, measure});
    rows.push_back({"running", EtatCinetique::Acquisition, true, false, false, false, false, true, false, none});
    rows.push_back({"finished", EtatCinetique::Arrete, true, false, true, false, true, false, false, blank});
    rows.push_back({"single spectrum", EtatCinetique::Spectre, true, false, false, false, false, false, true, none});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        Run r;
        r.run.BlancFait = row.blancFait;
        r.run.SetEtat(row.etat);
        REQUIRE(r.run.CanStart(true) == row.start);
        REQUIRE(r.run.CanSpectre(true) == row.spectre);
        REQUIRE(r.run.MarkersMovable(true) == row.markers);
        REQUIRE(r.run.CanReset(true) == row.reset);
        REQUIRE(r.run.CanStop() == row.stop);
        REQUIRE(r.run.WavelengthsEditable() == row.wavelengths);
        // Nothing starts, resets or blanks without control.
        REQUIRE(!r.run.CanStart(false));
        REQUIRE(!r.run.CanSpectre(false));
        REQUIRE(!r.run.CanReset(false));
        REQUIRE(!r.run.CanBlank(false));
        REQUIRE(r.run.CanBlank(true) == (row.etat != EtatCinetique::Acquisition && row.etat != EtatCinetique::Spectre));
        REQUIRE(r.run.TimerRunning() == (row.etat == EtatCinetique::Acquisition));
        // The space bar starts a run when it may, else takes a blank when it may.
        REQUIRE(r.run.SpaceBar(true) == row.space);
        REQUIRE(r.run.SpaceBar(false) == SpaceAction::None);
    }
}

TEST_CASE_FIXTURE(Run, "a blank the instrument refused is no blank; asked again, it is")
{
    REQUIRE(run.StartBlank());
    instrument.Finish(false);
    REQUIRE(!run.BlancFait);
    REQUIRE(Count(SessionEvent::BlankEnded) == 1);
    REQUIRE(!run.CanStart(true));
    REQUIRE(!run.CanSpectre(true));
    REQUIRE(run.SpaceBar(true) == SpaceAction::Blank); // asked for again
    // A request the instrument does not take changes nothing.
    instrument.Refuse = true;
    REQUIRE(!run.StartBlank());
    REQUIRE(!run.Pending());
    instrument.Refuse = false;
    Ready();
    REQUIRE(run.BlancFait);
    REQUIRE(run.CanStart(true));
}

TEST_CASE_FIXTURE(Run, "a blank makes the run ready and clears the points")
{
    for (int i = 0; i < 7; ++i)
        run.Points.Append(8.0 * i, 0.5);
    REQUIRE(run.StartBlank());
    REQUIRE(run.Pending());
    REQUIRE(!run.CanBlank(true)); // one blank at a time
    REQUIRE(run.Points.Count() == 0);
    REQUIRE(run.GrapheCinetique.Count() == 0); // nothing left to draw
    REQUIRE(!run.BlancFait);
    instrument.Finish(true);
    REQUIRE(run.BlancFait);
    REQUIRE(run.Etat == EtatCinetique::Pret);
    REQUIRE(!run.Pending());
}

TEST_CASE_FIXTURE(Run, "a run of Nombre intervals has Nombre + 1 points at the nominal times")
{
    Ready();
    run.LambdaBisSuivie = true;
    run.Start();
    REQUIRE(run.Etat == EtatCinetique::Acquisition);
    REQUIRE(run.GrapheCinetique.Curve2Visible);
    REQUIRE(run.Interval() == 8.0);
    RunToEnd();
    REQUIRE(run.Etat == EtatCinetique::Arrete);
    REQUIRE(run.Points.Count() == 6);
    for (int i = 0; i < 6; ++i) {
        REQUIRE(run.Points.X[i] == 8.0 * i);
        REQUIRE(SameNumber(run.Points.A[i], 0.8 - 0.01 * i));
        REQUIRE(run.Points.A2[i] == 0.5);
    }
    REQUIRE(!run.TimerRunning());
    REQUIRE(run.CanSave());
    REQUIRE(run.AsksSave());
    run.Sauve = true;
    REQUIRE(!run.AsksSave());
}

TEST_CASE_FIXTURE(Run, "stamps are the whole seconds at the start of each scan")
{
    Ready();
    // The instrument is busy at the start (an exchange): the first scan is
    // sent a little later, and the run's time starts with it.
    instrument.Exchange = true;
    run.Start();
    REQUIRE(instrument.Scans == 0);
    REQUIRE(!run.CatchUpDue()); // not while the line is held
    instrument.Exchange = false;
    now += 0.4;
    REQUIRE(run.CatchUpDue());
    run.CatchUp();
    REQUIRE(instrument.Scans == 1);
    Scan(0.5, 0.5, 3);
    REQUIRE(run.Points.X[0] == 0.0);
    // The tick at 8 s exactly, not a millisecond short.
    REQUIRE(TickAndBegin());
    REQUIRE(run.TempsPoint == 8.0);
    Scan(0.5);
    REQUIRE(run.Points.X[1] == 8.0);
    // Each point ended is told with its index.
    REQUIRE(events.back() == std::make_pair(SessionEvent::Ended, 1));
}

TEST_CASE_FIXTURE(Run, "a scan that outlasts the interval: the tick is caught up and the interval grows")
{
    Ready();
    run.Start();
    REQUIRE(instrument.Scans == 1);
    // The tick comes at 8 s while the scan runs: remembered, nothing sent.
    Values(0.5, 0.5, 8.5);
    run.TimerFired();
    REQUIRE(instrument.Scans == 1);
    REQUIRE(run.TopManque);
    REQUIRE(run.PointPending()); // still the first point's
    const int pacesBefore = paces;
    instrument.Finish();
    TCinetiqueRun::PointEnd end = run.LastPoint();
    REQUIRE(end.catchUp);
    // The next point began at once, and the window re-arms its timer.
    REQUIRE(instrument.Scans == 2);
    REQUIRE(paces == pacesBefore + 1);
    REQUIRE(run.Interval() == 9.0);
    REQUIRE(run.SecondsToTick() == 9.0); // counted from the catch-up
    REQUIRE(run.TempsPoint == 8.5);
    // Outlasted again: + 2 s in all.
    Values(0.5, 0.5, 9.5);
    run.TimerFired();
    REQUIRE(instrument.Scans == 2);
    instrument.Finish();
    end = run.LastPoint();
    REQUIRE(end.catchUp);
    REQUIRE(run.Interval() == 10.0);
    REQUIRE(run.Points.X[1] == 8.0);
    // A change of Δt brings the interval back, counted from now.
    spectro.Deltat = 8;
    run.DeltatChanged();
    REQUIRE(run.Interval() == 8.0);
    REQUIRE(run.SecondsToTick() == 8.0);
}

TEST_CASE_FIXTURE(Run, "ticks keep their pace and missed ones are not made up")
{
    Ready();
    run.Start();
    REQUIRE(run.SecondsToTick() == 8.0);
    now += 8.002; // a tick a little late: the next keeps the grid
    run.Tick();
    REQUIRE(SameNumber(run.SecondsToTick(), 7.998));
    now += 100; // asleep: the next tick is the next on the grid, not a burst
    run.Tick();
    REQUIRE(run.SecondsToTick() > 0);
    REQUIRE(run.SecondsToTick() <= 8.0);
}

TEST_CASE("stop")
{
    struct Row {
        std::string tag;
        bool duringScan;
        bool tickPending;
    };
    std::vector<Row> rows;
    rows.push_back({"between two points", false, false});
    rows.push_back({"during a scan", true, false});
    rows.push_back({"during a scan with a tick pending", true, true});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        Run r(20);
        r.Ready();
        r.run.Start();
        r.Scan(0.5);
        if (row.duringScan)
            REQUIRE(r.TickAndBegin());
        if (row.tickPending) {
            r.run.TimerFired();
            REQUIRE(r.run.TopManque);
        }
        const bool atOnce = r.run.Stop();
        REQUIRE(atOnce == !row.duringScan);
        // The pacing stops at once either way.
        REQUIRE(!r.run.TimerRunning());
        if (row.duringScan) {
            REQUIRE(r.run.Etat == EtatCinetique::Acquisition);
            REQUIRE(r.run.ArretDemande);
            const int scans = r.instrument.Scans;
            const TCinetiqueRun::PointEnd end = r.Scan(0.4);
            // That point is part of the data, and no further scan starts.
            REQUIRE(end.drawn);
            REQUIRE(!end.catchUp);
            REQUIRE(r.instrument.Scans == scans);
        }
        REQUIRE(r.run.Etat == EtatCinetique::Arrete);
        REQUIRE(r.run.Points.Count() == (row.duringScan ? 2 : 1));
        REQUIRE(!r.run.ArretDemande);
        // A tick already on its way when the run stopped takes nothing.
        const int scans = r.instrument.Scans;
        r.run.TimerFired();
        r.run.CatchUp();
        REQUIRE(r.instrument.Scans == scans);
        REQUIRE(!r.run.Pending());
    }
}

TEST_CASE_FIXTURE(Run, "a value that did not arrive leaves a gap, not an earlier run's value")
{
    Ready();
    run.Start();
    RunToEnd();
    run.Reset();
    REQUIRE(run.Etat == EtatCinetique::Pret);
    REQUIRE(run.Points.Count() == 0);
    spectro.Nombre = 1;
    run.Start();
    for (int l = spectro.LambdaMin; l <= spectro.LambdaMax; ++l)
        if (l != spectro.Lambda)
            instrument.Value(l, 0.3);
    instrument.Finish();
    REQUIRE(run.Points.A[0] == MissingValue);
    REQUIRE(run.Points.A2[0] == 0.3);
}

TEST_CASE_FIXTURE(Run, "a finished run's unsaved points are not cleared unasked")
{
    Ready();
    run.Start();
    RunToEnd();
    // Closing, a blank, a reset or a new run would lose them: they ask; the
    // space bar takes no blank over them.
    REQUIRE(run.AsksSave());
    REQUIRE(run.CanBlank(true));
    REQUIRE(run.SpaceBar(true) == SpaceAction::None);
    run.Sauve = true;
    REQUIRE(!run.AsksSave());
    REQUIRE(run.SpaceBar(true) == SpaceAction::Blank);
    // Three points: nothing to ask about.
    Run small(2);
    small.Ready();
    small.run.Start();
    small.RunToEnd();
    REQUIRE(small.run.Points.Count() == 3);
    REQUIRE(small.run.SpaceBar(true) == SpaceAction::Blank);
}

TEST_CASE_FIXTURE(Run, "a single spectrum after a run keeps the run's wavelengths")
{
    Ready();
    REQUIRE(run.StartSpectrum());
    REQUIRE(run.WavelengthsEditable()); // before any run: they may change
    instrument.Finish();
    run.Start();
    RunToEnd();
    REQUIRE(run.StartSpectrum());
    REQUIRE(!run.WavelengthsEditable()); // the saved columns stay the run's
    instrument.Finish();
    REQUIRE(!run.WavelengthsEditable());
    run.Reset();
    REQUIRE(run.WavelengthsEditable());
}

TEST_CASE_FIXTURE(Run, "a new run starts from the full range, not the previous run's")
{
    Ready();
    run.Start();
    RunToEnd();
    run.PreparePlot();
    REQUIRE(run.GrapheCinetique.WorldY.Max == 1.0); // fitted to the finished run
    run.Reset();
    run.Start();
    REQUIRE(run.GrapheCinetique.WorldY.Min == 0.0);
    REQUIRE(run.GrapheCinetique.WorldY.Max == spectro.AbsMax);
}

TEST_CASE_FIXTURE(Run, "a tick that fell inside an exchange is caught up once the line is free")
{
    Ready();
    run.Start();
    Scan(0.5);
    REQUIRE(!run.CatchUpDue());
    // The tick comes while CONTROL waits for its reply: the driver refuses
    // the scan.
    instrument.Exchange = true;
    REQUIRE(!TickAndBegin());
    REQUIRE(run.TopManque);
    REQUIRE(!run.CatchUpDue()); // not while the line is held
    now += 0.3; // the exchange ends
    instrument.Exchange = false;
    REQUIRE(run.CatchUpDue());
    run.CatchUp();
    REQUIRE(instrument.Running == ScriptedInstrument::Op::Scan);
    REQUIRE(!run.CatchUpDue());
    REQUIRE(SameNumber(run.TempsPoint, 8.3)); // stamped when it was really taken
    Scan(0.4);
    REQUIRE(run.Points.X[1] == 8.0);
    REQUIRE(run.Points.A[1] == 0.4);
}

TEST_CASE_FIXTURE(Run, "the single spectrum returns to the state it came from")
{
    Ready();
    run.Start();
    RunToEnd();
    REQUIRE(run.StartSpectrum());
    REQUIRE(run.Etat == EtatCinetique::Spectre);
    REQUIRE(!run.CanSave());
    Values(0.5);
    // Its values go to the panel only.
    REQUIRE(run.LastScan.Count() == 471);
    instrument.Finish();
    REQUIRE(events.back() == std::make_pair(SessionEvent::Ended, -1));
    REQUIRE(run.Etat == EtatCinetique::Arrete);
    REQUIRE(run.CanSave());
    REQUIRE(run.Points.Count() == 6);
    // From the ready state, back to ready.
    run.Reset();
    REQUIRE(run.StartSpectrum());
    instrument.GiveUp();
    REQUIRE(run.Etat == EtatCinetique::Pret);
    REQUIRE(events.back().first == SessionEvent::GivenUp);
}

TEST_CASE_FIXTURE(Run, "a point the driver gave up keeps what arrived; a stop waiting for it ends the run")
{
    Ready();
    run.Start();
    Values(0.5);
    instrument.GiveUp();
    REQUIRE(run.Etat == EtatCinetique::Acquisition); // the run goes on
    REQUIRE(run.Lost());
    REQUIRE(run.Points.Count() == 1);
    REQUIRE(run.Points.X[0] == 0.0);
    REQUIRE(run.Points.A[0] == 0.5); // read before the silence
    REQUIRE(!run.Pending());
    // Back at the next tick: that point is a gap, the one after too (within
    // the settling time), and no scan was sent meanwhile.
    now += run.SecondsToTick();
    run.TimerFired();
    REQUIRE(!run.Lost());
    REQUIRE(instrument.Scans == 1);
    REQUIRE(run.Points.A[1] == MissingValue);
    REQUIRE(run.Stop()); // no point under way: at once
    REQUIRE(run.Etat == EtatCinetique::Arrete);
}

namespace {

// A 9-point run at 8 s; after point 2 (16 s) the instrument is lost, then
// answers again from `backAt` seconds of the run on (never when negative).
struct LossRun : Run {
    explicit LossRun(double backAt) : Run(8, 8), back(backAt)
    {
        Ready();
        run.Start();
        for (int k = 0; k < 3; ++k) {
            if (k > 0)
                REQUIRE(TickAndBegin());
            Scan(0.8 - 0.1 * k);
        }
        instrument.Answering = false;
    }
    // The next tick; the instrument answers when its time has come.
    void Tick()
    {
        now += run.SecondsToTick();
        instrument.Answering = back >= 0 && now - 1000 >= back;
        run.TimerFired();
    }
    double back;
};

} // namespace

TEST_CASE("a kinetics run goes on through a loss of the instrument")
{
    struct Row {
        std::string tag;
        bool vanish;     // the line reported gone at once (else 30 s of silence)
        double back;     // when it answers again (seconds of the run; -1: never)
        std::vector<bool> measured; // each of the 9 points
    };
    std::vector<Row> rows;
    const std::vector<bool> backAt42 = {true, true, true, false, false, false, false, false, true};
    rows.push_back({"silent 25 s after the third point", false, 42, backAt42});
    rows.push_back({"the port gone 25 s, then back under its name", true, 42, backAt42});
    rows.push_back({"a loss that lasts past the end", false, -1, {true, true, true, false, false, false, false, false, false}});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        LossRun r(row.back);
        // Point 3's scan is sent at 24 s and given up: at once when the line
        // goes, after the silence (the driver's) otherwise.
        REQUIRE(r.TickAndBegin());
        if (!row.vanish)
            r.now += 0.5; // what the scripted silence takes
        r.instrument.GiveUp();
        REQUIRE(r.run.Lost());
        REQUIRE(r.run.LostSince() == 24.0);
        for (int guard = 0; guard < 20 && r.run.Etat == EtatCinetique::Acquisition; ++guard) {
            if (r.instrument.Busy)
                r.Scan(0.3);
            else
                r.Tick();
        }
        REQUIRE(r.run.Etat == EtatCinetique::Arrete);
        const TDataSeries &p = r.run.Points;
        REQUIRE(p.Count() == 9);
        for (int i = 0; i < 9; ++i) {
            CAPTURE(i);
            REQUIRE(p.X[i] == 8.0 * i); // the schedule kept
            REQUIRE((p.A[i] != MissingValue) == row.measured[std::size_t(i)]);
            REQUIRE((p.A2[i] != MissingValue) == row.measured[std::size_t(i)]);
        }
        // Only the points measured sent a scan: none while away or settling.
        REQUIRE(r.instrument.Scans == 4 + (row.measured[8] ? 1 : 0));
        REQUIRE(r.run.CanSave());
    }
}

TEST_CASE("a run stopped during its first loss is saveable whatever its number of points")
{
    Run r(8, 8);
    r.Ready();
    r.run.Start();
    r.Scan(0.5);
    REQUIRE(r.TickAndBegin());
    r.Values(0.4);
    r.instrument.GiveUp(); // the line gone: control with it
    r.instrument.Controlled = false;
    REQUIRE(r.run.Stop());
    REQUIRE(r.run.Points.Count() == 2);
    REQUIRE(r.run.CanSave());
    REQUIRE(r.run.AsksSave());
}

TEST_CASE("found again after its line went: control taken again")
{
    LossRun r(30);
    REQUIRE(r.TickAndBegin());
    r.instrument.GiveUp();
    r.instrument.Controlled = false;
    r.Tick(); // 32 s: it answers
    REQUIRE(!r.run.Lost());
    REQUIRE(r.instrument.Controls == 1);
    REQUIRE(r.instrument.Controlled);
}

TEST_CASE_FIXTURE(Run, "a run starts only when an instrument whose line went away answers again")
{
    Ready();
    instrument.Gone = true;
    instrument.Controlled = false;
    instrument.Answering = false;
    REQUIRE(!run.Start());
    REQUIRE(run.Etat == EtatCinetique::Pret);
    REQUIRE(instrument.Scans == 0);
    instrument.Answering = true;
    REQUIRE(run.Start());
    REQUIRE(instrument.Controlled);
    REQUIRE(instrument.Scans == 1);
}

TEST_CASE("Stop during a loss ends the run at once, its points kept")
{
    LossRun r(-1);
    REQUIRE(r.TickAndBegin());
    r.instrument.GiveUp();
    r.Tick(); // 32 s: a gap
    REQUIRE(r.run.Stop());
    REQUIRE(r.run.Etat == EtatCinetique::Arrete);
    REQUIRE(r.run.Points.Count() == 5);
    REQUIRE(r.run.CanSave());
    REQUIRE(r.run.AsksSave());
}

TEST_CASE("an instrument back restarted ends the run: no value without a blank")
{
    struct Row {
        std::string tag;
        int status;
    };
    for (const Row &row : {Row{"no longer under control (E92)", 92}, Row{"calibrating (E91)", 91},
                           Row{"calibrating (E98)", 98}}) SUBCASE(row.tag.c_str()) {
        LossRun r(30);
        REQUIRE(r.TickAndBegin());
        r.instrument.GiveUp();
        for (int i = 0; i < 3; ++i) // 32 s answers again, 40 s settles, 48 s measured again
            r.Tick();
        REQUIRE(r.instrument.Running == ScriptedInstrument::Op::Scan);
        r.Values(0.9);              // values of the refused scan, were there any
        r.instrument.Finish(false, row.status);
        REQUIRE(r.run.Restarted());
        REQUIRE(r.run.Etat == EtatCinetique::Arrete);
        REQUIRE(!r.run.BlancFait);
        REQUIRE(r.events.back().first == SessionEvent::Restarted);
        // Nothing measured after the return: the 3 points, and the gaps.
        const TDataSeries &p = r.run.Points;
        REQUIRE(p.Count() == 6);
        for (int i = 3; i < 6; ++i)
            REQUIRE(p.A[i] == MissingValue);
        REQUIRE(r.run.CanSave());
        REQUIRE(r.run.SpaceBar(true) != SpaceAction::Measure); // a new blank first
    }
    // A scan that works after the return: the same instrument, the run goes on.
    LossRun r(30);
    REQUIRE(r.TickAndBegin());
    r.instrument.GiveUp();
    for (int i = 0; i < 3; ++i)
        r.Tick();
    r.Scan(0.25);
    REQUIRE(!r.run.Restarted());
    REQUIRE(r.run.Points.A[6] == 0.25);
    // A refusal for another reason is no restart: a gap, and the run goes on.
    REQUIRE(r.TickAndBegin());
    r.instrument.Finish(false, 93); // "Appuyer sur la touche OK (F2)": not a restart
    REQUIRE(!r.run.Restarted());
    REQUIRE(r.run.Etat == EtatCinetique::Acquisition);
    // Switched off and on between two points (no loss seen): the same end.
    REQUIRE(r.TickAndBegin());
    r.instrument.Finish(false, 92);
    REQUIRE(r.run.Restarted());
    REQUIRE(r.run.Etat == EtatCinetique::Arrete);
}

TEST_CASE_FIXTURE(Run, "a refused scan is caught up like a missed tick")
{
    Ready();
    instrument.Refuse = true;
    run.Start();
    REQUIRE(run.TopManque);
    REQUIRE(!run.PointPending());
    instrument.Refuse = false;
    run.CatchUp();
    REQUIRE(run.PointPending());
}

TEST_CASE("a 1500 x 60 s run: 1501 points, stamps past 24 hours")
{
    Run r(1500, 60);
    r.Ready();
    r.run.Start();
    r.RunToEnd(2);
    REQUIRE(r.run.Points.Count() == 1501);
    for (int i = 1; i < 1501; ++i)
        REQUIRE(r.run.Points.X[i] > r.run.Points.X[i - 1]);
    REQUIRE(r.run.Points.X[1500] == 90000.0);
    REQUIRE(DurationText(std::int64_t(r.run.Points.X[1500])) == "25:00:00");
}

TEST_CASE("the plot's vertical range")
{
    struct Row {
        std::string tag;
        std::vector<double> a;
        bool zoom;
        double min, max;
    };
    std::vector<Row> rows;
    // A finished run's top: its largest absorbance, at least 1.0 (the
    // first paint then keeps it).
    rows.push_back({"finished run below 1", {0.1, 0.15, 0.12, 0.11}, false, 0, 1.0});
    rows.push_back({"finished run above 1", {1.4, 1.2, 1.1, 1.0}, false, 0, 1.4});
    // "Auto": 1.05 times the largest, at least 0.2, at most AbsMax.
    rows.push_back({"auto: floor 0.2", {0.1, 0.15, 0.12, 0.11}, true, 0, 0.2});
    rows.push_back({"auto: 1.05 times", {1.0, 0.9, 0.8, 0.7}, true, 0, 1.05});
    rows.push_back({"auto: at most AbsMax", {3.0, 2.9, 2.8, 2.7}, true, 0, 2.5});
    // A negative absorbance widens the bottom.
    rows.push_back({"auto: negative bottom", {-0.05, 0.1, 0.12, 0.11}, true, -0.05, 0.2});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        Run r(3);
        r.Ready();
        r.run.Start();
        for (std::size_t i = 0; i < row.a.size(); ++i) {
            r.Scan(row.a[i]);
            if (i + 1 < row.a.size())
                REQUIRE(r.TickAndBegin());
        }
        REQUIRE(r.run.Etat == EtatCinetique::Arrete);
        if (row.zoom)
            r.run.ZoomChanged(true);
        r.run.PreparePlot();
        REQUIRE(SameNumber(r.run.GrapheCinetique.WorldY.Min, row.min));
        REQUIRE(SameNumber(r.run.GrapheCinetique.WorldY.Max, row.max));
        r.run.PrepareSpectrumPanel();
        REQUIRE(r.run.GrapheSpectre.WorldY.Max == r.run.GrapheCinetique.WorldY.Max);
        // Released: the full scale again.
        r.run.ZoomChanged(false);
        REQUIRE(r.run.GrapheCinetique.WorldY.Max == 2.5);
        REQUIRE(r.run.GrapheCinetique.WorldX.Max == 24.0);
    }
}

TEST_CASE_FIXTURE(Run, "a run longer than planned widens the time axis to one interval past its last point")
{
    Ready();
    run.Start();
    RunToEnd(9); // every scan outlasts Δt
    const Tgraphe &g = run.GrapheCinetique;
    const TDataSeries &p = run.Points;
    REQUIRE(p.Count() == 6);
    run.PreparePlot();
    REQUIRE(p.X[5] > 40.0);
    REQUIRE(g.WorldX.Max == p.X[5] + p.X[1]);
}

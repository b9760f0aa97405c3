// The spectrum session without a window, over a scripted instrument: the
// blank and the scan it starts, a blank refused then accepted, a scan given
// up, the events its window draws from, the top raised by a value above it,
// the graph's capacity, the saved flag, the scales and the cross-hair's
// reading.
#include "driver.h"
#include "modeshared.h"
#include "numtext.h"
#include "scriptedinstrument.h"
#include "tracesession.h"

#include "coretest.h"

using namespace vandoral;

namespace {

struct Session {
    Session()
    {
        spectro.LambdaMin = 330;
        spectro.LambdaMax = 800;
        spectro.AbsMax = 2.0;
        s.OnEvent = [this](SessionEvent e, int v) { events.push_back({e, v}); };
    }
    // A blank the instrument accepts, then a scan of `a` from 330 nm.
    void Blank(bool ok = true)
    {
        REQUIRE(s.StartBlank());
        instrument.Finish(ok);
    }
    void Scan(const std::vector<double> &a)
    {
        REQUIRE(s.StartScan(spectro.LambdaMin, spectro.LambdaMax));
        for (std::size_t i = 0; i < a.size(); ++i)
            instrument.Value(spectro.LambdaMin + std::int32_t(i), a[i]);
        instrument.Finish();
    }
    int Count(SessionEvent e) const
    {
        return int(std::count_if(events.begin(), events.end(), [e](const auto &x) { return x.first == e; }));
    }
    TspectroVandoral spectro;
    ScriptedInstrument instrument;
    TTraceSession s{instrument, &spectro};
    std::vector<std::pair<SessionEvent, int>> events;
};

} // namespace

TEST_CASE_FIXTURE(Session, "blank, then scan, then what may start")
{
    REQUIRE(s.CanBlank());
    REQUIRE(!s.CanScan()); // no blank yet
    REQUIRE(s.SpaceBar() == SpaceAction::Blank);
    instrument.Controlled = false;
    REQUIRE(s.SpaceBar() == SpaceAction::None); // the key passes on
    instrument.Controlled = true;
    REQUIRE(s.StartBlank());
    REQUIRE(instrument.Running == ScriptedInstrument::Op::Blank);
    REQUIRE(s.Measuring());
    REQUIRE(!s.CanBlank());
    REQUIRE(!s.StartScan(330, 800)); // the instrument is busy: nothing changes
    REQUIRE(instrument.Scans == 0);
    instrument.Finish();
    REQUIRE(!s.Measuring());
    REQUIRE(Count(SessionEvent::BlankEnded) == 1);
    REQUIRE(s.CanScan());
    REQUIRE(!s.CanScan(false, false));
    REQUIRE(!s.CanScan(true, true));
    REQUIRE(s.SpaceBar() == SpaceAction::Measure);
    REQUIRE(s.SpaceBar(true, true) == SpaceAction::None);
    Scan(std::vector<double>(471, 0.5));
    REQUIRE(s.Spectrum.Count() == 471);
    REQUIRE(s.Spectrum.X[0] == 330.0);
    REQUIRE(s.Spectrum.X[470] == 800.0);
    // Each value stored is told with its place, then the end.
    REQUIRE(Count(SessionEvent::Value) == 471);
    REQUIRE(events[events.size() - 2] == std::make_pair(SessionEvent::Value, 470));
    REQUIRE(events.back().first == SessionEvent::Ended);
    REQUIRE(s.AsksSave());
    s.Sauve = true;
    REQUIRE(!s.AsksSave());
    // A new blank discards the spectrum without a question.
    REQUIRE(s.StartBlank());
    REQUIRE(!s.HasData());
    REQUIRE(!s.AsksSave());
}

TEST_CASE_FIXTURE(Session, "a blank the instrument refused is no blank, even after a good one")
{
    Blank(true);
    REQUIRE(s.CanScan());
    Blank(false);
    REQUIRE(!s.BlancFait);
    REQUIRE(!s.CanScan());
    REQUIRE(s.SpaceBar() == SpaceAction::Blank);
    // Asked again, accepted.
    Blank(true);
    REQUIRE(s.BlancFait);
    REQUIRE(Count(SessionEvent::BlankEnded) == 3);
}

TEST_CASE_FIXTURE(Session, "a scan given up keeps what arrived, saveable")
{
    Blank();
    REQUIRE(s.StartScan(330, 800));
    instrument.Values(330, 429, [](int) { return 0.25; });
    instrument.GiveUp();
    REQUIRE(!s.Measuring());
    REQUIRE(Count(SessionEvent::GivenUp) == 1);
    REQUIRE(Count(SessionEvent::Ended) == 0);
    REQUIRE(s.Spectrum.Count() == 100);
    REQUIRE(s.AsksSave());
    // A late value of the lost scan changes nothing.
    instrument.Value(430, 0.9);
    REQUIRE(s.Spectrum.Count() == 100);
    REQUIRE(s.CanScan());
}

TEST_CASE_FIXTURE(Session, "an instrument switched off and on: control taken again for the blank, no scan without one")
{
    Blank();
    // Refused as no longer under control: "CONTROL" again, the blank again.
    REQUIRE(s.StartBlank());
    instrument.Finish(false, 92);
    REQUIRE(instrument.Controls == 1);
    REQUIRE(instrument.Blanks == 3);
    REQUIRE(s.Measuring());
    REQUIRE(Count(SessionEvent::BlankEnded) == 1); // the first blank's only
    instrument.Finish(true);
    REQUIRE(s.BlancFait);
    REQUIRE(Count(SessionEvent::BlankEnded) == 2);
    // Once only: refused again, or control refused, the blank is refused.
    REQUIRE(s.StartBlank());
    instrument.Finish(false, 92);
    instrument.Finish(false, 92);
    REQUIRE(!s.BlancFait);
    REQUIRE(!s.Measuring());
    instrument.RefuseControl = true;
    REQUIRE(s.StartBlank());
    instrument.Finish(false, 92);
    REQUIRE(!s.BlancFait);
    REQUIRE(!s.Measuring());
    // A refusal for another reason is said, not retried.
    const int controls = instrument.Controls;
    REQUIRE(s.StartBlank());
    instrument.Finish(false, 91);
    REQUIRE(instrument.Controls == controls);
    // A scan refused by an instrument switched off and on meanwhile: the
    // blank is gone, the window asks for it again.
    instrument.RefuseControl = false;
    instrument.Controlled = true; // taken at the keyboard
    Blank();
    REQUIRE(s.StartScan(330, 800));
    instrument.Finish(false, 92);
    REQUIRE(!s.BlancFait);
    REQUIRE(!s.CanScan());
    REQUIRE(s.SpaceBar() == SpaceAction::Blank);
}

TEST_CASE_FIXTURE(Session, "a line that went away is looked for again by the window's own blank and scan")
{
    Blank();
    Scan({0.1, 0.2});
    instrument.Gone = true; // an adapter unplugged: control gone with the line
    instrument.Controlled = false;
    instrument.Answering = false;
    REQUIRE(s.CanScan()); // the buttons do not wait for the main window
    REQUIRE(s.CanBlank());
    REQUIRE(!s.StartScan(330, 800)); // not back yet: nothing changes
    REQUIRE(!s.StartBlank());
    REQUIRE(instrument.LineLost()); // still away
    REQUIRE(instrument.Probes == 2);
    REQUIRE(s.Spectrum.Count() == 2);
    REQUIRE(instrument.Scans == 1);
    instrument.Answering = true; // plugged in again
    REQUIRE(s.StartScan(330, 800));
    REQUIRE(!instrument.LineLost());
    REQUIRE(instrument.Controls == 1);
    REQUIRE(instrument.Controlled);
    REQUIRE(instrument.Scans == 2);
}

TEST_CASE_FIXTURE(Session, "a spectrum discarded knowingly leaves nothing to save")
{
    Blank();
    Scan({0.1, 0.2, 0.3});
    REQUIRE(s.AsksSave());
    s.Discard();
    REQUIRE(!s.HasData());
    REQUIRE(!s.AsksSave());
    REQUIRE(s.BlancFait); // the blank stays
}

TEST_CASE_FIXTURE(Session, "a value above the top raises it to 1.05 times")
{
    REQUIRE(s.StartScan(330, 800));
    s.Graphe.WorldY.Max = 2.0;
    REQUIRE(s.AddValue(330, 1.0) == TTraceSession::Stored::Kept);
    REQUIRE(s.AddValue(331, 2.3) == TTraceSession::Stored::TopRaised);
    REQUIRE(SameNumber(s.Graphe.WorldY.Max, 2.415));
    // A missing value raises nothing.
    REQUIRE(s.AddValue(332, MissingValue) == TTraceSession::Stored::Kept);
    REQUIRE(SameNumber(s.Graphe.WorldY.Max, 2.415));
}

TEST_CASE_FIXTURE(Session, "the graph keeps the first 1501 values and says it cut")
{
    Scan(std::vector<double>(1571, 0.3));
    REQUIRE(s.Spectrum.Count() == 1501);
    REQUIRE(s.Truncated());
    REQUIRE(s.Spectrum.X[1500] == 330.0 + 1500);
    REQUIRE(s.AddValue(5000, 0.1) == TTraceSession::Stored::Dropped);
    REQUIRE(s.Received() == 1571);
    Scan({0.1});
    REQUIRE(!s.Truncated()); // each scan anew
}

TEST_CASE("scales")
{
    struct Row {
        std::string tag;
        double largest;
        double top;
    };
    std::vector<Row> rows;
    rows.push_back({"floor 0.2", 0.1, 0.2});
    rows.push_back({"1.05 times", 1.0, 1.05});
    rows.push_back({"at most AbsMax", 3.0, 2.0});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        Session f;
        f.Scan({0.05, row.largest, 0.07});
        f.s.AutoScale(f.spectro.AbsMax);
        REQUIRE(SameNumber(f.s.Graphe.WorldY.Max, row.top));
        REQUIRE(SameNumber(AutoTop(row.largest, f.spectro.AbsMax), row.top));
        f.s.Graphe.WorldX.Min = 400;
        f.s.FullScale(330, 800, 2.0);
        REQUIRE(f.s.Graphe.WorldY.Max == 2.0);
        REQUIRE(f.s.Graphe.WorldX.Min == 330.0);
        REQUIRE(f.s.Graphe.WorldX.Max == 800.0);
    }
}

TEST_CASE("the cross-hair's reading")
{
    struct Row {
        std::string tag;
        double lambda;
        double a;
        bool onCurve;
        bool unknown;
    };
    std::vector<Row> rows;
    // Values 0.4 at 530, 0.5 at 531, missing at 532, 0.6 at 533.
    rows.push_back({"on a measured wavelength", 530, 0.4, true, false});
    rows.push_back({"between two: interpolated", 530.25, 0.425, true, false});
    rows.push_back({"next to a missing value", 531.5, 0, false, true});
    rows.push_back({"on the missing value", 532, 0, false, true});
    rows.push_back({"left of the first: under the mouse", 529, -0.3, false, false});
    rows.push_back({"right of the last: under the mouse", 540, 1.7, false, false});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        Session f;
        REQUIRE(f.s.StartScan(530, 533));
        f.s.AddValue(530, 0.4);
        f.s.AddValue(531, 0.5);
        f.s.AddValue(532, MissingValue);
        f.s.AddValue(533, 0.6);
        const TTraceSession::Reading r = f.s.ReadAt(row.lambda, row.a);
        REQUIRE(r.onCurve == row.onCurve);
        REQUIRE(r.unknown == row.unknown);
        if (!r.unknown)
            REQUIRE(SameNumber(r.a, row.a));
    }
}

TEST_CASE("the printed page: margins of a twentieth, the upper half in portrait")
{
    const TRect landscape = TTraceSession::PageBounds(2000, 1000, false);
    REQUIRE(landscape == TRect{100, 50, 1900, 950});
    const TRect portrait = TTraceSession::PageBounds(1000, 2000, true);
    REQUIRE(portrait == TRect{50, 50, 950, 950});
}

TEST_CASE_FIXTURE(Session, "a spectrum opened from a file: any step, either direction, counting as saved")
{
    TDataSeries file;
    // Downwards in steps of 2 nm, beyond the instrument's range, above its top.
    for (int i = 0; i < 200; ++i)
        file.Append(1000 - 2 * i, i == 10 ? MissingValue : 0.01 * i);
    s.Load(file);
    CHECK(s.Sauve);
    CHECK_FALSE(s.AsksSave());
    REQUIRE(s.Spectrum.Count() == 200);
    CHECK(s.Graphe.WorldX.Min <= 602);
    CHECK(s.Graphe.WorldX.Max >= 1000);
    CHECK(s.Graphe.WorldY.Max >= 1.99);
    // The cross-hair reads between two points of a descending spectrum, and
    // not across the missing one.
    const auto r = s.ReadAt(899, 0);
    CHECK(r.onCurve);
    CHECK(r.a == doctest::Approx(0.505));
    CHECK(s.ReadAt(981, 0).unknown); // between 982 (point 9) and 980 (point 10, missing)
    CHECK_FALSE(s.ReadAt(1200, 0.7).onCurve);
    // Full scale keeps the file's wavelengths in view.
    s.FullScale(330, 800, 3);
    CHECK(s.Graphe.WorldX.Max == 1000);
    // As a reference, under what comes next.
    CHECK(s.AddReference(file, "matin.jdx") == TTraceSession::Keep::Kept);
    CHECK(s.References().front().X == file.X);
    CHECK(s.Spectrum.X == file.X);
}

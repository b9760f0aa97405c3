// The Beer-Lambert series without a window, over a scripted instrument: the
// entry rules (range question, a bound typed exactly, a wrong number, a full
// list, places past the next one), the measurements the series starts, each
// bound to its start whatever changes meanwhile, a blank refused then
// accepted, a measurement given up, one measurement at a time, undo on each
// list, sort then undo, reset, the fit recomputed when the standards change,
// the options' bounds, and the plot's range rules.
#include "beerseries.h"
#include "driver.h"
#include "numtext.h"
#include "scriptedinstrument.h"
#include "separator.h"

#include "coretest.h"

using namespace vandoral;

namespace {

// A series over an instrument's Beer-Lambert settings (0..10 mol/L).
struct Series {
    Series()
    {
        spectro.Mini = 0;
        spectro.Maxi = 10;
        spectro.LambdaBeer = 545;
        series.ApplyOptions();
        series.BlancFait = true;
        series.OnEvent = [this](SessionEvent e, int) { events.push_back(e); };
    }
    // The values of the scan under way: `a` at `lambda`.
    void Scan(double a, int lambda = 545)
    {
        instrument.Values(540, 550, [&](int l) { return l == lambda ? a : 0.05; });
    }
    // Types `text` for standard `index` (the next one when -1) and measures it
    // at `a`.
    TBeerSeries::Result Standard(const std::string &text, double a, int index = -1)
    {
        double c = 0;
        if (index < 0)
            index = series.StandardCount();
        if (series.CheckEntry(index, text, c) != TBeerSeries::Entry::Ready)
            return TBeerSeries::Result::NotMine;
        REQUIRE(series.MeasureStandard(index, c));
        Scan(a);
        instrument.Finish();
        REQUIRE(series.LastOutcome().Kind == TBeerSeries::Measure::Standard);
        return series.LastOutcome().What;
    }
    TBeerSeries::Result Unknown(double a)
    {
        REQUIRE(series.MeasureUnknown() == TBeerSeries::UnknownStart::Started);
        Scan(a);
        instrument.Finish();
        REQUIRE(series.LastOutcome().Kind == TBeerSeries::Measure::Unknown);
        return series.LastOutcome().What;
    }
    TspectroVandoral spectro;
    ScriptedInstrument instrument;
    TBeerSeries series{spectro, instrument};
    std::vector<SessionEvent> events;
};

} // namespace

TEST_CASE("entries")
{
    struct Row {
        std::string tag;
        int index;
        std::string text;
        TBeerSeries::Entry check;
        double conc;
    };
    std::vector<Row> rows;
    rows.push_back({"inside the range", 2, "2,5", TBeerSeries::Entry::Ready, 2.5});
    rows.push_back({"a point as the separator", 2, "2.5", TBeerSeries::Entry::Ready, 2.5});
    rows.push_back({"a prefix letter", 2, "5m", TBeerSeries::Entry::Ready, 0.005});
    rows.push_back({"exactly at the top", 2, "10", TBeerSeries::Entry::Ready, 10});
    rows.push_back({"exactly at the bottom", 2, "0", TBeerSeries::Entry::Ready, 0});
    rows.push_back({"above the range", 2, "12", TBeerSeries::Entry::OutOfRange, 12});
    rows.push_back({"below the range", 2, "-1", TBeerSeries::Entry::OutOfRange, -1});
    rows.push_back({"not a number", 2, "1,2,3", TBeerSeries::Entry::BadNumber, 0});
    rows.push_back({"empty", 2, "", TBeerSeries::Entry::BadNumber, 0});
    rows.push_back({"a standard's place: corrected", 0, "1", TBeerSeries::Entry::Ready, 1});
    rows.push_back({"past the next place", 4, "1", TBeerSeries::Entry::BelowEntryRow, 0});
    rows.push_back({"no place", -1, "1", TBeerSeries::Entry::NoRow, 0});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        SeparatorScope comma(',');
        Series s;
        REQUIRE(s.Standard("1", 0.1) == TBeerSeries::Result::Stored);
        REQUIRE(s.Standard("2", 0.2) == TBeerSeries::Result::Stored);
        double c = -99;
        REQUIRE(s.series.CheckEntry(row.index, row.text, c) == row.check);
        if (row.check == TBeerSeries::Entry::Ready || row.check == TBeerSeries::Entry::OutOfRange)
            REQUIRE(SameNumber(c, row.conc));
    }
}

TEST_CASE_FIXTURE(Series, "the range question, and a confirmed widening")
{
    SeparatorScope comma(',');
    double c = 0;
    REQUIRE(series.CheckEntry(0, "12", c) == TBeerSeries::Entry::OutOfRange);
    REQUIRE(series.RangeQuestion(c) == "12 avec mini=0 et maxi=10\r\n    Vous confirmez ?");
    series.Widen(c);
    REQUIRE(series.BeerGraph.WorldX.Max == 12.0);
    REQUIRE(series.CheckEntry(0, "12", c) == TBeerSeries::Entry::Ready);
    series.Widen(-2);
    REQUIRE(series.BeerGraph.WorldX.Min == -2.0);
    // The options bring the axis back to Mini..Maxi.
    series.ApplyOptions();
    REQUIRE(series.BeerGraph.WorldX.Min == 0.0);
    REQUIRE(series.BeerGraph.WorldX.Max == 10.0);
    REQUIRE(spectro.Maxi == 10.0);
}

TEST_CASE("a full list")
{
    Series s;
    for (int i = 0; i < TBeerSeries::Capacity; ++i)
        s.series.Standards.push_back({1.0 + i * 1e-3, 0.1});
    double c = 0;
    REQUIRE(s.series.CheckEntry(TBeerSeries::Capacity, "1", c) == TBeerSeries::Entry::ListFull);
    // A standard of the list can still be corrected.
    REQUIRE(s.series.CheckEntry(TBeerSeries::Capacity - 1, "1", c) == TBeerSeries::Entry::Ready);
    // Unknowns too have their capacity.
    for (int i = 0; i < 2; ++i)
        s.series.Standards.push_back({1.0, 0.1});
    s.series.Unknowns.assign(TBeerSeries::Capacity, {0.1, 1.0});
    REQUIRE(s.series.MeasureUnknown() == TBeerSeries::UnknownStart::ListFull);
    REQUIRE(s.instrument.Scans == 0);
}

TEST_CASE_FIXTURE(Series, "the fit follows the standards: two give none, the third brings it")
{
    SeparatorScope comma(',');
    Standard("1", 0.10);
    Standard("2", 0.21);
    REQUIRE(!series.ShowsFit());
    REQUIRE(series.PrecisionText.empty());
    REQUIRE(series.Sauve == false);
    Standard("3", 0.29);
    REQUIRE(series.ShowsFit());
    REQUIRE(SameNumber(series.Slope, 0.1));
    REQUIRE(series.PrecisionText == "Pr\xE9" "cision de l'ajustement sur A : 0,008");
    REQUIRE(series.Data.Count() == 3);
    REQUIRE(series.Data.X[2] == 3.0);
    REQUIRE(series.Data.A[1] == 0.21);
    // An unknown from the line, and its concentration follows a correction.
    REQUIRE(Unknown(0.15) == TBeerSeries::Result::Stored);
    REQUIRE(SameNumber(series.Unknowns[0].Conc, 1.5));
    REQUIRE(Standard("3", 0.39, 2) == TBeerSeries::Result::Stored); // standard 3 corrected
    REQUIRE(series.StandardCount() == 3);
    REQUIRE(SameNumber(series.Slope, 0.7 / 6));
    REQUIRE(SameNumber(series.Unknowns[0].Conc, 0.15 / (0.7 / 6)));
    // Unknowns not measured: no precision, the rest kept.
    spectro.Actif = false;
    series.ApplyOptions();
    REQUIRE(!series.ShowsFit());
    REQUIRE(series.PrecisionText.empty());
    REQUIRE(series.UnknownCount() == 1);
    REQUIRE(!series.CanMeasureUnknown());
}

TEST_CASE_FIXTURE(Series, "no standard fit for the line: unknowns have no concentration")
{
    Standard("0", 0.1);
    Standard("1", -0.1);
    Standard("2", 0);
    REQUIRE(series.Slope == MissingValue);
    REQUIRE(!series.HasLine());
    REQUIRE(Unknown(0.3) == TBeerSeries::Result::NoFit);
    REQUIRE(series.Unknowns[0].Conc == MissingValue);
    REQUIRE(series.Unknowns[0].Abs == 0.3);
}

TEST_CASE_FIXTURE(Series, "a measurement keeps the place, concentration and wavelength of its start")
{
    Standard("1", 0.1);
    double c = 0;
    REQUIRE(series.CheckEntry(1, "2", c) == TBeerSeries::Entry::Ready);
    REQUIRE(series.MeasureStandard(1, c));
    REQUIRE(series.MeasuredIndex() == 1);
    REQUIRE(series.Busy());
    // While it runs: the wavelength changes, the list changes, a second
    // measurement is asked for; none of it reaches this one.
    spectro.LambdaBeer = 600;
    REQUIRE(!series.MeasureStandard(2, 3.0));
    REQUIRE(series.MeasureUnknown() == TBeerSeries::UnknownStart::NotNow);
    REQUIRE(!series.MeasureSpectrum());
    REQUIRE(!series.StartBlank());
    REQUIRE(instrument.Scans == 2); // the first standard's and this one's
    Scan(0.25, 545);
    instrument.Value(600, 0.9);
    instrument.Finish();
    REQUIRE(series.LastOutcome().What == TBeerSeries::Result::Stored);
    REQUIRE(series.LastOutcome().Index == 1);
    REQUIRE(series.Standards[1].Conc == 2.0);
    REQUIRE(series.Standards[1].Abs == 0.25);
    REQUIRE(series.MeasuredIndex() == -1);
    REQUIRE(!series.Busy());
    REQUIRE(events.back() == SessionEvent::Ended);
    // A correction of a standard replaces it in its place.
    spectro.LambdaBeer = 545;
    REQUIRE(Standard("1.5", 0.16, 0) == TBeerSeries::Result::Stored);
    REQUIRE(series.StandardCount() == 2);
    REQUIRE(series.Standards[0].Conc == 1.5);
}

TEST_CASE_FIXTURE(Series, "a concentration corrected keeps its absorbance; remeasuring is a choice of its own")
{
    for (const char *c : {"1", "2", "3"})
        Standard(c, std::stod(c) / 10);
    series.Sauve = true;
    const int scans = instrument.Scans;
    REQUIRE(series.Corrects(0));
    REQUIRE_FALSE(series.Corrects(3)); // the next place adds one
    REQUIRE(series.RemeasureQuestion(0) == "Remesurer l'absorbance de l'\xE9talon 1 ?");
    REQUIRE(series.CorrectConcentration(0, 1.5));
    REQUIRE(instrument.Scans == scans); // nothing measured
    REQUIRE(series.Standards[0].Conc == 1.5);
    REQUIRE(series.Standards[0].Abs == 0.1);
    REQUIRE(series.Data.X[0] == 1.5); // drawn and saved as corrected
    REQUIRE(!series.Sauve);
    REQUIRE(SameNumber(series.Slope, 0.6 / 6.5)); // the line follows
    REQUIRE_FALSE(series.CorrectConcentration(3, 4.0));
    REQUIRE_FALSE(series.CorrectConcentration(0, MissingValue));
    // Not while a measurement runs: its result is bound to the list.
    REQUIRE(series.MeasureStandard(3, 4.0));
    REQUIRE_FALSE(series.CorrectConcentration(0, 1.0));
    Scan(0.4);
    instrument.Finish();
    REQUIRE(series.StandardCount() == 4);
    // What undo would remove now.
    REQUIRE(series.CanUndoStandard(3));
    REQUIRE_FALSE(series.CanUndoStandard(4));
    REQUIRE_FALSE(series.CanUndoStandard(-1));
    REQUIRE_FALSE(series.CanUndoUnknown(0));
    REQUIRE(Unknown(0.2) == TBeerSeries::Result::Stored);
    REQUIRE(series.CanUndoUnknown(0));
    spectro.Actif = false;
    REQUIRE_FALSE(series.CanUndoUnknown(0));
}

TEST_CASE_FIXTURE(Series, "unknowns below, among and above the standards, and above the top of scale")
{
    for (const char *c : {"1", "2", "3"})
        Standard(c, std::stod(c) / 10);
    spectro.AbsMax = 2.5;
    struct Row {
        double a;
        UnknownRange range;
    };
    for (const Row &row : {Row{0.05, UnknownRange::Outside}, Row{0.2, UnknownRange::Inside},
                           Row{0.3, UnknownRange::Inside}, Row{2.4, UnknownRange::Outside},
                           Row{2.6, UnknownRange::AboveTop}}) {
        CAPTURE(row.a);
        REQUIRE(Unknown(row.a) == TBeerSeries::Result::Stored);
        REQUIRE(series.Estimate(series.Unknowns.back()).Range == row.range);
    }
}

TEST_CASE_FIXTURE(Series, "a measurement given up stores nothing; the next one goes on")
{
    Standard("1", 0.1);
    double c = 0;
    REQUIRE(series.CheckEntry(1, "2", c) == TBeerSeries::Entry::Ready);
    REQUIRE(series.MeasureStandard(1, c));
    Scan(0.2);
    instrument.GiveUp();
    REQUIRE(events.back() == SessionEvent::GivenUp);
    REQUIRE(series.StandardCount() == 1);
    REQUIRE(!series.Busy());
    REQUIRE(Standard("2", 0.2) == TBeerSeries::Result::Stored);
    REQUIRE(series.StandardCount() == 2);
    // A request the instrument does not take leaves the series as it was.
    instrument.Refuse = true;
    REQUIRE(!series.MeasureStandard(2, 3.0));
    REQUIRE(!series.Busy());
    REQUIRE(series.MeasuredIndex() == -1);
}

TEST_CASE_FIXTURE(Series, "an unreadable reading changes nothing")
{
    Standard("1", 0.1);
    Standard("2", 0.2);
    double c = 0;
    REQUIRE(series.CheckEntry(1, "5", c) == TBeerSeries::Entry::Ready);
    REQUIRE(series.MeasureStandard(1, c));
    instrument.Values(540, 544, [](int) { return 0.7; }); // cut before 545 nm
    instrument.Finish();
    REQUIRE(series.LastOutcome().What == TBeerSeries::Result::Unreadable);
    REQUIRE(series.Standards[1].Conc == 2.0);
    REQUIRE(series.Standards[1].Abs == 0.2);
    REQUIRE(series.StandardCount() == 2);
    Standard("3", 0.3);
    REQUIRE(Unknown(MissingValue) == TBeerSeries::Result::Unreadable); // unreadable there
    REQUIRE(series.UnknownCount() == 0);
}

TEST_CASE_FIXTURE(Series, "undo on each list, and sort then undo")
{
    for (const char *c : {"3", "1", "2", "4"})
        Standard(c, std::stod(c) / 10);
    Unknown(0.15);
    Unknown(0.25);
    series.Sauve = true;
    // Places that hold no standard remove nothing.
    REQUIRE(!series.UndoStandard(4)); // the next free place
    REQUIRE(!series.UndoStandard(-1));
    REQUIRE(series.Sauve);
    // Sorted for a save: the row and the standard it shows stay together.
    series.SortForSave();
    REQUIRE(series.Data.X[0] == 1.0);
    REQUIRE(series.Data.X[3] == 4.0);
    REQUIRE(series.UndoStandard(1)); // standard 2, after the sort
    REQUIRE(series.StandardCount() == 3);
    REQUIRE(series.Data.Count() == 3);
    REQUIRE(series.Data.X[1] == 3.0);
    REQUIRE(series.Data.A[1] == 0.3);
    REQUIRE(!series.Sauve);
    // Unknown 1 goes; unknown 2 moves up.
    REQUIRE(!series.UndoUnknown(2));
    REQUIRE(series.UndoUnknown(0));
    REQUIRE(series.UnknownCount() == 1);
    REQUIRE(series.Unknowns[0].Abs == 0.25);
    spectro.Actif = false;
    REQUIRE(!series.UndoUnknown(0)); // the calculation grid is hidden
}

TEST_CASE_FIXTURE(Series, "reset keeps the blank, the bounds and the slope")
{
    for (const char *c : {"1", "2", "3"})
        Standard(c, std::stod(c) / 10);
    Unknown(0.2);
    series.Sauve = true;
    series.Widen(12);
    const double slope = series.Slope;
    series.Reset();
    REQUIRE(series.StandardCount() == 0);
    REQUIRE(series.Data.Count() == 0);
    REQUIRE(series.UnknownCount() == 0);
    REQUIRE(series.LastScan.Count() == 0);
    REQUIRE(series.BlancFait);
    REQUIRE(series.BeerGraph.WorldX.Max == 12.0);
    REQUIRE(series.Slope == slope);
    REQUIRE(!series.Sauve);
    // Nothing to lose: the saved flag stays.
    series.Sauve = true;
    series.Reset();
    REQUIRE(series.Sauve);
}

TEST_CASE("a blank the instrument refused is no blank; asked again, it is")
{
    Series s;
    s.series.BlancFait = false;
    REQUIRE(s.series.StartBlank());
    s.instrument.Finish(false);
    REQUIRE(!s.series.BlancFait);
    REQUIRE(s.events.back() == SessionEvent::BlankEnded);
    REQUIRE(s.series.SpaceBar() == SpaceAction::Blank);
    REQUIRE(s.series.StartBlank());
    s.instrument.Finish(true);
    REQUIRE(s.series.BlancFait);
}

TEST_CASE("the space bar: the blank first, then unknowns")
{
    Series s;
    s.series.BlancFait = false;
    REQUIRE(s.series.SpaceBar(false) == SpaceAction::Blank);
    REQUIRE(s.series.StartBlank());
    REQUIRE(s.series.SpaceBar() == SpaceAction::None); // not a second blank
    s.instrument.Finish(true);
    REQUIRE(s.series.SpaceBar(false) == SpaceAction::None); // no line yet
    for (const char *c : {"1", "2", "3"})
        s.Standard(c, std::stod(c) / 10);
    REQUIRE(s.series.SpaceBar(false) == SpaceAction::Measure);
    REQUIRE(s.series.SpaceBar(true) == SpaceAction::None);
    s.spectro.Actif = false;
    REQUIRE(s.series.SpaceBar(false) == SpaceAction::None);
}

TEST_CASE_FIXTURE(Series, "closing asks from the third unsaved standard")
{
    Standard("1", 0.1);
    Standard("2", 0.2);
    REQUIRE(!series.AsksSave());
    Standard("3", 0.3);
    REQUIRE(series.AsksSave());
    series.Sauve = true;
    REQUIRE(!series.AsksSave());
}

TEST_CASE("the options' bounds")
{
    struct Row {
        std::string tag;
        std::string mini, maxi;
        bool ok;
        double lo, hi;
    };
    std::vector<Row> rows;
    rows.push_back({"in order", "0", "10", true, 0, 10});
    rows.push_back({"swapped", "5", "1", true, 1, 5});
    rows.push_back({"prefix letters", "1m", "1k", true, 0.001, 1000});
    rows.push_back({"wrong Mini takes 0", "x", "4", true, 0, 4});
    rows.push_back({"wrong Maxi takes 0.01", "0", "x", true, 0, 0.01});
    rows.push_back({"equal bounds refused", "2", "2", false, 0, 0});
    rows.push_back({"a maximum of 0 with a negative minimum refused", "-5", "0", false, 0, 0});
    rows.push_back({"both negative refused", "-5", "-1", false, 0, 0});
    rows.push_back({"negative minimum, positive maximum", "-5", "1", true, -5, 1});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        SeparatorScope comma(',');
        double lo = 42, hi = 43;
        REQUIRE(ReadBeerBounds(row.mini, row.maxi, lo, hi) == row.ok);
        if (row.ok) {
            REQUIRE(SameNumber(lo, row.lo));
            REQUIRE(SameNumber(hi, row.hi));
        } else {
            REQUIRE(lo == 42); // left as they were
            REQUIRE(hi == 43);
        }
    }
}

TEST_CASE("the plot's absorbance range")
{
    struct Row {
        std::string tag;
        std::vector<double> a;
        double topBefore;
        bool zoom;
        double top;
    };
    std::vector<Row> rows;
    rows.push_back({"no standard: 1.0", {}, 2.5, false, 1.0});
    rows.push_back({"small absorbances: at least 1.0", {0.02, 0.05}, 0.2, false, 1.0});
    rows.push_back({"never lowered", {0.5, 2.0}, 3.0, false, 3.0});
    rows.push_back({"raised to 1.05 times", {0.5, 2.0}, 1.0, false, 2.1});
    rows.push_back({"auto on 2.0 with AbsMax 3.0", {0.5, 2.0}, 3.0, true, 2.1});
    rows.push_back({"auto floor 0.2", {0.15, 0.15}, 3.0, true, 0.2});
    rows.push_back({"auto floor, then the paint's 1.0", {0.05, 0.05}, 3.0, true, 1.0});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        Series s;
        s.spectro.AbsMax = 3.0;
        for (std::size_t i = 0; i < row.a.size(); ++i)
            s.Standard(std::to_string(i + 1), row.a[i]);
        s.series.BeerGraph.WorldY.Max = row.topBefore;
        if (row.zoom)
            s.series.ZoomChanged(true);
        s.series.PreparePlot();
        REQUIRE(SameNumber(s.series.BeerGraph.WorldY.Max, row.top));
        s.series.PrepareSpectrumPanel();
        REQUIRE(s.series.SpectrumGraph.WorldY.Max == s.series.BeerGraph.WorldY.Max);
    }
}

TEST_CASE_FIXTURE(Series, "an unknown beyond the axis widens it")
{
    for (const char *c : {"1", "2", "3"})
        Standard(c, std::stod(c) / 10);
    Unknown(1.5); // c = 15 beyond 10
    series.PreparePlot();
    REQUIRE(SameNumber(series.BeerGraph.WorldX.Max, 15.0));
    REQUIRE(series.BeerGraph.WorldY.Max >= 1.5);
}

// The Beer-Lambert mode's data and rules: the standards (a concentration and
// its absorbance at the working wavelength) and the unknowns, the check of a
// typed concentration, the measurement bound to its row, concentration and
// wavelength, undo, reset, sorting for a save, the line through the origin
// recomputed whenever the standards change, and the plot's range rules.
#pragma once

#include "beerfit.h"
#include "datafile.h"
#include "analysis.h"
#include "graphker.h"
#include "modeshared.h"
#include "numtext.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vandoral {

class TInstrument;
class TspectroVandoral;

struct BeerStandard {
    double Conc;
    double Abs;
};

struct BeerUnknown {
    double Abs;
    double Conc; // MissingValue when there is no line to compute it from
};

// The bounds typed in the options dialog: a bound typed wrongly takes its
// fallback (0 for Mini, 0.01 for Maxi), and the two are put in order. False
// when they would leave the axis without extent (equal, or Maxi not above 0).
bool ReadBeerBounds(const std::string &miniText, const std::string &maxiText, double &mini, double &maxi);

class TBeerSeries {
public:
    // The concentration axis named and bounded by the instrument's
    // Beer-Lambert settings, which the series reads as they stand; its
    // measurements made with `instrument`.
    TBeerSeries(const TspectroVandoral &spectro, TInstrument &instrument);
    TBeerSeries(const TBeerSeries &) = delete; // its graphs draw its own series
    TBeerSeries &operator=(const TBeerSeries &) = delete;

    // The window's listener: Value (the first value of a scan: 0), BlankEnded,
    // Ended (a standard, an unknown or the spectrum: see LastOutcome), GivenUp.
    SessionListener OnEvent;

    // Each list holds at most a graph's capacity.
    static constexpr int Capacity = GraphCapacity;

    std::vector<BeerStandard> Standards;
    std::vector<BeerUnknown> Unknowns;
    // The standards as the plot, the files and the blocks read them
    // (concentration, absorbance, and the concentration axis's names), made
    // anew at each change of the list; BeerGraph draws them.
    TDataSeries Data;
    Tgraphe BeerGraph;
    // The last scan, which SpectrumGraph draws in the spectrum panel.
    TDataSeries LastScan;
    Tgraphe SpectrumGraph;
    // k of A = k·c: 0 before the first fit, MissingValue when the last fit
    // found no usable standard.
    double Slope = 0;
    std::string PrecisionText;
    // The calibration's statistics, from two standards on (the option on),
    // recomputed with the line.
    std::optional<BeerStats> Stats;
    // An unknown's concentration with its expanded uncertainty, when the
    // statistics allow one.
    UnknownEstimate Estimate(const BeerUnknown &u) const;
    // The line through the origin, the unknowns' marks and, when asked, the
    // precision text, on the graph's canvas (the screen's or a page's).
    void DrawFit(bool withPrecision);
    // The last absorbance read at the measurement's wavelength.
    double AbsAtLambda = 0;
    bool BlancFait = false;
    // The running scan only shows a spectrum.
    bool SpectrumMode = false;
    // True at creation and after each save.
    bool Sauve = true;

    int StandardCount() const { return int(Standards.size()); }
    int UnknownCount() const { return int(Unknowns.size()); }
    // The line, its precision and the unknowns' concentrations are shown:
    // unknowns are measured (Actif) and there are more than two standards.
    bool ShowsFit() const;
    bool HasLine() const { return ShowsFit() && Slope != MissingValue && Slope > MissingValue; }
    // Unknowns may be measured now (the instrument being free).
    bool CanMeasureUnknown() const { return ShowsFit() && measuring_ == Measure::None; }
    // A measurement of this series, or of another window, is under way: the
    // lists, the options and a save wait for its end.
    bool Busy() const;
    // The wavelength may change while no standard is recorded; a standard
    // can be undone from the first; the series saved from the third.
    bool WavelengthEditable() const { return Standards.empty(); }
    bool CanUndo() const { return !Standards.empty(); }
    bool CanSave() const { return StandardCount() > 2; }
    // The blank until one is done (when the instrument is free), then an
    // unknown when one may be measured.
    SpaceAction SpaceBar(bool busy) const;
    SpaceAction SpaceBar() const;
    // Closing asks "Sauvegarde ?".
    bool AsksSave() const { return CanSave() && !Sauve; }

    enum class Measure { None, Blank, Standard, Unknown, Spectrum };
    Measure Measuring() const { return measuring_; }
    // The standard a running measurement will be stored as (-1 when none runs).
    int MeasuredIndex() const { return measuring_ == Measure::Standard ? measuredIndex_ : -1; }

    enum class Entry {
        NoRow,         // not a standard's place: nothing
        BelowEntryRow, // past the first free place: nothing to add or replace
        ListFull,      // a new standard past the capacity
        BadNumber,     // "Nombre mal écrit"
        OutOfRange,    // outside the axis: the question, then Widen or nothing
        Ready,         // measure it
    };
    // The concentration `text` typed for standard `index` (the next free
    // index adds one).
    Entry CheckEntry(int index, const std::string &text, double &conc) const;
    // The question for a concentration outside the concentration axis.
    std::string RangeQuestion(double conc) const;
    // The axis widened to a confirmed concentration (the settings unchanged).
    void Widen(double conc);

    enum class Result {
        NotMine,    // no such measurement of this series was running
        NoRow,      // a standard without a place: nothing stored
        Unreadable, // "Blanc à faire ?": nothing changes
        Stored,     // a standard added or replaced; an unknown computed
        NoFit,      // an unknown without a line: "Données incorrectes"
    };
    // The measurements. Each one's place, concentration and wavelength (the
    // instrument's LambdaBeer) are fixed when it starts and kept until its
    // end, whatever changes meanwhile; its reading starts as missing. False,
    // with nothing changed, while the series is busy or when the instrument
    // does not take the request.
    bool StartBlank();
    bool MeasureStandard(int index, double conc);
    // NotNow: no line yet or the series busy; Refused: by the instrument.
    enum class UnknownStart { Started, NotNow, ListFull, Refused };
    UnknownStart MeasureUnknown();
    bool MeasureSpectrum();

    // What the last measurement to end gave: for a stored standard, `Index` is
    // its place in the list; for an unknown, its index.
    struct Outcome {
        Measure Kind = Measure::None;
        Result What = Result::NotMine;
        int Index = -1;
    };
    const Outcome &LastOutcome() const { return outcome_; }

    // One value of any scan (the scan's callback): true for the first one.
    bool ScanPoint(std::int32_t lambda, double a);

    // A standard already measured: a concentration typed for it corrects it.
    bool Corrects(int index) const { return index >= 0 && index < StandardCount(); }
    // "Remesurer l'absorbance de l'étalon 2 ?"
    std::string RemeasureQuestion(int index) const;
    // The concentration of standard `index` corrected, its absorbance kept.
    bool CorrectConcentration(int index, double conc);

    // What undo would remove now: standard `index`, unknown `j`.
    bool CanUndoStandard(int index) const { return index >= 0 && index < StandardCount(); }
    bool CanUndoUnknown(int j) const;
    // Undo of standard `index`; of unknown `j`.
    bool UndoStandard(int index);
    bool UndoUnknown(int j);
    // The standards, the spectrum and the unknowns emptied; the blank, the
    // axis bounds and the slope stay.
    void Reset();
    // The standards in increasing concentration, for a save.
    void SortForSave();
    // The options' quantity and bounds on the concentration axis (undoing a
    // widening); the fit follows the switch of unknowns.
    void ApplyOptions();

    // Before each drawing of the plot: the absorbance range grows to the
    // standards and unknowns (never lowered), 1.0 without standards.
    void PreparePlot();
    // "Auto" down with two standards or more: the top fitted to them; else
    // the instrument's top.
    void ZoomChanged(bool down);
    // The spectrum panel shares the plot's absorbance top.
    void PrepareSpectrumPanel() { SpectrumGraph.WorldY.Max = BeerGraph.WorldY.Max; }
    // The instrument's wavelength range for the spectrum panel.
    void FollowInstrumentRange();
    // A series brought back (from the crash journal), unsaved, with the
    // quantity and bounds of its concentration axis.
    void Restore(std::vector<BeerStandard> standards, std::vector<BeerUnknown> unknowns, const std::string &nom,
                 const std::string &unite, const std::string &signif, double mini, double maxi);
    // A series opened from a file: its standards (with the concentration
    // axis's names) and unknowns, counting as saved, the axis widened to
    // them.
    void Load(const TDataSeries &standards, const std::vector<FileRequest::Unknown> &unknowns);

private:
    void Changed();
    void Refit();
    bool StartScan(Measure kind, int lambda);
    void ScanEnded();
    void BlankEnded();
    void GivenUp();
    Result StandardMeasured(int &index);
    Result UnknownMeasured();
    void Fire(SessionEvent e, int value = 0);

    const TspectroVandoral &spectro_;
    TInstrument &instrument_;
    Outcome outcome_;
    bool blankAgain_ = false;
    Measure measuring_ = Measure::None;
    int measuredIndex_ = -1;
    double measuredConc_ = 0;
    int measuredLambda_ = 0;
};

} // namespace vandoral

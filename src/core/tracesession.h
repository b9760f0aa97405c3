// The spectrum mode's data and rules: the blank, the points of the current
// spectrum (at most a graph's 1501), its saved flag, what may be started
// now, the vertical scales and the cross-hair's reading.
#pragma once

#include "analysis.h"
#include "graphker.h"
#include "modeshared.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vandoral {

class TInstrument;
class TspectroVandoral;

class TTraceSession {
public:
    // Measures with `instrument`; the graph set up for the range of
    // `settings` (none: the graph's own).
    explicit TTraceSession(TInstrument &instrument, const TspectroVandoral *settings = nullptr);
    TTraceSession(const TTraceSession &) = delete; // its graph draws its own series
    TTraceSession &operator=(const TTraceSession &) = delete;

    // The window's listener: Value (the value's index in the graph, to draw
    // as the next point), Redraw (the top was raised), BlankEnded, Ended (the
    // scan's last value is in), GivenUp.
    SessionListener OnEvent;

    // The current spectrum: wavelength and absorbance, at most a graph's
    // capacity; the graph draws it.
    TDataSeries Spectrum;
    Tgraphe Graphe;
    // A blank has ended since the window was created.
    bool BlancFait = false;
    // The current spectrum has been handed over (Tabvista, clipboard, file).
    bool Sauve = false;

    bool HasData() const { return !Spectrum.Empty(); }
    bool CanBlank(bool controlled, bool busy) const { return controlled && !busy; }
    bool CanScan(bool controlled, bool busy) const { return BlancFait && controlled && !busy; }
    // The same, for the instrument as it stands.
    bool CanBlank() const;
    bool CanScan() const;
    // The instrument is measuring (for this window or another).
    bool Busy() const;
    // The scan when it may start, else the blank when it may.
    SpaceAction SpaceBar(bool controlled, bool busy) const;
    SpaceAction SpaceBar() const;

    // The blank, then the scan between `lambdaMin` and `lambdaMax`: false,
    // with nothing changed, when the instrument did not take the request.
    // A blank discards the displayed spectrum.
    bool StartBlank();
    bool StartScan(double lambdaMin, double lambdaMax);
    // A blank or scan of this session is under way.
    bool Measuring() const { return pending_ != Pending::None; }
    // Values the last scan sent, including those past the capacity.
    long long Received() const { return received_; }
    // Whether the current spectrum has values that are not missing.
    long long Readable() const;
    // Closing asks "Sauvegarde ?".
    bool AsksSave() const { return HasData() && !Sauve; }

    // The spectrum is discarded knowingly (the question "Sauvegarde ?"
    // answered no): nothing is left to save.
    void Discard();

    enum class Stored { Kept, TopRaised, Dropped };
    // One value of the scan, at wavelength `index`: kept (drawn as the next
    // point), kept with the top of the scale raised to 1.05 times it (the
    // whole graph to be redrawn), or dropped past the graph's capacity.
    Stored AddValue(std::int32_t index, double absorbance);
    // A value of the scan arrived: stored, and told to the window.
    void ValeurRecue(std::int32_t index, double absorbance);
    // Values of the last scan were dropped past the capacity.
    bool Truncated() const { return truncated_; }

    // "Auto": the top fitted to the spectrum; released: the instrument's
    // full range.
    void AutoScale(double absMax);
    void FullScale(double lambdaMin, double lambdaMax, double absMax);

    // The cross-hair at wavelength `lambda`: between the first and last
    // measured wavelengths, the absorbance interpolated on the curve
    // (`onCurve`; `unknown` where a neighbour is missing); elsewhere the
    // absorbance under the mouse stays as it is.
    struct Reading {
        double a;
        bool onCurve;
        bool unknown;
    };
    Reading ReadAt(double lambda, double aUnderMouse) const;

    // A spectrum brought back (from the crash journal), unsaved: its values
    // from wavelength `lambda0` on, at most the graph's capacity.
    void Restore(std::int32_t lambda0, const std::vector<double> &values);

    // A spectrum opened from a file, as the file gives it (any step, either
    // direction): the current spectrum, counting as saved.
    void Load(const TDataSeries &spectrum);
    // The wavelength range shown at full scale: the instrument's, widened
    // to the current spectrum's and the references'.
    void FullRange(double &lambdaMin, double &lambdaMax) const;

    // The current spectrum's peaks, as it stands.
    std::vector<Peak> Peaks() const;
    // Marks each peak on the graph's canvas: a tick over it and its
    // wavelength.
    void DrawPeaks();

    // Spectra kept for comparison, drawn under the current one; saving and
    // handing over never concern them.
    struct Reference {
        std::vector<double> X, Y;
        std::string Legend;
        TColor Color;
    };
    static constexpr std::size_t MaxReferences = 8;
    const std::vector<Reference> &References() const { return references_; }
    enum class Keep { Kept, NoSpectrum, Full };
    Keep KeepReference(const std::string &legend);
    // Any spectrum kept so (one opened from a file).
    Keep AddReference(const TDataSeries &spectrum, const std::string &legend);
    void ClearReferences() { references_.clear(); }
    // The references' curves and their legend, on the graph's canvas.
    void DrawReferences();

    // The graph's place on a printed page of `width` x `height`: margins of
    // a twentieth, and in portrait the upper half of the page.
    static TRect PageBounds(int width, int height, bool portrait);

private:
    enum class Pending { None, Blank, Scan };
    void BlankDone();
    void Lost();
    bool blankAgain_ = false;
    void BlankStarted();
    void ScanStarted(double lambdaMin, double lambdaMax);
    void Fire(SessionEvent e, int value = 0);

    TInstrument &instrument_;
    Pending pending_ = Pending::None;
    long long received_ = 0;
    bool truncated_ = false;
    std::vector<Reference> references_;
};

} // namespace vandoral

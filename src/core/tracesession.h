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

class TspectroVandoral;

class TTraceSession {
public:
    // The graph set up for the instrument's range (none: the graph's own).
    explicit TTraceSession(const TspectroVandoral *spectro = nullptr);

    Tgraphe Graphe;
    // A blank has ended since the window was created.
    bool BlancFait = false;
    // The current spectrum has been handed over (Tabvista, clipboard, file).
    bool Sauve = false;

    bool HasData() const { return Graphe.PointCount > 0; }
    bool CanBlank(bool controlled, bool busy) const { return controlled && !busy; }
    bool CanScan(bool controlled, bool busy) const { return BlancFait && controlled && !busy; }
    // The scan when it may start, else the blank when it may.
    SpaceAction SpaceBar(bool controlled, bool busy) const;
    // Closing asks "Sauvegarde ?".
    bool AsksSave() const { return HasData() && !Sauve; }

    // A blank was started: the displayed spectrum is discarded.
    void BlankStarted();
    // The blank ended; it counts as done only when its status was "E00".
    void BlankEnded(bool ok) { BlancFait = ok; }
    // A scan was started: the horizontal range is the instrument's, the
    // displayed spectrum is discarded.
    void ScanStarted(double lambdaMin, double lambdaMax);

    enum class Stored { Kept, TopRaised, Dropped };
    // One value of the scan, at wavelength `index`: kept (drawn as the next
    // point), kept with the top of the scale raised to 1.05 times it (the
    // whole graph to be redrawn), or dropped past the graph's capacity.
    Stored AddValue(std::int32_t index, double absorbance);
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
    void ClearReferences() { references_.clear(); }
    // The references' curves and their legend, on the graph's canvas.
    void DrawReferences();

    // The graph's place on a printed page of `width` x `height`: margins of
    // a twentieth, and in portrait the upper half of the page.
    static TRect PageBounds(int width, int height, bool portrait);

private:
    bool truncated_ = false;
    std::vector<Reference> references_;
};

} // namespace vandoral

// What the three measurement modes share below their windows: the save
// targets, the mode numbers, the automatic absorbance top, the spectrum
// plot's set-up, and the wavelength markers of the spectrum panels.
#pragma once

#include <cstdint>
#include <functional>

namespace vandoral {

class Tgraphe;
struct TDataSeries;
class TspectroVandoral;

// The items of the save drop-down, by their tag.
enum class SaveTarget : std::uint8_t { Tabvista = 0, Clipboard = 1, File = 2 };

// The measurement mode: of a window, of a data block or file, of a journal
// (None: the main window's choice of modes, or a file whose mode is unknown).
enum class MeasureMode : std::uint8_t { None = 0, Spectre = 1, Cinetique = 2, Beer = 3 };

// When data are saved: while the program goes on, or at its end ("Quitter",
// after which the clipboard is gone with the program on most systems).
enum class SaveMoment : std::uint8_t { During, Quitting };

// What a save did to the data: whether they now count as saved (closing
// asks nothing), and whether their crash journal ends. The journal ends
// exactly when the data count as saved; data that are not saved keep it.
struct SaveOutcome {
    bool Saved;
    bool JournalEnds;
};

// The destination actually used for the checked item: at "Quitter" a copy to
// the clipboard would not outlive the program, so the data go to a file.
SaveTarget TargetAt(SaveTarget checked, SaveMoment moment);

// The save policy of the three modes. `succeeded`: the hand-over reached the
// analysis program, the copy was made, the file was written. A kinetics run
// copied to the clipboard stays unsaved (its journal too); the spectrum and
// the standards count as saved once copied.
SaveOutcome SavePolicy(MeasureMode mode, SaveTarget target, bool succeeded, SaveMoment moment);

// What a session tells its window as its measurement cycle goes on; the
// number that comes with it is said where each session fires it.
enum class SessionEvent : std::uint8_t {
    Value,      // a value of a scan was stored
    Redraw,     // the plot changed as a whole: drawn again
    BlankEnded, // a blank ended, done or refused (the session's BlancFait)
    Ended,      // a measurement ended (a spectrum, a point, a standard, ...)
    GivenUp,    // the instrument went silent or away: nothing of it is kept
    Pace,       // the kinetics pacing changed: the timer is armed again
    Found,      // the instrument lost during a kinetics run answers again
    Restarted,  // it came back restarted: the run ended, a new blank is needed
};
using SessionListener = std::function<void(SessionEvent event, int value)>;

// What the space bar does: the blank, or the measurement that follows it (a
// spectrum, a kinetics run, an unknown); nothing lets the key pass on.
enum class SpaceAction : std::uint8_t { None, Blank, Measure };

// Which wavelength marker of a spectrum panel the mouse holds.
enum class MarkerDrag : std::uint8_t { None = 0, Lambda = 1, LambdaBis = 2 };

// The top of an automatic absorbance scale: 1.05 times the largest value,
// at most `absMax`, at least 0.2.
double AutoTop(double largest, double absMax);

// A spectrum plot: absorbance against wavelength, as a line, over the
// instrument's range when there is one, drawing `spectrum` (whose axes it
// names).
void SetUpSpectrumGraph(Tgraphe &graph, TDataSeries &spectrum, const TspectroVandoral *spectro);

// The marker of wavelength `lambda` is under the mouse abscissa `x`: within
// 3 pixels of the line drawn at it.
bool HitsMarker(const Tgraphe &graph, int lambda, int x);

// The wavelength under the mouse abscissa `x`, rounded to the nanometre.
int WavelengthAt(const Tgraphe &graph, int x, int y);

// A wavelength a kinetics run may follow: strictly inside the instrument's
// range (its two end wavelengths are refused).
bool InsideRange(int lambda, int lambdaMin, int lambdaMax);

} // namespace vandoral

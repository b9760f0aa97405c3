// What the three measurement modes share below their windows: the save
// targets, the mode numbers, the automatic absorbance top, the spectrum
// plot's set-up, and the wavelength markers of the spectrum panels.
#pragma once

#include <cstdint>

namespace vandoral {

class Tgraphe;
class TspectroVandoral;

// The items of the save drop-down, by their tag.
enum class SaveTarget : std::uint8_t { Tabvista = 0, Clipboard = 1, File = 2 };

// The mode the main window shows (None: the choice of modes).
enum class WindowMode : std::uint8_t { None = 0, Spectre = 1, Cinetique = 2, Beer = 3 };

// What the space bar does: the blank, or the measurement that follows it (a
// spectrum, a kinetics run, an unknown); nothing lets the key pass on.
enum class SpaceAction : std::uint8_t { None, Blank, Measure };

// Which wavelength marker of a spectrum panel the mouse holds.
enum class MarkerDrag : std::uint8_t { None = 0, Lambda = 1, LambdaBis = 2 };

// The top of an automatic absorbance scale: 1.05 times the largest value,
// at most `absMax`, at least 0.2.
double AutoTop(double largest, double absMax);

// A spectrum plot: absorbance against wavelength, as a line, over the
// instrument's range when there is one.
void SetUpSpectrumGraph(Tgraphe &graph, const TspectroVandoral *spectro);

// The marker of wavelength `lambda` is under the mouse abscissa `x`: within
// 3 pixels of the line drawn at it.
bool HitsMarker(const Tgraphe &graph, int lambda, int x);

// The wavelength under the mouse abscissa `x`, rounded to the nanometre.
int WavelengthAt(const Tgraphe &graph, int x, int y);

// A wavelength a kinetics run may follow: strictly inside the instrument's
// range (its two end wavelengths are refused).
bool InsideRange(int lambda, int lambdaMin, int lambdaMax);

} // namespace vandoral

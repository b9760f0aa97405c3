// JCAMP-DX files of UV/visible spectra, read and written. Debian packages no
// JCAMP-DX library, hence this reader and writer of the standard's labels and
// ordinate encodings (AFFN, PAC, SQZ, DIF, DUP, with the Y check).
#pragma once

#include "dataseries.h"

#include <string>

namespace vandoral {

// What is written besides the points. Texts in Windows-1252.
struct JcampHeader {
    std::string title;    // "Spectre" when empty
    std::string model;    // ##SPECTROMETER/DATA SYSTEM=
    std::string date;     // ##DATE= as YY/MM/DD; empty: none
    std::string time;     // ##TIME= as HH:MM:SS
};

// A spectrum as a JCAMP-DX 4.24 file: ##XYDATA=(X++(Y..Y)) in plain numbers
// when the wavelengths are evenly spaced, else ##XYPOINTS=(XY..XY); missing
// values written "?"; lines of at most 80 characters.
std::string WriteJcamp(const TDataSeries &spectrum, const JcampHeader &header);

struct JcampSpectrum {
    std::string title;
    TDataSeries points; // wavelength (nm), absorbance; MissingValue for "?"
};

// The first UV/visible spectrum of a JCAMP-DX file (4.24 or 5.x). False,
// with a French message (Windows-1252) naming the line where it applies,
// when it cannot be read for sure.
bool ReadJcamp(const std::string &bytes, JcampSpectrum &spectrum, std::string *error);

} // namespace vandoral

// Measured data as a mode's session owns them: the abscissa of each point
// (wavelength, time or concentration) and one or two absorbances, a value
// that did not arrive being MissingValue, with the names of the axes that
// files and data blocks carry. Graphs draw them without owning them.
#pragma once

#include "numtext.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vandoral {

struct TAxisNames {
    std::string Name;     // at most 20 bytes
    std::string Unit;     // at most 20 bytes
    std::string LongName; // at most 255 bytes
};

// The absorbance axis every mode draws and saves.
inline const TAxisNames AbsorbanceAxis{"A", "", "Absorbance"};

struct TDataSeries {
    std::vector<double> X, A, A2;
    // The second absorbance is part of the data (kinetics at two
    // wavelengths); A2 is kept in step with A either way.
    bool Two = false;
    TAxisNames XAxis, YAxis;

    int Count() const { return static_cast<int>(X.size()); }
    bool Empty() const { return X.empty(); }
    void Clear()
    {
        X.clear();
        A.clear();
        A2.clear();
    }
    void Append(double x, double a, double a2 = MissingValue)
    {
        X.push_back(x);
        A.push_back(a);
        A2.push_back(a2);
    }
    // The number of values that are not missing in A.
    int Readable() const
    {
        int n = 0;
        for (double v : A)
            n += v != MissingValue;
        return n;
    }
};

} // namespace vandoral

// Fuzz target: any bytes as a JCAMP-DX file. A file is read or refused with a
// message; what is read holds the spectrum rules (at most 1501 points,
// wavelengths within 100-3000 nm, finite absorbances) and, written back,
// reads back the same to the written precision.
#include "fuzzcheck.h"
#include "graphker.h"
#include "jcampdx.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace vandoral;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    JcampSpectrum s;
    std::string error;
    if (!ReadJcamp(std::string(reinterpret_cast<const char *>(data), size), s, &error)) {
        Check(!error.empty() && s.points.Empty());
        return 0;
    }
    const TDataSeries &p = s.points;
    Check(p.Count() >= 1 && p.Count() <= GraphCapacity);
    for (int i = 0; i < p.Count(); ++i) {
        Check(std::isfinite(p.X[i]) && p.X[i] >= 100 && p.X[i] <= 3000);
        Check(std::isfinite(p.A[i]));
    }
    JcampSpectrum back;
    Check(ReadJcamp(WriteJcamp(p, {s.title, "", "", ""}), back, &error));
    Check(back.points.Count() == p.Count());
    for (int i = 0; i < p.Count(); ++i) {
        Check(std::fabs(back.points.X[i] - p.X[i]) <= 1e-3);
        Check((back.points.A[i] == MissingValue) == (p.A[i] == MissingValue));
        Check(std::fabs(back.points.A[i] - p.A[i]) <= 1e-4);
    }
    return 0;
}

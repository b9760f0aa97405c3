// Fuzz target: any bytes as a text or CSV data file. A file is read or
// refused with a message; what is read as a measurement keeps the rules the
// windows rely on (a known mode, at most 1501 points, abscissas present).
#include "fuzzcheck.h"
#include "graphker.h"
#include "measurementfile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace vandoral;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    DataTable t;
    std::string error;
    if (!ReadDataTable(std::string(reinterpret_cast<const char *>(data), size), t, &error)) {
        Check(!error.empty());
        return 0;
    }
    for (const auto &c : t.Columns)
        Check(int(c.size()) == t.Rows());
    LoadedMeasurement m;
    if (!MeasurementFromTable(t, MeasureMode::None, m, &error)) {
        Check(!error.empty());
        return 0;
    }
    Check(m.Mode != MeasureMode::None);
    Check(m.Data.Count() <= GraphCapacity && m.Data.Count() == t.Rows());
    Check(m.Data.A.size() == m.Data.X.size() && m.Data.A2.size() == m.Data.X.size());
    for (double x : m.Data.X)
        Check(x != MissingValue && std::isfinite(x));
    if (m.Mode == MeasureMode::Beer)
        Check(m.Lambda == 0 || (m.Lambda >= 100 && m.Lambda <= 3000));
    return 0;
}

// Building and writing a 1501-point kinetics block with two curves, against
// the floor of writing the same bytes with one write call.
#include "benchtime.h"
#include "datafile.h"
#include "exportblock.h"
#include "inifile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace vandoral;
using bench::MedianMicros;

namespace {

void WriteOnce(const std::string &path, const std::string &bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

} // namespace

int main()
{
    TDataSeries g;
    g.XAxis = {"t", "s", "temps"};
    g.YAxis = {"A", "", "Absorbance"};
    g.Two = true;
    for (int i = 0; i < GraphCapacity; ++i)
        g.Append(8.0 * i, 1.2 * std::exp(-i / 400.0) + 0.0001 * (i % 7),
                 0.3 * (1 - std::exp(-i / 400.0)) + 0.0001 * (i % 5));
    BlockRequest r;
    r.kind = MeasureMode::Cinetique;
    r.data = &g;
    r.twoCurves = true;
    r.versTabvista = true;
    r.programPath = "/usr/local/bin/vandoral";
    r.dateTime = "10/12/2026 14:05:09";
    PageInfo page;
    page.comment = "bench";
    page.symbol = "k";
    page.value = "0.01";

    const std::string path = "/tmp/vandoral-bench-block.txt";
    const std::string bytes = JoinBlock(BuildBlock(r, page));
    const double floor = MedianMicros(201, [&] { WriteOnce(path, bytes); });
    const double full = MedianMicros(201, [&] { WriteOnce(path, JoinBlock(BuildBlock(r, page))); });
    std::printf("kinetics block, 1501 points, two curves (%zu bytes): build + write %.0f us, one write %.0f us; ratio %.2f\n",
                bytes.size(), full, floor, full / floor);

    // The data file as the program saves it (temporary file, flush to disk, rename).
    FileRequest fr;
    fr.kind = MeasureMode::Cinetique;
    fr.data = &g;
    fr.twoCurves = true;
    fr.comment = "bench";
    std::string error;
    const double safe = MedianMicros(31, [&] { SauveFichier(path, TextFilter, fr, nullptr, &error); });
    const double safeFloor = MedianMicros(31, [&] { WriteFileReplacing(path, bytes, &error); });
    std::printf("kinetics file, saved safely: %.0f us against %.0f us for the same bytes; ratio %.2f\n", safe, safeFloor,
                safe / safeFloor);
    std::remove(path.c_str());
    return 0;
}

// What opening a saved 1501-point spectrum costs: the file read and parsed
// (JCAMP-DX in its most compressed form, DIF/DUP; CSV with decimal commas),
// against reading its bytes alone from the same file.
#include "benchtime.h"
#include "fileio.h"
#include "jcampdx.h"
#include "measurementfile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace vandoral;

namespace {

// A value's leading digit and sign as one letter of `zero` ('@' SQZ, '%'
// DIF) and its other digits.
std::string Letters(long v, bool dif)
{
    const std::string digits = std::to_string(std::labs(v));
    char first;
    const int d = digits[0] - '0';
    if (d == 0)
        first = dif ? '%' : '@';
    else if (v > 0)
        first = static_cast<char>((dif ? 'J' : 'A') + d - 1);
    else
        first = static_cast<char>((dif ? 'j' : 'a') + d - 1);
    return first + digits.substr(1);
}

std::string Dup(int count)
{
    const std::string digits = std::to_string(count);
    const int d = digits[0] - '0';
    return (d == 9 ? std::string("s") : std::string(1, static_cast<char>('S' + d - 1))) + digits.substr(1);
}

// (X++(Y..Y)) in DIF/DUP form with the Y check, as other programs write it.
std::string DifDupFile(int first, const std::vector<long> &y)
{
    std::string out = "##TITLE=bench\r\n##JCAMP-DX=4.24\r\n##DATA TYPE=UV/VIS SPECTRUM\r\n##XUNITS=NANOMETERS\r\n"
                      "##YUNITS=ABSORBANCE\r\n##XFACTOR=1\r\n##YFACTOR=0.001\r\n##FIRSTX="
                      + std::to_string(first) + "\r\n##LASTX=" + std::to_string(first + int(y.size()) - 1)
                      + "\r\n##NPOINTS=" + std::to_string(y.size()) + "\r\n##XYDATA=(X++(Y..Y))\r\n";
    std::size_t i = 0;
    while (i < y.size()) {
        std::string line = std::to_string(first + int(i)) + Letters(y[i], false);
        std::size_t j = i + 1;
        while (j < y.size() && line.size() < 70) {
            const long d = y[j] - y[j - 1];
            std::size_t k = j + 1;
            while (k < y.size() && y[k] - y[k - 1] == d)
                ++k;
            line += Letters(d, true);
            if (k - j > 1)
                line += Dup(int(k - j));
            j = k;
        }
        out += line + "\r\n";
        // The next line starts with the last value again (the Y check).
        i = j < y.size() ? j - 1 : j;
    }
    return out + "##END=\r\n";
}

} // namespace

int main()
{
    const int n = 1501, first = 190, rounds = 300;
    std::vector<long> y;
    std::string csv = "Spectre\nLambda;A\nnm;\nLongueur d'onde;\n";
    for (int i = 0; i < n; ++i) {
        // Flat stretches and peaks, as a real spectrum has.
        const long v = std::lround(1000 * (0.1 + 0.8 * std::exp(-std::pow((i - 500) / 60.0, 2))
                                           + 0.4 * std::exp(-std::pow((i - 1100) / 25.0, 2))));
        y.push_back(v);
        char line[64];
        std::snprintf(line, sizeof line, "%d,0;%ld,%03ld\n", first + i, v / 1000, v % 1000);
        csv += line;
    }
    const auto dir = std::filesystem::temp_directory_path();
    const std::string jdxPath = (dir / "bench_open.jdx").string(), csvPath = (dir / "bench_open.csv").string();
    std::string error;
    if (!WriteFileReplacing(jdxPath, DifDupFile(first, y), &error) || !WriteFileReplacing(csvPath, csv, &error)) {
        std::fprintf(stderr, "bench_open: %s\n", error.c_str());
        return 1;
    }
    std::vector<double> jdx, jdxBytes, table, csvBytes;
    std::size_t jdxSize = 0;
    for (int r = 0; r < rounds; ++r) {
        std::string bytes;
        jdxBytes.push_back(bench::Micros([&] { ReadWholeFile(jdxPath, bytes); }));
        jdxSize = bytes.size();
        jdx.push_back(bench::Micros([&] {
            std::string b;
            ReadWholeFile(jdxPath, b);
            JcampSpectrum s;
            if (!ReadJcamp(b, s, &error) || s.points.Count() != n || s.points.A[500] != y[500] / 1000.0)
                std::abort();
        }));
        csvBytes.push_back(bench::Micros([&] { ReadWholeFile(csvPath, bytes); }));
        table.push_back(bench::Micros([&] {
            std::string b;
            ReadWholeFile(csvPath, b);
            DataTable t;
            LoadedMeasurement m;
            if (!ReadDataTable(b, t, &error) || !MeasurementFromTable(t, MeasureMode::Spectre, m, &error)
                || m.Data.Count() != n)
                std::abort();
        }));
    }
    std::filesystem::remove(jdxPath);
    std::filesystem::remove(csvPath);
    const double j = bench::Median(jdx), jb = bench::Median(jdxBytes), c = bench::Median(table), cb = bench::Median(csvBytes);
    std::printf("JCAMP-DX DIF/DUP, %d points, %zu bytes: read and parsed %.1f us, bytes alone %.1f us: %.1f x\n", n,
                jdxSize, j, jb, j / jb);
    std::printf("CSV, %d points, %zu bytes: read and parsed %.1f us, bytes alone %.1f us: %.1f x\n", n, csv.size(), c,
                cb, c / cb);
    std::printf("(medians of %d rounds)\n", rounds);
    return 0;
}

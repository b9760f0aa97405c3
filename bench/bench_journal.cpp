// What the crash journal costs a kinetics point: one record written and
// handed to the disk (write + fsync), against the same record only written,
// and against the shortest interval between two points (8 s).
#include "benchtime.h"
#include "journal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace vandoral;

int main()
{
    const std::string path = (std::filesystem::temp_directory_path() / "bench_journal.journal").string();
    const JournalHeader header = {{"mode", "cinetique"}, {"debut", "10/12/2026 10:12:05"}, {"lambda", "545"}};
    const int points = 300;
    JournalWriter w;
    std::string error;
    if (!w.Open(path, header, &error)) {
        std::fprintf(stderr, "bench_journal: %s\n", error.c_str());
        return 1;
    }
    std::vector<double> synced, plain;
    for (int k = 0; k < points; ++k) {
        const JournalRecord r{"point", {JournalNumber(8.0 * k), JournalNumber(0.5 - 1e-4 * k), JournalNumber(1.0 / 3)}};
        auto start = std::chrono::steady_clock::now();
        if (!w.Append(r, &error)) {
            std::fprintf(stderr, "bench_journal: %s\n", error.c_str());
            return 1;
        }
        synced.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        // The same bytes without the flush to the disk.
        std::FILE *f = std::fopen((path + ".plain").c_str(), "ab");
        start = std::chrono::steady_clock::now();
        const std::string bytes = FormatJournalRecord(r);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        plain.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        std::fclose(f);
    }
    w.End();
    std::filesystem::remove(path + ".plain");
    const double s = bench::Median(synced), p = bench::Median(plain);
    std::printf("journal record, written and on the disk: %.1f us (median of %d)\n", s, points);
    std::printf("the same record only written: %.1f us\n", p);
    std::printf("share of the shortest interval between points (8 s): %.5f %%\n", s / 8e6 * 100);
    return 0;
}

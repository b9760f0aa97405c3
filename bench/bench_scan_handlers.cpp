// Speed of the scan reply handlers, in characters a second, against the line
// rate of 9600 baud 8N1 (960 characters a second).
#include "driver.h"

#include <chrono>
#include <cstdio>
#include <string>

using namespace vandoral;

namespace {

double CharsPerSecond(bool hex, const std::string &stream, int rounds)
{
    TspectroVandoral s;
    s.BinaryScan = hex;
    long points = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        s.Scan([&](std::int32_t, double) { ++points; }, [] {});
        for (char c : stream)
            s.HandleChar(c);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (points != static_cast<long>(rounds) * 1501)
        std::fprintf(stderr, "unexpected point count %ld\n", points);
    return static_cast<double>(stream.size()) * rounds / seconds;
}

} // namespace

int main()
{
    std::string text = "Scanning\r\n", hex = "Scanning\r\n";
    for (int i = 0; i < 1501; ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.3f\r\n", 0.001 * (i % 2500));
        text += buf;
        std::snprintf(buf, sizeof buf, "%03X,", i % 2500);
        hex += buf;
        if (i % 16 == 15)
            hex += "\r\n";
    }
    text += "E00\r\n";
    hex += "\r\nE00\r\n";
    const double lineRate = 960.0;
    const double t = CharsPerSecond(false, text, 400);
    const double h = CharsPerSecond(true, hex, 400);
    std::printf("text scan: %.3g characters/s = %.0f x the line rate\n", t, t / lineRate);
    std::printf("hex scan:  %.3g characters/s = %.0f x the line rate\n", h, h / lineRate);
    return 0;
}

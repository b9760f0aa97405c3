// Fuzz target: any bytes from the instrument, into every reply handler.
// Whatever arrives, points carry consecutive wavelengths from the first one
// and finite values, an operation ends at most once and only on a line feed,
// the line buffer stays within its limit, and nothing escapes the driver.
#include "fuzzcheck.h"
#include "driver.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using vandoral::TspectroVandoral;

namespace {

// A clock that runs a second ahead at every look: a synchronous exchange
// installs its handler and returns at once.
struct HurriedEnv : vandoral::DriverEnv {
    std::uint64_t ms = 0;
    std::uint64_t Milliseconds() override { return ms += 1000; }
    void Sleep(int) override {}
    double Now() override { return 46000.0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    HurriedEnv env;
    TspectroVandoral s;
    s.Env = &env;
    const int kind = data[0] % 5;
    s.LambdaMin = 190 + data[1];
    int points = 0, ends = 0, messages = 0;
    s.OnMessage = [&](const std::string &m) {
        Check(m.size() <= TspectroVandoral::ReplyLimit);
        ++messages;
    };
    auto onPoint = [&](std::int32_t index, double value) {
        Check(index == s.LambdaMin + points);
        Check(std::isfinite(value));
        ++points;
        if (points % 97 == 0)
            throw points; // a window's handler failing: dropped by the driver
    };
    auto onDone = [&] {
        ++ends;
        Check(!s.Busy);
    };
    switch (kind) {
    case 0: s.SetRef(onDone); break;
    case 1: s.SendAndWait("", 0); break; // the collecting handler
    default:
        s.BinaryScan = kind == 3;
        s.Scan(onPoint, onDone);
        break;
    }
    for (std::size_t i = 2; i < size; ++i) {
        const int before = ends;
        s.HandleChar(static_cast<char>(data[i]));
        Check(s.ReplyBuffer.size() <= TspectroVandoral::ReplyLimit);
        if (ends != before)
            Check(data[i] == '\n');
        Check(ends <= 1); // one end per operation
    }
    if (kind == 4)
        s.DecodeStatus(std::string(reinterpret_cast<const char *>(data), size));
    return 0;
}

// vandoral-sim: a simulated spectrophotometer on a pseudo-terminal. Prints the
// terminal's path, then answers until interrupted.
#include "siminstrument.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t quit = 0;
void OnSignal(int) { quit = 1; }
} // namespace

int main(int argc, char **argv)
{
    using namespace vandoral::sim;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto &a : args) {
        if (a == "-h" || a == "--help") {
            std::fputs(SimUsage().c_str(), stdout);
            return 0;
        }
    }
    SimOptions options;
    std::string device, link, error;
    if (!ParseSimOptions(args, options, device, link, error)) {
        std::fprintf(stderr, "vandoral-sim: %s\n%s", error.c_str(), SimUsage().c_str());
        return 2;
    }
    PtySimulator sim(options);
    if (!sim.Start(device, &error)) {
        std::fprintf(stderr, "vandoral-sim: %s\n", error.c_str());
        return 1;
    }
    if (!link.empty()) {
        ::unlink(link.c_str());
        if (::symlink(sim.DevicePath().c_str(), link.c_str()) != 0) {
            std::perror("vandoral-sim: link");
            return 1;
        }
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::printf("%s\n", sim.DevicePath().c_str());
    std::fflush(stdout);
    while (!quit && !sim.Vanished())
        ::usleep(100000);
    sim.Stop();
    if (!link.empty())
        ::unlink(link.c_str());
    return 0;
}

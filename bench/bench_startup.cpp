// Start-up: from the program's start to the instrument receiving "CONTROL",
// over the simulated instrument, against an empty main window shown by the
// same Qt (bench_bare_window), paired round by round; resident memory two
// seconds later; CPU ticks over ten seconds idle in control.
// Usage: bench_startup [ROUNDS]   (run from the build's bin folder)
#include "siminstrument.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Child {
    pid_t pid = -1;
    int out = -1; // its standard output
};

Child Spawn(const std::string &program, const std::string &folder)
{
    int pipefd[2];
    if (pipe(pipefd) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipefd[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipefd[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
    Child c;
    if (posix_spawn(&c.pid, program.c_str(), &actions, nullptr, argv, environ) != 0) {
        std::perror(program.c_str());
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(pipefd[1]);
    c.out = pipefd[0];
    return c;
}

void Stop(Child &c)
{
    kill(c.pid, SIGKILL);
    waitpid(c.pid, nullptr, 0);
    close(c.out);
}

long ResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

long CpuTicks(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(all.substr(all.rfind(')') + 2));
    std::string f;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> f; ++i) {
        if (i == 14)
            utime = std::atol(f.c_str());
        if (i == 15) {
            stime = std::atol(f.c_str());
            break;
        }
    }
    return utime + stime;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    const fs::path work = fs::temp_directory_path() / ("bench_startup_" + std::to_string(getpid()));
    fs::create_directories(work / "run");
    fs::copy_file(bin / "vandoral", work / "run" / "vandoral", fs::copy_options::overwrite_existing);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_RUNTIME_DIR", (work / "runtime").c_str(), 1);
    setenv("XDG_DATA_HOME", (work / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
    fs::create_directories(work / "runtime");
    fs::permissions(work / "runtime", fs::perms::owner_all, fs::perm_options::replace);

    vandoral::sim::SimOptions o;
    o.charMicros = 0; // answers at once: what is measured is the program
    vandoral::sim::PtySimulator sim(o);
    if (!sim.Start()) {
        std::fprintf(stderr, "bench_startup: the simulator did not start\n");
        return 1;
    }
    std::ofstream(work / "run" / "vandoral.INI")
        << "[Spectro]\r\nCom=1\r\n[Ports]\r\nCOM1=" << sim.DevicePath() << "\r\n";

    std::vector<double> bare, program, bareKiB, programKiB;
    long idleTicks = -1;
    for (int r = 0; r < rounds; ++r) {
        {
            const auto t0 = Clock::now();
            Child c = Spawn((bin / "bench_bare_window").string(), work.string());
            char buf[16];
            if (read(c.out, buf, sizeof buf) <= 0) {
                std::fprintf(stderr, "bench_startup: the bare window said nothing\n");
                return 1;
            }
            bare.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            std::this_thread::sleep_for(std::chrono::seconds(2));
            bareKiB.push_back(double(ResidentKiB(c.pid)));
            Stop(c);
        }
        {
            sim.ClearCommands();
            const auto t0 = Clock::now();
            Child c = Spawn((work / "run" / "vandoral").string(), (work / "run").string());
            while (sim.CountOf("CONTROL") == 0) {
                if (Clock::now() - t0 > std::chrono::seconds(20)) {
                    std::fprintf(stderr, "bench_startup: no CONTROL within 20 s\n");
                    Stop(c);
                    return 1;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            program.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            std::this_thread::sleep_for(std::chrono::seconds(2));
            programKiB.push_back(double(ResidentKiB(c.pid)));
            if (r == 0) {
                const long before = CpuTicks(c.pid);
                std::this_thread::sleep_for(std::chrono::seconds(10));
                idleTicks = CpuTicks(c.pid) - before;
            }
            Stop(c);
        }
    }
    fs::remove_all(work);
    auto spread = [](const std::vector<double> &v) {
        return std::to_string(int(*std::min_element(v.begin(), v.end()) + 0.5)) + "–"
               + std::to_string(int(*std::max_element(v.begin(), v.end()) + 0.5));
    };
    std::printf("start to CONTROL: %.1f ms (rounds %s ms) against the bare window shown: %.1f ms (%s ms): %.2f x\n",
                Median(program), spread(program).c_str(), Median(bare), spread(bare).c_str(),
                Median(program) / Median(bare));
    std::printf("resident memory 2 s later: %.1f MB against %.1f MB: %.2f x\n", Median(programKiB) / 1024,
                Median(bareKiB) / 1024, Median(programKiB) / Median(bareKiB));
    std::printf("CPU ticks over 10 s idle in control: %ld\n", idleTicks);
    return 0;
}

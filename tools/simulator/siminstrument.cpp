#include "siminstrument.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vandoral::sim {

namespace {

// An instrument speaks with a decimal point whatever the locale of the
// computer that plays it (printf and atof follow LC_NUMERIC, which a French
// desktop sets).
std::string PointText(double v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    return std::string(buf, r.ec == std::errc() ? r.ptr : buf);
}

// The whole of `text` read as a number with a point; false otherwise.
bool ReadPointNumber(const std::string &text, double &v)
{
    const char *end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

// A number with a point, 0 for a text that is not one (as atof would, in C).
double PointNumber(const std::string &text)
{
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    return r.ec == std::errc() ? v : 0;
}

} // namespace

namespace {

double Band(double lambda, double centre, double width, double height)
{
    const double d = (lambda - centre) / width;
    return height * std::exp(-0.5 * d * d);
}

// Known models' ranges, so a code alone gives a plausible instrument.
struct Model {
    const char *code;
    int lmin, lmax;
};
const Model models[] = {
    {"6004", 330, 800}, {"6006", 330, 800}, {"6011", 325, 999},  {"6012", 200, 999},
    {"6021", 325, 1100}, {"6022", 190, 1100}, {"7004", 330, 800}, {"7006", 330, 800},
    {"4104", 330, 800}, {"4106", 330, 800},
};

} // namespace

SimEngine::SimEngine(SimOptions options) : options_(std::move(options)), noise_(options_.noiseSeed)
{
}

double SimEngine::Noise()
{
    noise_ = noise_ * 1103515245u + 12345u;
    return (static_cast<double>((noise_ >> 16) & 0x7FFF) / 32767.0 - 0.5) * 0.002;
}

double SimEngine::Absorbance(int lambda, double seconds) const
{
    const double l = lambda;
    // Reactant: a violet dye (band near 545 nm) with a shoulder at 590 nm.
    const double reactant = Band(l, 545, 38, 1.05) + Band(l, 590, 25, 0.35);
    // Product: a yellow compound absorbing in the near UV.
    const double product = Band(l, 400, 45, 0.65);
    // Scattering and the cell's own absorption rise towards the UV.
    const double base = 0.02 + 0.9 * std::exp(-(l - 190) / 35.0);
    const double f = options_.rate > 0 ? std::exp(-options_.rate * seconds) : 1.0;
    return base + reactant * f + product * (1.0 - f);
}

std::string SimEngine::HexValue(double absorbance)
{
    long n = std::lround(absorbance * 1000.0);
    if (n < -255)
        n = -255;
    if (n > 0xEFF)
        n = 0xEFF;
    if (n <= 0)
        n += 4095; // F00..FFF: -255..0 thousandths
    char buf[8];
    std::snprintf(buf, sizeof buf, "%03lX", n);
    return buf;
}

void SimEngine::Restart(int calibratingReplies)
{
    controlled_ = false;
    calibrating_ = calibratingReplies;
    blankValid_ = false;
}

std::string SimEngine::Status(const std::string &command)
{
    if (command == "CONTROL")
        controlled_ = true;
    const bool measure = command == "SETREF" || command == "SCANTXT" || command == "SCANBIN";
    if (measure && !controlled_)
        return "E92";
    if (measure && calibrating_ > 0) {
        --calibrating_;
        return "E91";
    }
    const auto it = options_.errors.find(command);
    if (it != options_.errors.end()) {
        int &used = faultsUsed_[command];
        if (it->second.times < 0 || used < it->second.times) {
            ++used;
            return it->second.status;
        }
    }
    return "E00";
}

Reply SimEngine::ScanReply(bool hex, double seconds)
{
    Reply reply;
    // Faults only from the chosen scan on.
    SimOptions o = options_;
    if (scans_ - 1 < options_.faultsFromScan) {
        o.unreadableAt = o.longLineAt = o.cutAfter = o.vanishAfter = -1;
        o.garbageLines = 0;
    }
    const SimOptions &options = o;
    reply.chunks.push_back("Scanning\r\n");
    std::string line;
    int index = 0;
    int onLine = 0;
    if (options.garbageLines > 0) {
        for (int i = 0; i < options.garbageLines; ++i)
            reply.chunks.push_back(std::string(12, '\0') + "\r\n");
        reply.chunks.push_back(options.scanStatus + "\r\n" + options.afterStatus);
        return reply;
    }
    const int last = options.lambdaMax + options.extraValues;
    for (int lambda = options.lambdaMin; lambda <= last; ++lambda, ++index) {
        if (index == options.cutAfter)
            return reply;
        if (index == options.vanishAfter) {
            if (!line.empty())
                reply.chunks.push_back(line);
            reply.vanish = true;
            return reply;
        }
        double a = Absorbance(lambda, seconds) + Noise();
        if (!options.levels.empty()) {
            const double level = options.levels[std::min<std::size_t>(std::size_t(scans_ - 1), options.levels.size() - 1)];
            a = Absorbance(lambda, seconds) * level / Absorbance(options.levelLambda, seconds);
        }
        // Its blank lost (switched off and on): measured against nothing,
        // plausible-looking and wrong, until the next blank.
        if (!blankValid_)
            a += 0.5;
        if (index == options.longLineAt) {
            if (hex) {
                line += std::string(300, '0') + ",";
            } else {
                const std::string text = PointText(a);
                reply.chunks.push_back(std::string(300 - text.size(), ' ') + text + "\r\n");
            }
        } else if (hex) {
            std::string value = index == options.unreadableAt ? std::string("XYZ") : HexValue(a);
            if (options.lowercaseHex)
                for (char &c : value)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            line += value + ',';
        } else {
            reply.chunks.push_back(index == options.unreadableAt ? std::string("abc\r\n") : PointText(a) + "\r\n");
        }
        if (hex && ++onLine == options.hexPerLine) {
            reply.chunks.push_back(line + "\r\n");
            line.clear();
            onLine = 0;
        }
    }
    if (hex && !line.empty())
        reply.chunks.push_back(line + "\r\n");
    reply.chunks.push_back(options.scanStatus + "\r\n" + options.afterStatus);
    return reply;
}

Reply SimEngine::Respond(const std::string &command, double seconds)
{
    Reply reply;
    const bool scan = command == "SCANTXT" || command == "SCANBIN";
    if (scan)
        ++scans_;
    if (options_.silent.count(command) && (!scan || scans_ - 1 >= options_.faultsFromScan))
        return reply;
    if (command == "ID?") {
        const std::string status = Status(command);
        if (!options_.idReply.empty())
            reply.chunks.push_back(options_.idReply + "\r\n");
        else if (status != "E00")
            reply.chunks.push_back(status + "\r\n");
        else
            reply.chunks.push_back("E00 " + options_.modelCode + " Vandoral simulateur\r\n");
    } else if (command == "CONTROL" || command == "RELEASE") {
        reply.chunks.push_back(Status(command) + "\r\n");
    } else if (command == "SETREF") {
        reply.delayMillis = options_.setrefMillis;
        const std::string status = Status(command);
        if (status == "E00")
            blankValid_ = true;
        reply.chunks.push_back(status + "\r\n" + options_.afterStatus);
    } else if (command == "SCANTXT" || command == "SCANBIN") {
        const std::string status = Status(command);
        if (status != "E00") {
            reply.chunks.push_back(status + "\r\n");
            return reply;
        }
        return ScanReply(command == "SCANBIN", seconds);
    } else if (command.size() > 64) {
        reply.chunks.push_back("E95\r\n");
    } else {
        reply.chunks.push_back("E92\r\n");
    }
    return reply;
}

// ---- the pseudo-terminal ----------------------------------------------------

PtySimulator::PtySimulator(SimOptions options) : engine_(std::move(options)) {}

PtySimulator::~PtySimulator()
{
    Stop();
}

bool PtySimulator::Start(const std::string &device, std::string *error)
{
    auto fail = [&](const char *what) {
        if (error)
            *error = std::string(what) + ": " + std::strerror(errno);
        return false;
    };
    if (device.empty()) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0)
            return fail("posix_openpt");
        if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            return fail("grantpt");
        const char *name = ::ptsname(master_);
        if (!name)
            return fail("ptsname");
        path_ = name;
        // Holding the terminal's other end open keeps it alive, and raw, while
        // the program opens and closes it during its port search.
        keepSlave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
        if (keepSlave_ < 0)
            return fail("open terminal");
        termios t{};
        if (::tcgetattr(keepSlave_, &t) == 0) {
            ::cfmakeraw(&t);
            ::cfsetispeed(&t, B9600);
            ::cfsetospeed(&t, B9600);
            ::tcsetattr(keepSlave_, TCSANOW, &t);
        }
    } else {
        master_ = ::open(device.c_str(), O_RDWR | O_NOCTTY);
        if (master_ < 0)
            return fail("open device");
        termios t{};
        if (::tcgetattr(master_, &t) == 0) {
            ::cfmakeraw(&t);
            ::cfsetispeed(&t, B9600);
            ::cfsetospeed(&t, B9600);
            ::tcsetattr(master_, TCSANOW, &t);
        }
        path_ = device;
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    // Programs started meanwhile must not inherit the terminal: the device
    // could no longer go away while they hold it.
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    if (keepSlave_ >= 0)
        ::fcntl(keepSlave_, F_SETFD, FD_CLOEXEC);
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void PtySimulator::Stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    Vanish();
}

void PtySimulator::DrainThen(int maxMillis)
{
    if (keepSlave_ < 0)
        return;
    for (int waited = 0; waited < maxMillis && !stop_; waited += 10) {
        int queued = 0;
        if (::ioctl(keepSlave_, FIONREAD, &queued) != 0 || queued == 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void PtySimulator::Vanish()
{
    if (master_ >= 0)
        ::close(master_);
    if (keepSlave_ >= 0)
        ::close(keepSlave_);
    master_ = keepSlave_ = -1;
}

std::vector<std::string> PtySimulator::Commands() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

int PtySimulator::CountOf(const std::string &command) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const auto &c : commands_)
        n += c == command;
    return n;
}

void PtySimulator::ClearCommands()
{
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.clear();
}

void PtySimulator::Pace(std::size_t chars)
{
    const double micros = engine_.Options().charMicros * static_cast<double>(chars);
    if (micros >= 1.0)
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(micros)));
}

bool PtySimulator::WriteAll(const std::string &bytes)
{
    // Small pieces at the line rate, so the program sees the reply arrive as
    // it would from the instrument.
    const std::size_t piece = engine_.Options().charMicros > 0 ? 8 : bytes.size();
    std::size_t done = 0;
    while (done < bytes.size() && !stop_) {
        const std::size_t n = std::min(piece, bytes.size() - done);
        const ssize_t w = ::write(master_, bytes.data() + done, n);
        if (w > 0) {
            Pace(static_cast<std::size_t>(w));
            done += static_cast<std::size_t>(w);
        } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 50);
        } else {
            return false;
        }
    }
    return done == bytes.size();
}

void PtySimulator::Run()
{
    const auto started = std::chrono::steady_clock::now();
    std::string pending;
    while (!stop_) {
        pollfd p{master_, POLLIN, 0};
        const int r = ::poll(&p, 1, 50);
        if (r <= 0 || !(p.revents & POLLIN)) {
            if (r > 0 && (p.revents & (POLLERR | POLLNVAL)))
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        char buf[256];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        pending.append(buf, static_cast<std::size_t>(n));
        std::size_t eol;
        while ((eol = pending.find('\n')) != std::string::npos) {
            std::string command = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            if (!command.empty() && command.back() == '\r')
                command.pop_back();
            {
                std::lock_guard<std::mutex> lock(mutex_);
                commands_.push_back(command);
            }
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            // Switched off, or its cable pulled: every command goes unanswered.
            const SimOptions &opt = engine_.Options();
            const bool offNow = opt.offFrom >= 0 && seconds >= opt.offFrom && seconds < opt.offFrom + opt.offFor;
            if (off_ || offNow)
                continue;
            if (opt.restartAt >= 0 && seconds >= opt.restartAt && !restartedOnce_) {
                restartedOnce_ = true;
                restart_ = true;
            }
            if (restart_.exchange(false))
                engine_.Restart();
            const Reply reply = engine_.Respond(command, seconds);
            if (reply.delayMillis > 0 && engine_.Options().charMicros > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(reply.delayMillis));
            // A reply under way stops where the instrument was switched off.
            for (const auto &chunk : reply.chunks)
                if (off_ || !WriteAll(chunk))
                    break;
            if (reply.vanish) {
                // The values sent before it went away are the program's: let it
                // read them (a terminal gone drops what is still queued), for
                // at most two seconds.
                DrainThen(2000);
                vanished_ = true;
                Vanish();
                return;
            }
        }
        if (pending.size() > 4096)
            pending.clear();
    }
}

// ---- options ------------------------------------------------------------------

std::string SimUsage()
{
    return "usage: vandoral-sim [options]\n"
           "  --model CODE        model code answered to ID? (default 6004)\n"
           "  --range MIN:MAX     wavelength range in nm (default: the model's)\n"
           "  --id-reply TEXT     whole ID? reply line\n"
           "  --fast              no pacing (default: 960 characters a second)\n"
           "  --speed X           X times the real line rate\n"
           "  --error CMD=EXX[:N] status EXX to CMD (N times, default always)\n"
           "  --silent CMD        no reply to CMD\n"
           "  --unreadable K      value K of a scan unreadable\n"
           "  --long-line K       value K of a scan on a line of 300 characters\n"
           "  --cut K             scan stops after K values, without status\n"
           "  --vanish K          device goes away after K values of a scan\n"
           "  --scan-status EXX   status line ending a scan (default E00)\n"
           "  --after-status TEXT bytes sent after the status ending a blank or scan\n"
           "                      (\\r, \\n and \\0 understood)\n"
           "  --extra K           K values past the last wavelength\n"
           "  --lowercase         hexadecimal digits in lower case\n"
           "  --garbage N         N lines of NUL bytes in place of a scan's values\n"
           "  --levels A,B,...[@L] scan k reads the k-th absorbance at L nm (default 545)\n"
           "  --faults-from N     scan faults (and a silent scan) only from scan N on,\n"
           "                      counting from 0\n"
           "  --rate K            first-order reaction rate in 1/s (default 0)\n"
           "  --off FROM:FOR      switched off FROM seconds after the start, FOR seconds\n"
           "  --restart AT        switched off and on AT seconds after the start: no\n"
           "                      longer under control (E92), then calibrating (E91)\n"
           "  --device PATH       serve this terminal device instead of a new one\n"
           "  --link PATH         make PATH a link to the terminal\n";
}

bool ParseSimOptions(const std::vector<std::string> &args, SimOptions &o, std::string &device,
                     std::string &link, std::string &error)
{
    bool rangeGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](int &out) {
            std::string v;
            if (!value(v))
                return false;
            char *end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end) {
                error = a + ": not a number: " + v;
                return false;
            }
            out = static_cast<int>(n);
            return true;
        };
        std::string v;
        if (a == "--model") {
            if (!value(o.modelCode))
                return false;
        } else if (a == "--range") {
            if (!value(v) || std::sscanf(v.c_str(), "%d:%d", &o.lambdaMin, &o.lambdaMax) != 2
                || o.lambdaMin > o.lambdaMax) {
                error = "--range takes MIN:MAX";
                return false;
            }
            rangeGiven = true;
        } else if (a == "--id-reply") {
            if (!value(o.idReply))
                return false;
        } else if (a == "--fast") {
            o.charMicros = 0;
        } else if (a == "--speed") {
            if (!value(v))
                return false;
            const double x = PointNumber(v);
            if (!(x > 0)) {
                error = "--speed takes a positive factor";
                return false;
            }
            o.charMicros = 1e6 / 960.0 / x;
        } else if (a == "--error") {
            if (!value(v))
                return false;
            const auto eq = v.find('=');
            if (eq == std::string::npos) {
                error = "--error takes CMD=EXX[:N]";
                return false;
            }
            SimOptions::Fault f;
            std::string status = v.substr(eq + 1);
            const auto colon = status.find(':');
            if (colon != std::string::npos) {
                f.times = std::atoi(status.c_str() + colon + 1);
                status.resize(colon);
            }
            f.status = status;
            o.errors[v.substr(0, eq)] = f;
        } else if (a == "--silent") {
            if (!value(v))
                return false;
            o.silent.insert(v);
        } else if (a == "--unreadable") {
            if (!number(o.unreadableAt))
                return false;
        } else if (a == "--long-line") {
            if (!number(o.longLineAt))
                return false;
        } else if (a == "--cut") {
            if (!number(o.cutAfter))
                return false;
        } else if (a == "--vanish") {
            if (!number(o.vanishAfter))
                return false;
        } else if (a == "--scan-status") {
            if (!value(o.scanStatus))
                return false;
        } else if (a == "--after-status") {
            if (!value(v))
                return false;
            o.afterStatus.clear();
            for (std::size_t k = 0; k < v.size(); ++k) {
                if (v[k] == '\\' && k + 1 < v.size()) {
                    const char e = v[++k];
                    o.afterStatus += e == 'r' ? '\r' : e == 'n' ? '\n' : e == '0' ? '\0' : e;
                } else {
                    o.afterStatus += v[k];
                }
            }
        } else if (a == "--extra") {
            if (!number(o.extraValues))
                return false;
        } else if (a == "--lowercase") {
            o.lowercaseHex = true;
        } else if (a == "--levels") {
            if (!value(v))
                return false;
            const auto at = v.find('@');
            if (at != std::string::npos) {
                o.levelLambda = std::atoi(v.c_str() + at + 1);
                v.resize(at);
            }
            o.levels.clear();
            std::size_t start = 0;
            while (start <= v.size()) {
                const auto comma = v.find(',', start);
                o.levels.push_back(PointNumber(v.substr(start, comma - start)));
                if (comma == std::string::npos)
                    break;
                start = comma + 1;
            }
        } else if (a == "--faults-from") {
            if (!number(o.faultsFromScan))
                return false;
        } else if (a == "--garbage") {
            if (!number(o.garbageLines))
                return false;
        } else if (a == "--rate") {
            if (!value(v))
                return false;
            o.rate = PointNumber(v);
        } else if (a == "--off") {
            if (!value(v))
                return false;
            const auto colon = v.find(':');
            const std::string from = v.substr(0, colon), span = colon == std::string::npos ? "" : v.substr(colon + 1);
            if (colon == std::string::npos || !ReadPointNumber(from, o.offFrom) || !ReadPointNumber(span, o.offFor)
                || o.offFrom < 0 || o.offFor <= 0) {
                error = "--off takes FROM:FOR (seconds)";
                return false;
            }
        } else if (a == "--restart") {
            if (!value(v))
                return false;
            if (!ReadPointNumber(v, o.restartAt) || o.restartAt < 0) {
                error = "--restart takes a number of seconds";
                return false;
            }
        } else if (a == "--device") {
            if (!value(device))
                return false;
        } else if (a == "--link") {
            if (!value(link))
                return false;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (!rangeGiven) {
        for (const auto &m : models) {
            if (o.modelCode == m.code) {
                o.lambdaMin = m.lmin;
                o.lambdaMax = m.lmax;
            }
        }
    }
    return true;
}

} // namespace vandoral::sim

// A simulated Vandoral spectrophotometer: the protocol engine (what it answers
// to each command) and a server that speaks it on a pseudo-terminal at the
// real line rate.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace vandoral::sim {

struct SimOptions {
    std::string modelCode = "6004";
    int lambdaMin = 330;
    int lambdaMax = 800;
    // Whole "ID?" reply line instead of "E00 <code> ..." (empty: the usual one).
    std::string idReply;
    // Microseconds a character takes on the line: 9600 baud 8N1 is 960
    // characters a second. 0 sends as fast as the terminal takes it.
    double charMicros = 1e6 / 960.0;
    // Time the blank measurement takes, in milliseconds at the real rate.
    int setrefMillis = 800;
    // Status replies in place of "E00", by command; a count limits how many
    // times (then "E00" again), -1 for always.
    struct Fault {
        std::string status;
        int times = -1;
    };
    std::map<std::string, Fault> errors;
    // Commands that get no reply at all.
    std::set<std::string> silent;
    // Scan faults, by value index (counting from 0; -1 for none).
    int unreadableAt = -1;  // "abc" in text, "XYZ," in hexadecimal
    int longLineAt = -1;    // a line of 300 characters
    int cutAfter = -1;      // the scan stops after this many values, no status line
    int vanishAfter = -1;   // the device goes away after this many values
    std::string scanStatus = "E00";
    // Bytes sent after the status line that ends a blank or a scan.
    std::string afterStatus;
    int extraValues = 0;    // values sent past the last wavelength
    bool lowercaseHex = false;
    // Lines of NUL bytes in place of a scan's values.
    int garbageLines = 0;
    // The scan faults above (and a silent SCANTXT or SCANBIN) start with this
    // scan, counting from 0: the earlier scans are clean.
    int faultsFromScan = 0;
    // Samples of known absorbance: scan k shows the spectrum scaled so that
    // it reads levels[k] at levelLambda (the last level for later scans),
    // without noise.
    std::vector<double> levels;
    int levelLambda = 545;
    int hexPerLine = 16;    // hexadecimal values per line
    // First-order reaction: the spectrum turns from the reactant's to the
    // product's with this rate (1/s); 0 keeps it still.
    double rate = 0.0;
    unsigned noiseSeed = 1;
    // Switched off (every command unanswered) from `offFrom` seconds after
    // the start for `offFor` seconds; switched off and on (SimEngine::Restart)
    // at `restartAt` seconds. Negative: never.
    double offFrom = -1, offFor = 0;
    double restartAt = -1;
};

// The reply to one command: chunks of bytes, optionally ending with the
// device going away.
struct Reply {
    std::vector<std::string> chunks;
    int delayMillis = 0; // before the first chunk, at the real rate
    bool vanish = false;
};

class SimEngine {
public:
    explicit SimEngine(SimOptions options);

    // `command` without its line end; `seconds` since the simulator started.
    Reply Respond(const std::string &command, double seconds);
    // The absorbance the instrument measures at `lambda` nm after `seconds`.
    double Absorbance(int lambda, double seconds) const;
    const SimOptions &Options() const { return options_; }
    // Switched off and on: no longer under remote control (a blank or a
    // scan is refused with E92 until "CONTROL"), then calibrating for
    // `calibratingReplies` of them (E91), its blank gone: a scan before the
    // next blank reads 0.5 too high.
    void Restart(int calibratingReplies = 2);

    static std::string HexValue(double absorbance);

private:
    std::string Status(const std::string &command);
    Reply ScanReply(bool hex, double seconds);
    double Noise();

    SimOptions options_;
    std::map<std::string, int> faultsUsed_;
    bool controlled_ = true;  // as the tests find it: under the computer's control
    int calibrating_ = 0;
    bool blankValid_ = true;  // false from a restart to the next blank
    int scans_ = 0; // scans asked for so far
    unsigned noise_;
};

// Serves the engine on a new pseudo-terminal, or on a device it is given.
class PtySimulator {
public:
    explicit PtySimulator(SimOptions options);
    ~PtySimulator();
    PtySimulator(const PtySimulator &) = delete;
    PtySimulator &operator=(const PtySimulator &) = delete;

    // Opens a pseudo-terminal (or `device` when not empty) and starts
    // answering. False, with the reason, on failure.
    bool Start(const std::string &device = std::string(), std::string *error = nullptr);
    void Stop();
    // The path the program opens.
    std::string DevicePath() const { return path_; }
    // Commands received, in order, without their line ends.
    std::vector<std::string> Commands() const;
    int CountOf(const std::string &command) const;
    void ClearCommands();
    bool Vanished() const { return vanished_; }
    // Silent (switched off, its cable pulled) from now on, or back.
    void SetOff(bool off) { off_ = off; }
    // Switched off and on (SimEngine::Restart), before the next command.
    void Restart() { restart_ = true; }

private:
    void Run();
    bool WriteAll(const std::string &bytes);
    void Pace(std::size_t chars);
    void Vanish();
    void DrainThen(int maxMillis);

    SimEngine engine_;
    int master_ = -1;
    int keepSlave_ = -1;
    std::string path_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> vanished_{false};
    std::atomic<bool> off_{false};
    std::atomic<bool> restart_{false};
    bool restartedOnce_ = false; // the --restart time has come (the serving thread's)
    mutable std::mutex mutex_;
    std::vector<std::string> commands_;
};

// Reads the simulator's command-line options; false with a message on error.
bool ParseSimOptions(const std::vector<std::string> &args, SimOptions &options,
                     std::string &device, std::string &link, std::string &error);
std::string SimUsage();

} // namespace vandoral::sim

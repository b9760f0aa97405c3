// The instrument driver: frames commands, collects reply lines from the
// serial line, decodes status replies into French messages and turns scans
// into (wavelength, absorbance) points. It also carries the acquisition
// settings kept in the settings file.
#pragma once

#include "instrument.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vandoral {

class IniImage;
class SerialLine;
class TlisteSpectro;

// Clock, sleep and event pump, replaceable so tests need not wait.
class DriverEnv {
public:
    virtual ~DriverEnv() = default;
    virtual std::uint64_t Milliseconds();  // system millisecond clock
    virtual void Sleep(int ms);
    // Waits at most `ms` for input on `port` (a synchronous exchange's
    // reply): here a plain sleep; the Qt side wakes as soon as data arrive.
    virtual void WaitForInput(SerialLine *port, int ms);
    virtual void PumpEvents() {}           // process pending window messages
    virtual double Now();                  // date-time, days since 1899-12-30
    // Calls `tick` about every `ms` milliseconds until StopTicker. The plain
    // environment has no timer: its owner calls the driver's CheckSilence.
    virtual void StartTicker(int ms, std::function<void()> tick);
    virtual void StopTicker() {}
};

DriverEnv &DefaultDriverEnv();

class TspectroVandoral : public TInstrument {
public:
    using MessageEvent = std::function<void(const std::string &)>;

    // Sets the defaults, then reads the settings file when `settingsPath`
    // names one.
    explicit TspectroVandoral(const std::string &settingsPath = std::string());
    // Stops the watch of a blank or scan still under way.
    ~TspectroVandoral() override;
    TspectroVandoral(const TspectroVandoral &) = delete;
    TspectroVandoral &operator=(const TspectroVandoral &) = delete;

    Event OnDone;
    MessageEvent OnMessage;
    PointEvent OnPoint;
    Event OnControlChange;
    std::int32_t LambdaMax = 800;
    std::int32_t LambdaMin = 330;
    bool Controlled = false;
    bool LineReceived = false;
    std::int32_t PointIndex = 0;
    std::string ModelCode;
    std::string ModelName;
    std::string LastMessage;
    bool BinaryScan = false;
    double AbsMax = 2.5;
    std::uint16_t Deltat = 8;
    std::uint16_t Nombre = 60;
    std::uint16_t Com = 1;
    SerialLine *Port = nullptr;
    std::string ReplyBuffer;
    double Mini = 0;
    double Maxi = 0.01;
    std::string Nom = "c";
    std::string Unite = "mol/L";
    std::string Signif = "concentration";
    std::uint16_t Lambda = 500;
    std::uint16_t LambdaBeer = 500;
    std::uint16_t LambdaBis = 500;
    bool Actif = true;
    bool Busy = false;
    double BusySince = 0;
    // The last status line was "E00": a blank or scan the instrument did.
    bool StatusOk = false;
    // The code of the last status line (-1: none, or not a number).
    int StatusCode = -1;

    // Catalogue that Identify searches; the global one unless replaced.
    TlisteSpectro *Catalogue;
    // Clock, sleep and event pump; the plain system one unless replaced.
    DriverEnv *Env;
    // The settings file read at creation and written by SaveSettings.
    std::string SettingsPath;

    // The synchronous exchanges wait for their reply; none starts while a
    // blank or scan is under way (Identify then answers nothing, TakeControl
    // and Release false, and nothing is sent).
    std::string Identify();
    bool TakeControl();
    bool Release();
    // False, doing nothing at all, while another operation is under way
    // (less than 30 seconds old) or a synchronous exchange waits for its
    // reply (its wait processes events: a timer may ask for a scan then).
    // `onGivenUp` fires instead of `onDone` when the operation is given up
    // (see CheckSilence).
    bool SetRef(Event onDone, Event onGivenUp = {}) override;
    // The format (BinaryScan) is taken when the scan starts.
    bool Scan(PointEvent onPoint, Event onDone, Event onGivenUp = {}) override;
    // Gives up a blank or scan that has received nothing for SilenceMs (or
    // whose line failed): Busy cleared, "Le spectro ne répond plus" through
    // OnMessage, OnControlChange, then the operation's onGivenUp; OnDone is
    // not fired (nothing was completed).
    void CheckSilence();
    // Ends the blank or scan under way at once, for a caller that no longer
    // waits for it (a tool being interrupted): nothing more of it is taken and
    // no event fires; the synchronous exchanges may follow.
    void Abandon();
    std::string FormatAbs(double value) const;
    std::uint32_t Duree() const;
    void LoadSettings();
    // False, with the reason in `error`, when the file could not be written
    // (a file that exists but cannot be read is never written over).
    bool SaveSettings(std::string *error = nullptr);
    // The reading rules and the writing order, on an image of the file.
    void LoadSettingsFrom(const IniImage &ini);
    void WriteSettingsTo(IniImage &ini) const;

    void SendLine(const std::string &command);
    std::string SendAndWait(const std::string &command, int ticks);
    // A synchronous exchange waits for its reply.
    bool Exchanging() const override { return exchanging_; }
    bool IsControlled() const override { return Controlled; }
    bool IsBusy() const override { return Busy; }
    bool StatusWasOk() const override { return StatusOk; }
    int LastStatusCode() const override { return StatusCode; }
    bool Answers() override;
    bool TakeControlAgain() override { return TakeControl(); }
    bool LineLost() const override { return lineLost_; }
    bool DecodeStatus(const std::string &reply);

    // Longest reply line kept; further characters are lost.
    static constexpr std::size_t ReplyLimit = 255;
    static constexpr int TimeoutTicks = 9;
    static constexpr int TickMs = 55;
    static constexpr int BusyGuardSeconds = 30;
    // How long a blank or scan may stay without a character before it ends.
    int SilenceMs = BusyGuardSeconds * 1000;
    static constexpr const char *NoAnswerText = "Le spectro ne r\xE9pond plus";

    // Which reply handler the port notification reaches. Ended: an
    // asynchronous operation has had its status line; nothing more is taken
    // until the next command.
    enum class Handler { None, Collecting, Reference, Scan, Ended };

    // Treats `count` waiting characters with the installed handler; this is
    // what the port's "data available" notification calls.
    void DataAvailable(int count);
    // Treats one character with the installed handler.
    void HandleChar(char c);

private:
    void Install(Handler h);
    bool GuardBusy();
    // A blank or scan younger than the busy guard is under way.
    bool Measuring() const;
    void Append(char c);
    void EndOperation();
    void AbandonOperation();
    void StartWatch();
    void StopWatch();
    void CollectChar(char c);
    void ReferenceChar(char c);
    // A scan's line feed on an empty line or a status line.
    bool ScanLineHandled();
    void ScanTextChar(char c);
    void ScanHexChar(char c);
    void FirePoint(double value);
    template <class F, class... Args>
    void Fire(const F &event, Args... args);

    Handler handler_ = Handler::None;
    Event onGivenUp_;
    bool scanBinary_ = false;           // the format of the scan under way
    bool watching_ = false;             // the environment's ticker calls CheckSilence
    bool exchanging_ = false;           // SendAndWait is waiting for its reply
    bool lineLost_ = false;             // the line failed; the device may come back
    std::uint64_t lastActivityMs_ = 0;  // last character of the operation
};

// Whole seconds of the time-of-day part of a date-time difference.
int ElapsedSeconds(double days);

extern TspectroVandoral *Spectro;

} // namespace vandoral

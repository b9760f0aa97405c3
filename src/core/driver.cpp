#include "driver.h"

#include "catalogue.h"
#include "inifile.h"
#include "numtext.h"
#include "serialline.h"

#include <chrono>
#include <climits>
#include <cmath>
#include <thread>

namespace vandoral {

TspectroVandoral *Spectro = nullptr;

std::uint64_t DriverEnv::Milliseconds()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void DriverEnv::Sleep(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void DriverEnv::WaitForInput(SerialLine *, int ms)
{
    Sleep(ms);
}

double DriverEnv::Now()
{
    using namespace std::chrono;
    const double unixSeconds =
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() / 1000.0;
    return 25569.0 + unixSeconds / 86400.0; // 1970-01-01 is day 25569
}

void DriverEnv::StartTicker(int, std::function<void()>) {}

DriverEnv &DefaultDriverEnv()
{
    static DriverEnv env;
    return env;
}

int ElapsedSeconds(double days)
{
    if (!std::isfinite(days))
        return 0;
    const double timeOfDay = std::fabs(days - std::trunc(days));
    const auto ms = static_cast<long long>(std::llround(timeOfDay * 86400000.0));
    return static_cast<int>((ms / 1000) % 86400);
}

TspectroVandoral::TspectroVandoral(const std::string &settingsPath)
    : Catalogue(&ListeSpectro), Env(&DefaultDriverEnv()), SettingsPath(settingsPath)
{
    LoadSettings();
}

TspectroVandoral::~TspectroVandoral()
{
    // The port is its owner's: it may already be gone.
    if (watching_ && Env)
        Env->StopTicker();
}

// ---- settings ------------------------------------------------------------

void TspectroVandoral::LoadSettings()
{
    if (SettingsPath.empty())
        return;
    IniImage ini;
    if (ini.Load(SettingsPath) == FileState::Read)
        LoadSettingsFrom(ini);
}

void TspectroVandoral::LoadSettingsFrom(const IniImage &ini)
{
    Com = static_cast<std::uint16_t>(ini.ReadInteger("Spectro", "Com", 1));
    Mini = ini.ReadFloat("Beer", "Mini", 0);
    Maxi = ini.ReadFloat("Beer", "Maxi", 0.01);
    if (Maxi < 0.001)
        Maxi = 0.001;
    Nom = Cut(ini.ReadString("Beer", "Nom", "c"), ShortTextLimit);
    if (Nom.empty())
        Nom = "c";
    Unite = Cut(ini.ReadString("Beer", "Unite", "mol/L"), ShortTextLimit);
    Signif = Cut(ini.ReadString("Beer", "Signif", "concentration"), TextLimit);
    Actif = ini.ReadBool("Beer", "Actif", true);
    LambdaBeer = static_cast<std::uint16_t>(ini.ReadInteger("Beer", "Lambda", 500));
    // The 16-bit field first, then the lower limit: 65536 must not become 0.
    Deltat = static_cast<std::uint16_t>(ini.ReadInteger("Cinetique", "Deltat", 8));
    if (Deltat < 8)
        Deltat = 8;
    Nombre = static_cast<std::uint16_t>(ini.ReadInteger("Cinetique", "Nombre", 60));
    Lambda = static_cast<std::uint16_t>(ini.ReadInteger("Cinetique", "Lambda", 500));
    LambdaBis = static_cast<std::uint16_t>(ini.ReadInteger("Cinetique", "LambdaBis", 500));
}

bool TspectroVandoral::SaveSettings(std::string *error)
{
    if (SettingsPath.empty())
        return true;
    IniImage ini;
    // A file that is there but could not be read is never written over.
    if (ini.Load(SettingsPath, error) == FileState::Unreadable)
        return false;
    WriteSettingsTo(ini);
    return ini.Save(SettingsPath, error);
}

void TspectroVandoral::WriteSettingsTo(IniImage &ini) const
{
    ini.WriteInteger("Spectro", "Com", Com);
    ini.WriteFloat("Beer", "Mini", Mini);
    ini.WriteFloat("Beer", "Maxi", Maxi);
    ini.WriteString("Beer", "Nom", Cut(Nom, ShortTextLimit));
    ini.WriteString("Beer", "Unite", Cut(Unite, ShortTextLimit));
    ini.WriteString("Beer", "Signif", Cut(Signif, TextLimit));
    ini.WriteBool("Beer", "Actif", Actif);
    ini.WriteInteger("Beer", "Lambda", LambdaBeer);
    ini.WriteInteger("Cinetique", "Deltat", Deltat);
    ini.WriteInteger("Cinetique", "Duree", Duree());
    ini.WriteInteger("Cinetique", "Nombre", Nombre);
    ini.WriteInteger("Cinetique", "Lambda", Lambda);
    ini.WriteInteger("Cinetique", "LambdaBis", LambdaBis);
    // Models recognised from the built-in lines stay recognised next time.
    if (Catalogue && Catalogue->fromBuiltIn)
        AddBuiltInSections(ini);
}

std::uint32_t TspectroVandoral::Duree() const
{
    return static_cast<std::uint32_t>(Deltat) * static_cast<std::uint32_t>(Nombre);
}

std::string TspectroVandoral::FormatAbs(double value) const
{
    return vandoral::FormatAbs(value);
}

// ---- events ------------------------------------------------------------------

// Nothing a window's handler throws may cross the driver: it would leave
// through the port's notification and end the program.
template <class F, class... Args>
void TspectroVandoral::Fire(const F &event, Args... args)
{
    if (!event)
        return;
    try {
        event(args...);
    } catch (...) {
    }
}

// ---- framing and synchronous exchanges ------------------------------------

void TspectroVandoral::Install(Handler h)
{
    handler_ = h;
    if (Port) {
        Port->SetDataHandler([this](int count) { DataAvailable(count); });
        // A line that fails ends a blank or scan at once; the instrument is
        // no longer under control (a new search takes it again).
        Port->SetErrorHandler([this] {
            Controlled = false;
            lineLost_ = true;
            if (Busy && (handler_ == Handler::Reference || handler_ == Handler::Scan))
                AbandonOperation();
            else
                Fire(OnControlChange);
        });
    }
}

void TspectroVandoral::SendLine(const std::string &command)
{
    if (Port)
        Port->SendText(command + "\r\n");
}

std::string TspectroVandoral::SendAndWait(const std::string &command, int ticks)
{
    struct Exchange {
        bool &flag;
        explicit Exchange(bool &f) : flag(f) { flag = true; }
        ~Exchange() { flag = false; }
    } exchange(exchanging_);
    Install(Handler::Collecting);
    ReplyBuffer.clear();
    LineReceived = false;
    SendLine(command);
    const std::uint64_t start = Env->Milliseconds() / TickMs;
    for (;;) {
        // Events are pumped at least every 10 ms; the reply ends the wait as
        // soon as it arrives.
        Env->WaitForInput(Port, 10);
        if (Port)
            Port->ProcessPending();
        Env->PumpEvents();
        if (LineReceived)
            break;
        if (Env->Milliseconds() / TickMs > start + static_cast<std::uint64_t>(ticks))
            break;
    }
    return ReplyBuffer;
}

bool TspectroVandoral::DecodeStatus(const std::string &reply)
{
    const bool ok = reply == "E00";
    StatusOk = ok;
    LastMessage.clear();
    const std::string codeText = reply.size() > 1 ? reply.substr(1, 2) : std::string();
    int code = -1;
    if (!codeText.empty()) {
        code = 0;
        for (char c : codeText) {
            if (c < '0' || c > '9') {
                code = -1;
                break;
            }
            code = code * 10 + (c - '0');
        }
    }
    StatusCode = code;
    switch (code) {
    case 0: break;
    case 1: LastMessage = "Erreur de param\xE8tre"; break;
    case 2: LastMessage = "Probl\xE8me de lampe UV"; break;
    case 3: LastMessage = "Probl\xE8me de lampe visible"; break;
    case 4: LastMessage = "Erreur de longueur d'onde"; break;
    case 5: LastMessage = "Erreur interne du spectro"; break;
    case 90: LastMessage = "Erreur nombre de param\xE8tres"; break;
    case 91:
    case 98: LastMessage = "Attendre la fin de l'\xE9talonnage"; break;
    case 92: LastMessage = "Commande non pr\xE9vue"; break;
    case 93: LastMessage = "Appuyer sur la touche OK (F2) du spectro"; break;
    case 94: LastMessage = "Argument invalide"; break;
    case 95: LastMessage = "Commande trop longue"; break;
    case 99: LastMessage = "Erreur inconnue"; break;
    default: LastMessage = Cut("Probl\xE8me " + reply, TextLimit); break;
    }
    Fire(OnMessage, LastMessage);
    return ok;
}

bool TspectroVandoral::Answers()
{
    if (Measuring() || exchanging_ || !Port)
        return false;
    // A device that went away comes back under the same name: the line is
    // opened again.
    if (!Port->IsOpen() && !Port->Open())
        return false;
    return !Identify().empty();
}

std::string TspectroVandoral::Identify()
{
    if (Measuring() || exchanging_)
        return std::string();
    const std::string reply = SendAndWait("ID?", TimeoutTicks);
    ModelCode.clear();
    // An answer, whoever asked (a window, or the main window's search): the
    // line that had gone is back.
    if (!reply.empty() && Port && Port->IsOpen())
        lineLost_ = false;
    if (reply.size() > 3 && reply.compare(0, 3, "E00") == 0) {
        const std::size_t first = 4; // the fifth character
        std::size_t blank = std::string::npos;
        for (std::size_t i = first; i < reply.size(); ++i) {
            if (reply[i] == ' ') {
                blank = i;
                break;
            }
        }
        if (blank != std::string::npos)
            ModelCode = reply.substr(first, blank - first);
        else if (reply.size() > first + 1)
            ModelCode = reply.substr(first, reply.size() - 1 - first);
    }
    if (!ModelCode.empty() && Catalogue) {
        for (int i = 0; i < Catalogue->Count(); ++i) {
            const TspectroPhoto &entry = Catalogue->Item(i);
            if (entry.code == ModelCode) {
                ModelName = entry.nom;
                LambdaMin = entry.lmin;
                LambdaMax = entry.lmax;
                AbsMax = entry.absMax;
            }
        }
    }
    return ModelCode;
}

bool TspectroVandoral::TakeControl()
{
    // Its reply handler would replace the blank's or scan's.
    if (Measuring() || exchanging_)
        return false;
    const std::string reply = SendAndWait("CONTROL", TimeoutTicks);
    const bool ok = DecodeStatus(reply);
    Controlled = ok;
    Fire(OnControlChange);
    return ok;
}

bool TspectroVandoral::Release()
{
    if (Measuring() || exchanging_)
        return false;
    SendAndWait("RELEASE", TimeoutTicks);
    Controlled = false;
    Fire(OnControlChange);
    return true;
}

// ---- asynchronous operations ----------------------------------------------

bool TspectroVandoral::Measuring() const
{
    return Busy && ElapsedSeconds(Env->Now() - BusySince) < BusyGuardSeconds;
}

bool TspectroVandoral::GuardBusy()
{
    if (exchanging_)
        return false;
    const double now = Env->Now();
    if (Busy && ElapsedSeconds(now - BusySince) < BusyGuardSeconds)
        return false;
    Busy = true;
    BusySince = now;
    return true;
}

bool TspectroVandoral::SetRef(Event onDone, Event onGivenUp)
{
    if (!GuardBusy())
        return false;
    OnDone = std::move(onDone);
    onGivenUp_ = std::move(onGivenUp);
    ReplyBuffer.clear();
    Install(Handler::Reference);
    StartWatch();
    SendLine("SETREF");
    return true;
}

bool TspectroVandoral::Scan(PointEvent onPoint, Event onDone, Event onGivenUp)
{
    if (!GuardBusy())
        return false;
    OnDone = std::move(onDone);
    onGivenUp_ = std::move(onGivenUp);
    OnPoint = std::move(onPoint);
    ReplyBuffer.clear();
    Install(Handler::Scan);
    PointIndex = LambdaMin;
    // Another window may change BinaryScan while this scan runs.
    scanBinary_ = BinaryScan;
    StartWatch();
    SendLine(scanBinary_ ? "SCANBIN" : "SCANTXT");
    return true;
}

void TspectroVandoral::StartWatch()
{
    lastActivityMs_ = Env->Milliseconds();
    watching_ = true;
    Env->StartTicker(1000, [this] { CheckSilence(); });
}

void TspectroVandoral::StopWatch()
{
    if (watching_)
        Env->StopTicker();
    watching_ = false;
}

void TspectroVandoral::Abandon()
{
    if (!Busy)
        return;
    handler_ = Handler::Ended;
    StopWatch();
    Busy = false;
}

void TspectroVandoral::CheckSilence()
{
    if (!Busy || (handler_ != Handler::Reference && handler_ != Handler::Scan)) {
        StopWatch();
        return;
    }
    if (Env->Milliseconds() - lastActivityMs_ >= static_cast<std::uint64_t>(SilenceMs))
        AbandonOperation();
}

void TspectroVandoral::AbandonOperation()
{
    handler_ = Handler::Ended;
    StopWatch();
    const Event givenUp = onGivenUp_;
    Busy = false;
    LastMessage = NoAnswerText;
    Fire(OnMessage, LastMessage);
    Fire(OnControlChange);
    Fire(givenUp);
}

// ---- reply handlers ---------------------------------------------------------

void TspectroVandoral::DataAvailable(int count)
{
    if (count > 0 && (handler_ == Handler::Reference || handler_ == Handler::Scan))
        lastActivityMs_ = Env->Milliseconds();
    for (int i = 0; i < count && Port; ++i) {
        const int c = Port->ReadChar();
        if (c < 0)
            break;
        HandleChar(static_cast<char>(c));
    }
}

void TspectroVandoral::HandleChar(char c)
{
    switch (handler_) {
    case Handler::None:
    case Handler::Ended: break;
    case Handler::Collecting: CollectChar(c); break;
    case Handler::Reference: ReferenceChar(c); break;
    case Handler::Scan:
        if (scanBinary_)
            ScanHexChar(c);
        else
            ScanTextChar(c);
        break;
    }
}

void TspectroVandoral::Append(char c)
{
    if (ReplyBuffer.size() < ReplyLimit)
        ReplyBuffer += c;
}

void TspectroVandoral::EndOperation()
{
    // An operation ends once: whatever arrives after its status line, and
    // before the next command, is ignored. The events may start the next
    // operation, which installs its own handler.
    handler_ = Handler::Ended;
    StopWatch();
    const Event done = OnDone;
    DecodeStatus(ReplyBuffer);
    Busy = false;
    Fire(OnControlChange);
    Fire(done);
}

void TspectroVandoral::CollectChar(char c)
{
    if (c == '\n')
        LineReceived = true;
    else if (c != '\r')
        Append(c);
}

void TspectroVandoral::ReferenceChar(char c)
{
    if (c == '\n') {
        LineReceived = true;
        if (!ReplyBuffer.empty() && ReplyBuffer[0] == 'E')
            EndOperation();
        ReplyBuffer.clear();
    } else if (c != '\r') {
        Append(c);
    }
}

void TspectroVandoral::FirePoint(double value)
{
    // Past the last wavelength an index can carry, values are dropped.
    if (PointIndex == INT32_MAX)
        return;
    const std::int32_t index = PointIndex;
    ++PointIndex;
    Fire(OnPoint, index, value);
}

bool TspectroVandoral::ScanLineHandled()
{
    if (ReplyBuffer.empty())
        return true;
    if (ReplyBuffer[0] == 'E') {
        EndOperation(); // the status text stays until the next command
        return true;
    }
    return false;
}

void TspectroVandoral::ScanTextChar(char c)
{
    if (c == '\n') {
        if (ScanLineHandled())
            return;
        if (ReplyBuffer.find("Scanning") != std::string::npos) {
            ReplyBuffer.clear();
            return;
        }
        double value = MissingValue;
        if (!ParseNumber(ReplyBuffer.substr(0, ShortTextLimit), '.', value))
            value = MissingValue;
        ReplyBuffer.clear();
        FirePoint(value);
    } else if (c != '\r' && c != ' ') {
        Append(c);
    }
}

namespace {

// A value of the hexadecimal scan: at most three hexadecimal digits, in
// thousandths; F00 to FFF (either case) are the negative values -255 to 0.
bool ParseHexValue(const std::string &text, double &value)
{
    if (text.empty() || text.size() > 3)
        return false;
    int n = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return false;
        n = n * 16 + d;
    }
    if (text[0] == 'F' || text[0] == 'f')
        n -= 4095;
    value = n / 1000.0;
    return true;
}

} // namespace

void TspectroVandoral::ScanHexChar(char c)
{
    if (c == '\n') {
        if (ScanLineHandled())
            return;
        // Whatever is left at the end of a line is no value: dropping it keeps
        // the status line that follows at the start of the buffer.
        ReplyBuffer.clear();
    } else if (c == ',') {
        if (ReplyBuffer.empty())
            return;
        // Every comma-ended field is one wavelength: an unreadable one is a
        // missing value, so the values after it keep their own wavelengths.
        double value = MissingValue;
        if (!ParseHexValue(ReplyBuffer, value))
            value = MissingValue;
        ReplyBuffer.clear();
        FirePoint(value);
    } else if (c != '\r') {
        Append(c);
    }
}

} // namespace vandoral

// vandoral-cli: finds the instrument, identifies it and takes a scan through
// the program's own driver and serial line, for scripted acquisition and for
// checking an installation.
#include "analyse.h"
#include "openfile.h"
#include "plot.h"
#include "catalogue.h"
#include "datafile.h"
#include "fileio.h"
#include "frame.h"
#include "graphker.h"
#include "inifile.h"
#include "numtext.h"
#include "ports.h"
#include "qtdriverenv.h"
#include "qtext.h"
#include "tracesession.h"
#include "qtserialline.h"
#include "search.h"
#include "xlsxfile.h"
#include "driver.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace vandoral;

namespace {

// The signal that asked the tool to stop (SIGINT, SIGTERM), 0 while none did.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnStopSignal(int signal)
{
    interrupted = signal;
}

void Say(FILE *to, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fputc('\n', to);
}

int Usage()
{
    Say(stderr, QStringLiteral(
        "usage: vandoral-cli [--settings FILE] COMMAND [options]\n"
        "  ports                         the port table and which ports are present\n"
        "  attach N DEVICE               port N (COMN) is DEVICE, in the settings file\n"
        "  identify [--device PATH]      find the instrument: port, model code and name\n"
        "  scan [--device PATH] [--out FILE] [--binary] [--comment TEXT] [--timeout S]\n"
        "                                blank, then one spectrum; tab-separated text on\n"
        "                                standard output, or a .TXT/.CSV/.xlsx/.jdx file with --out\n"
        "  analyse [--json] [--mode spectrum|kinetics|beer] FILE [--unknown A]...\n"
        "                                the figures of a data file: peaks, first-order\n"
        "                                fit, Beer-Lambert statistics and unknowns\n"
        "  convert [--mode spectrum|kinetics|beer] IN OUT\n"
        "                                a data file (.txt, .csv, .xlsx, .jdx) into the\n"
        "                                format OUT's extension names (.jdx: spectra only)\n"
        "  plot [--mode spectrum|kinetics|beer] IN OUT\n"
        "                                a data file drawn as its window prints it, with its\n"
        "                                figures, to a .png, .svg or .pdf file"));
    return 2;
}

struct Options {
    QString command, settings, device, out, comment;
    QStringList operands;
    bool binary = false;
    int timeout = 120;
    AnalyseOptions analyse;
};

// Waits until `done` is set, the operation is given up (the instrument went
// silent), the device goes away or `seconds` pass.
bool WaitFor(const bool &done, const TspectroVandoral &spectro, QtSerialLine &line, int seconds)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&line, &QtSerialLine::deviceLost, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done || interrupted || !spectro.Busy)
            loop.quit();
    });
    timer.start(seconds * 1000);
    poll.start(20);
    if (!done && line.IsOpen() && !interrupted)
        loop.exec();
    return done && !interrupted;
}

// Opens the given device or searches the ports like the program does.
// Returns the port number (0 with --device), or -1 when nothing answers.
int Connect(TspectroVandoral &spectro, QtSerialLine &line, const Options &o, const PortTable &ports)
{
    if (!o.device.isEmpty()) {
        line.SetDevice(o.device);
        if (!line.Open()) {
            const QString why = line.FailureText();
            Say(stderr, why.isEmpty() ? QStringLiteral("vandoral-cli: %1: %2").arg(o.device, line.ErrorString())
                                      : QStringLiteral("vandoral-cli: ") + why);
            return -1;
        }
        if (spectro.Identify().empty()) {
            line.Close();
            return -1;
        }
        return 0;
    }
    const int found = SearchInstrument(
        spectro.Com, [&](int n) { return ports.Present(n); },
        [&](int n) {
            if (interrupted)
                return false;
            line.SetPortNumber(n);
            if (!line.Open()) {
                // A port there but not to be opened: which and why.
                const QString why = line.FailureText();
                if (!why.isEmpty())
                    Say(stderr, QStringLiteral("vandoral-cli: ") + why);
                return false;
            }
            if (spectro.Identify().empty()) {
                line.Close();
                return false;
            }
            return true;
        });
    if (found == 0)
        return -1;
    spectro.Com = static_cast<std::uint16_t>(found);
    return found;
}

// Writes all of `bytes` to standard output; false with the reason when the
// output cannot take them (a full disk, a closed pipe).
bool WriteOut(const QByteArray &bytes, QString &reason)
{
    errno = 0;
    const bool ok = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) == std::size_t(bytes.size())
                    && std::fflush(stdout) == 0;
    if (!ok)
        reason = FromCp(ErrnoText(errno ? errno : EIO));
    return ok;
}

int Identify(TspectroVandoral &spectro, QtSerialLine &line, const Options &o, const PortTable &ports)
{
    const int port = Connect(spectro, line, o, ports);
    if (port < 0) {
        Say(stderr, FromCp("Spectrophotom\xE8tre Vandoral non d\xE9tect\xE9"));
        return 1;
    }
    const QString where = port > 0 ? QStringLiteral("COM%1").arg(port) : o.device;
    line.Close();
    QString reason;
    if (!WriteOut(QStringLiteral("%1\t%2\t%3\n").arg(where, FromCp(spectro.ModelCode), FromCp(spectro.ModelName)).toLocal8Bit(),
                  reason)) {
        Say(stderr, QStringLiteral("vandoral-cli: écriture impossible sur la sortie standard : ") + reason);
        return 1;
    }
    return 0;
}

// The status of a run the user stopped.
int InterruptedStatus()
{
    return 128 + int(interrupted);
}

int Scan(TspectroVandoral &spectro, QtSerialLine &line, const Options &o, const PortTable &ports)
{
    const int port = Connect(spectro, line, o, ports);
    if (interrupted)
        return InterruptedStatus();
    if (port < 0) {
        Say(stderr, FromCp("Spectrophotom\xE8tre Vandoral non d\xE9tect\xE9"));
        return 1;
    }
    auto failed = [&](const QString &what) {
        Say(stderr, QStringLiteral("vandoral-cli: ") + what);
        // Control goes back whenever it was taken, so the instrument's keys
        // work again; a scan under way is not waited for.
        spectro.Abandon();
        if (line.IsOpen() && spectro.Controlled)
            spectro.Release();
        line.Close();
        return interrupted ? InterruptedStatus() : 1;
    };
    const bool controlled = spectro.TakeControl();
    if (interrupted)
        return failed(QStringLiteral("interrompu"));
    if (!controlled)
        return failed(spectro.LineReceived ? FromCp(spectro.LastMessage)
                                           : FromCp("le spectro ne r\xE9pond pas \xE0 la commande CONTROL"));
    spectro.BinaryScan = o.binary;

    // The spectrum window's own session: the same blank, scan and storing.
    TTraceSession session(spectro, &spectro);
    bool done = false, lost = false;
    session.OnEvent = [&](SessionEvent e, int) {
        if (e == SessionEvent::BlankEnded || e == SessionEvent::Ended)
            done = true;
        else if (e == SessionEvent::GivenUp)
            lost = true;
    };
    if (!session.StartBlank())
        return failed(QStringLiteral("le spectro est occupé"));
    if (!WaitFor(done, spectro, line, 30))
        return failed(interrupted ? QStringLiteral("interrompu")
                      : !line.IsOpen() ? QStringLiteral("liaison perdue: ") + line.ErrorString()
                      : spectro.Busy || lost ? QStringLiteral("pas de fin du blanc")
                                             : QStringLiteral("blanc: ") + FromCp(spectro.LastMessage));
    if (!session.BlancFait || !spectro.LastMessage.empty())
        return failed(QStringLiteral("blanc: ") + FromCp(spectro.LastMessage));

    done = false;
    if (!session.StartScan(spectro.LambdaMin, spectro.LambdaMax))
        return failed(QStringLiteral("le spectro est occupé"));
    const TDataSeries &spectrum = session.Spectrum;
    if (!WaitFor(done, spectro, line, o.timeout))
        return failed(interrupted      ? QStringLiteral("interrompu")
                      : !line.IsOpen() ? QStringLiteral("liaison perdue: ") + line.ErrorString()
                                       : QStringLiteral("spectre interrompu après %1 points : %2")
                                             .arg(spectrum.Count())
                                             .arg(spectro.Busy || lost ? QStringLiteral("pas de fin du spectre")
                                                                       : FromCp(spectro.LastMessage)));
    if (!spectro.LastMessage.empty())
        return failed(QStringLiteral("spectre: ") + FromCp(spectro.LastMessage));
    // A spectrum the model cannot have sent is not written as if it were one.
    const long long expected = static_cast<long long>(spectro.LambdaMax) - spectro.LambdaMin + 1;
    const long long received = session.Received(), readable = session.Readable();
    if (readable == 0)
        return failed(QStringLiteral("spectre sans aucune valeur lisible (%1 reçues)").arg(received));
    if (received > expected)
        return failed(QStringLiteral("%1 valeurs reçues, le modèle en attend %2 (%3 à %4 nm)")
                          .arg(received)
                          .arg(expected)
                          .arg(spectro.LambdaMin)
                          .arg(spectro.LambdaMax));
    spectro.Release();
    line.Close();
    // Unreadable values stay as empty fields; the user is told how many.
    if (readable < received)
        Say(stderr, QStringLiteral("vandoral-cli: %1 valeur(s) illisible(s) sur %2, laissée(s) vide(s)")
                        .arg(received - readable)
                        .arg(received));

    const std::string comment = o.comment.isEmpty()
        ? "Spectre " + spectro.ModelName + " "
              + ToCp(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
        : ToCp(o.comment);
    const QDateTime now = QDateTime::currentDateTime();
    FileRequest request;
    request.kind = MeasureMode::Spectre;
    request.data = &spectrum;
    request.comment = comment;
    request.model = spectro.ModelName;
    request.date = ToCp(now.toString(QStringLiteral("yy/MM/dd")));
    request.time = ToCp(now.toString(QStringLiteral("hh:mm:ss")));
    if (o.out.isEmpty()) {
        // A text file's lines (tab-separated), on standard output.
        DataFile text;
        text.EcritDonnees(request);
        QString lines = FromCp(text.Contents);
        lines.remove(QLatin1Char('\r'));
        QString reason;
        if (!WriteOut(lines.toLocal8Bit(), reason)) {
            Say(stderr, QStringLiteral("vandoral-cli: écriture impossible sur la sortie standard : ") + reason);
            return 1;
        }
        return 0;
    }
    std::string written, error;
    if (!SaveDataFile(ToPath(o.out), TextFilter, request, &written, &error)) {
        Say(stderr, QStringLiteral("vandoral-cli: impossible d'enregistrer le fichier %1 : %2")
                        .arg(QDir::toNativeSeparators(FromPath(written)), FromCp(error)));
        return 1;
    }
    Say(stderr, QStringLiteral("%1 points -> %2").arg(spectrum.Count()).arg(FromPath(written)));
    return 0;
}

// A data file into another format; OUT untouched when IN cannot be read.
int Convert(const Options &o)
{
    if (o.operands.size() != 2)
        return Usage();
    const QString in = o.operands.at(0), out = o.operands.at(1);
    LoadedMeasurement m;
    std::string error;
    if (!OpenMeasurementFile(in, o.analyse.mode, m, &error)) {
        Say(stderr, QStringLiteral("vandoral-cli: %1 : %2").arg(in, FromCp(error)));
        return 1;
    }
    const std::string name = ToPath(out);
    if (UpperExtension(name).empty()) {
        Say(stderr, QStringLiteral("vandoral-cli: %1 : donnez une extension (.txt, .csv, .xlsx ou .jdx)").arg(out));
        return 1;
    }
    if (IsJcampName(name) && m.Mode != MeasureMode::Spectre) {
        Say(stderr, QStringLiteral("vandoral-cli: %1 : le format JCAMP-DX ne tient que des spectres, ce fichier contient %2")
                        .arg(out, FromCp(ModeNoun(m.Mode))));
        return 1;
    }
    const FileRequest request = RequestOf(m);
    std::string written;
    if (!SaveDataFile(name, TextFilter, request, &written, &error)) {
        Say(stderr, QStringLiteral("vandoral-cli: impossible d'enregistrer le fichier %1 : %2")
                        .arg(QDir::toNativeSeparators(FromPath(written)), FromCp(error)));
        return 1;
    }
    Say(stderr, QStringLiteral("%1 points -> %2").arg(m.Data.Count()).arg(FromPath(written)));
    return 0;
}

int Ports(const std::string &settings)
{
    bool any = false;
    const PortTable ports(settings);
    for (int n = 1; n <= HighestPort; ++n) {
        const QString device = ports.Device(n);
        if (device.isEmpty())
            continue;
        any = true;
        Say(stdout, QStringLiteral("COM%1\t%2\t%3")
                        .arg(n)
                        .arg(device, DevicePresent(device) ? QStringLiteral("present")
                                                           : QStringLiteral("absent")));
    }
    if (!any)
        Say(stderr, QStringLiteral("no serial port"));
    return 0;
}

// Writes "COMn=device" into the "Ports" section. A new settings file gets the
// built-in models too, as the program's first save would write them.
int Attach(const Options &o, const std::string &settings, IniImage ini, FileState state)
{
    bool ok = o.operands.size() == 2;
    const int n = ok ? o.operands.at(0).toInt(&ok) : 0;
    if (!ok || n < 1 || n > HighestPort)
        return Usage();
    if (state != FileState::Read)
        AddBuiltInSections(ini);
    ini.WriteString("Ports", "COM" + std::to_string(n), ToPath(o.operands.at(1)));
    std::string error;
    if (!ini.Save(settings, &error)) {
        Say(stderr, QStringLiteral("vandoral-cli: impossible d'écrire %1 : %2").arg(o.settings, FromCp(error)));
        return 1;
    }
    Say(stderr, QStringLiteral("COM%1 -> %2 (%3)").arg(n).arg(o.operands.at(1), o.settings));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // "plot" draws with Qt's painter and fonts: a GUI application, on the
    // offscreen platform unless one is named, so it needs no display.
    bool plotting = false;
    for (int i = 1; i < argc; ++i)
        plotting = plotting || std::strcmp(argv[i], "plot") == 0;
    if (plotting && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> application;
    if (plotting)
        application = std::make_unique<QGuiApplication>(argc, argv);
    else
        application = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication &app = *application;
    QCoreApplication::setApplicationName(QString::fromLatin1(ProgramName));
    InitFormatsFromSystem();

    Options o;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        auto value = [&](QString &out) {
            if (i + 1 >= args.size())
                return false;
            out = args.at(++i);
            return true;
        };
        bool ok = true;
        if (a == QLatin1String("--settings"))
            ok = value(o.settings);
        else if (a == QLatin1String("--device"))
            ok = value(o.device);
        else if (a == QLatin1String("--out"))
            ok = value(o.out);
        else if (a == QLatin1String("--comment"))
            ok = value(o.comment);
        else if (a == QLatin1String("--binary"))
            o.binary = true;
        else if (a == QLatin1String("--json"))
            o.analyse.json = true;
        else if (a == QLatin1String("--mode")) {
            QString m;
            ok = value(m);
            o.analyse.mode = ParseDataMode(m.toStdString());
            ok = ok && o.analyse.mode != MeasureMode::None;
        } else if (a == QLatin1String("--unknown")) {
            QString t;
            ok = value(t);
            double v = 0;
            ok = ok && ParseNumber(ToCp(t.replace(QLatin1Char(','), QLatin1Char('.'))), '.', v);
            if (ok)
                o.analyse.unknowns.push_back(v);
        }
        else if (a == QLatin1String("--timeout")) {
            QString t;
            ok = value(t);
            o.timeout = t.toInt(&ok);
            ok = ok && o.timeout > 0;
        } else if (!a.startsWith(QLatin1Char('-')) && o.command.isEmpty())
            o.command = a;
        else if (!a.startsWith(QLatin1Char('-')))
            o.operands << a;
        else
            ok = false;
        if (!ok)
            return Usage();
    }
    if (o.command == QLatin1String("analyse")) {
        if (o.operands.size() != 1)
            return Usage();
        o.analyse.file = o.operands.at(0);
        return Analyse(o.analyse);
    }
    if (o.command == QLatin1String("convert"))
        return Convert(o);
    if (o.command == QLatin1String("plot")) {
        if (o.operands.size() != 2)
            return Usage();
        return Plot(o.operands.at(0), o.operands.at(1), o.analyse.mode);
    }
    if (o.settings.isEmpty())
        o.settings = SettingsFilePath();
    const std::string settings = ToPath(o.settings);
    // Read once; never work with, nor write over, a file that cannot be read.
    IniImage image;
    std::string error;
    const FileState state = image.Load(settings, &error);
    if (state == FileState::Unreadable) {
        Say(stderr, QStringLiteral("vandoral-cli: le fichier de réglages %1 ne peut pas être lu : %2")
                        .arg(o.settings, FromCp(error)));
        return 1;
    }
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);

    if (o.command == QLatin1String("ports"))
        return Ports(settings);
    if (o.command == QLatin1String("attach"))
        return Attach(o, settings, image, state);
    if (o.command != QLatin1String("identify") && o.command != QLatin1String("scan"))
        return Usage();

    TspectroVandoral spectro;
    spectro.SettingsPath = settings;
    if (state == FileState::Read)
        spectro.LoadSettingsFrom(image);
    LoadCatalogueFrom(ListeSpectro, image);
    const PortTable ports(settings);
    QtSerialLine line([&ports](int n) { return ports.Device(n); });
    // Tests are run as root, never refused a device: they name one that
    // fails to open ("DEVICE=denied" or "DEVICE=busy").
    const QString injected = qEnvironmentVariable("VANDORAL_TEST_OPEN_FAILURE");
    if (!injected.isEmpty()) {
        const QString device = injected.section(QLatin1Char('='), 0, -2), kind = injected.section(QLatin1Char('='), -1);
        QtSerialLine::InjectOpenFailure(device, kind == QLatin1String("busy") ? QtSerialLine::OpenFailure::Busy
                                                                              : QtSerialLine::OpenFailure::Denied);
    }
    spectro.Port = &line;
    spectro.Env = &DefaultQtDriverEnv();
    spectro.OnMessage = [](const std::string &) {};

    int status = o.command == QLatin1String("identify") ? Identify(spectro, line, o, ports)
                                                        : Scan(spectro, line, o, ports);
    line.SetDataHandler(nullptr);
    if (status == 0 && o.device.isEmpty()) {
        std::string error;
        if (!spectro.SaveSettings(&error)) {
            Say(stderr, QStringLiteral("vandoral-cli: impossible d'enregistrer les réglages dans %1 : %2")
                            .arg(o.settings, FromCp(error)));
            status = 1;
        }
    }
    return status;
}

// vandoral-cli: finds the instrument, identifies it and takes a scan through
// the program's own driver and serial line, for scripted acquisition and for
// checking an installation.
#include "catalogue.h"
#include "datafile.h"
#include "frame.h"
#include "graphker.h"
#include "inifile.h"
#include "numtext.h"
#include "ports.h"
#include "qtdriverenv.h"
#include "qtext.h"
#include "qtserialline.h"
#include "search.h"
#include "driver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

using namespace vandoral;

namespace {

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
        "                                standard output, or a .TXT/.CSV file with --out"));
    return 2;
}

struct Options {
    QString command, settings, device, out, comment;
    QStringList operands;
    bool binary = false;
    int timeout = 120;
};

// Waits until `done` is set, the device goes away or `seconds` pass.
bool WaitFor(const bool &done, QtSerialLine &line, int seconds)
{
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&line, &QtSerialLine::deviceLost, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done)
            loop.quit();
    });
    timer.start(seconds * 1000);
    poll.start(20);
    if (!done && line.IsOpen())
        loop.exec();
    return done;
}

// Opens the given device or searches the ports like the program does.
// Returns the port number (0 with --device), or -1 when nothing answers.
int Connect(TspectroVandoral &spectro, QtSerialLine &line, const Options &o, const PortTable &ports)
{
    if (!o.device.isEmpty()) {
        line.SetDevice(o.device);
        if (!line.Open()) {
            Say(stderr, QStringLiteral("vandoral-cli: %1: %2").arg(o.device, line.ErrorString()));
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
            line.SetPortNumber(n);
            if (!line.Open())
                return false;
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

int Identify(TspectroVandoral &spectro, QtSerialLine &line, const Options &o, const PortTable &ports)
{
    const int port = Connect(spectro, line, o, ports);
    if (port < 0) {
        Say(stderr, FromCp("Spectrophotom\xE8tre Vandoral non d\xE9tect\xE9"));
        return 1;
    }
    const QString where = port > 0 ? QStringLiteral("COM%1").arg(port) : o.device;
    Say(stdout, QStringLiteral("%1\t%2\t%3")
                    .arg(where, FromCp(spectro.ModelCode), FromCp(spectro.ModelName)));
    line.Close();
    return 0;
}

int Scan(TspectroVandoral &spectro, QtSerialLine &line, const Options &o, const PortTable &ports)
{
    const int port = Connect(spectro, line, o, ports);
    if (port < 0) {
        Say(stderr, FromCp("Spectrophotom\xE8tre Vandoral non d\xE9tect\xE9"));
        return 1;
    }
    auto failed = [&](const QString &what) {
        Say(stderr, QStringLiteral("vandoral-cli: ") + what);
        if (line.IsOpen() && spectro.Controlled)
            spectro.Release();
        line.Close();
        return 1;
    };
    if (!spectro.TakeControl())
        return failed(FromCp(spectro.LastMessage));
    spectro.BinaryScan = o.binary;

    bool done = false;
    spectro.SetRef([&] { done = true; });
    if (!WaitFor(done, line, 30))
        return failed(line.IsOpen() ? QStringLiteral("pas de fin du blanc")
                                    : QStringLiteral("liaison perdue: ") + line.ErrorString());
    if (!spectro.LastMessage.empty())
        return failed(QStringLiteral("blanc: ") + FromCp(spectro.LastMessage));

    Tgraphe graphe;
    graphe.WorldX.Name = "Lambda";
    graphe.WorldX.Unit = "nm";
    graphe.WorldX.LongName = "Longueur d'onde";
    graphe.WorldY.Name = "A";
    done = false;
    spectro.Scan(
        [&](std::int32_t lambda, double a) {
            if (graphe.PointCount >= GraphCapacity)
                return;
            graphe.X[graphe.PointCount] = lambda;
            graphe.Curve1.Y[graphe.PointCount] = a;
            ++graphe.PointCount;
        },
        [&] { done = true; });
    if (!WaitFor(done, line, o.timeout))
        return failed(line.IsOpen() ? QStringLiteral("spectre interrompu après %1 points").arg(graphe.PointCount)
                                    : QStringLiteral("liaison perdue: ") + line.ErrorString());
    if (!spectro.LastMessage.empty())
        return failed(QStringLiteral("spectre: ") + FromCp(spectro.LastMessage));
    spectro.Release();
    line.Close();

    const std::string comment = o.comment.isEmpty()
        ? "Spectre " + spectro.ModelName + " "
              + ToCp(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
        : ToCp(o.comment);
    FileRequest request;
    request.kind = BlockKind::Spectre;
    request.graph = &graphe;
    request.comment = comment;
    if (o.out.isEmpty()) {
        // A text file's lines (tab-separated), on standard output.
        DataFile text;
        text.EcritDonnees(request);
        QString lines = FromCp(text.Contents);
        lines.remove(QLatin1Char('\r'));
        std::fputs(lines.toLocal8Bit().constData(), stdout);
        return 0;
    }
    std::string written, error;
    if (!SauveFichier(ToCp(o.out), TextFilter, request, &written, &error)) {
        Say(stderr, QStringLiteral("vandoral-cli: ") + FromCp(error));
        return 1;
    }
    Say(stderr, QStringLiteral("%1 points -> %2").arg(graphe.PointCount).arg(FromCp(written)));
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
int Attach(const Options &o, const std::string &settings)
{
    bool ok = o.operands.size() == 2;
    const int n = ok ? o.operands.at(0).toInt(&ok) : 0;
    if (!ok || n < 1 || n > HighestPort)
        return Usage();
    IniImage ini;
    if (!ini.Load(settings))
        AddBuiltInSections(ini);
    ini.WriteString("Ports", "COM" + std::to_string(n), o.operands.at(1).toLocal8Bit().toStdString());
    std::string error;
    if (!ini.Save(settings, &error)) {
        Say(stderr, QStringLiteral("vandoral-cli: ") + FromCp(error));
        return 1;
    }
    Say(stderr, QStringLiteral("COM%1 -> %2 (%3)").arg(n).arg(o.operands.at(1), o.settings));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
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
    if (o.settings.isEmpty())
        o.settings = SettingsFilePath();
    const std::string settings = o.settings.toLocal8Bit().toStdString();

    if (o.command == QLatin1String("ports"))
        return Ports(settings);
    if (o.command == QLatin1String("attach"))
        return Attach(o, settings);
    if (o.command != QLatin1String("identify") && o.command != QLatin1String("scan"))
        return Usage();

    TspectroVandoral spectro(settings);
    LoadCatalogue(settings);
    const PortTable ports(settings);
    QtSerialLine line([&ports](int n) { return ports.Device(n); });
    spectro.Port = &line;
    spectro.Env = &DefaultQtDriverEnv();
    spectro.OnMessage = [](const std::string &) {};

    const int status = o.command == QLatin1String("identify") ? Identify(spectro, line, o, ports)
                                                              : Scan(spectro, line, o, ports);
    line.SetDataHandler(nullptr);
    if (status == 0 && o.device.isEmpty()) {
        std::string error;
        if (!spectro.SaveSettings(&error))
            Say(stderr, QStringLiteral("vandoral-cli: ") + FromCp(error));
    }
    return status;
}

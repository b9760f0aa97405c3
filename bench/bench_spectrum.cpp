// The program's CPU time while a 911-value spectrum arrives at the real line
// rate (9600 baud), as a fraction of the scan's time on the wire. The
// simulated instrument runs on a thread of its own; only the user-interface
// thread's CPU time counts: reading the line, the driver, and drawing each
// new segment.
#include "catalogue.h"
#include "exportwindow.h"
#include "graphbox.h"
#include "pagedialog.h"
#include "qtdriverenv.h"
#include "qtserialline.h"
#include "siminstrument.h"
#include "spectrumwindow.h"
#include "driver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <ctime>

using namespace vandoral;

namespace {

// Runs the event loop, as the program does, until the instrument is idle.
void RunUntilIdle(const TspectroVandoral &spectro)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!spectro.Busy)
            loop.quit();
    });
    poll.start(50);
    loop.exec();
}

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    sim::SimOptions o; // real pacing
    o.modelCode = "6022";
    o.lambdaMin = 190;
    o.lambdaMax = 1100;
    o.setrefMillis = 0;
    sim::PtySimulator simulator(o);
    std::string error;
    if (!simulator.Start(std::string(), &error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    const QString device = QString::fromStdString(simulator.DevicePath());
    QtSerialLine line([device](int) { return device; });
    TlisteSpectro catalogue;
    LoadCatalogue(catalogue, std::string());
    TspectroVandoral spectro;
    spectro.Catalogue = &catalogue;
    spectro.Port = &line;
    spectro.Env = &DefaultQtDriverEnv();
    Spectro = &spectro;
    if (!line.Open() || spectro.Identify().empty() || !spectro.TakeControl()) {
        std::fprintf(stderr, "no instrument\n");
        return 1;
    }
    TTraceSpectre w;
    spectro.OnControlChange = [&w] { w.RafraichitControle(); };
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(0, 0, 1920, 1080);
    w.show();
    QCoreApplication::processEvents();
    w.BlancBtnClick();
    RunUntilIdle(spectro);

    QElapsedTimer wall;
    const double cpu0 = ThreadCpuSeconds();
    wall.start();
    w.SpectreBtnClick();
    RunUntilIdle(spectro);
    const double cpu = ThreadCpuSeconds() - cpu0;
    const double seconds = wall.elapsed() / 1000.0;
    std::printf("%d values in %.2f s on the wire; user-interface thread CPU %.3f s = %.2f %% (goal < 2 %%)\n",
                int(w.Graphe.PointCount), seconds, cpu, 100.0 * cpu / seconds);
    spectro.Release();
    Spectro = nullptr;
    return w.Graphe.PointCount == 911 ? 0 : 1;
}

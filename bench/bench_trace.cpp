// The program's CPU time while a 911-value spectrum arrives at the real line
// rate (9600 baud), as a fraction of the scan's time on the wire. The
// simulated instrument runs on a thread of its own; only the user-interface
// thread's CPU time counts: reading the line, the driver, and drawing each
// new segment.
#include "benchinstrument.h"
#include "tracewindow.h"

#include <QApplication>
#include <QElapsedTimer>

using namespace vandoral;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    sim::SimOptions o; // real pacing
    o.modelCode = "6022";
    o.lambdaMin = 190;
    o.lambdaMax = 1100;
    o.setrefMillis = 0;
    BenchInstrument bench(o);
    if (!bench.ready)
        return 1;
    TspectroVandoral &spectro = bench.spectro;
    TTraceSpectre w;
    spectro.OnControlChange = [&w] { w.RafraichitControle(); };
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(0, 0, 1920, 1080);
    w.show();
    QCoreApplication::processEvents();
    w.BlancBtnClick();
    RunUntil([&] { return !spectro.Busy; }, 50);

    QElapsedTimer wall;
    const double cpu0 = ThreadCpuSeconds();
    wall.start();
    w.SpectreBtnClick();
    RunUntil([&] { return !spectro.Busy; }, 50);
    const double cpu = ThreadCpuSeconds() - cpu0;
    const double seconds = wall.elapsed() / 1000.0;
    std::printf("%d values in %.2f s on the wire; user-interface thread CPU %.3f s = %.2f %% (goal < 2 %%)\n",
                int(w.Session.Spectrum.Count()), seconds, cpu, 100.0 * cpu / seconds);
    return w.Session.Spectrum.Count() == 911 ? 0 : 1;
}

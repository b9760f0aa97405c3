// A kinetics run of 1500 intervals at full simulator speed, its timers'
// time scale shortened: CPU time per point and resident memory at point 10
// and at point 1500 (the arrays are fixed: no growth). Then two intervals at
// the real pace: the CPU used while waiting between points, as a share of
// one core.
#include "benchinstrument.h"
#include "kineticswindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSpinBox>

#include <fstream>
#include <string>

using namespace vandoral;

namespace {

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    sim::SimOptions o;
    o.charMicros = 0;
    o.setrefMillis = 0;
    o.rate = 0.01;
    BenchInstrument bench(o);
    if (!bench.ready)
        return 1;
    TspectroVandoral &spectro = bench.spectro;
    sim::PtySimulator &simulator = bench.simulator;
    TCinetiqueForm w;
    spectro.OnControlChange = [&w] { w.RafraichitControle(); };
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(0, 0, 1920, 1080);
    w.show();
    QCoreApplication::processEvents();
    w.DeltatSE->setValue(60);
    w.NbreSE->setValue(1500);
    w.BlancBtnClick();
    RunUntil([&] { return w.Session.Etat == EtatCinetique::Pret; });

    // 1500 intervals, as fast as the scans allow.
    w.TimeScale = 1e-6;
    long rss10 = 0, rss750 = 0, rss1490 = 0;
    double cpu10 = 0;
    const double cpu0 = ThreadCpuSeconds();
    w.StartBtnClick();
    RunUntil([&] {
        if (rss10 == 0 && w.Session.Points.Count() >= 10) {
            rss10 = ResidentKiB();
            cpu10 = ThreadCpuSeconds();
        }
        if (rss750 == 0 && w.Session.Points.Count() >= 750)
            rss750 = ResidentKiB();
        if (rss1490 == 0 && w.Session.Points.Count() >= 1490)
            rss1490 = ResidentKiB();
        return w.Session.Etat == EtatCinetique::Arrete;
    });
    const double cpu = ThreadCpuSeconds();
    const long rss1500 = ResidentKiB();
    std::printf("%d points; CPU per point %.2f ms (points 10 to 1500: %.2f ms); resident %ld KiB at point 10, "
                "%ld KiB at point 750, %ld KiB at point 1490 (%+.2f %%), %ld KiB after the end-of-run repaint\n",
                int(w.Session.Points.Count()), 1000 * (cpu - cpu0) / w.Session.Points.Count(),
                1000 * (cpu - cpu10) / (w.Session.Points.Count() - 10), rss10, rss750, rss1490,
                100.0 * (rss1490 - rss10) / rss10, rss1500);
    std::fflush(stdout);

    // The real pace, Δt 8 s: the CPU between the end of the first point and
    // the start of the second (the wait, with the clock's display each second).
    w.TimeScale = 1.0;
    w.DeltatSE->setValue(8);
    // The finished run is not wanted: "RàZ" asks nothing for a saved one.
    w.Session.Sauve = true;
    w.ResetBtnClick();
    spectro.Nombre = 1;
    w.StartBtnClick();
    RunUntil([&] { return w.Session.Points.Count() == 1; }, 100);
    QElapsedTimer wall;
    const double waitCpu0 = ThreadCpuSeconds();
    wall.start();
    const int scans = simulator.CountOf("SCANBIN");
    RunUntil([&] { return spectro.Busy || simulator.CountOf("SCANBIN") > scans; }, 250);
    const double waitCpu = ThreadCpuSeconds() - waitCpu0;
    const double waited = wall.elapsed() / 1000.0;
    RunUntil([&] { return w.Session.Etat == EtatCinetique::Arrete; }, 100);
    std::printf("real pace: waiting %.2f s between two points, user-interface thread CPU %.4f s = %.3f %% of one "
                "core (goal < 0.5 %%)\n",
                waited, waitCpu, 100.0 * waitCpu / waited);
    return 0;
}

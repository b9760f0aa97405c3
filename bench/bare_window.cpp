// The yardstick of the start-up benchmark: an empty main window with a
// status bar, shown by the same Qt. It says "shown" on standard output once
// the window is on the screen, then waits to be stopped.
#include <QApplication>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Bare"));
    w.statusBar()->showMessage(QStringLiteral("Prêt"));
    w.resize(640, 480);
    w.show();
    QTimer::singleShot(0, [] {
        std::fputs("shown\n", stdout);
        std::fflush(stdout);
    });
    return app.exec();
}

#include "qtdriverenv.h"

#include "qtserialline.h"

#include <QCoreApplication>

namespace vandoral {

QtDriverEnv::QtDriverEnv()
{
    QObject::connect(&ticker_, &QTimer::timeout, [this] {
        // A copy: the tick may start or stop the ticker.
        const std::function<void()> tick = tick_;
        if (tick)
            tick();
    });
}

void QtDriverEnv::StartTicker(int ms, std::function<void()> tick)
{
    tick_ = std::move(tick);
    ticker_.start(ms);
}

void QtDriverEnv::StopTicker()
{
    ticker_.stop();
}

void QtDriverEnv::WaitForInput(SerialLine *port, int ms)
{
    if (auto *line = dynamic_cast<QtSerialLine *>(port); line && line->IsOpen()) {
        line->WaitForData(ms);
        return;
    }
    DriverEnv::WaitForInput(port, ms);
}

void QtDriverEnv::PumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QtDriverEnv &DefaultQtDriverEnv()
{
    static QtDriverEnv env;
    return env;
}

} // namespace vandoral

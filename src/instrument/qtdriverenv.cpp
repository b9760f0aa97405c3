#include "qtdriverenv.h"

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

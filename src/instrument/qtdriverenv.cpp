#include "qtdriverenv.h"

#include <QCoreApplication>

namespace vandoral {

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

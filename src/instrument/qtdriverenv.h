// The driver's event pump on the Qt side: waiting for a reply keeps the
// application's events flowing, serial notifications included.
#pragma once

#include "driver.h"

#include <QTimer>

namespace vandoral {

class QtDriverEnv : public DriverEnv {
public:
    QtDriverEnv();
    void PumpEvents() override;
    void WaitForInput(SerialLine *port, int ms) override;
    void StartTicker(int ms, std::function<void()> tick) override;
    void StopTicker() override;

private:
    QTimer ticker_;
    std::function<void()> tick_;
};

QtDriverEnv &DefaultQtDriverEnv();

} // namespace vandoral

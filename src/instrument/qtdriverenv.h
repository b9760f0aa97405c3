// The driver's event pump on the Qt side: waiting for a reply keeps the
// application's events flowing, serial notifications included.
#pragma once

#include "driver.h"

namespace vandoral {

class QtDriverEnv : public DriverEnv {
public:
    void PumpEvents() override;
};

QtDriverEnv &DefaultQtDriverEnv();

} // namespace vandoral

// Serial port numbers and the devices behind them.
#pragma once

#include <QString>

#include <string>

namespace vandoral {

// The device of port n: "\\.\COMn" on Windows; elsewhere the "COMn" entry of
// the "Ports" section of the settings file, else the n-th serial device the
// system lists (sorted by name). Empty when there is none.
QString PortDeviceName(int n, const std::string &settingsPath);

// The port exists: it opens, or another program holds it.
bool PortPresent(int n, const std::string &settingsPath);
bool DevicePresent(const QString &device);

} // namespace vandoral

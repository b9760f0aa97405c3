// Serial port numbers and the devices behind them.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <string>

namespace vandoral {

// The devices of ports 1 to 50: "\\.\COMn" on Windows; elsewhere the "COMn"
// entry of the "Ports" section of the settings file, else the n-th serial
// device the system lists (sorted by name). The table is read when built; the
// system's devices are listed once, when a port outside the table is first
// asked for (listing them walks the whole device tree).
class PortTable {
public:
    explicit PortTable(const std::string &settingsPath);
    // Empty when port n has no device.
    QString Device(int n) const;
    bool Present(int n) const;

private:
    QMap<int, QString> entries_;
    mutable bool listed_ = false;
    mutable QStringList system_;
};

QString PortDeviceName(int n, const std::string &settingsPath);
bool PortPresent(int n, const std::string &settingsPath);
// The device exists: it opens, or another program holds it.
bool DevicePresent(const QString &device);

} // namespace vandoral

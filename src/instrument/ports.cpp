#include "ports.h"

#include "inifile.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>

namespace vandoral {

QString PortDeviceName(int n, const std::string &settingsPath)
{
    if (n < 1)
        return QString();
#ifdef Q_OS_WIN
    Q_UNUSED(settingsPath);
    return QStringLiteral("\\\\.\\COM%1").arg(n);
#else
    if (!settingsPath.empty()) {
        const std::string entry =
            IniReadString(settingsPath, "Ports", "COM" + std::to_string(n), "");
        if (!entry.empty())
            return QString::fromLocal8Bit(entry.data(), static_cast<qsizetype>(entry.size()));
    }
    QStringList devices;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    std::sort(devices.begin(), devices.end());
    return n <= devices.size() ? devices.at(n - 1) : QString();
#endif
}

bool DevicePresent(const QString &device)
{
    if (device.isEmpty())
        return false;
    QSerialPort port(device);
    if (port.open(QIODevice::ReadWrite)) {
        port.close();
        return true;
    }
    // Held by another program: it exists all the same.
    return port.error() == QSerialPort::PermissionError;
}

bool PortPresent(int n, const std::string &settingsPath)
{
    return DevicePresent(PortDeviceName(n, settingsPath));
}

} // namespace vandoral

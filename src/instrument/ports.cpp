#include "ports.h"

#include "inifile.h"
#include "qtext.h"
#include "search.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>

namespace vandoral {

PortTable::PortTable(const std::string &settingsPath)
{
#ifdef Q_OS_WIN
    Q_UNUSED(settingsPath);
#else
    if (!settingsPath.empty()) {
        IniImage ini;
        ini.Load(settingsPath);
        for (int n = 1; n <= HighestPort; ++n) {
            const std::string entry = ini.ReadString("Ports", "COM" + std::to_string(n), "");
            if (!entry.empty())
                entries_.insert(n, FromPath(entry));
        }
    }
#endif
}

QString PortTable::Device(int n) const
{
    if (n < 1)
        return QString();
#ifdef Q_OS_WIN
    return QStringLiteral("\\\\.\\COM%1").arg(n);
#else
    const auto it = entries_.find(n);
    if (it != entries_.end())
        return it.value();
    if (!listed_) {
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            system_ << info.systemLocation();
        std::sort(system_.begin(), system_.end());
        listed_ = true;
    }
    return n <= system_.size() ? system_.at(n - 1) : QString();
#endif
}

bool PortTable::Present(int n) const
{
    return DevicePresent(Device(n));
}

QString PortDeviceName(int n, const std::string &settingsPath)
{
    return PortTable(settingsPath).Device(n);
}

bool PortPresent(int n, const std::string &settingsPath)
{
    return PortTable(settingsPath).Present(n);
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

} // namespace vandoral

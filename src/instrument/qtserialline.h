// The serial line over QSerialPort: 9600 baud, 8N1, no flow control.
#pragma once

#include "serialline.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <functional>

namespace vandoral {

class QtSerialLine : public QObject, public SerialLine {
    Q_OBJECT
public:
    // Maps a port number to a device name (see PortDeviceName).
    using Resolver = std::function<QString(int)>;

    explicit QtSerialLine(Resolver resolver, QObject *parent = nullptr);
    ~QtSerialLine() override;

    void SetPortNumber(int n) override { portNumber_ = n; }
    int PortNumber() const override { return portNumber_; }
    bool Open() override;
    void Close() override;
    bool IsOpen() const override { return port_.isOpen(); }
    void SendText(const std::string &text) override;
    int ReadChar() override;
    void SetDataHandler(DataHandler handler) override { handler_ = std::move(handler); }
    void SetErrorHandler(ErrorHandler handler) override { errorHandler_ = std::move(handler); }
    void ProcessPending() override;
    // Blocks until data are waiting or `ms` have passed (no event loop: it
    // works inside a reply handler too, where readyRead is not raised again).
    bool WaitForData(int ms);

    // Opens this device instead of the one the port number names.
    void SetDevice(const QString &device) { device_ = device; }
    QString DeviceName() const;
    QString ErrorString() const { return errorString_; }

    // Why the last Open failed.
    enum class OpenFailure { None, NoDevice, Missing, Denied, Busy, Other };
    OpenFailure LastFailure() const { return failure_; }
    // What a user can act on, in French: "Accès refusé à /dev/ttyUSB0 : ..."
    // or "/dev/ttyUSB0 est utilisé par un autre programme"; empty when the
    // port is simply not there.
    QString FailureText() const;
    // The device fails to open this way until cleared (None): a test run as
    // root is never refused a device, another program seldom holds one.
    static void InjectOpenFailure(const QString &device, OpenFailure failure);

    // Trace: what crossed the line in both directions; log: what was received.
    static constexpr int TraceSize = 32000;
    static constexpr int LogSize = 64000;
    void SetTrace(bool on) { traceOn_ = on; }
    void SetLog(bool on) { logOn_ = on; }
    bool TraceOn() const { return traceOn_; }
    bool LogOn() const { return logOn_; }
    QByteArray Trace() const { return trace_; }
    QByteArray Log() const { return log_; }
    bool DumpTrace(const QString &path = QStringLiteral("vandoral.TRC")) const;
    bool DumpLog(const QString &path = QStringLiteral("vandoral.LOG")) const;

signals:
    // The device went away while open (unplugged adapter, closed terminal).
    void deviceLost(const QString &reason);

private:
    void Notify();
    void Record(QByteArray &buffer, int limit, const QByteArray &bytes);

    Resolver resolver_;
    QSerialPort port_;
    DataHandler handler_;
    ErrorHandler errorHandler_;
    int portNumber_ = 1;
    QString device_;
    QString errorString_;
    OpenFailure failure_ = OpenFailure::None;
    QString failedDevice_;
    bool traceOn_ = false;
    bool logOn_ = false;
    QByteArray trace_;
    QByteArray log_;
    char lastTraceDirection_ = 0;
};

} // namespace vandoral

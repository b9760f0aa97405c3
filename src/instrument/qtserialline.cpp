#include "qtserialline.h"

#include <QFile>

#include <map>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace vandoral {

QtSerialLine::QtSerialLine(Resolver resolver, QObject *parent)
    : QObject(parent), resolver_(std::move(resolver))
{
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialLine::Notify);
    connect(&port_, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::NoError)
            return;
        errorString_ = port_.errorString();
        // A terminal whose other end went away reports a read error, an
        // unplugged adapter a resource error: either way the line is gone.
        if ((e == QSerialPort::ResourceError || e == QSerialPort::ReadError) && port_.isOpen()) {
            // What arrived before the loss is the instrument's last word:
            // delivered before the close drops Qt's buffer.
            Notify();
            if (!port_.isOpen())
                return;
            port_.close();
            emit deviceLost(errorString_);
            if (errorHandler_)
                errorHandler_();
        }
    });
}

QtSerialLine::~QtSerialLine()
{
    handler_ = nullptr;
    errorHandler_ = nullptr;
    if (port_.isOpen())
        port_.close();
}

QString QtSerialLine::DeviceName() const
{
    if (!device_.isEmpty())
        return device_;
    return resolver_ ? resolver_(portNumber_) : QString();
}

namespace {

std::map<QString, QtSerialLine::OpenFailure> &Injected()
{
    static std::map<QString, QtSerialLine::OpenFailure> failures;
    return failures;
}

} // namespace

void QtSerialLine::InjectOpenFailure(const QString &device, OpenFailure failure)
{
    if (failure == OpenFailure::None)
        Injected().erase(device);
    else
        Injected()[device] = failure;
}

QString QtSerialLine::FailureText() const
{
    switch (failure_) {
    case OpenFailure::Denied:
#ifdef Q_OS_WIN
        return tr("Accès refusé à %1").arg(failedDevice_);
#else
        return tr("Accès refusé à %1 : l'utilisateur doit être membre du groupe dialout").arg(failedDevice_);
#endif
    case OpenFailure::Busy: return tr("%1 est utilisé par un autre programme").arg(failedDevice_);
    case OpenFailure::Other: return tr("%1 ne peut pas être ouvert : %2").arg(failedDevice_, errorString_);
    case OpenFailure::None:
    case OpenFailure::NoDevice:
    case OpenFailure::Missing: break;
    }
    return QString();
}

bool QtSerialLine::Open()
{
    if (port_.isOpen())
        port_.close();
    failure_ = OpenFailure::None;
    const QString name = DeviceName();
    failedDevice_ = name;
    if (name.isEmpty()) {
        errorString_ = tr("no device for port %1").arg(portNumber_);
        failure_ = OpenFailure::NoDevice;
        return false;
    }
    const auto injected = Injected().find(name);
    if (injected != Injected().end()) {
        failure_ = injected->second;
        errorString_ = FailureText();
        return false;
    }
    port_.setPortName(name);
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.setReadBufferSize(1024);
    if (!port_.open(QIODevice::ReadWrite)) {
        errorString_ = port_.errorString();
        switch (port_.error()) {
        case QSerialPort::DeviceNotFoundError: failure_ = OpenFailure::Missing; break;
        case QSerialPort::OpenError: failure_ = OpenFailure::Busy; break; // already open
        case QSerialPort::PermissionError:
#ifdef Q_OS_WIN
            // A COM port is opened by one program at a time.
            failure_ = OpenFailure::Busy;
#else
            // Qt says "permission" both for a device the user may not open
            // and for one another program holds (locked or exclusive).
            failure_ = ::access(QFile::encodeName(name).constData(), R_OK | W_OK) != 0 ? OpenFailure::Denied
                                                                                        : OpenFailure::Busy;
#endif
            break;
        default: failure_ = OpenFailure::Other; break;
        }
        return false;
    }
    errorString_.clear();
    return true;
}

void QtSerialLine::Close()
{
    if (port_.isOpen())
        port_.close();
}

void QtSerialLine::SendText(const std::string &text)
{
    if (!port_.isOpen())
        return;
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    if (traceOn_) {
        if (lastTraceDirection_ != '>')
            Record(trace_, TraceSize, "\n> ");
        lastTraceDirection_ = '>';
        Record(trace_, TraceSize, bytes);
    }
    port_.write(bytes);
}

int QtSerialLine::ReadChar()
{
    char c;
    if (!port_.isOpen() || !port_.getChar(&c))
        return -1;
    const QByteArray one(1, c);
    if (traceOn_) {
        if (lastTraceDirection_ != '<')
            Record(trace_, TraceSize, "\n< ");
        lastTraceDirection_ = '<';
        Record(trace_, TraceSize, one);
    }
    if (logOn_)
        Record(log_, LogSize, one);
    return static_cast<unsigned char>(c);
}

void QtSerialLine::Notify()
{
    if (!handler_ || !port_.isOpen())
        return;
    const auto waiting = port_.bytesAvailable();
    if (waiting > 0)
        handler_(static_cast<int>(waiting));
}

bool QtSerialLine::WaitForData(int ms)
{
    if (!port_.isOpen())
        return false;
    if (port_.bytesAvailable() > 0)
        return true;
    return port_.waitForReadyRead(ms);
}

void QtSerialLine::ProcessPending()
{
    // Qt does not raise readyRead again while a readyRead handler runs, so a
    // synchronous exchange started from inside a reply handler would never
    // see its answer. Delivering what is already buffered here covers that.
    Notify();
}

void QtSerialLine::Record(QByteArray &buffer, int limit, const QByteArray &bytes)
{
    buffer += bytes;
    if (buffer.size() > limit)
        buffer.remove(0, buffer.size() - limit);
}

bool QtSerialLine::DumpTrace(const QString &path) const
{
    if (!traceOn_)
        return false;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(trace_) == trace_.size();
}

bool QtSerialLine::DumpLog(const QString &path) const
{
    if (!logOn_)
        return false;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(log_) == log_.size();
}

} // namespace vandoral

#include "ddelink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

namespace vandoral {

QString LocalServiceName(const QString &service, const QString &topic)
{
    // DDE names do not depend on case.
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("dde-%1-%2").arg(service.toLower(), topic.toLower()));
}

QStringList MacroLines(const QByteArray &macro)
{
    QByteArray bytes = macro;
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    QString text = QString::fromLatin1(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool StartProgram(const QString &programPath)
{
    // One program path, blanks and all ("C:\Program Files\..."): never split
    // into words. Quotes around it, as the registry may hold, are dropped.
    QString program = programPath.trimmed();
    if (program.size() >= 2 && program.startsWith(QLatin1Char('"')) && program.endsWith(QLatin1Char('"')))
        program = program.mid(1, program.size() - 2);
    if (program.isEmpty())
        return false;
    // A program of its own: it does not write into this program's output.
    QProcess process;
    process.setProgram(program);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

#ifndef Q_OS_WIN

// The exchange: the client sends "EXECUTE <item> <length>\n" and the macro's
// bytes; the server answers "ACK\n" or "NACK\n".
namespace {

class LocalDdeClient : public DdeClient {
public:
    bool OpenLink(const QString &service, const QString &topic, const QString &item,
                  const QString &serviceApplication) override
    {
        item_ = item;
        const QString name = LocalServiceName(service, topic);
        if (Connect(name))
            return true;
        if (!StartProgram(serviceApplication.isEmpty() ? service : serviceApplication))
            return false;
        // The program just started needs a moment before it listens.
        for (int i = 0; i < 20; ++i) {
            if (Connect(name))
                return true;
            QThread::msleep(100);
        }
        return false;
    }

    bool ExecuteMacro(const QByteArray &macro) override
    {
        if (socket_.state() != QLocalSocket::ConnectedState)
            return false;
        socket_.write("EXECUTE " + item_.toUtf8() + ' ' + QByteArray::number(macro.size()) + '\n' + macro);
        socket_.flush();
        // Like a DDE transaction, the wait keeps the application's messages
        // flowing (the server may be in this very program).
        QElapsedTimer timer;
        timer.start();
        while (!socket_.canReadLine()) {
            if (timer.elapsed() > 5000 || socket_.state() != QLocalSocket::ConnectedState)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            socket_.waitForReadyRead(10);
        }
        return socket_.readLine().trimmed() == "ACK";
    }

    void CloseLink() override { socket_.abort(); }

private:
    bool Connect(const QString &name)
    {
        socket_.abort();
        socket_.connectToServer(name);
        return socket_.waitForConnected(500);
    }

    QLocalSocket socket_;
    QString item_;
};

} // namespace

std::unique_ptr<DdeClient> MakeDdeClient()
{
    return std::make_unique<LocalDdeClient>();
}

struct DdeServer::Impl {
    QLocalServer server;
    Handler handler;
};

DdeServer::DdeServer(QObject *parent) : QObject(parent), d_(std::make_unique<Impl>()) {}

DdeServer::~DdeServer() = default;

bool DdeServer::Listen(const QString &service, const QString &topic, Handler handler)
{
    d_->handler = std::move(handler);
    const QString name = LocalServiceName(service, topic);
    QLocalServer::removeServer(name);
    d_->server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!d_->server.listen(name))
        return false;
    connect(&d_->server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = d_->server.nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                // A request: header line, then as many bytes as it says.
                for (;;) {
                    const QByteArray pending = client->peek(client->bytesAvailable());
                    const int eol = pending.indexOf('\n');
                    if (eol < 0)
                        return;
                    const QList<QByteArray> header = pending.left(eol).split(' ');
                    bool ok = header.size() == 3 && header[0] == "EXECUTE";
                    const int length = ok ? header[2].toInt(&ok) : 0;
                    if (!ok || length < 0 || length > 1 << 20) {
                        client->abort();
                        return;
                    }
                    if (pending.size() < eol + 1 + length)
                        return;
                    client->read(eol + 1);
                    const QStringList lines = MacroLines(client->read(length));
                    const bool accepted = d_->handler && d_->handler(lines);
                    client->write(accepted ? "ACK\n" : "NACK\n");
                    client->flush();
                }
            });
        }
    });
    return true;
}

namespace {
QString MarkerPath()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("Tabvista.lock"));
}
} // namespace

bool TabvistaRunning()
{
    QLockFile lock(MarkerPath());
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

struct TabvistaMarker::Impl {
    Impl() : lock(MarkerPath()) { lock.tryLock(0); }
    QLockFile lock;
};

TabvistaMarker::TabvistaMarker() : d_(std::make_unique<Impl>()) {}
TabvistaMarker::~TabvistaMarker() = default;

#endif // !Q_OS_WIN

} // namespace vandoral

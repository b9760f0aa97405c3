#include "oneinst.h"

#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace vandoral {

SingleInstance::SingleInstance(const QString &name, QObject *parent) : QObject(parent)
{
#ifdef Q_OS_WIN
    serverName_ = name + QLatin1Char('-') + qEnvironmentVariable("USERNAME");
#else
    // The runtime folder is the user's own (mode 0700).
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    serverName_ = QDir(dir).filePath(name);
#endif
}

SingleInstance::~SingleInstance()
{
    server_.close();
}

bool SingleInstance::Start()
{
    // Two copies started together must not both take over the socket.
#ifdef Q_OS_WIN
    QLockFile lock(QDir(QDir::tempPath()).filePath(serverName_ + QStringLiteral(".lock")));
#else
    QLockFile lock(serverName_ + QStringLiteral(".lock"));
#endif
    lock.tryLock(5000);

    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (socket.waitForConnected(1000)) {
        socket.write("SHOW\n");
        socket.flush();
        socket.waitForBytesWritten(1000);
        socket.waitForReadyRead(2000);
        return false;
    }
    // Nobody answers: whatever socket is there was left by a copy that crashed.
    QLocalServer::removeServer(serverName_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(serverName_))
        return true; // no guard, but the program still starts
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *client = server_.nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine())
                    return;
                if (client->readLine().trimmed() == "SHOW") {
                    client->write("OK\n");
                    client->flush();
                    emit activationRequested();
                }
            });
        }
    });
    return true;
}

} // namespace vandoral

// One running copy per user: a second start asks the running copy to come to
// the front, then ends. A local socket that only this user can reach; the
// socket a crashed copy left behind is taken over.
#pragma once

#include <QLocalServer>
#include <QObject>

namespace vandoral {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString &name = QStringLiteral("Vandoral"), QObject *parent = nullptr);
    ~SingleInstance() override;

    // True for the first copy, which now listens; false when a running copy
    // answered and was asked to come to the front.
    bool Start();
    QString ServerName() const { return serverName_; }

signals:
    void activationRequested();

private:
    QLocalServer server_;
    QString serverName_;
};

} // namespace vandoral

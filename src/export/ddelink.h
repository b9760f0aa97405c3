// The conversation with the analysis program: on Windows a DDE conversation
// (DDEML); elsewhere the same exchange over a local socket of the same user,
// with the same service, topic and item names.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace vandoral {

class DdeClient {
public:
    virtual ~DdeClient() = default;
    // Connects to service/topic. When no server answers, starts
    // `serviceApplication` (or, when empty, service and topic separated by a
    // blank) as a command line, and when that start succeeds tries once more.
    virtual bool OpenLink(const QString &service, const QString &topic, const QString &item,
                          const QString &serviceApplication) = 0;
    // Executes a macro; false when the server refuses it.
    virtual bool ExecuteMacro(const QByteArray &macro) = 0;
    virtual void CloseLink() = 0;
};

std::unique_ptr<DdeClient> MakeDdeClient();

// This program's own service: macros the analysis program sends.
class DdeServer : public QObject {
    Q_OBJECT
public:
    // Receives the macro's lines; returns whether it was accepted.
    using Handler = std::function<bool(const QStringList &lines)>;

    explicit DdeServer(QObject *parent = nullptr);
    ~DdeServer() override;
    bool Listen(const QString &service, const QString &topic, Handler handler);

    struct Impl; // per platform

private:
    std::unique_ptr<Impl> d_;
};

// The lines of a macro (CR LF or LF between them).
QStringList MacroLines(const QByteArray &macro);
// Where the local-socket conversation of service/topic listens.
QString LocalServiceName(const QString &service, const QString &topic);
// Starts the program at `programPath`, without arguments. The path is taken
// whole, blanks included; surrounding quotes are dropped.
bool StartProgram(const QString &programPath);

// Whether the analysis program runs (it holds the "Tabvista" marker: a named
// semaphore on Windows, a lock file in the user's runtime folder elsewhere).
bool TabvistaRunning();
// Held by the analysis program while it runs (the stand-in uses it).
class TabvistaMarker {
public:
    TabvistaMarker();
    ~TabvistaMarker();

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace vandoral

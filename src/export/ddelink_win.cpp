// The DDE conversations on Windows and the analysis program's semaphore:
// the Qt face of the plain Win32 layer. Built on Windows only.
#include "ddelink.h"
#include "win32dde.h"

namespace vandoral {

namespace {

// Service and topic names are plain ASCII; macros stay Windows-1252 bytes.
std::string Name(const QString &s)
{
    return s.toLatin1().toStdString();
}

class DdemlClient : public DdeClient {
public:
    bool OpenLink(const QString &service, const QString &topic, const QString &,
                  const QString &serviceApplication) override
    {
        if (client_.Connect(Name(service), Name(topic)))
            return true;
        const QString program = serviceApplication.isEmpty() ? service : serviceApplication;
        return win32::StartMinimised(program.toUtf8().toStdString()) && client_.Connect(Name(service), Name(topic));
    }

    bool ExecuteMacro(const QByteArray &macro) override { return client_.Execute(macro.toStdString()); }

    void CloseLink() override { client_.Disconnect(); }

private:
    win32::DdemlClient client_;
};

} // namespace

std::unique_ptr<DdeClient> MakeDdeClient()
{
    return std::make_unique<DdemlClient>();
}

struct DdeServer::Impl {
    win32::DdemlServer server;
};

DdeServer::DdeServer(QObject *parent) : QObject(parent), d_(std::make_unique<Impl>()) {}

DdeServer::~DdeServer() = default;

bool DdeServer::Listen(const QString &service, const QString &topic, Handler handler)
{
    return d_->server.Listen(Name(service), Name(topic), [handler](const std::string &macro) {
        return handler && handler(MacroLines(QByteArray::fromStdString(macro)));
    });
}

bool TabvistaRunning()
{
    return win32::SemaphoreExists("Tabvista");
}

struct TabvistaMarker::Impl {
    win32::NamedSemaphore semaphore{"Tabvista"};
};

TabvistaMarker::TabvistaMarker() : d_(std::make_unique<Impl>()) {}
TabvistaMarker::~TabvistaMarker() = default;

} // namespace vandoral

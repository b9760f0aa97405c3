// The DDE conversations on Windows (DDEML) and the analysis program's
// semaphore. Built on Windows only.
#include "ddelink.h"

#include <windows.h>
#include <ddeml.h>

namespace vandoral {

namespace {

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return nullptr;
}

// The conversations are set up in the ANSI code page: the macros and the
// blocks are Windows-1252 bytes, and an older analysis program is ANSI too
// (with a Unicode set-up it would receive "???????????").
HSZ Handle(DWORD inst, const QString &s)
{
    const QByteArray name = s.toLatin1();
    return DdeCreateStringHandleA(inst, name.constData(), CP_WINANSI);
}

// Starts the program at `programPath` minimised, without taking the focus.
// The path is one name, blanks and all ("C:\Program Files\...").
bool StartMinimised(const QString &programPath)
{
    QString program = programPath.trimmed();
    if (program.size() >= 2 && program.startsWith(QLatin1Char('"')) && program.endsWith(QLatin1Char('"')))
        program = program.mid(1, program.size() - 2);
    if (program.isEmpty())
        return false;
    const std::wstring application = program.toStdWString();
    std::wstring command = L"\"" + application + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWMINNOACTIVE;
    PROCESS_INFORMATION pi{};
    // A bare name ("tabvista.exe") is looked up through the search path.
    const bool bare = !program.contains(QLatin1Char('\\')) && !program.contains(QLatin1Char('/'));
    if (!CreateProcessW(bare ? nullptr : application.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

class DdemlClient : public DdeClient {
public:
    DdemlClient() { DdeInitializeA(&inst_, ClientCallback, APPCMD_CLIENTONLY, 0); }
    ~DdemlClient() override
    {
        CloseLink();
        if (inst_)
            DdeUninitialize(inst_);
    }

    bool OpenLink(const QString &service, const QString &topic, const QString &,
                  const QString &serviceApplication) override
    {
        if (Connect(service, topic))
            return true;
        return StartMinimised(serviceApplication.isEmpty() ? service : serviceApplication) && Connect(service, topic);
    }

    bool ExecuteMacro(const QByteArray &macro) override
    {
        if (!conv_)
            return false;
        QByteArray data = macro;
        data.append('\0');
        HDDEDATA result = DdeClientTransaction(reinterpret_cast<LPBYTE>(data.data()), DWORD(data.size()), conv_,
                                               nullptr, 0, XTYP_EXECUTE, 5000, nullptr);
        return result != nullptr;
    }

    void CloseLink() override
    {
        if (conv_) {
            DdeDisconnect(conv_);
            conv_ = nullptr;
        }
    }

private:
    bool Connect(const QString &service, const QString &topic)
    {
        CloseLink();
        HSZ s = Handle(inst_, service), t = Handle(inst_, topic);
        conv_ = DdeConnect(inst_, s, t, nullptr);
        DdeFreeStringHandle(inst_, s);
        DdeFreeStringHandle(inst_, t);
        return conv_ != nullptr;
    }

    DWORD inst_ = 0;
    HCONV conv_ = nullptr;
};

} // namespace

std::unique_ptr<DdeClient> MakeDdeClient()
{
    return std::make_unique<DdemlClient>();
}

struct DdeServer::Impl {
    DWORD inst = 0;
    HSZ service = nullptr;
    HSZ topic = nullptr;
    Handler handler;
};

namespace {
DdeServer::Impl *server = nullptr; // DDEML calls back without a context

HDDEDATA CALLBACK ServerCallback(UINT type, UINT, HCONV, HSZ hsz1, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR)
{
    if (!server)
        return nullptr;
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DdeCmpStringHandles(hsz1, server->topic) == 0));
    case XTYP_EXECUTE: {
        const DWORD size = DdeGetData(data, nullptr, 0, 0);
        QByteArray bytes(int(size), '\0');
        DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
        const bool ok = server->handler && server->handler(MacroLines(bytes));
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(ok ? DDE_FACK : DDE_FNOTPROCESSED));
    }
    default:
        return nullptr;
    }
}
} // namespace

DdeServer::DdeServer(QObject *parent) : QObject(parent), d_(std::make_unique<Impl>()) {}

DdeServer::~DdeServer()
{
    if (d_->inst) {
        DdeNameService(d_->inst, d_->service, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(d_->inst, d_->service);
        DdeFreeStringHandle(d_->inst, d_->topic);
        DdeUninitialize(d_->inst);
    }
    if (server == d_.get())
        server = nullptr;
}

bool DdeServer::Listen(const QString &service, const QString &topic, Handler handler)
{
    d_->handler = std::move(handler);
    server = d_.get();
    if (DdeInitializeA(&d_->inst, ServerCallback, APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS, 0)
        != DMLERR_NO_ERROR)
        return false;
    d_->service = Handle(d_->inst, service);
    d_->topic = Handle(d_->inst, topic);
    return DdeNameService(d_->inst, d_->service, nullptr, DNS_REGISTER) != nullptr;
}

bool TabvistaRunning()
{
    HANDLE h = CreateSemaphoreW(nullptr, 0, 1, L"Tabvista");
    const bool existed = h && GetLastError() == ERROR_ALREADY_EXISTS;
    // Released at once: kept, it would make every later probe say "running".
    if (h)
        CloseHandle(h);
    return existed;
}

struct TabvistaMarker::Impl {
    Impl() : handle(CreateSemaphoreW(nullptr, 0, 1, L"Tabvista")) {}
    ~Impl()
    {
        if (handle)
            CloseHandle(handle);
    }
    HANDLE handle;
};

TabvistaMarker::TabvistaMarker() : d_(std::make_unique<Impl>()) {}
TabvistaMarker::~TabvistaMarker() = default;

} // namespace vandoral

#include "win32dde.h"
#include "fileio.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ddeml.h>

#include <vector>

namespace vandoral {
namespace win32 {

namespace {

HDDEDATA CALLBACK ClientCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return nullptr;
}

HSZ Handle(DWORD inst, const std::string &name)
{
    return DdeCreateStringHandleA(inst, name.c_str(), CP_WINANSI);
}

std::string Trimmed(const std::string &s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

} // namespace

DdemlClient::DdemlClient()
{
    DWORD inst = 0;
    if (DdeInitializeA(&inst, ClientCallback, APPCMD_CLIENTONLY, 0) == DMLERR_NO_ERROR)
        inst_ = inst;
}

DdemlClient::~DdemlClient()
{
    Disconnect();
    if (inst_)
        DdeUninitialize(inst_);
}

bool DdemlClient::Connect(const std::string &service, const std::string &topic)
{
    Disconnect();
    if (!inst_)
        return false;
    HSZ s = Handle(inst_, service), t = Handle(inst_, topic);
    conv_ = DdeConnect(inst_, s, t, nullptr);
    DdeFreeStringHandle(inst_, s);
    DdeFreeStringHandle(inst_, t);
    return conv_ != nullptr;
}

bool DdemlClient::Connected() const
{
    return conv_ != nullptr;
}

bool DdemlClient::Execute(const std::string &macro, unsigned timeoutMs)
{
    if (!conv_)
        return false;
    std::vector<BYTE> data(macro.begin(), macro.end());
    data.push_back(0);
    const HDDEDATA result = DdeClientTransaction(data.data(), static_cast<DWORD>(data.size()),
                                                 static_cast<HCONV>(conv_), nullptr, 0, XTYP_EXECUTE, timeoutMs,
                                                 nullptr);
    return result != nullptr;
}

void DdemlClient::Disconnect()
{
    if (conv_) {
        DdeDisconnect(static_cast<HCONV>(conv_));
        conv_ = nullptr;
    }
}

struct DdemlServer::Impl {
    DWORD inst = 0;
    HSZ service = nullptr;
    HSZ topic = nullptr;
    Handler handler;
};

namespace {

DdemlServer::Impl *server = nullptr; // DDEML calls back without a context

HDDEDATA CALLBACK ServerCallback(UINT type, UINT, HCONV, HSZ hsz1, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR)
{
    if (!server)
        return nullptr;
    switch (type) {
    case XTYP_CONNECT:
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DdeCmpStringHandles(hsz1, server->topic) == 0));
    case XTYP_EXECUTE: {
        const DWORD size = DdeGetData(data, nullptr, 0, 0);
        std::string bytes(size, '\0');
        if (size)
            DdeGetData(data, reinterpret_cast<LPBYTE>(&bytes[0]), size, 0);
        const auto end = bytes.find('\0');
        if (end != std::string::npos)
            bytes.resize(end);
        bool ok = false;
        try {
            ok = server->handler && server->handler(bytes);
        } catch (...) {
            // Nothing may unwind through DDEML's callback.
            ok = false;
        }
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(ok ? DDE_FACK : DDE_FNOTPROCESSED));
    }
    default:
        return nullptr;
    }
}

} // namespace

DdemlServer::DdemlServer() : d_(std::make_unique<Impl>()) {}

DdemlServer::~DdemlServer()
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

bool DdemlServer::Listen(const std::string &service, const std::string &topic, Handler handler)
{
    if (d_->inst || (server && server != d_.get()))
        return false;
    d_->handler = std::move(handler);
    server = d_.get();
    DWORD inst = 0;
    if (DdeInitializeA(&inst, ServerCallback, APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS, 0)
        != DMLERR_NO_ERROR) {
        server = nullptr;
        return false;
    }
    d_->inst = inst;
    d_->service = Handle(inst, service);
    d_->topic = Handle(inst, topic);
    return DdeNameService(inst, d_->service, nullptr, DNS_REGISTER) != nullptr;
}

bool StartMinimised(const std::string &programPath)
{
    std::string program = Trimmed(programPath);
    if (program.size() >= 2 && program.front() == '"' && program.back() == '"')
        program = program.substr(1, program.size() - 2);
    if (program.empty())
        return false;
    const std::wstring application = WideName(program);
    std::wstring command = L"\"" + application + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWMINNOACTIVE;
    PROCESS_INFORMATION pi{};
    const bool bare = program.find_first_of("\\/") == std::string::npos;
    if (!CreateProcessW(bare ? nullptr : application.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

bool SemaphoreExists(const std::string &name)
{
    HANDLE h = CreateSemaphoreW(nullptr, 0, 1, WideName(name).c_str());
    const bool existed = h && GetLastError() == ERROR_ALREADY_EXISTS;
    if (h)
        CloseHandle(h);
    return existed;
}

NamedSemaphore::NamedSemaphore(const std::string &name)
    : handle_(CreateSemaphoreW(nullptr, 0, 1, WideName(name).c_str()))
{
}

NamedSemaphore::~NamedSemaphore()
{
    if (handle_)
        CloseHandle(static_cast<HANDLE>(handle_));
}

} // namespace win32
} // namespace vandoral

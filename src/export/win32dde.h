// DDEML conversations and named semaphores in plain Win32, without Qt: the
// Qt side wraps them, and a Windows test program drives them directly.
//
// Everything is set up in the ANSI code page. Names and macros are
// Windows-1252 bytes, and an older analysis program is single-byte too; a
// Unicode set-up would hand it "???" and hand our own server UTF-16.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace vandoral {
namespace win32 {

// Our side of a conversation with a DDE server (the analysis program).
class DdemlClient {
public:
    DdemlClient();
    ~DdemlClient();
    DdemlClient(const DdemlClient &) = delete;
    DdemlClient &operator=(const DdemlClient &) = delete;

    bool Connect(const std::string &service, const std::string &topic);
    bool Connected() const;
    // Sends `macro` (Windows-1252 bytes) as an XTYP_EXECUTE, NUL-terminated;
    // false when there is no conversation, the server refuses the macro or
    // does not answer within `timeoutMs`.
    bool Execute(const std::string &macro, unsigned timeoutMs = 5000);
    void Disconnect();

private:
    unsigned long inst_ = 0;
    void *conv_ = nullptr;
};

// Our own service. DDEML calls back on the thread that called Listen, from
// its message loop, so that thread must pump messages (Qt's loop does).
class DdemlServer {
public:
    // Receives the macro's bytes, up to its terminating NUL; returns whether
    // it was carried out.
    using Handler = std::function<bool(const std::string &macro)>;

    DdemlServer();
    ~DdemlServer();
    DdemlServer(const DdemlServer &) = delete;
    DdemlServer &operator=(const DdemlServer &) = delete;

    // One server per process: DDEML's callback has no context of its own.
    bool Listen(const std::string &service, const std::string &topic, Handler handler);

    struct Impl;

private:
    std::unique_ptr<Impl> d_;
};

// Starts the program at `programPath` (UTF-8) minimised, without taking the
// focus. The path is one name, blanks and all ("C:\Program Files\..."); the
// quotes around it are dropped. A bare name is looked up in the search path.
bool StartMinimised(const std::string &programPath);

// Whether a named semaphore exists (the analysis program holds "Tabvista"
// while it runs). The probe's own handle is closed at once, so that it never
// keeps the name alive.
bool SemaphoreExists(const std::string &name);

// Holds a named semaphore for its lifetime.
class NamedSemaphore {
public:
    explicit NamedSemaphore(const std::string &name);
    ~NamedSemaphore();
    NamedSemaphore(const NamedSemaphore &) = delete;
    NamedSemaphore &operator=(const NamedSemaphore &) = delete;

private:
    void *handle_ = nullptr;
};

} // namespace win32
} // namespace vandoral

// The DDE link and the analysis program's semaphore on Windows (run under
// Wine): our client against a single-byte (ANSI) stand-in of the analysis
// program, an ANSI client against our server, and the "Tabvista" semaphore.
#include "coretest.h"
#include "win32dde.h"

#include <windows.h>
#include <ddeml.h>

#include <atomic>
#include <mutex>
#include <thread>

using namespace vandoral::win32;

namespace {

// Started as "...\Tab vista\standin.exe", this program plays an analysis
// program that has just started: it holds "Tabvista" for a few seconds and
// leaves, before any test runs.
const bool playsStandIn = [] {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring name(self, n);
    if (name.size() < 11 || name.compare(name.size() - 11, 11, L"standin.exe") != 0)
        return false;
    NamedSemaphore running("Tabvista");
    Sleep(4000);
    ExitProcess(0);
}();

// Runs `body` on a thread of its own that pumps messages until told to stop,
// as a separate program's main thread would.
class MessageThread {
public:
    template <class Setup, class Teardown>
    MessageThread(Setup setup, Teardown teardown)
    {
        ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this, setup, teardown] {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue
            id_ = GetCurrentThreadId();
            ok_ = setup();
            SetEvent(ready_);
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            teardown();
        });
        WaitForSingleObject(ready_, 20000);
    }
    ~MessageThread()
    {
        PostThreadMessageW(id_, WM_QUIT, 0, 0);
        thread_.join();
        CloseHandle(ready_);
    }
    bool started() const { return ok_; }

private:
    HANDLE ready_ = nullptr;
    std::thread thread_;
    std::atomic<DWORD> id_{0};
    std::atomic<bool> ok_{false};
};

// Pumps this thread's messages until `done` or 20 s.
template <class Done>
bool PumpUntil(Done done)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > 20000)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

// A single-byte analysis program: its DDEML instance is ANSI, and it carries
// out only the macros it knows.
struct AnsiAnalysisProgram {
    static AnsiAnalysisProgram *current;
    DWORD inst = 0;
    HSZ service = nullptr, topic = nullptr;
    std::mutex lock;
    std::vector<std::string> received; // bytes up to the terminating NUL

    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ hsz1, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR)
    {
        AnsiAnalysisProgram *self = current;
        if (type == XTYP_CONNECT)
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DdeCmpStringHandles(hsz1, self->topic) == 0));
        if (type != XTYP_EXECUTE)
            return nullptr;
        const DWORD size = DdeGetData(data, nullptr, 0, 0);
        std::string bytes(size, '\0');
        if (size)
            DdeGetData(data, reinterpret_cast<LPBYTE>(&bytes[0]), size, 0);
        bytes.resize(std::min(bytes.size(), bytes.find('\0')));
        {
            std::lock_guard<std::mutex> g(self->lock);
            self->received.push_back(bytes);
        }
        const bool known = bytes == "CLIP|LOAD()" || bytes == "CLIP|ADD()" || bytes.rfind("FICHIER|OUVRIR(", 0) == 0;
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(known ? DDE_FACK : DDE_FNOTPROCESSED));
    }

    bool Start(const char *serviceName)
    {
        current = this;
        if (DdeInitializeA(&inst, Callback, APPCLASS_STANDARD | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS, 0)
            != DMLERR_NO_ERROR)
            return false;
        service = DdeCreateStringHandleA(inst, serviceName, CP_WINANSI);
        topic = DdeCreateStringHandleA(inst, "ServeurDDE", CP_WINANSI);
        return DdeNameService(inst, service, nullptr, DNS_REGISTER) != nullptr;
    }
    void Stop()
    {
        DdeNameService(inst, service, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(inst, service);
        DdeFreeStringHandle(inst, topic);
        DdeUninitialize(inst);
    }
    std::vector<std::string> Received()
    {
        std::lock_guard<std::mutex> g(lock);
        return received;
    }
};
AnsiAnalysisProgram *AnsiAnalysisProgram::current = nullptr;

HDDEDATA CALLBACK NoCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return nullptr;
}

// An ANSI client sends one macro to service/topic from its own thread.
struct AnsiSend {
    bool connected = false;
    bool executed = false;
};
AnsiSend SendFromAnsiClient(const std::string &service, const std::string &macro)
{
    AnsiSend result;
    std::atomic<bool> done{false};
    std::thread client([&] {
        DWORD inst = 0;
        if (DdeInitializeA(&inst, NoCallback, APPCMD_CLIENTONLY, 0) == DMLERR_NO_ERROR) {
            HSZ s = DdeCreateStringHandleA(inst, service.c_str(), CP_WINANSI);
            HSZ t = DdeCreateStringHandleA(inst, "ServeurDDE", CP_WINANSI);
            HCONV conv = DdeConnect(inst, s, t, nullptr);
            result.connected = conv != nullptr;
            if (conv) {
                std::vector<BYTE> data(macro.begin(), macro.end());
                data.push_back(0);
                result.executed = DdeClientTransaction(data.data(), DWORD(data.size()), conv, nullptr, 0, XTYP_EXECUTE,
                                                       10000, nullptr)
                                  != nullptr;
                DdeDisconnect(conv);
            }
            DdeFreeStringHandle(inst, s);
            DdeFreeStringHandle(inst, t);
            DdeUninitialize(inst);
        }
        done = true;
    });
    // Our server answers from this thread's message loop.
    const bool finished = PumpUntil([&] { return done.load(); });
    client.join();
    CHECK(finished);
    return result;
}

} // namespace

TEST_CASE("our client reaches a single-byte analysis program")
{
    AnsiAnalysisProgram program;
    MessageThread thread([&] { return program.Start("TABVISTA"); }, [&] { program.Stop(); });
    REQUIRE(thread.started());

    struct Row {
        std::string tag;
        std::string macro;
        bool executed;
    };
    const std::vector<Row> rows = {
        {"load", "CLIP|LOAD()", true},
        {"add a page", "CLIP|ADD()", true},
        {"Windows-1252 bytes arrive as they are", "FICHIER|OUVRIR(C:\\Donn\xE9" "es\\r\xE9sultat.txt)", true},
        {"an unknown macro is refused", "CLIP|EFFACE()", false},
    };
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        DdemlClient client;
        // The service name is not case-sensitive, as the analysis program's
        // two spellings rely on.
        REQUIRE(client.Connect("Tabvista", "ServeurDDE"));
        REQUIRE(client.Execute(row.macro) == row.executed);
        client.Disconnect();
        const std::vector<std::string> got = program.Received();
        REQUIRE(!got.empty());
        REQUIRE(got.back() == row.macro);
    }
}

TEST_CASE("no analysis program: no conversation, nothing sent")
{
    DdemlClient client;
    REQUIRE(!client.Connect("TABVISTA", "ServeurDDE"));
    REQUIRE(!client.Connected());
    REQUIRE(!client.Execute("CLIP|LOAD()"));
}

TEST_CASE("a single-byte client reaches our server")
{
    std::vector<std::string> got;
    bool accept = true;
    DdemlServer server;
    REQUIRE(server.Listen("vandoral", "ServeurDDE", [&](const std::string &macro) {
        got.push_back(macro);
        return accept;
    }));

    const std::string macro = "Spectre\r\nd\xE9j\xE0 vu";
    AnsiSend sent = SendFromAnsiClient("VANDORAL", macro);
    REQUIRE(sent.connected);
    REQUIRE(sent.executed);
    REQUIRE(got == std::vector<std::string>{macro});

    accept = false;
    sent = SendFromAnsiClient("vandoral", "CLIP|LOAD()");
    REQUIRE(sent.connected);
    REQUIRE(!sent.executed);
    REQUIRE(got.size() == 2);
    REQUIRE(got.back() == "CLIP|LOAD()");

    // DDEML calls back without a context: one server per process.
    DdemlServer second;
    REQUIRE(!second.Listen("autre", "ServeurDDE", nullptr));
}

TEST_CASE("the analysis program starts from a path with blanks, quoted or not")
{
    TempDir dir;
    const std::string folder = dir.filePath("Program Files\\Tab vista");
    REQUIRE(MakeFolder(folder));
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string program = folder + "\\standin.exe";
    REQUIRE(CopyFileW(std::wstring(self, n).c_str(), FromPathText(program).c_str(), FALSE));
    for (const std::string &typed : {program, "  \"" + program + "\" "}) {
        CAPTURE(typed);
        REQUIRE(!SemaphoreExists("Tabvista"));
        REQUIRE(StartMinimised(typed));
        REQUIRE(PumpUntil([] { return SemaphoreExists("Tabvista"); }));
        REQUIRE(PumpUntil([] { return !SemaphoreExists("Tabvista"); }));
    }
    // Nothing there to start: no success claimed.
    REQUIRE(!StartMinimised(folder + "\\absent.exe"));
    REQUIRE(!StartMinimised("   "));
}

TEST_CASE("the Tabvista semaphore before, during and after the program")
{
    REQUIRE(!SemaphoreExists("Tabvista"));
    REQUIRE(!SemaphoreExists("Tabvista")); // the probe did not leave it behind
    {
        NamedSemaphore running("Tabvista");
        REQUIRE(SemaphoreExists("Tabvista"));
        REQUIRE(SemaphoreExists("Tabvista"));
    }
    REQUIRE(!SemaphoreExists("Tabvista"));
}

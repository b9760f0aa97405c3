// The driver's reply rules, character by character: status decoding, the
// reference and scan handlers, and random input that must never break them.
#include "numtext.h"
#include "driver.h"
#include "serialline.h"

#include "coretest.h"

#include <limits>
#include <random>
#include <stdexcept>

using namespace vandoral;

namespace {

// Records the driver's events in the order they fire.
struct Events {
    std::vector<std::string> log;
    std::vector<std::pair<int, double>> points;
    void Attach(TspectroVandoral &s)
    {
        s.OnMessage = [this](const std::string &m) { log.push_back("message:" + m); };
        s.OnControlChange = [this] { log.push_back("control"); };
    }
    TspectroVandoral::PointEvent Point()
    {
        return [this](std::int32_t i, double v) { points.push_back({i, v}); };
    }
    TspectroVandoral::Event Done()
    {
        return [this] { log.push_back("done"); };
    }
};

void Feed(TspectroVandoral &s, const std::string &bytes)
{
    for (char c : bytes)
        s.HandleChar(c);
}

} // namespace

TEST_CASE("decodeStatus")
{
    struct Row {
        std::string tag;
        std::string reply;
        bool ok;
        std::string message;
    };
    std::vector<Row> rows;

    rows.push_back({"E00", std::string("E00"), true, std::string("")});
    rows.push_back({"E00 and more", std::string("E00 x"), false, std::string("")});
    rows.push_back({"E01", std::string("E01"), false, std::string("Erreur de param\xE8tre")});
    rows.push_back({"E02", std::string("E02"), false, std::string("Probl\xE8me de lampe UV")});
    rows.push_back({"E03", std::string("E03"), false, std::string("Probl\xE8me de lampe visible")});
    rows.push_back({"E04", std::string("E04"), false, std::string("Erreur de longueur d'onde")});
    rows.push_back({"E05", std::string("E05"), false, std::string("Erreur interne du spectro")});
    rows.push_back({"E90", std::string("E90"), false, std::string("Erreur nombre de param\xE8tres")});
    rows.push_back({"E91", std::string("E91"), false, std::string("Attendre la fin de l'\xE9talonnage")});
    rows.push_back({"E92", std::string("E92"), false, std::string("Commande non pr\xE9vue")});
    rows.push_back({"E93", std::string("E93"), false, std::string("Appuyer sur la touche OK (F2) du spectro")});
    rows.push_back({"E94", std::string("E94"), false, std::string("Argument invalide")});
    rows.push_back({"E95", std::string("E95"), false, std::string("Commande trop longue")});
    rows.push_back({"E96 default", std::string("E96"), false, std::string("Probl\xE8me E96")});
    rows.push_back({"E97 default", std::string("E97"), false, std::string("Probl\xE8me E97")});
    rows.push_back({"E98", std::string("E98"), false, std::string("Attendre la fin de l'\xE9talonnage")});
    rows.push_back({"E99", std::string("E99"), false, std::string("Erreur inconnue")});
    rows.push_back({"one digit", std::string("E7"), false, std::string("Probl\xE8me E7")});
    rows.push_back({"letters", std::string("EAB"), false, std::string("Probl\xE8me EAB")});
    rows.push_back({"empty", std::string(""), false, std::string("Probl\xE8me ")});
    rows.push_back({"E alone", std::string("E"), false, std::string("Probl\xE8me E")});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const std::string &reply = row.reply;
        const bool &ok = row.ok;
        const std::string &message = row.message;
        TspectroVandoral s;
        std::vector<std::string> fired;
        s.OnMessage = [&](const std::string &m) { fired.push_back(m); };
        REQUIRE(s.DecodeStatus(reply) == ok);
        REQUIRE(s.LastMessage == message);
        REQUIRE(fired == std::vector<std::string>{message}); // fired once, empty text included
    }
}

TEST_CASE("textScan")
{
    TspectroVandoral s;
    Events e;
    e.Attach(s);
    s.LambdaMin = 400;
    s.Scan(e.Point(), e.Done());
    REQUIRE(s.Busy);
    Feed(s, "Scanning...\r\n  0.523 \r\nabc\r\n\r\n-0.01\r\n1234567890123456789012345\r\nE00\r\n");
    REQUIRE(e.points.size() == 4);
    REQUIRE(e.points[0] == std::make_pair(400, 0.523));
    REQUIRE(e.points[1] == std::make_pair(401, MissingValue)); // still a point, next wavelength
    REQUIRE(e.points[2] == std::make_pair(402, -0.01));
    REQUIRE(e.points[3] == std::make_pair(403, 12345678901234567890.0)); // first 20 characters
    REQUIRE(e.log == (std::vector<std::string>{"message:", "control", "done"}));
    REQUIRE(!s.Busy);
    REQUIRE(s.PointIndex == 404);
}

TEST_CASE("hexScan")
{
    struct Row {
        std::string tag;
        std::string input;
        std::vector<double> values;
    };
    std::vector<Row> rows;

    rows.push_back({"reference values", std::string("0A3,3E8,FFF,F9B,\r\nE00\r\n"), std::vector<double>{0.163, 1.0, 0.0, -0.1}});
    rows.push_back({"two commas in a row", std::string("0A3,,3E8,\nE00\n"), std::vector<double>{0.163, 1.0}});
    rows.push_back({"scanning line dropped", std::string("Scanning\r\n001,\nE00\n"), std::vector<double>{0.001}});
    rows.push_back({"bad value is a missing point", std::string("0A3,XYZ,3E8,\nE00\n"), std::vector<double>{0.163, MissingValue, 1.0}});
    rows.push_back({"blanks spoil a value", std::string(" 0A3,3E8,\nE00\n"), std::vector<double>{MissingValue, 1.0}});
    rows.push_back({"F00 is the lowest", std::string("F00,\nE00\n"), std::vector<double>{-0.255}});
    rows.push_back({"more than three digits", std::string("7FFFFFFF,0A3,1000,\nE00\n"), std::vector<double>{MissingValue, 0.163, MissingValue}});
    rows.push_back({"lowercase digits, f negative", std::string("f9b,fff,0a3,\nE00\n"), std::vector<double>{-0.1, 0.0, 0.163}});
    rows.push_back({"over-long field keeps the next wavelength", (std::string(300, '0') + ",0A3,\nE00\n"), std::vector<double>{MissingValue, 0.163}});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const std::string &input = row.input;
        const std::vector<double> &values = row.values;
        TspectroVandoral s;
        Events e;
        e.Attach(s);
        s.BinaryScan = true;
        s.LambdaMin = 330;
        s.Scan(e.Point(), e.Done());
        Feed(s, input);
        REQUIRE(e.points.size() == values.size());
        for (int i = 0; i < int(values.size()); ++i) {
            REQUIRE(e.points[i].first == 330 + i);
            if (values[i] == MissingValue)
                REQUIRE(e.points[i].second == MissingValue);
            else
                REQUIRE_MESSAGE(std::fabs(e.points[i].second - values[i]) < 1e-12, Num(e.points[i].second));
        }
        REQUIRE(e.log == (std::vector<std::string>{"message:", "control", "done"}));
    }
}

TEST_CASE("hexScanRecoversFromBadText")
{
    // Text that is no value at the end of a line must not hide the status.
    TspectroVandoral s;
    Events e;
    e.Attach(s);
    s.BinaryScan = true;
    s.Scan(e.Point(), e.Done());
    Feed(s, "0A3,garbage\r\nE04\r\n");
    REQUIRE(e.points.size() == 1);
    REQUIRE(e.log == (std::vector<std::string>{"message:Erreur de longueur d'onde", "control", "done"}));
    REQUIRE(!s.Busy);
}

TEST_CASE("referenceIgnoresOtherLines")
{
    TspectroVandoral s;
    Events e;
    e.Attach(s);
    s.SetRef(e.Done());
    Feed(s, "hello\r\n\r\n");
    REQUIRE(e.log.empty());
    REQUIRE(s.Busy);
    Feed(s, "E02\r\n");
    REQUIRE(e.log == (std::vector<std::string>{"message:Probl\xE8me de lampe UV", "control", "done"}));
    REQUIRE(!s.Busy);
    REQUIRE(s.ReplyBuffer.empty());
}

TEST_CASE("longLinesAreCut")
{
    TspectroVandoral s;
    s.SendAndWait("", 0); // installs the collecting handler (no port: returns at once)
    Feed(s, std::string(300, 'x'));
    REQUIRE(s.ReplyBuffer.size() == std::size_t(255));
    REQUIRE(!s.LineReceived);
    Feed(s, "\n");
    REQUIRE(s.LineReceived);
}

TEST_CASE("operationEndsOnce")
{
    struct Row {
        std::string tag;
        std::string operation;
        std::string input;
        int points;
    };
    std::vector<Row> rows;

    rows.push_back({"text: stray line end after the status", "text", std::string("0.5\r\nE00\r\n\r\n"), 1});
    rows.push_back({"text: value and error after the status", "text", std::string("0.5\r\nE00\r\n0.7\r\nE04\r\n"), 1});
    rows.push_back({"hex: value and error after the status", "hex", std::string("001,\nE00\n002,\nE04\n"), 1});
    rows.push_back({"blank: second status", "blank", std::string("E00\r\nE00\r\n\r\nE04\r\n"), 0});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const std::string &operation = row.operation;
        const std::string &input = row.input;
        const int &points = row.points;
        TspectroVandoral s;
        Events e;
        e.Attach(s);
        if (operation == "blank") {
            s.SetRef(e.Done());
        } else {
            s.BinaryScan = operation == "hex";
            s.Scan(e.Point(), e.Done());
        }
        Feed(s, input);
        REQUIRE(e.log == (std::vector<std::string>{"message:", "control", "done"})); // success, reported once
        REQUIRE(e.points.size() == points);
        REQUIRE(s.LastMessage == std::string());
        // The next command listens again.
        s.SetRef(e.Done());
        Feed(s, "E04\r\n");
        REQUIRE(e.log.size() == 6);
        REQUIRE(e.log.back() == std::string("done"));
    }
}

TEST_CASE("handlerExceptionsAreDropped")
{
    TspectroVandoral s;
    int points = 0, done = 0;
    s.OnControlChange = [] { throw std::logic_error("window"); };
    s.Scan(
        [&](std::int32_t, double) {
            ++points;
            throw std::runtime_error("point");
        },
        [&] {
            ++done;
            throw 42;
        });
    Feed(s, "0.1\r\n0.2\r\nE00\r\n");
    REQUIRE(points == 2);
    REQUIRE(done == 1);
    REQUIRE(!s.Busy);
}

TEST_CASE("pointIndexStopsAtItsLimit")
{
    TspectroVandoral s;
    Events e;
    s.LambdaMin = std::numeric_limits<std::int32_t>::max() - 1;
    s.Scan(e.Point(), e.Done());
    Feed(s, "0.1\r\n0.2\r\n0.3\r\nE00\r\n");
    REQUIRE(e.points.size() == 1);
    REQUIRE(e.points[0].first == std::numeric_limits<std::int32_t>::max() - 1);
    REQUIRE(e.log == std::vector<std::string>{"done"});
}

TEST_CASE("randomBytesKeepTheRules")
{
    // Random bytes, biased towards the characters the rules care about, into
    // every handler. Points come only on a line feed (text) or a comma
    // (hexadecimal), with consecutive wavelengths; the end of an operation
    // comes only on a line feed, as message, control change, done.
    std::mt19937 rng(20261210);
    const auto bounded = [&rng](std::size_t n) { return std::size_t(rng() % n); };
    const std::string alphabet("E0123456789ABCDEF,.- \r\n\nScanningE00E04xyz\x88\xFF");
    for (int round = 0; round < 600; ++round) {
        TspectroVandoral s;
        std::vector<std::string> log;
        int points = 0;
        bool handlerFailed = false;
        s.OnMessage = [&](const std::string &) { log.push_back("m"); };
        s.OnControlChange = [&] { log.push_back("c"); };
        // The driver drops what a handler throws: check, and stop after the round.
        auto onPoint = [&](std::int32_t index, double v) {
            CHECK(index == s.LambdaMin + points);
            CHECK(std::isfinite(v));
            handlerFailed |= index != s.LambdaMin + points || !std::isfinite(v);
            ++points;
            log.push_back("p");
        };
        auto onDone = [&] { log.push_back("d"); };
        const int kind = round % 4;
        if (kind == 0)
            s.SetRef(onDone);
        else if (kind == 3)
            s.SendAndWait("", 0);
        else {
            s.BinaryScan = kind == 2;
            s.Scan(onPoint, onDone);
        }
        for (int i = 0; i < 2000; ++i) {
            const char c = bounded(4) == 0 ? char(bounded(256)) : alphabet[bounded(alphabet.size())];
            const std::size_t before = log.size();
            s.HandleChar(c);
            REQUIRE(s.ReplyBuffer.size() <= TspectroVandoral::ReplyLimit);
            const std::vector<std::string> added(log.begin() + long(before), log.end());
            if (added.empty())
                continue;
            if (added == std::vector<std::string>{"p"}) {
                REQUIRE(c == (s.BinaryScan ? ',' : '\n'));
                continue;
            }
            REQUIRE(added == (std::vector<std::string>{"m", "c", "d"}));
            REQUIRE(c == '\n');
            REQUIRE(!s.Busy);
            REQUIRE(std::count(log.begin(), log.end(), "d") == 1); // an operation ends once
        }
        if (handlerFailed)
            return;
    }
}


namespace {

// A line whose received bytes the test queues, and a clock it moves by hand;
// the silence watch's ticker is called by the test.
struct QueuedLine : SerialLine {
    void SetPortNumber(int) override {}
    int PortNumber() const override { return 1; }
    bool Open() override { return true; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    void SendText(const std::string &text) override { sent += text; }
    int ReadChar() override
    {
        if (received.empty())
            return -1;
        const char c = received.front();
        received.erase(0, 1);
        return static_cast<unsigned char>(c);
    }
    void SetDataHandler(DataHandler) override {}
    void SetErrorHandler(ErrorHandler) override {}
    void ProcessPending() override {}
    std::string received, sent;
};

struct HandClock : DriverEnv {
    std::uint64_t Milliseconds() override { return ms; }
    void Sleep(int m) override { ms += std::uint64_t(m); }
    // What the window messages would do while an exchange waits.
    void PumpEvents() override
    {
        if (pump)
            pump();
    }
    std::function<void()> pump;
    void StartTicker(int, std::function<void()>) override { ticking = true; }
    void StopTicker() override { ticking = false; }
    std::uint64_t ms = 5000;
    bool ticking = false;
};

} // namespace

TEST_CASE("arriving values keep a long scan from being given up")
{
    QueuedLine line;
    HandClock clock; // both outlive the driver, which stops its watch
    TspectroVandoral s;
    s.Port = &line;
    s.Env = &clock;
    s.SilenceMs = 1000;
    Events e;
    e.Attach(s);
    bool givenUp = false;
    REQUIRE(s.Scan(e.Point(), e.Done(), [&] { givenUp = true; }));
    REQUIRE(clock.ticking);
    // A value every 800 ms, the watch looking after each: 8 s in all.
    for (int i = 0; i < 10; ++i) {
        clock.ms += 800;
        line.received = "0.5\r\n";
        s.DataAvailable(int(line.received.size()));
        s.CheckSilence();
        REQUIRE(s.Busy);
    }
    REQUIRE(!givenUp);
    REQUIRE(e.points.size() == 10);
    // Then a silence of the whole limit: given up, the points kept.
    clock.ms += 1000;
    s.CheckSilence();
    REQUIRE(givenUp);
    REQUIRE(!s.Busy);
    REQUIRE(e.points.size() == 10);
    REQUIRE(s.LastMessage == TspectroVandoral::NoAnswerText);
}

TEST_CASE("synchronous exchanges and measurements never overlap")
{
    QueuedLine line;
    HandClock clock;
    TspectroVandoral s;
    s.Port = &line;
    s.Env = &clock;
    Events e;
    e.Attach(s);
    // A timer asks for a scan and a blank while CONTROL waits for its reply:
    // both refused, nothing sent; the reply then arrives.
    bool scanStarted = true, blankStarted = true;
    int pumps = 0;
    clock.pump = [&] {
        if (++pumps == 2) {
            scanStarted = s.Scan(e.Point(), e.Done());
            blankStarted = s.SetRef(e.Done());
            line.received = "E00\r\n";
            s.DataAvailable(int(line.received.size()));
        }
    };
    REQUIRE(s.TakeControl());
    REQUIRE(!scanStarted);
    REQUIRE(!blankStarted);
    REQUIRE(line.sent == "CONTROL\r\n");
    REQUIRE(!s.Busy);
    REQUIRE(!s.Exchanging());
    // Once the exchange is over, the scan goes.
    clock.pump = nullptr;
    REQUIRE(s.Scan(e.Point(), e.Done()));
    // During it no exchange replaces its reply handler.
    line.sent.clear();
    REQUIRE(!s.Release());
    REQUIRE(!s.TakeControl());
    REQUIRE(s.Identify().empty());
    REQUIRE(line.sent.empty());
    REQUIRE(s.Controlled);
    line.received = "0.5\r\nE00\r\n";
    s.DataAvailable(int(line.received.size()));
    REQUIRE(e.points.size() == 1);
    REQUIRE(e.log.back() == "done");
    // The scan over, control can be given back.
    clock.pump = [&] {
        line.received = "E00\r\n";
        s.DataAvailable(int(line.received.size()));
    };
    REQUIRE(s.Release());
    REQUIRE(line.sent == "RELEASE\r\n");
    REQUIRE(!s.Controlled);
}

TEST_CASE("the status of the last blank or scan")
{
    struct Row {
        std::string tag;
        std::string status;
        bool ok;
    };
    std::vector<Row> rows;
    rows.push_back({"done", "E00", true});
    rows.push_back({"calibrating", "E91", false});
    rows.push_back({"UV lamp", "E02", false});
    rows.push_back({"press OK", "E93", false});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        TspectroVandoral s;
        Events e;
        e.Attach(s);
        REQUIRE(s.SetRef(e.Done()));
        Feed(s, row.status + "\r\n");
        REQUIRE(e.log.back() == "done");
        REQUIRE(s.StatusOk == row.ok);
        REQUIRE(s.LastMessage.empty() == row.ok);
    }
}

namespace {

// A line that can fail (an adapter unplugged) and be opened again, or not.
struct LosableLine : QueuedLine {
    bool Open() override { return open = opens; }
    void Close() override { open = false; }
    bool IsOpen() const override { return open; }
    void SetErrorHandler(ErrorHandler h) override { onError = std::move(h); }
    ErrorHandler onError;
    bool open = true, opens = true;
};

} // namespace

TEST_CASE("a line gone during a scan, then found again under its name")
{
    LosableLine line;
    HandClock clock;
    TspectroVandoral s;
    s.Port = &line;
    s.Env = &clock;
    s.Controlled = true;
    Events e;
    e.Attach(s);
    bool givenUp = false;
    REQUIRE(s.Scan(e.Point(), e.Done(), [&] { givenUp = true; }));
    REQUIRE(!s.LineLost());
    // Unplugged: the scan given up at once, control gone with the line.
    line.open = false;
    REQUIRE(line.onError);
    line.onError();
    REQUIRE(givenUp);
    REQUIRE(!s.Busy);
    REQUIRE(!s.Controlled);
    REQUIRE(s.LineLost());
    // Not back: the port cannot be opened, nothing is sent.
    line.opens = false;
    line.sent.clear();
    REQUIRE(!s.Answers());
    REQUIRE(line.sent.empty());
    REQUIRE(s.LineLost());
    // Back: opened again, "ID?" answered.
    line.opens = true;
    clock.pump = [&] {
        line.received = "E00 6004 Vandoral\r\n";
        s.DataAvailable(int(line.received.size()));
    };
    REQUIRE(s.Answers());
    REQUIRE(line.sent == "ID?\r\n");
    REQUIRE(!s.LineLost());
    REQUIRE(s.ModelCode == "6004");
}

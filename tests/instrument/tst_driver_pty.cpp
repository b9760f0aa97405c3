// The driver against the simulated instrument over a real pseudo-terminal.
#include "numtext.h"
#include "simfixture.h"

#include <QTemporaryDir>

#include <algorithm>

using namespace vandoral;
using vandoral::sim::SimOptions;

namespace {

// The Qt event pump with a clock that tests move by hand.
class FakeClockEnv : public QtDriverEnv {
public:
    double Now() override { return now; }
    double now = 46000.0;
};

SimOptions Options(const std::function<void(SimOptions &)> &set = {})
{
    SimOptions o;
    if (set)
        set(o);
    return o;
}

struct Scanned {
    QList<QPair<int, double>> points;
    QStringList events;
    bool done = false;
};

void Attach(TspectroVandoral &s, Scanned &r)
{
    s.OnMessage = [&r](const std::string &m) { r.events << "message:" + QString::fromLatin1(m.c_str()); };
    s.OnControlChange = [&r] { r.events << "control"; };
}

void StartScan(TspectroVandoral &s, Scanned &r)
{
    s.Scan([&r](std::int32_t i, double v) { r.points.append({i, v}); },
           [&r] {
               r.events << "done";
               r.done = true;
           });
}

} // namespace

class TestDriverPty : public QObject {
    Q_OBJECT
private slots:
    void identify_data();
    void identify();
    void lastMatchingEntryWins();
    void controlRefusedThenAccepted();
    void blankThenTextScan();
    void scanFaults_data();
    void scanFaults();
    void scanErrorEndsTheScan();
    void busyGuard();
    void silentInstrumentTimesOut();
    void exchangesEndWithTheReply();
    void deviceVanishesMidScan();
    void silenceEndsTheOperation_data();
    void silenceEndsTheOperation();
    void formatIsFixedWhenTheScanStarts();
    void requestsSayWhetherTheyStarted();
    void traceAndLog();
};

void TestDriverPty::identify_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("idReply");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("lmin");
    QTest::addColumn<int>("lmax");
    QTest::addColumn<double>("absMax");

    QTest::newRow("K2") << "6004" << "" << "6004" << "Orbis K2" << 330 << 800 << 2.5;
    QTest::newRow("P26") << "6022" << "" << "6022" << "Orbis P26" << 190 << 1100 << 3.0;
    QTest::newRow("E00 alone") << "6004" << "E00" << "" << "" << 330 << 800 << 2.5;
    QTest::newRow("nothing after the code") << "6004" << "E00 6004" << "600" << "" << 330 << 800 << 2.5;
    QTest::newRow("fourth character not examined") << "6004" << "E00x6004 z" << "6004" << "Orbis K2" << 330 << 800 << 2.5;
    QTest::newRow("other status") << "6004" << "E92 6004 z" << "" << "" << 330 << 800 << 2.5;
    QTest::newRow("no catalogue match") << "9999" << "" << "9999" << "" << 330 << 800 << 2.5;
}

void TestDriverPty::identify()
{
    QFETCH(QString, model);
    QFETCH(QString, idReply);
    SimFixture f(Options([&](SimOptions &o) {
        o.modelCode = model.toStdString();
        o.idReply = idReply.toStdString();
    }));
    QVERIFY(f.started);
    QVERIFY(f.line->Open());
    const std::string code = f.spectro.Identify();
    QTEST(QString::fromStdString(code), "code");
    QTEST(QString::fromStdString(f.spectro.ModelCode), "code");
    QTEST(QString::fromStdString(f.spectro.ModelName), "name");
    QTEST(f.spectro.LambdaMin, "lmin");
    QTEST(f.spectro.LambdaMax, "lmax");
    QTEST(f.spectro.AbsMax, "absMax");
    QCOMPARE(f.sim->Commands(), std::vector<std::string>{"ID?"});
}

void TestDriverPty::lastMatchingEntryWins()
{
    SimFixture f(Options());
    QVERIFY(f.started);
    f.catalogue.Clear();
    for (const char *name : {"First", "Second"}) {
        auto e = std::make_unique<TspectroPhoto>();
        e->nom = name;
        e->code = "6004";
        e->lmin = name[0] == 'F' ? 200 : 340;
        e->lmax = 900;
        e->absMax = 4;
        f.catalogue.Add(std::move(e));
    }
    QVERIFY(f.line->Open());
    QCOMPARE(f.spectro.Identify(), std::string("6004"));
    QCOMPARE(f.spectro.ModelName, std::string("Second"));
    QCOMPARE(f.spectro.LambdaMin, 340);
    QCOMPARE(f.spectro.LambdaMax, 900);
    QCOMPARE(f.spectro.AbsMax, 4.0);
}

void TestDriverPty::controlRefusedThenAccepted()
{
    SimFixture f(Options([](SimOptions &o) { o.errors["CONTROL"] = {"E93", 1}; }));
    QVERIFY(f.started);
    QVERIFY(f.line->Open());
    Scanned r;
    Attach(f.spectro, r);
    QVERIFY(!f.spectro.TakeControl());
    QVERIFY(!f.spectro.Controlled);
    QCOMPARE(f.spectro.LastMessage, std::string("Appuyer sur la touche OK (F2) du spectro"));
    QCOMPARE(r.events, (QStringList{"message:Appuyer sur la touche OK (F2) du spectro", "control"}));
    QVERIFY(f.spectro.TakeControl());
    QVERIFY(f.spectro.Controlled);
    QVERIFY(f.spectro.LastMessage.empty());
    f.spectro.Release();
    QVERIFY(!f.spectro.Controlled);
    QCOMPARE(f.sim->Commands(), (std::vector<std::string>{"CONTROL", "CONTROL", "RELEASE"}));
}

void TestDriverPty::blankThenTextScan()
{
    SimFixture f(Options());
    QVERIFY(f.started);
    QVERIFY(f.line->Open());
    QCOMPARE(f.spectro.Identify(), std::string("6004"));
    QVERIFY(f.spectro.TakeControl());

    Scanned r;
    Attach(f.spectro, r);
    bool blank = false;
    f.spectro.SetRef([&] { blank = true; });
    QVERIFY(f.spectro.Busy);
    QVERIFY(SimFixture::WaitFor(blank));
    QVERIFY(!f.spectro.Busy);
    QCOMPARE(r.events, (QStringList{"message:", "control"}));

    r.events.clear();
    StartScan(f.spectro, r);
    QVERIFY(SimFixture::WaitFor(r.done));
    QCOMPARE(r.events, (QStringList{"message:", "control", "done"}));
    QCOMPARE(r.points.size(), 800 - 330 + 1);
    double peak = 0;
    int peakAt = 0;
    for (int i = 0; i < r.points.size(); ++i) {
        QCOMPARE(r.points[i].first, 330 + i);
        if (r.points[i].second > peak) {
            peak = r.points[i].second;
            peakAt = r.points[i].first;
        }
    }
    // The simulated dye absorbs most near 545 nm.
    QVERIFY2(peakAt > 530 && peakAt < 560, qPrintable(QString::number(peakAt)));
    QVERIFY(peak > 0.9 && peak < 1.3);
    QCOMPARE(f.sim->Commands(), (std::vector<std::string>{"ID?", "CONTROL", "SETREF", "SCANTXT"}));
}

void TestDriverPty::scanFaults_data()
{
    QTest::addColumn<bool>("binary");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("missingAt"); // index of a MissingValue point, -1 for none

    QTest::newRow("text unreadable value") << false << "unreadable" << 471 << 5;
    QTest::newRow("hex unreadable value keeps the wavelengths") << true << "unreadable" << 471 << 5;
    QTest::newRow("hex clean") << true << "" << 471 << -1;
    QTest::newRow("hex lowercase digits") << true << "lowercase" << 471 << -1;
    QTest::newRow("text long line") << false << "long" << 471 << -1;
    QTest::newRow("hex long line keeps the wavelengths") << true << "long" << 471 << 3;
    QTest::newRow("text: more lines after the status") << false << "after" << 471 << -1;
    QTest::newRow("hex: more lines after the status") << true << "after" << 471 << -1;
}

void TestDriverPty::scanFaults()
{
    QFETCH(bool, binary);
    QFETCH(QString, fault);
    QFETCH(int, points);
    QFETCH(int, missingAt);
    SimFixture f(Options([&](SimOptions &o) {
        if (fault == "unreadable")
            o.unreadableAt = 5;
        if (fault == "long")
            o.longLineAt = 3;
        if (fault == "lowercase")
            o.lowercaseHex = true;
        if (fault == "after")
            o.afterStatus = binary ? "\r\n001,\r\nE04\r\n" : "\r\n0.7\r\nE04\r\n";
    }));
    QVERIFY(f.started);
    QVERIFY(f.line->Open());
    f.spectro.BinaryScan = binary;
    Scanned r;
    Attach(f.spectro, r);
    StartScan(f.spectro, r);
    QVERIFY(SimFixture::WaitFor(r.done));
    QTest::qWait(50); // whatever follows the status line has arrived
    QCOMPARE(r.points.size(), points);
    QVERIFY(f.spectro.LastMessage.empty());
    QCOMPARE(r.events, (QStringList{"message:", "control", "done"})); // ended once
    for (int i = 0; i < r.points.size(); ++i) {
        QCOMPARE(r.points[i].first, 330 + i);
        if (i == missingAt)
            QCOMPARE(r.points[i].second, MissingValue);
        else
            QVERIFY(r.points[i].second > 0 && r.points[i].second < 2);
    }
    QCOMPARE(f.sim->Commands(), std::vector<std::string>{binary ? "SCANBIN" : "SCANTXT"});
}

void TestDriverPty::scanErrorEndsTheScan()
{
    SimFixture f(Options([](SimOptions &o) { o.scanStatus = "E04"; }));
    QVERIFY(f.started);
    QVERIFY(f.line->Open());
    Scanned r;
    Attach(f.spectro, r);
    StartScan(f.spectro, r);
    QVERIFY(SimFixture::WaitFor(r.done));
    QCOMPARE(r.events, (QStringList{"message:Erreur de longueur d'onde", "control", "done"}));
    QVERIFY(!f.spectro.Busy);
}

void TestDriverPty::busyGuard()
{
    FakeClockEnv clock; // outlives the driver that uses it
    SimFixture f(Options([](SimOptions &o) { o.cutAfter = 10; }));
    QVERIFY(f.started);
    f.spectro.Env = &clock;
    QVERIFY(f.line->Open());
    Scanned r;
    Attach(f.spectro, r);
    StartScan(f.spectro, r);
    QTRY_COMPARE(r.points.size(), 10);
    QTest::qWait(100);
    QVERIFY(!r.done); // the status line never came
    QVERIFY(f.spectro.Busy);

    clock.now += 29.0 / 86400; // 29 s later: still ignored, without any event
    r.events.clear();
    f.spectro.SetRef([] {});
    StartScan(f.spectro, r);
    QTest::qWait(100);
    QCOMPARE(f.sim->CountOf("SCANTXT"), 1);
    QCOMPARE(f.sim->CountOf("SETREF"), 0);
    QVERIFY(r.events.isEmpty());

    clock.now += 2.0 / 86400; // 31 s: accepted
    StartScan(f.spectro, r);
    QTRY_COMPARE(f.sim->CountOf("SCANTXT"), 2);
}

void TestDriverPty::silentInstrumentTimesOut()
{
    SimFixture f(Options([](SimOptions &o) {
        o.silent.insert("ID?");
        o.silent.insert("CONTROL");
    }));
    QVERIFY(f.started);
    QVERIFY(f.line->Open());
    QElapsedTimer t;
    t.start();
    QCOMPARE(f.spectro.Identify(), std::string());
    const qint64 ms = t.elapsed();
    // Nine ticks of 55 ms, counted from the tick in progress.
    QVERIFY2(ms >= 440 && ms < 1000, qPrintable(QString::number(ms)));
    QVERIFY(!f.spectro.TakeControl());
    QCOMPARE(f.spectro.LastMessage, std::string("Probl\xE8me "));
}

void TestDriverPty::exchangesEndWithTheReply()
{
    // The simulator answers at once: "ID?" then "CONTROL" take a few
    // milliseconds each, not a sleeping step of 10 ms or more.
    SimFixture f(Options());
    QVERIFY(f.started);
    QVERIFY(f.line->Open());
    std::vector<qint64> identify, control;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer t;
        t.start();
        QCOMPARE(f.spectro.Identify(), std::string("6004"));
        identify.push_back(t.nsecsElapsed() / 1000);
        t.restart();
        QVERIFY(f.spectro.TakeControl());
        control.push_back(t.nsecsElapsed() / 1000);
        f.spectro.Release();
    }
    std::sort(identify.begin(), identify.end());
    std::sort(control.begin(), control.end());
    QVERIFY2(identify[3] < 5000, qPrintable(QString("ID? in %1 us").arg(identify[3])));
    QVERIFY2(control[3] < 5000, qPrintable(QString("CONTROL in %1 us").arg(control[3])));
}

void TestDriverPty::deviceVanishesMidScan()
{
    SimFixture f(Options([](SimOptions &o) { o.vanishAfter = 50; }));
    QVERIFY(f.started);
    QVERIFY(f.line->Open());
    QSignalSpy lost(f.line.get(), &QtSerialLine::deviceLost);
    Scanned r;
    Attach(f.spectro, r);
    StartScan(f.spectro, r);
    QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, 5000);
    QVERIFY(!f.line->IsOpen());
    QVERIFY(r.points.size() <= 50);
    QVERIFY(!r.done);
    // The scan ends at once, without waiting for the silence: not busy, the
    // windows told, nothing reported as completed.
    QVERIFY(!f.spectro.Busy);
    QCOMPARE(r.events, (QStringList{QString::fromLatin1("message:Le spectro ne r\xE9pond plus"), "control"}));
    // Talking to a line that went away neither blocks for long nor crashes.
    QCOMPARE(f.spectro.Identify(), std::string());
}

void TestDriverPty::silenceEndsTheOperation_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("points");
    QTest::newRow("scan cut without its status") << "cut" << 20;
    QTest::newRow("scan never answered") << "silent-scan" << 0;
    QTest::newRow("blank never answered") << "silent-blank" << 0;
}

void TestDriverPty::silenceEndsTheOperation()
{
    QFETCH(QString, fault);
    QFETCH(int, points);
    SimFixture f(Options([&](SimOptions &o) {
        if (fault == "cut")
            o.cutAfter = 20;
        o.silent.insert(fault == "silent-scan" ? "SCANTXT" : fault == "silent-blank" ? "SETREF" : "");
    }));
    QVERIFY(f.started);
    QVERIFY(f.line->Open());
    f.spectro.SilenceMs = 400; // 30 s in the program
    Scanned r;
    Attach(f.spectro, r);
    QElapsedTimer t;
    t.start();
    int givenUp = 0;
    if (fault == "silent-blank")
        QVERIFY(f.spectro.SetRef([&r] { r.done = true; }, [&] { ++givenUp; }));
    else
        QVERIFY(f.spectro.Scan([&r](std::int32_t i, double v) { r.points.append({i, v}); },
                               [&r] { r.done = true; }, [&] { ++givenUp; }));
    QVERIFY(f.spectro.Busy);
    QTRY_VERIFY_WITH_TIMEOUT(!f.spectro.Busy, 5000);
    QVERIFY(t.elapsed() >= 400);
    QCOMPARE(r.events, (QStringList{QString::fromLatin1("message:Le spectro ne r\xE9pond plus"), "control"}));
    QVERIFY(!r.done);
    QCOMPARE(r.points.size(), points);
    QCOMPARE(f.spectro.LastMessage, std::string("Le spectro ne r\xE9pond plus"));
    QCOMPARE(givenUp, 1); // the window is told that nothing will follow
    // The instrument can be asked again at once.
    QVERIFY(f.spectro.SetRef([] {}));
}

void TestDriverPty::formatIsFixedWhenTheScanStarts()
{
    SimFixture f(Options());
    QVERIFY(f.started);
    QVERIFY(f.line->Open());
    Scanned r;
    Attach(f.spectro, r);
    f.spectro.Scan(
        [&](std::int32_t i, double v) {
            r.points.append({i, v});
            f.spectro.BinaryScan = true; // another window switches the format
        },
        [&r] {
            r.events << "done";
            r.done = true;
        });
    QVERIFY(SimFixture::WaitFor(r.done));
    QCOMPARE(r.points.size(), 471);
    QCOMPARE(r.points.last().first, 800);
    QCOMPARE(f.sim->Commands(), std::vector<std::string>{"SCANTXT"});
    // The next scan takes the new format.
    r.done = false;
    StartScan(f.spectro, r);
    QVERIFY(SimFixture::WaitFor(r.done));
    QCOMPARE(f.sim->Commands(), (std::vector<std::string>{"SCANTXT", "SCANBIN"}));
}

void TestDriverPty::requestsSayWhetherTheyStarted()
{
    SimFixture f(Options([](SimOptions &o) { o.cutAfter = 5; }));
    QVERIFY(f.started);
    QVERIFY(f.line->Open());
    Scanned r;
    Attach(f.spectro, r);
    QVERIFY(f.spectro.Scan([](std::int32_t, double) {}, [] {}));
    QTest::qWait(50);
    QVERIFY(!f.spectro.SetRef([] {}));
    QVERIFY(!f.spectro.Scan([](std::int32_t, double) {}, [] {}));
    QTest::qWait(50);
    QCOMPARE(f.sim->Commands(), std::vector<std::string>{"SCANTXT"});
    QVERIFY(r.events.isEmpty());
}

void TestDriverPty::traceAndLog()
{
    SimFixture f(Options());
    QVERIFY(f.started);
    QTemporaryDir dir;
    const QString trc = dir.filePath("vandoral.TRC"), log = dir.filePath("vandoral.LOG");
    QVERIFY(f.line->Open());
    QVERIFY(!f.line->TraceOn() && !f.line->LogOn()); // off unless switched on
    QCOMPARE(f.spectro.Identify(), std::string("6004"));
    QVERIFY(!f.line->DumpTrace(trc));
    QVERIFY(!QFile::exists(trc));

    f.line->SetTrace(true);
    f.line->SetLog(true);
    QCOMPARE(f.spectro.Identify(), std::string("6004"));
    QVERIFY(f.line->DumpTrace(trc));
    QVERIFY(f.line->DumpLog(log));
    QFile t(trc), l(log);
    QVERIFY(t.open(QIODevice::ReadOnly) && l.open(QIODevice::ReadOnly));
    QCOMPARE(t.readAll(), QByteArray("\n> ID?\r\n\n< E00 6004 Vandoral simulateur\r\n"));
    QCOMPARE(l.readAll(), QByteArray("E00 6004 Vandoral simulateur\r\n"));
}

QTEST_GUILESS_MAIN(TestDriverPty)
#include "tst_driver_pty.moc"

// The kinetics window against the simulated instrument (a first-order
// reaction) on a pseudo-terminal, with its timers' time scale shortened: runs
// at one and two wavelengths, stop, closing questions, the wavelength limits
// and markers, the single spectrum after a run, one run at the real pace,
// stored parameters, and faults in the middle of a run. The run's rules
// (pacing, catch-up, stamps of long runs) are tested on a fake clock in the
// core's tests.
#include "graphbox.h"
#include "fileio.h"
#include "inifile.h"
#include "journal.h"
#include "modejournal.h"
#include "kineticswindow.h"
#include "scanpanel.h"
#include "modebench.h"
#include "xlsxfile.h"
#include "numtext.h"
#include "pinnedfont.h"
#include "qtcanvas.h"

#include <QCheckBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSplitter>
#include <QToolButton>

using namespace vandoral;
using vandoral::sim::SimOptions;

namespace {

// 8 s of the run in 200 ms, for the runs that go at the program's own pace.
constexpr double Scale = 1.0 / 40;

void Show(TCinetiqueForm &w)
{
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(10, 10, 1100, 650);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(w.Folded()); // the first activation folds the panel
    QCoreApplication::processEvents();
}

// A window over the bench, shown, blank done, with the run's parameters.
// `stepped`: the run's clock moves only when the test says, and the test
// fires the pacing timer itself (the timer, armed on that clock, would wait
// for days): a point follows the previous one as soon as its scan is over,
// at its nominal time. Else the run goes at the program's own pace, scaled.
struct Kinetics {
    Kinetics(ModeBench &b, int nombre = 5, int deltat = 8, bool stepped = true) : bench(b), stepped(stepped)
    {
        b.Attach(w);
        if (stepped) {
            w.TimeScale = 1e3;
            w.RunClock = [this] { return now; };
        } else {
            w.TimeScale = Scale;
        }
        Show(w);
        w.NbreSE->setValue(nombre);
        w.DeltatSE->setValue(deltat);
        w.LambdaSE->setValue(545);
        w.LambdaBisSE->setValue(400);
        w.BlancBtnClick();
        ok = b.WaitIdle() && w.Session.Etat == EtatCinetique::Pret;
    }
    // The run's clock moved to its next tick, and the tick fired.
    void Tick()
    {
        now += w.Session.SecondsToTick();
        w.TimerSpectreTimer();
    }
    // Waits until `done`, ticking whenever a point has ended (stepped).
    bool Until(const std::function<bool()> &done, int ms = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (stepped && w.Session.Etat == EtatCinetique::Acquisition && w.Session.TimerRunning()
                && !w.Session.Pending() && !bench.spectro->Busy && !done())
                Tick();
        }
        return done();
    }
    // Starts a run and waits until it has ended (state 2).
    bool Run(int ms = 20000)
    {
        w.StartBtnClick();
        return Until([this] { return w.Session.Etat != EtatCinetique::Acquisition; }, ms)
               && w.Session.Etat == EtatCinetique::Arrete;
    }
    ModeBench &bench;
    const bool stepped;
    double now = 0;
    TCinetiqueForm w;
    bool ok = false;
};

QStringList BlockLines(const std::string &block)
{
    return QString::fromLatin1(block.c_str()).split("\r\n");
}

SimOptions Reaction(SimOptions &o)
{
    o.rate = 0.4; // per real second: a clear fall at 545 nm within the run
    o.lambdaMin = 330;
    o.lambdaMax = 800;
    return o;
}

} // namespace

class TestKinetics : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void runAtOneOrTwoWavelengths_data();
    void runAtOneOrTwoWavelengths();
    void stopDuringAScan();
    void closingQuestions_data();
    void closingQuestions();
    void wavelengthEndsAreRefused();
    void markersAreDragged();
    void foldedPanelIsNotRepainted();
    void singleSpectrumKeepsAFinishedRun();
    void unsavedRunIsNotClearedUnasked_data();
    void unsavedRunIsNotClearedUnasked();
    void refusedBlankIsAskedAgain_data();
    void refusedBlankIsAskedAgain();
    void numberOfPointsKeepsThePace();
    void closingDuringARunAsksBothQuestions();
    void realTimeStampsAreNominal();
    void journalOfARun();
    void journalThatCannotBeWritten();
    void storedParametersComeBack();
    void limitsFollowTheInstrument();
    void lostValueLeavesAGap();
    void instrumentFaultsMidRun_data();
    void instrumentFaultsMidRun();
    void firstOrderFiguresOfARun();
    void toolBarFitsA1024PixelScreen();
    void aFinishedRunSaysWhatNext();
    void aRunGoesOnThroughALoss();
    void anInstrumentBackRestartedEndsTheRun();
    void aSavedRunOpenedBack();
};

void TestKinetics::initTestCase()
{
    QVERIFY(PinTestFont());
}

void TestKinetics::runAtOneOrTwoWavelengths_data()
{
    QTest::addColumn<bool>("two");
    QTest::newRow("one wavelength") << false;
    QTest::newRow("two wavelengths") << true;
}

void TestKinetics::runAtOneOrTwoWavelengths()
{
    QFETCH(bool, two);
    ModeBench b(Reaction);
    QVERIFY(b.started);
    Kinetics k(b, 5, 8, false); // the dye fades at the simulator's real pace
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    QCOMPARE(w.DureeEdit->text(), QString("00:00:40"));
    if (two)
        w.LambdaBisCB->click();
    QCOMPARE(w.LambdaBisSE->isVisible(), two);
    w.StartBtnClick();
    QVERIFY(w.AcqPanel->isVisible());
    QCOMPARE(w.AbsLCDbis->isVisible(), two);
    QCOMPARE(w.LabelAbsBis->isVisible(), two); // with its display, exactly
    QVERIFY(!w.LambdaSE->isEnabled());
    QVERIFY(k.Until([&] { return w.Session.Etat == EtatCinetique::Arrete; }));
    // Nombre + 1 points at the nominal times.
    QCOMPARE(int(w.Session.Points.Count()), 6);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(w.Session.Points.X[i], 8.0 * i);
    QCOMPARE(b.sim->CountOf("SCANBIN"), 6); // hexadecimal scans in this window
    // The dye fades at 545 nm; the product grows at 400 nm.
    for (int i = 1; i < 6; ++i) {
        QVERIFY(w.Session.Points.A[i] < w.Session.Points.A[i - 1] + 0.005);
        if (two)
            QVERIFY(w.Session.Points.A2[i] > w.Session.Points.A2[i - 1] - 0.005);
    }
    QVERIFY(w.Session.Points.A[0] - w.Session.Points.A[5] > 0.2);
    QCOMPARE(w.AbsLCD->value(), std::round(w.Session.Points.A[5] * 1000) / 1000);
    QVERIFY(w.RegSaveBtn->isEnabled() && w.PrintBtn->isEnabled());
    QVERIFY(w.ResetBtn->isEnabled() && !w.startBtn->isEnabled());

    // The file: "t", "A" and, with the second wavelength, "A2".
    b.dialogs.saveName = b.dir.filePath("cinetique");
    w.FileM->trigger();
    QVERIFY(w.Session.Sauve);
    QFile f(b.dir.filePath("cinetique.TXT"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines[1].trimmed(), two ? QByteArray("t\tA\tA2") : QByteArray("t\tA"));
    QCOMPARE(lines[4].trimmed().split('\t').size(), two ? 3 : 2);
    // And the clipboard.
    w.ClipM->trigger();
    QVERIFY(BlockLines(b.dde->LastBlock).contains(two ? "t\tA\tA2" : "t\tA"));
}

void TestKinetics::stopDuringAScan()
{
    ModeBench b([](SimOptions &o) {
        Reaction(o);
        o.charMicros = 1e6 / 960.0 / 16; // a scan takes about a quarter of a second
    });
    QVERIFY(b.started);
    Kinetics k(b, 20);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    w.StartBtnClick();
    QTRY_VERIFY_WITH_TIMEOUT(w.Session.Points.Count() == 1 && !b.spectro->Busy, 10000);
    k.Tick(); // the second point's scan
    QVERIFY(b.spectro->Busy);
    b.dialogs.asked.clear();
    w.StopBtn->click();
    QCOMPARE(b.dialogs.asked, QStringList{QString::fromUtf8("message:Attendre la fin d'acquisition du point courant")});
    QCOMPARE(int(w.Session.Etat), int(EtatCinetique::Acquisition));
    QVERIFY(!w.TimerSpectre.isActive());
    // The run ends with that point, which is part of the data.
    QTRY_COMPARE_WITH_TIMEOUT(int(w.Session.Etat), int(EtatCinetique::Arrete), 10000);
    QCOMPARE(int(w.Session.Points.Count()), 2);
    QVERIFY(w.Session.Points.A[1] != MissingValue);
    k.Tick(); // a tick that would still come takes nothing
    QTest::qWait(100);
    QCOMPARE(b.sim->CountOf("SCANBIN"), 2);
}

void TestKinetics::closingQuestions_data()
{
    QTest::addColumn<int>("nombre");
    QTest::addColumn<bool>("running");
    QTest::addColumn<QStringList>("asked");
    QTest::newRow("3 points: nothing") << 2 << false << QStringList{};
    QTest::newRow("6 unsaved points") << 5 << false << QStringList{"question:Sauvegarde ?"};
    QTest::newRow("during a run") << 20 << true << QStringList{QString::fromUtf8("question:arrêt de l'acquisition en cours")};
}

void TestKinetics::closingQuestions()
{
    QFETCH(int, nombre);
    QFETCH(bool, running);
    ModeBench b(Reaction);
    QVERIFY(b.started);
    Kinetics k(b, 5);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    b.spectro->Nombre = static_cast<std::uint16_t>(nombre); // fewer than the up-down allows
    if (running) {
        w.StartBtnClick();
        QVERIFY(k.Until([&] { return w.Session.Points.Count() >= 1; }));
    } else {
        QVERIFY(k.Run());
        QCOMPARE(int(w.Session.Points.Count()), nombre + 1);
    }
    b.dialogs.asked.clear();
    b.dialogs.answers = {false};
    QCOMPARE(w.close(), !running); // "no" to stopping keeps the run
    QTEST(b.dialogs.asked, "asked");
    if (running) {
        QVERIFY(w.TimerSpectre.isActive());
        b.dialogs.answers = {true};
        w.close(); // at once, or when the point under way ends
        QVERIFY(k.Until([&] { return !w.isVisible(); }, 5000));
        QVERIFY(!w.TimerSpectre.isActive());
    }
}

void TestKinetics::wavelengthEndsAreRefused()
{
    ModeBench b;
    QVERIFY(b.started);
    TCinetiqueForm w;
    b.Attach(w);
    Show(w);
    w.LambdaSE->setValue(600);
    QCOMPARE(int(b.spectro->Lambda), 600);
    w.LambdaSE->setValue(330); // LambdaMin
    QCOMPARE(w.LambdaSE->value(), 600);
    w.LambdaSE->setValue(800); // LambdaMax
    QCOMPARE(w.LambdaSE->value(), 600);
    QCOMPARE(int(b.spectro->Lambda), 600);
    w.LambdaSE->setValue(331);
    QCOMPARE(int(b.spectro->Lambda), 331);
    w.LambdaBisSE->setValue(800);
    QCOMPARE(int(b.spectro->LambdaBis), 500);
}

void TestKinetics::markersAreDragged()
{
    ModeBench b;
    QVERIFY(b.started);
    Kinetics k(b);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    w.SetFolded(false);
    QTRY_VERIFY(w.SpectrePB->width() >= 256);
    w.SpectrePB->Redraw();
    QVERIFY(w.SpectrePB->isEnabled());
    auto px = [&](double nm) {
        int x, y;
        w.Session.GrapheSpectre.WorldToPixel(nm, 0, x, y);
        return x;
    };
    // The marker at 545 nm is drawn in its colour.
    const QRgb marker = w.SpectrePB->Image().pixel(px(545), w.SpectrePB->height() / 2);
    QCOMPARE(QColor(marker), ToQColor(LambdaColor(545)));
    // Pointed at: hint and split cursor; the second marker is not followed.
    w.SpectrePB->MouseMove(px(545) + 2, 50, false);
    QCOMPARE(w.HintText(), QString::fromUtf8("Réglage de lambda"));
    w.SpectrePB->MouseMove(px(400), 50, false);
    QCOMPARE(w.HintText(), QString());
    // Dragged to 600 nm.
    w.SpectrePB->MouseDown(px(545), 50);
    QCOMPARE(int(w.SpectrePB->Held), 1);
    w.SpectrePB->MouseMove(px(600), 50, true);
    w.SpectrePB->MouseUp(px(600), 50);
    QVERIFY(std::abs(w.LambdaSE->value() - 600) <= 1);
    QCOMPARE(int(b.spectro->Lambda), w.LambdaSE->value());
    QCOMPARE(int(w.SpectrePB->Held), 0);
    // Onto the instrument's last wavelength, or past it: refused.
    const int before = w.LambdaSE->value();
    w.SpectrePB->MouseDown(px(before), 50);
    w.SpectrePB->MouseMove(px(800), 50, true);
    w.SpectrePB->MouseUp(w.SpectrePB->width() - 1, 50);
    QCOMPARE(w.LambdaSE->value(), before);
}

void TestKinetics::foldedPanelIsNotRepainted()
{
    ModeBench b;
    QVERIFY(b.started);
    Kinetics k(b);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    w.SetFolded(false);
    QTRY_VERIFY(w.SpectrePB->width() >= 256);
    w.SpectrePB->Redraw();
    auto px = [&](double nm) {
        int x, y;
        w.Session.GrapheSpectre.WorldToPixel(nm, 0, x, y);
        return x;
    };
    const int y = w.SpectrePB->height() / 2;
    QCOMPARE(QColor(w.SpectrePB->Image().pixel(px(545), y)), ToQColor(LambdaColor(545)));
    w.SetFolded(true);
    QTRY_VERIFY(w.Folded());
    const QImage before = w.SpectrePB->Image();
    w.LambdaSE->setValue(620);
    QCOMPARE(int(b.spectro->Lambda), 620);
    QCOMPARE(w.SpectrePB->Image(), before); // folded: not repainted
    // Unfolded, it shows the current marker.
    w.SetFolded(false);
    QTRY_COMPARE(QColor(w.SpectrePB->Image().pixel(px(620), y)), ToQColor(LambdaColor(620)));
}

void TestKinetics::singleSpectrumKeepsAFinishedRun()
{
    ModeBench b(Reaction);
    QVERIFY(b.started);
    Kinetics k(b);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    QVERIFY(k.Run());
    QVERIFY(w.SpectreBtn->isEnabled());
    w.SpectreBtnClick();
    QCOMPARE(int(w.Session.Etat), int(EtatCinetique::Spectre));
    QVERIFY(!w.ConnectBtn->isEnabled());
    // The saved columns stay the run's: its wavelengths cannot change now.
    QVERIFY(!w.LambdaBisCB->isEnabled() && !w.LambdaSE->isEnabled() && !w.LambdaBisSE->isEnabled());
    QVERIFY(!w.RegSaveBtn->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(int(w.Session.Etat), int(EtatCinetique::Arrete), 5000);
    QVERIFY(!w.Folded()); // the panel opens on the new spectrum
    QCOMPARE(int(w.Session.LastScan.Count()), 471);
    QVERIFY(w.RegSaveBtn->isEnabled() && w.PrintBtn->isEnabled());
    QCOMPARE(int(w.Session.Points.Count()), 6);
    b.dialogs.asked.clear();
    QVERIFY(w.close());
    QCOMPARE(b.dialogs.asked, QStringList{"question:Sauvegarde ?"});
}

void TestKinetics::unsavedRunIsNotClearedUnasked_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("space bar") << "space";
    QTest::newRow("Blanc") << "blank";
    QTest::newRow("RàZ") << "reset";
}

void TestKinetics::unsavedRunIsNotClearedUnasked()
{
    // A finished run of 6 points, not saved: the sample is in the cuvette.
    QFETCH(QString, action);
    ModeBench b(Reaction);
    QVERIFY(b.started);
    Kinetics k(b);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    QVERIFY(k.Run());
    const int setrefs = b.sim->CountOf("SETREF");
    const QString clear = QString::fromUtf8("question:Les points de la cinétique ne sont pas enregistrés. Les effacer ?");
    b.dialogs.asked.clear();
    b.dialogs.answers = {false};
    if (action == "space") {
        QTest::keyClick(&w, Qt::Key_Space);
        QVERIFY(b.dialogs.asked.isEmpty()); // no blank at all from the space bar
    } else {
        (action == "blank" ? w.BlancBtn : w.ResetBtn)->click();
        QCOMPARE(b.dialogs.asked, QStringList{clear}); // "Non"
    }
    QTest::qWait(100);
    QCOMPARE(b.sim->CountOf("SETREF"), setrefs);
    QCOMPARE(int(w.Session.Points.Count()), 6);
    QCOMPARE(int(w.Session.Etat), int(EtatCinetique::Arrete));
    QVERIFY(w.RegSaveBtn->isEnabled());
    if (action == "space")
        return;
    // "Oui" clears it.
    b.dialogs.answers = {true};
    (action == "blank" ? w.BlancBtn : w.ResetBtn)->click();
    QVERIFY(b.WaitIdle());
    QCOMPARE(int(w.Session.Points.Count()), 0);
    QCOMPARE(int(w.Session.Etat), int(EtatCinetique::Pret));
}

void TestKinetics::refusedBlankIsAskedAgain_data()
{
    RefusedBlankRows();
}

void TestKinetics::refusedBlankIsAskedAgain()
{
    QFETCH(QString, status);
    QFETCH(QString, message);
    ModeBench b([&](SimOptions &o) { o.errors["SETREF"] = {status.toStdString(), 1}; });
    QVERIFY(b.started);
    TCinetiqueForm w;
    b.Attach(w);
    Show(w);
    w.BlancBtnClick();
    QVERIFY(b.WaitIdle());
    QVERIFY(!w.Session.BlancFait);
    QVERIFY(!w.startBtn->isEnabled());
    QVERIFY(!w.SpectreBtn->isEnabled());
    QVERIFY(w.PanelBlanc->isVisible());
    QVERIFY(w.BlancLabel->text().contains(message));
    QTest::keyClick(&w, Qt::Key_Space); // the blank again, done this time
    QVERIFY(b.WaitIdle());
    QVERIFY(w.Session.BlancFait);
    QVERIFY(w.startBtn->isEnabled());
    QVERIFY(!w.PanelBlanc->isVisible());
}

void TestKinetics::numberOfPointsKeepsThePace()
{
    // Each arrow click on the number of points would postpone the next point
    // by a whole interval if it restarted the timer.
    ModeBench b(Reaction);
    QVERIFY(b.started);
    Kinetics k(b, 20, 60, false); // the real timer, 1.5 s between points here
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    w.StartBtnClick();
    QTRY_VERIFY_WITH_TIMEOUT(w.Session.Points.Count() == 1 && !b.spectro->Busy, 5000);
    QTest::qWait(100);
    const int before = w.TimerSpectre.remainingTime();
    w.NbreSE->setValue(25);
    w.NbreSE->setValue(26);
    QVERIFY(w.TimerSpectre.isActive());
    QVERIFY2(w.TimerSpectre.remainingTime() <= before, qPrintable(QString("%1 > %2").arg(w.TimerSpectre.remainingTime()).arg(before)));
    // A new Δt does restart it.
    w.DeltatSE->setValue(59);
    QVERIFY(w.TimerSpectre.remainingTime() > before);
    w.StopBtnClick();
}

void TestKinetics::closingDuringARunAsksBothQuestions()
{
    // Closing stops the run ("Oui"); its points then get the question of a
    // finished run.
    ModeBench b(Reaction);
    QVERIFY(b.started);
    Kinetics k(b, 20);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    w.StartBtnClick();
    QVERIFY(k.Until([&] { return w.Session.Points.Count() >= 5; }));
    b.dialogs.asked.clear();
    b.dialogs.answers = {true, false};
    w.close();
    QVERIFY(k.Until([&] { return !w.isVisible(); }, 5000));
    QCOMPARE(b.dialogs.asked.filter("question:"),
             (QStringList{QString::fromUtf8("question:arrêt de l'acquisition en cours"), "question:Sauvegarde ?"}));
    // "Non": the points are knowingly discarded, from the window as from the
    // journal; reopened, the window has nothing left to ask about.
    QCOMPARE(w.Session.Points.Count(), 0);
    QVERIFY(!w.Session.AsksSave());
    QVERIFY(!QFileInfo::exists(w.JournalPathOf(QStringLiteral("WindowC"))));
}

void TestKinetics::journalOfARun()
{
    // Each point is in the journal as it ends; the save ends the journal.
    ModeBench b(Reaction);
    QVERIFY(b.started);
    Kinetics k(b);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    w.LambdaBisCB->click();
    QVERIFY(k.Run());
    std::string bytes;
    QCOMPARE(ReadWholeFile(ToPath(w.JournalPath()), bytes), FileState::Read);
    const JournalContents j = ParseJournal(bytes);
    QCOMPARE(int(JournalMode(j)), int(MeasureMode::Cinetique));
    QCOMPARE(int(j.records.size()), 6);
    for (int i = 0; i < 6; ++i) {
        double t = -1, a = -1;
        QVERIFY(ReadJournalNumber(j.records[std::size_t(i)].fields[0], t));
        QVERIFY(ReadJournalNumber(j.records[std::size_t(i)].fields[1], a));
        QCOMPARE(t, w.Session.Points.X[i]);
        QCOMPARE(a, w.Session.Points.A[i]); // the same double
    }
    QCOMPARE(j.Value("lambda"), std::string("545"));
    QCOMPARE(j.Value("deux"), std::string("1"));
    // Copied to the clipboard the run stays unsaved, so its journal stays:
    // were the program killed now, the next start would offer it back.
    w.ClipM->trigger();
    QVERIFY(!w.Session.Sauve);
    QVERIFY(QFile::exists(w.JournalPath()));
    QCOMPARE(ReadWholeFile(ToPath(w.JournalPath()), bytes), FileState::Read);
    QCOMPARE(JournalCount(ParseJournal(bytes)), 6);
    b.dialogs.saveName = b.dir.filePath("run");
    w.FileM->trigger();
    QVERIFY(w.Session.Sauve);
    QVERIFY(!QFile::exists(w.JournalPath()));
    // A new run starts a new journal; "Non" to "Sauvegarde ?" ends it.
    b.dialogs.answers = {true};
    w.ResetBtnClick();
    QVERIFY(k.Run());
    QVERIFY(QFile::exists(w.JournalPath()));
    b.dialogs.answers = {false};
    QVERIFY(w.close());
    QVERIFY(!QFile::exists(w.JournalPath()));
}

void TestKinetics::journalThatCannotBeWritten()
{
    // A file stands where the journal's folder should be: the run goes on,
    // the status bar says why once.
    ModeBench b(Reaction);
    QVERIFY(b.started);
    QFile blocker(b.dir.filePath("journal"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Kinetics k(b);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    QVERIFY(k.Run());
    QCOMPARE(int(w.Session.Points.Count()), 6);
    QVERIFY2(w.JournalText().startsWith(QStringLiteral("Journal de secours impossible : ")), qPrintable(w.JournalText()));
}

void TestKinetics::realTimeStampsAreNominal()
{
    // The program's own pace: a timer firing a few milliseconds early would
    // stamp 7 s where 8 s is due.
    ModeBench b(Reaction);
    QVERIFY(b.started);
    TCinetiqueForm w;
    w.TimeScale = 1.0 / 8; // a second of the run in 125 ms: an early tick shows all the more
    b.Attach(w);
    Show(w);
    w.BlancBtnClick();
    QVERIFY(b.WaitIdle());
    b.spectro->Nombre = 1; // two points, 8 s apart
    w.StartBtnClick();
    QTRY_COMPARE_WITH_TIMEOUT(int(w.Session.Etat), int(EtatCinetique::Arrete), 15000);
    QCOMPARE(int(w.Session.Points.Count()), 2);
    QCOMPARE(w.Session.Points.X[0], 0.0);
    QCOMPARE(w.Session.Points.X[1], 8.0);
}

void TestKinetics::storedParametersComeBack()
{
    ModeBench b;
    QVERIFY(b.started);
    {
        b.spectro->Deltat = 20;
        b.spectro->Nombre = 30;
        TCinetiqueForm w;
        QCOMPARE(w.DeltatSE->value(), 20);
        QCOMPARE(w.NbreSE->value(), 30);
        QCOMPARE(int(b.spectro->Deltat), 20);
        QCOMPARE(int(b.spectro->Nombre), 30);
        QCOMPARE(w.DureeEdit->text(), QString("00:10:00"));
    }
    // Through the settings file, as at a restart.
    b.spectro->SettingsPath = ToPath(b.ini);
    QVERIFY(b.spectro->SaveSettings());
    TspectroVandoral next(ToPath(b.ini));
    Spectro = &next;
    TCinetiqueForm w;
    QCOMPARE(w.DeltatSE->value(), 20);
    QCOMPARE(w.NbreSE->value(), 30);
    Spectro = b.spectro.get();
}

void TestKinetics::limitsFollowTheInstrument()
{
    ModeBench b([](SimOptions &o) {
        o.modelCode = "6022";
        o.lambdaMin = 190;
        o.lambdaMax = 1100;
    });
    QVERIFY(b.started);
    // Created before the instrument was identified, as at start-up.
    b.spectro->LambdaMin = 330;
    b.spectro->LambdaMax = 800;
    b.spectro->Lambda = 900;
    TCinetiqueForm w;
    QCOMPARE(w.LambdaSE->maximum(), 800);
    b.spectro->Identify();
    b.spectro->Lambda = 900;
    b.Attach(w);
    Show(w);
    QCOMPARE(w.LambdaSE->minimum(), 190);
    QCOMPARE(w.LambdaSE->maximum(), 1100);
    QCOMPARE(w.LambdaSE->value(), 900);
    QCOMPARE(w.Session.GrapheSpectre.WorldX.Min, 190.0);
    QCOMPARE(w.Session.GrapheSpectre.WorldX.Max, 1100.0);
}

void TestKinetics::lostValueLeavesAGap()
{
    // The first run's six scans are clean; in the second run, from its second
    // scan on, the value at 545 nm (index 215) is unreadable.
    ModeBench b([](SimOptions &o) {
        Reaction(o);
        o.unreadableAt = 545 - 330;
        o.faultsFromScan = 7;
    });
    QVERIFY(b.started);
    Kinetics k(b);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    // A first run leaves values at every index.
    QVERIFY(k.Run());
    b.dialogs.answers = {true}; // "Les effacer ?" for the unsaved run
    w.ResetBtnClick();
    b.spectro->Nombre = 2;
    QVERIFY(k.Run());
    QCOMPARE(int(w.Session.Points.Count()), 3);
    QVERIFY(w.Session.Points.A[0] != MissingValue); // the second run's first scan is clean
    QCOMPARE(w.Session.Points.A[1], MissingValue);  // not the first run's value
    QCOMPARE(w.Session.Points.A[2], MissingValue);
    // The block writes the missing value the usual way.
    w.ClipM->trigger();
    QVERIFY(BlockLines(b.dde->LastBlock).filter(QRegularExpression("^8[.,]0\t")).value(0).endsWith("1E-0026"));
}

void TestKinetics::instrumentFaultsMidRun_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("SCANBIN unanswered after two points") << "silent";
    QTest::newRow("device vanishes in the third scan") << "vanish";
}

void TestKinetics::instrumentFaultsMidRun()
{
    QFETCH(QString, fault);
    ModeBench b([&](SimOptions &o) {
        Reaction(o);
        o.faultsFromScan = 2;
        if (fault == "silent")
            o.silent.insert("SCANBIN");
        else
            o.vanishAfter = 100;
    });
    QVERIFY(b.started);
    b.spectro->SilenceMs = 300; // 30 s in the program
    Kinetics k(b, 20);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    w.StartBtnClick();
    QVERIFY(k.Until([&] { return b.spectro->LastMessage == TspectroVandoral::NoAnswerText; }, 5000));
    // The silence's message, with since when: the run goes on through the loss.
    QVERIFY2(w.StatusText().startsWith(QString::fromUtf8("Le spectro ne répond plus depuis 00:00:16")),
             qPrintable(w.StatusText()));
    QCOMPARE(int(w.Session.Etat), int(EtatCinetique::Acquisition));
    QVERIFY(w.Session.Lost());
    if (fault == "silent") {
        // It still answers "ID?": found again at the next tick (24 s), which
        // is a gap, as the one within the settling time (32 s); the point at
        // 40 s is measured again, and goes silent again.
        QVERIFY(k.Until([&] { return b.sim->CountOf("SCANBIN") >= 4; }, 5000));
    } else {
        // The line is gone: control is given up, and no scan is sent however
        // many ticks come, each a gap on the schedule.
        QTRY_VERIFY_WITH_TIMEOUT(!b.spectro->Controlled, 2000);
        for (int i = 0; i < 3; ++i)
            k.Tick();
        QTest::qWait(50);
        QCOMPARE(b.sim->CountOf("SCANBIN"), 3);
    }
    // Stop ends the run at the latest when the current attempt is given up.
    w.StopBtnClick();
    QTRY_COMPARE_WITH_TIMEOUT(int(w.Session.Etat), int(EtatCinetique::Arrete), 2000);
    const TDataSeries &p = w.Session.Points;
    QCOMPARE(p.Count(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(p.X[i], 8.0 * i); // on schedule
        QCOMPARE(p.A[i] == MissingValue, i >= 2);
    }
    // Saveable whatever its number of points, its gaps as the block writes them.
    QVERIFY(w.RegSaveBtn->isEnabled());
    w.ClipM->trigger();
    const QStringList rows = BlockLines(b.dde->LastBlock).filter(QRegularExpression("^\\d+[.,]0\t"));
    QCOMPARE(rows.size(), 6);
    QVERIFY(rows[5].endsWith("1E-0026"));
    b.dialogs.answers = {false};
    QVERIFY(w.close());
}


void TestKinetics::firstOrderFiguresOfARun()
{
    // The simulator's dye fades at 1 per real second; the run's clock goes
    // 40 times faster, so k = 1 / 40 = 0.025 per second of the run, at both
    // wavelengths (the product's band rises at 400 nm with the same k).
    ModeBench b([](SimOptions &o) {
        Reaction(o);
        o.rate = 1.0;
    });
    QVERIFY(b.started);
    Kinetics k(b, 12, 8, false); // the reaction goes at the simulator's real pace
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    QVERIFY(w.FitsLabel->isHidden());
    w.LambdaBisCB->click();
    QVERIFY(k.Run(30000));
    const auto &figures = w.Session.Figures();
    QCOMPARE(int(figures.size()), 2);
    for (const auto &f : figures) {
        QVERIFY(f.Enough);
        QVERIFY2(f.Fit, qPrintable(QString::number(f.Lambda)));
        // Scan times are whole seconds of the run: a few per cent at most.
        QVERIFY2(std::fabs(f.Fit->K - 0.025) < 0.1 * 0.025, qPrintable(QString::number(f.Fit->K)));
        QVERIFY(f.Fit->R2 > 0.99);
        QVERIFY(f.Rate);
    }
    QVERIFY(*figures[0].Rate < 0 && *figures[1].Rate > 0); // fading at 545 nm, rising at 400 nm
    QVERIFY(w.FitsLabel->isVisible());
    const QString text = w.FitsLabel->text();
    QVERIFY2(text.startsWith(QString::fromUtf8("A (545 nm) : ordre 1, k = 0")), qPrintable(text));
    QVERIFY(text.contains(QString::fromUtf8("A (400 nm) : vitesse initiale = ")));
    // The fitted curve over the points, dotted in the curve's colour.
    const Tgraphe &g = w.Session.GrapheCinetique;
    const double t = (w.Session.Points.X[2] + w.Session.Points.X[3]) / 2;
    int px, py;
    g.WorldToPixel(t, FirstOrderValue(*figures[0].Fit, t), px, py);
    const QColor colour = ToQColor(g.Curve1.Color);
    int near = 0;
    for (int dx = -6; dx <= 6; ++dx)
        for (int dy = -2; dy <= 2; ++dy)
            near += QColor(w.Oscillo->Image().pixel(px + dx, py + dy)) == colour;
    QVERIFY2(near > 3, qPrintable(QString::number(near)));

    std::string bytes;
    QCOMPARE(ReadWholeFile(ToPath(w.JournalPath()), bytes), FileState::Read);
    // Cleared with the run.
    b.dialogs.answers = {true};
    w.ResetBtnClick();
    QVERIFY(w.Session.Figures().empty());
    QVERIFY(w.FitsLabel->isHidden());

    // A run brought back from its journal shows them too.
    TCinetiqueForm again;
    b.Attach(again);
    again.TimeScale = Scale;
    Show(again);
    QVERIFY(again.Recover(ParseJournal(bytes)));
    QCOMPARE(int(again.Session.Figures().size()), 2);
    QVERIFY(again.Session.Figures()[0].Fit);
    QVERIFY(again.FitsLabel->isVisible());
}

void TestKinetics::toolBarFitsA1024PixelScreen()
{
    ModeBench b(Reaction);
    QVERIFY(b.started);
    Kinetics k(b);
    QVERIFY(k.ok);
    QVERIFY(k.Run());
    k.w.setGeometry(0, 0, 1024, 700);
    QTest::qWait(50);
    int shown = 0;
    const QString problem = ToolBarProblem(k.w, shown);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(shown, 10);
}

void TestKinetics::aFinishedRunSaysWhatNext()
{
    ModeBench b(Reaction);
    QVERIFY(b.started);
    Kinetics k(b);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    QVERIFY(!w.PanelBlanc->isVisible()); // the blank is done
    QVERIFY(k.Run());
    // "Acquisition" is greyed: the banner says how to start again.
    QVERIFY(!w.startBtn->isEnabled());
    QVERIFY(w.PanelBlanc->isVisible());
    QVERIFY2(w.BlancLabel->text().contains(QString::fromUtf8("RàZ")), qPrintable(w.BlancLabel->text()));
    b.dialogs.answers = {true};
    w.ResetBtnClick();
    QVERIFY(w.startBtn->isEnabled());
    QVERIFY(!w.PanelBlanc->isVisible());
    // A fourth digit past 1500 points is refused with the limit, not silently.
    w.NbreSE->setValue(150);
    auto *edit = w.NbreSE->findChild<QLineEdit *>();
    QVERIFY(edit);
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, "0");
    QCOMPARE(w.NbreSE->value(), 1500);
    QCOMPARE(w.StatusText(), QString());
    QTest::keyClicks(edit, "0");
    QCOMPARE(w.NbreSE->value(), 1500);
    QCOMPARE(w.StatusText(), QString::fromUtf8("Nombre de points : 1500 au plus"));
}

namespace {

// A 9-point run started, its first three points measured, then the
// instrument switched off (its silence given up after 300 ms: 30 s in the
// program).
bool ThreePointsThenOff(ModeBench &b, Kinetics &k)
{
    b.spectro->SilenceMs = 300;
    k.w.StartBtnClick();
    if (!k.Until([&] { return k.w.Session.Points.Count() >= 3; }))
        return false;
    QElapsedTimer t;
    t.start();
    while (b.spectro->Busy && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    b.sim->SetOff(true);
    return !b.spectro->Busy;
}

} // namespace

void TestKinetics::aRunGoesOnThroughALoss()
{
    // A 9-point run at 8 s; after its third point the instrument is silent
    // for 25 s of the run (from 17 s to 42 s), then answers again.
    ModeBench b(Reaction);
    QVERIFY(b.started);
    Kinetics k(b, 8);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    QVERIFY(ThreePointsThenOff(b, k));
    QElapsedTimer guard;
    guard.start();
    while (w.Session.Etat == EtatCinetique::Acquisition && guard.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (w.Session.Pending() || b.spectro->Busy)
            continue;
        k.now += w.Session.SecondsToTick();
        b.sim->SetOff(k.now < 42);
        w.TimerSpectreTimer();
    }
    QCOMPARE(int(w.Session.Etat), int(EtatCinetique::Arrete));
    // Saved: the whole schedule, the points due during the loss and within
    // 15 s of the return as empty fields, the point at 64 s measured.
    b.dialogs.saveName = b.dir.filePath("perte");
    w.FileM->trigger();
    QVERIFY(w.Session.Sauve);
    QFile f(b.dir.filePath("perte.TXT"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QVERIFY(lines.size() >= 4 + 9);
    for (int i = 0; i < 9; ++i) {
        QByteArray line = lines[4 + i];
        if (line.endsWith('\r'))
            line.chop(1); // an empty last field keeps its TAB
        const QList<QByteArray> fields = line.split('\t');
        QCOMPARE(fields.size(), 2);
        QCOMPARE(QByteArray(fields[0]).replace(',', '.').toDouble(), 8.0 * i);
        const bool measured = i < 3 || i == 8;
        QVERIFY2(fields[1].isEmpty() != measured, lines[4 + i].constData());
    }
    // The scans sent: three, the one lost at 24 s, the one at 64 s.
    QCOMPARE(b.sim->CountOf("SCANBIN"), 5);
}

void TestKinetics::anInstrumentBackRestartedEndsTheRun()
{
    // Switched off after the third point, on again before the next tick:
    // no longer under control, calibrating, its blank gone.
    ModeBench b(Reaction);
    QVERIFY(b.started);
    Kinetics k(b, 8);
    QVERIFY(k.ok);
    TCinetiqueForm &w = k.w;
    QVERIFY(ThreePointsThenOff(b, k));
    k.Tick(); // 24 s: unanswered
    QTRY_VERIFY_WITH_TIMEOUT(w.Session.Lost(), 5000);
    b.sim->Restart();
    b.sim->SetOff(false);
    QVERIFY(k.Until([&] { return w.Session.Etat != EtatCinetique::Acquisition; }));
    QVERIFY(w.Session.Restarted());
    QCOMPARE(w.StatusText(), QString::fromUtf8("Le spectro a redémarré : son blanc est perdu, refaites le blanc"));
    // Nothing measured after its return: the three points and the gaps.
    const TDataSeries &p = w.Session.Points;
    QCOMPARE(p.Count(), 6);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(p.A[i] == MissingValue, i >= 3);
    QVERIFY(w.RegSaveBtn->isEnabled());
    // A new blank is asked for, and taken from the window itself: control
    // taken again, then the instrument's calibration waited for.
    QVERIFY(!w.startBtn->isEnabled());
    QVERIFY(w.PanelBlanc->isVisible());
    b.dialogs.answers = {true, true, true}; // the unsaved points cleared
    for (int tries = 0; tries < 4 && !w.Session.BlancFait; ++tries) {
        w.BlancBtnClick();
        QVERIFY(b.WaitIdle());
    }
    QVERIFY(w.Session.BlancFait);
    QVERIFY(b.sim->CountOf("CONTROL") >= 1);
    QVERIFY(w.startBtn->isEnabled());
}

void TestKinetics::aSavedRunOpenedBack()
{
    // A run at two wavelengths saved as a workbook opens as a finished run
    // with its fits, saved already; another run needs "RàZ" and its question.
    ModeBench b;
    QVERIFY(b.started);
    TDataSeries run;
    run.XAxis = {"t", "s", "temps"};
    run.YAxis = AbsorbanceAxis;
    run.Two = true;
    for (int i = 0; i < 30; ++i)
        run.Append(10.0 * i, 0.9 * std::exp(-i / 8.0) + 0.1, 0.2 + 0.5 * (1 - std::exp(-i / 8.0)));
    FileRequest r;
    r.kind = MeasureMode::Cinetique;
    r.data = &run;
    r.twoCurves = true;
    r.comment = "TP iode";
    const QString file = b.dir.filePath("tp.xlsx");
    std::string error;
    QVERIFY2(SaveDataFile(ToPath(file), TextFilter, r, nullptr, &error), error.c_str());
    TCinetiqueForm w;
    b.Attach(w);
    Show(w);
    b.dialogs.openName = file;
    w.OpenM->trigger();
    QCOMPARE(w.Session.Etat, EtatCinetique::Arrete);
    QCOMPARE(w.Session.Points.Count(), 30);
    QVERIFY(w.Session.Points.Two && w.LambdaBisCB->isChecked());
    QVERIFY(!w.Session.AsksSave());
    QCOMPARE(int(w.Session.Figures().size()), 2);
    const QStringList lines = w.FiguresLines();
    QVERIFY2(lines.join('\n').contains(QStringLiteral("A2")), qPrintable(lines.join('\n')));
    QVERIFY(!lines.join('\n').contains(QStringLiteral("0 nm")));
    QVERIFY(w.Session.Figures()[0].Fit.has_value());
    QVERIFY(std::fabs(w.Session.Figures()[0].Fit->K - 1 / 80.0) < 1e-3);
    QVERIFY(w.RegSaveBtn->isEnabled() && w.PrintBtn->isEnabled());
}

QTEST_MAIN(TestKinetics)
#include "tst_kinetics.moc"

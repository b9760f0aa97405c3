// The main window against simulated instruments on pseudo-terminals: the port
// search, taking control, the modes, closing, translation and the About box.
#include "about.h"
#include "catalogue.h"
#include "inifile.h"
#include "modeform.h"
#include "beerwindow.h"
#include "kineticswindow.h"
#include "tracewindow.h"
#include "scripteddialogs.h"
#include "siminstrument.h"
#include "driver.h"
#include "exportwindow.h"
#include "mainwindow.h"
#include "pagedialog.h"
#include "qtserialline.h"
#include "qtext.h"
#include "startup.h"
#include "tradform.h"

#include <QComboBox>
#include <QScopeGuard>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTemporaryDir>
#include <QAbstractButton>
#include <QMessageBox>
#include <QtTest>

#include <map>
#include <memory>

using namespace vandoral;
using vandoral::sim::PtySimulator;
using vandoral::sim::SimOptions;

namespace {

// A settings file whose port table points every port at nothing, then at the
// simulators given; the main window with its mode windows over it.
struct Bench {
    explicit Bench(int storedPort = 1)
    {
        // A program unpacked where a French user keeps downloads.
        QDir().mkpath(dir.filePath(QString::fromUtf8("Téléchargements")));
        ini = dir.filePath(QString::fromUtf8("Téléchargements/vandoral.INI"));
        IniImage image;
        for (int n = 1; n <= 50; ++n)
            image.WriteString("Ports", "COM" + std::to_string(n), dir.filePath("absent").toStdString());
        image.WriteInteger("Spectro", "Com", storedPort);
        image.Save(ini.toStdString());
        LoadCatalogue(catalogue, std::string()); // built-in models
        TModeForm::JournalFolder = dir.filePath("journal");
    }
    ~Bench()
    {
        form.reset();
        beerForm.reset();
        cinetiqueForm.reset();
        spectreForm.reset();
        spectro.reset();
        Spectro = nullptr;
    }
    PtySimulator &Sim(int port, const std::function<void(SimOptions &)> &set = {})
    {
        SimOptions o;
        o.charMicros = 0;
        if (set)
            set(o);
        auto sim = std::make_unique<PtySimulator>(o);
        if (!sim->Start())
            qFatal("simulator did not start");
        IniWriteString(ini.toStdString(), "Ports", "COM" + std::to_string(port), sim->DevicePath());
        return *(sims[port] = std::move(sim));
    }
    // Shows the main window and waits for its first search to end. `lazy`:
    // the mode windows are built when the main window first asks for them,
    // as the program does; `built` counts them.
    void Start(bool lazy = false)
    {
        spectro = std::make_unique<TspectroVandoral>(ini.toStdString());
        Spectro = spectro.get();
        Spectro->Catalogue = &catalogue;
        form = std::make_unique<TFormMain>(ini);
        if (lazy) {
            form->SetWindowFactory([this](MeasureMode mode) -> TModeForm * {
                ++built[mode];
                switch (mode) {
                case MeasureMode::Spectre: spectreForm = std::make_unique<TTraceSpectre>(); return spectreForm.get();
                case MeasureMode::Cinetique: cinetiqueForm = std::make_unique<TCinetiqueForm>(); return cinetiqueForm.get();
                case MeasureMode::Beer: beerForm = std::make_unique<TBeerForm>(); return beerForm.get();
                case MeasureMode::None: break;
                }
                return nullptr;
            });
        } else {
            // The mode windows after the instrument object, as at start-up.
            spectreForm = std::make_unique<TTraceSpectre>();
            cinetiqueForm = std::make_unique<TCinetiqueForm>();
            beerForm = std::make_unique<TBeerForm>();
            form->SetWindows(spectreForm.get(), cinetiqueForm.get(), beerForm.get(), &about);
        }
        form->show();
        QTRY_VERIFY_WITH_TIMEOUT(started(), 10000);
    }
    bool started() const
    {
        return !form->Searching() && form->ChercheLabel->isHidden()
               && (form->ConnectBtn->isVisible() || !dialogs.asked.isEmpty());
    }
    std::string Setting(const char *section, const char *key) const
    {
        return IniReadString(ini.toStdString(), section, key, "<none>");
    }

    QTemporaryDir dir;
    QString ini;
    TlisteSpectro catalogue;
    std::map<int, std::unique_ptr<PtySimulator>> sims;
    ScriptedDialogs dialogs;
    std::unique_ptr<TspectroVandoral> spectro;
    std::unique_ptr<TTraceSpectre> spectreForm;
    std::unique_ptr<TCinetiqueForm> cinetiqueForm;
    std::unique_ptr<TBeerForm> beerForm;
    TAboutBox about;
    std::unique_ptr<TFormMain> form;
    std::map<MeasureMode, int> built;
};

bool ModeButtonsVisible(const TFormMain &f)
{
    return f.CinetiqueBtn->isVisible() && f.SpectreMinMaxBtn->isVisible() && f.BeerBtn->isVisible();
}

} // namespace

class TestFormMain : public QObject {
    Q_OBJECT
private slots:
    void init();
    void storedPortAnswers();
    void storedPortAbsent();
    void nothingAnswers_data();
    void nothingAnswers();
    void portThatCannotBeOpened_data();
    void portThatCannotBeOpened();
    void controlRefusedTwice();
    void modesAndRouting();
    void modeWindowsBuiltWhenFirstNeeded();
    void closeInControlSendsRelease();
    void mainWindowDuringAMeasurement_data();
    void mainWindowDuringAMeasurement();
    void quitWithTheClipboardChecked_data();
    void quitWithTheClipboardChecked();
    void quitDuringSearch();
    void quitDuringTakeControl();
    void instrumentFoundAgainAfterItWasLost();
    void translation();
    void questionButtonsFollowTheLanguage_data();
    void questionButtonsFollowTheLanguage();
    void runTimeTextsFollowEveryLanguage();
    void unreadableSettingsAreSaidOnce();
    void aboutBox();
};

void TestFormMain::init()
{
    Dictionary().Load();
    Dictionary().SetCurrent(TDictionary::French);
}

void TestFormMain::storedPortAnswers()
{
    Bench b(3);
    PtySimulator &sim = b.Sim(3);
    b.Start();
    QCOMPARE(b.form->windowTitle(), QString("Acquisition par Orbis K2 pour Tabvista"));
    QCOMPARE(sim.Commands(), (std::vector<std::string>{"ID?", "CONTROL"})); // only that port
    QVERIFY(b.form->Found);
    QVERIFY(ModeButtonsVisible(*b.form));
    QCOMPARE(b.form->ConnectBtn->text(), QString("Déconnect."));
    QCOMPARE(b.form->ConnectBtn->toolTip(), QString("Réactivation des touches du spectro"));
    QVERIFY(b.form->ComPorts->isHidden());
    QVERIFY(b.dialogs.asked.isEmpty());
}

void TestFormMain::storedPortAbsent()
{
    Bench b(7); // COM7 has no device
    PtySimulator &silent = b.Sim(2, [](SimOptions &o) { o.silent.insert("ID?"); });
    PtySimulator &first = b.Sim(5, [](SimOptions &o) { o.modelCode = "6022"; });
    PtySimulator &later = b.Sim(9);
    b.Start();
    QCOMPARE(silent.CountOf("ID?"), 1);  // tried, in rising order
    QCOMPARE(first.CountOf("ID?"), 1);   // answered
    QVERIFY(later.Commands().empty());   // never reached
    QCOMPARE(b.form->windowTitle(), QString("Acquisition par Orbis P26 pour Tabvista"));
    QCOMPARE(Spectro->Com, std::uint16_t(5));
    QCOMPARE(Spectro->LambdaMin, 190);
    b.form->close();
    QVERIFY(Spectro->SaveSettings());
    QCOMPARE(b.Setting("Spectro", "Com"), std::string("5")); // stored for next time
}

void TestFormMain::nothingAnswers_data()
{
    QTest::addColumn<int>("present");
    QTest::newRow("one port") << 1;
    QTest::newRow("two ports") << 2;
}

void TestFormMain::nothingAnswers()
{
    QFETCH(int, present);
    Bench b(4);
    PtySimulator &a = b.Sim(4, [](SimOptions &o) { o.silent.insert("ID?"); });
    if (present == 2)
        b.Sim(6, [](SimOptions &o) { o.idReply = "E92"; });
    b.Start();
    const QString notFound = QString::fromUtf8("Spectrophotomètre Vandoral non détecté");
    QCOMPARE(b.form->windowTitle(), notFound);
    QCOMPARE(b.dialogs.asked, QStringList{"error:" + notFound});
    QCOMPARE(b.form->ComPorts->count(), present);
    QCOMPARE(b.form->ComPorts->isVisible(), present > 1);
    QCOMPARE(b.form->ComBtn->toolTip(), present > 1 ? QString::fromUtf8("Recommencer la recherche avec la voie série ci-dessous")
                                                    : QString("Recommencer la recherche"));
    QVERIFY(b.form->ConnectBtn->isHidden());
    QVERIFY(!ModeButtonsVisible(*b.form));

    // Coming back from the box activates the window again: no new search.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(b.form.get(), &activate);
    QTest::qWait(100);
    QCOMPARE(a.CountOf("ID?"), 1);
    QCOMPARE(b.dialogs.asked.size(), 1);

    // "Test" searches again, from the selected port.
    b.form->ComBtn->click();
    QCOMPARE(a.CountOf("ID?"), 2);
    QCOMPARE(b.dialogs.asked.size(), 2);

    // "Quitter" works; nothing was sent and "Test" is not written.
    b.form->ExitBtn->click();
    QVERIFY(!b.form->isVisible());
    QCOMPARE(a.CountOf("RELEASE"), 0);
    QCOMPARE(b.Setting("Spectro", "Test"), std::string("<none>"));
}

void TestFormMain::portThatCannotBeOpened_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("message");
    QTest::newRow("not in dialout") << int(QtSerialLine::OpenFailure::Denied)
                                    << QString::fromUtf8("Accès refusé à %1 : l'utilisateur doit être membre du groupe dialout");
    QTest::newRow("held by another program") << int(QtSerialLine::OpenFailure::Busy)
                                             << QString::fromUtf8("%1 est utilisé par un autre programme");
}

void TestFormMain::portThatCannotBeOpened()
{
    QFETCH(int, failure);
    QFETCH(QString, message);
    Bench b(4);
    PtySimulator &sim = b.Sim(4);
    const QString device = QString::fromStdString(sim.DevicePath());
    QtSerialLine::InjectOpenFailure(device, QtSerialLine::OpenFailure(failure));
    b.Start();
    QtSerialLine::InjectOpenFailure(device, QtSerialLine::OpenFailure::None);
    // Said which and why, not "non détecté" (no cable to look for).
    QCOMPARE(b.dialogs.asked, QStringList{"error:" + message.arg(device)});
    QVERIFY(sim.Commands().empty());
    // Once the user can open it, "Test" finds the instrument.
    b.form->ComBtn->click();
    QTRY_VERIFY(b.form->Found);
}

void TestFormMain::controlRefusedTwice()
{
    Bench b(1);
    PtySimulator &sim = b.Sim(1, [](SimOptions &o) { o.errors["CONTROL"] = {"E93", 2}; });
    b.Start();
    const QString message("Appuyer sur la touche OK (F2) du spectro");
    QCOMPARE(b.dialogs.asked, QStringList{"message:" + message});
    QVERIFY(!Spectro->Controlled);
    QCOMPARE(b.form->ConnectBtn->text(), QString("Connection"));
    QCOMPARE(b.form->ConnectBtn->toolTip(), QString("L'ordinateur prend le controle du spectro"));
    QVERIFY(b.form->ConnectBtn->isVisible());
    QCOMPARE(b.form->StatusText(), message);
    QVERIFY(!ModeButtonsVisible(*b.form));
    QCOMPARE(sim.CountOf("CONTROL"), 2);

    // A click whose press activates the window (each activation refreshes the
    // buttons) still counts: the press, the refresh, then the release.
    QTest::mousePress(b.form->ConnectBtn, Qt::LeftButton);
    b.form->SelectMode(MeasureMode::None);
    QTest::mouseRelease(b.form->ConnectBtn, Qt::LeftButton);
    QVERIFY(Spectro->Controlled); // the instrument accepts now
    QCOMPARE(sim.CountOf("CONTROL"), 3);
    QCOMPARE(b.form->ConnectBtn->text(), QString("Déconnection"));
    QVERIFY(ModeButtonsVisible(*b.form));
    b.form->ConnectBtn->click(); // and gives control back
    QVERIFY(!Spectro->Controlled);
    QCOMPARE(b.form->ConnectBtn->text(), QString("Connection"));
    QCOMPARE(sim.CountOf("RELEASE"), 1);
    QVERIFY(!ModeButtonsVisible(*b.form));
}

void TestFormMain::modesAndRouting()
{
    Bench b(1);
    b.Sim(1);
    b.Start();
    int selections = 0; // the page dialog goes back to "Nouveau fichier" on each
    b.form->OnSelectMode = [&] { ++selections; };
    b.form->SpectreMinMaxBtn->click();
    QCOMPARE(selections, 1);
    QCOMPARE(int(b.form->Mode), int(MeasureMode::Spectre));
    QVERIFY(b.spectreForm->isVisible());
    QVERIFY(b.form->SpectreMinMaxBtn->isVisible());
    QVERIFY(b.form->CinetiqueBtn->isHidden() && b.form->BeerBtn->isHidden());
    QVERIFY(b.form->ConnectBtn->isVisible());

    // Instrument texts go to the active mode's window.
    Spectro->DecodeStatus("E04");
    QCOMPARE(b.spectreForm->StatusText(), QString("Erreur de longueur d'onde"));
    QCOMPARE(b.form->StatusText(), QString());
    b.form->AppHint("aide");
    QCOMPARE(b.spectreForm->HintText(), QString("aide"));

    // Closing the mode window brings back mode 0 and every button.
    b.spectreForm->close();
    QCOMPARE(int(b.form->Mode), int(MeasureMode::None));
    QVERIFY(ModeButtonsVisible(*b.form));
    Spectro->DecodeStatus("E02");
    QCOMPARE(b.form->StatusText(), QString::fromUtf8("Problème de lampe UV"));

    b.form->CinetiqueBtn->click();
    QCOMPARE(int(b.form->Mode), int(MeasureMode::Cinetique));
    QVERIFY(b.cinetiqueForm->isVisible());
    b.form->Mode = MeasureMode::Cinetique;
    b.form->ShowActiveMode();
    QVERIFY(b.cinetiqueForm->isVisible());
}

void TestFormMain::modeWindowsBuiltWhenFirstNeeded()
{
    // Taking control at start-up builds no mode window (each change of
    // control refreshes only those that exist); one built later shows the
    // state of the instrument at once, and follows its changes.
    Bench b(1);
    PtySimulator &sim = b.Sim(1);
    b.Start(true);
    QVERIFY(Spectro->Controlled);
    QVERIFY2(b.built.empty(), "a mode window was built before it was needed");
    b.form->SpectreMinMaxBtn->click();
    QCOMPARE(b.built, (std::map<MeasureMode, int>{{MeasureMode::Spectre, 1}}));
    QVERIFY(b.spectreForm->isVisible());
    QCOMPARE(b.spectreForm->ConnectBtn->text(), QString("Déconnect."));
    b.form->ConnectBtn->click(); // RELEASE from the main window
    QCOMPARE(sim.Commands().back(), std::string("RELEASE"));
    QCOMPARE(b.spectreForm->ConnectBtn->text(), QString("Connect."));
    b.spectreForm->close();
    b.form->CinetiqueBtn->click();
    QCOMPARE(b.built, (std::map<MeasureMode, int>{{MeasureMode::Spectre, 1}, {MeasureMode::Cinetique, 1}}));
    QCOMPARE(b.cinetiqueForm->ConnectBtn->text(), QString("Connect."));
    b.cinetiqueForm->close();
    b.form->SpectreMinMaxBtn->click(); // the same window again, not a new one
    QCOMPARE(b.built[MeasureMode::Spectre], 1);
}

void TestFormMain::closeInControlSendsRelease()
{
    Bench b(1);
    PtySimulator &sim = b.Sim(1);
    b.Start();
    QVERIFY(Spectro->Controlled);
    b.form->close();
    QCOMPARE(sim.Commands(), (std::vector<std::string>{"ID?", "CONTROL", "RELEASE"}));
    QCOMPARE(b.Setting("Spectro", "Test"), std::string("1")); // the default, written back
}

void TestFormMain::mainWindowDuringAMeasurement_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("action");
    for (const char *mode : {"spectre", "cinetique", "beer"})
        for (const char *action : {"Deconnect", "Quitter"})
            QTest::newRow(qPrintable(QString("%1, %2").arg(mode, action))) << QString(mode) << QString(action);
}

void TestFormMain::mainWindowDuringAMeasurement()
{
    // "Déconnect." and "Quitter" in the main window while a scan arrives (a
    // spectrum, a kinetics point, the Beer-Lambert window's spectrum): no
    // RELEASE over it, the measurement ends whole, and "Quitter" then closes
    // after the windows' own questions.
    QFETCH(QString, mode);
    QFETCH(QString, action);
    Bench b(1);
    PtySimulator &sim = b.Sim(1, [](SimOptions &o) { o.charMicros = 1e6 / 960.0 / 4; }); // a scan in about 1 s
    b.Start();
    QVERIFY(Spectro->Controlled);
    TModeForm *w = nullptr;
    std::function<bool()> scanWhole;
    if (mode == "spectre") {
        b.form->SpectreMinMaxBtn->click();
        b.spectreForm->BlancBtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(b.spectreForm->Session.BlancFait, 5000);
        b.spectreForm->SpectreBtnClick();
        w = b.spectreForm.get();
        scanWhole = [&] { return b.spectreForm->Session.Spectrum.Count() == 471; };
    } else if (mode == "cinetique") {
        b.form->CinetiqueBtn->click();
        b.cinetiqueForm->BlancBtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(b.cinetiqueForm->Session.BlancFait && !Spectro->Busy, 5000);
        b.cinetiqueForm->StartBtnClick();
        w = b.cinetiqueForm.get();
        scanWhole = [&] { return b.cinetiqueForm->Session.Points.Count() == 1; };
    } else {
        b.form->BeerBtn->click();
        b.beerForm->ZeroBtnClick();
        QTRY_VERIFY_WITH_TIMEOUT(b.beerForm->Session.BlancFait && !Spectro->Busy, 5000);
        b.beerForm->SpectreBtnClick();
        w = b.beerForm.get();
        scanWhole = [&] { return b.beerForm->Session.LastScan.Count() == 471; };
    }
    QVERIFY(Spectro->Busy);
    QVERIFY(!b.form->ConnectBtn->isEnabled());
    b.dialogs.asked.clear();
    if (action == "Deconnect") {
        b.form->ConnectBtnClick(); // as a click that still arrives
        QTRY_VERIFY_WITH_TIMEOUT(!Spectro->Busy, 10000);
        QVERIFY(scanWhole());
        QCOMPARE(sim.CountOf("RELEASE"), 0);
        QVERIFY(Spectro->Controlled);
        QVERIFY(b.form->ConnectBtn->isEnabled());
        QVERIFY(b.dialogs.asked.isEmpty());
        return;
    }
    // "Quitter": the kinetics window asks to stop its run ("Oui"); the
    // spectrum asks "Sauvegarde ?" once it is whole ("Non").
    b.dialogs.answers = {true, false};
    b.form->ExitBtn->click();
    QVERIFY(b.form->isVisible());
    QCOMPARE(sim.CountOf("RELEASE"), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!b.form->isVisible(), 10000);
    QVERIFY(scanWhole());
    QVERIFY(!w->isVisible());
    const std::vector<std::string> commands = sim.Commands();
    QCOMPARE(commands.back(), std::string("RELEASE"));
    QCOMPARE(sim.CountOf("RELEASE"), 1);
    QStringList expected;
    if (mode == "cinetique")
        expected << QString::fromUtf8("question:arrêt de l'acquisition en cours");
    if (mode == "spectre")
        expected << QStringLiteral("question:Sauvegarde ?");
    QCOMPARE(b.dialogs.asked.filter("question:"), expected);
}

void TestFormMain::quitWithTheClipboardChecked_data()
{
    QTest::addColumn<bool>("named");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("a file named") << true << false;
    QTest::newRow("the save dialog cancelled") << false << false;
    // Closed before, its save dialog cancelled then: its journal stays.
    QTest::newRow("a window closed before") << true << true;
}

void TestFormMain::quitWithTheClipboardChecked()
{
    // "Quitter", "Sauvegarde ?", "Oui" with "vers presse papiers" checked: the
    // clipboard would end with the program, so the spectrum goes to a file;
    // without one it stays in its journal, offered at the next start.
    QFETCH(bool, named);
    QFETCH(bool, hidden);
    Bench b(1);
    TConstanteDlg constante;
    ConstanteDlg = &constante;
    TFormDDE dde(&constante);
    dde.Wait = [](int) {};
    dde.ServiceApplication = QStringLiteral("/nonexistent/tabvista");
    const auto unset = qScopeGuard([] { ConstanteDlg = nullptr; });
    b.Sim(1);
    b.Start();
    QVERIFY(Spectro->Controlled);
    b.form->SpectreMinMaxBtn->click();
    TTraceSpectre &w = *b.spectreForm;
    w.BlancBtnClick();
    QTRY_VERIFY_WITH_TIMEOUT(w.Session.BlancFait && !Spectro->Busy, 5000);
    w.SpectreBtnClick();
    QTRY_VERIFY_WITH_TIMEOUT(w.Session.Spectrum.Count() == 471 && !Spectro->Busy, 5000);
    const QString journal = w.JournalPath();
    QVERIFY(QFile::exists(journal));
    if (hidden) {
        // "Sauvegarde ?", "Oui", the save dialog cancelled: the window closes
        // with its spectrum unsaved, in its journal.
        w.FileM->setChecked(true);
        b.dialogs.answers = {true};
        b.dialogs.saveName.clear();
        QVERIFY(w.close());
        QVERIFY(w.Session.AsksSave());
        QVERIFY(QFile::exists(journal));
    }
    w.ClipM->setChecked(true); // checked, not run
    QCOMPARE(w.SaveTag(), SaveTarget::Clipboard);
    const QString file = b.dir.filePath("spectre");
    b.dialogs.saveName = named ? file : QString();
    b.dialogs.answers = {true};
    b.dialogs.asked.clear();
    b.form->ExitBtn->click();
    QTRY_VERIFY_WITH_TIMEOUT(!b.form->isVisible(), 5000);
    if (hidden) {
        // A window closed before asks nothing more at the end: its spectrum
        // stays in its journal, offered at the next start.
        QVERIFY(b.dialogs.asked.filter("question:").isEmpty());
        QVERIFY(!QFile::exists(file + ".TXT"));
        QVERIFY(QFile::exists(journal));
        return;
    }
    QStringList expected{QStringLiteral("question:Sauvegarde ?")};
    QCOMPARE(b.dialogs.asked.filter("question:"), expected);
    QVERIFY2(b.dialogs.asked.filter("save:").size() == 1, qPrintable(b.dialogs.asked.join(" / ")));
    QCOMPARE(QFile::exists(file + ".TXT"), named);
    QCOMPARE(QFile::exists(journal), !named);
    // A spectrum put on the clipboard while the program goes on counts as
    // saved: the window's choice stays the clipboard.
    QCOMPARE(w.SaveTag(), SaveTarget::Clipboard);
}

void TestFormMain::quitDuringSearch()
{
    Bench b(1);
    for (int n : {1, 2, 3, 4, 5, 6})
        b.Sim(n, [](SimOptions &o) { o.silent.insert("ID?"); });
    QElapsedTimer t;
    t.start();
    QTimer::singleShot(700, [&] { b.form->ExitBtn->click(); });
    b.spectro = std::make_unique<TspectroVandoral>(b.ini.toStdString());
    Spectro = b.spectro.get();
    b.form = std::make_unique<TFormMain>(b.ini);
    b.form->show();
    QTRY_VERIFY_WITH_TIMEOUT(!b.form->isVisible(), 5000);
    // Six silent ports take three seconds; the search stopped at the click.
    QVERIFY2(t.elapsed() < 2500, qPrintable(QString::number(t.elapsed())));
    QVERIFY(b.dialogs.asked.isEmpty());
    QVERIFY(b.sims[6]->Commands().empty());
}

void TestFormMain::quitDuringTakeControl()
{
    // "Quitter" is clicked while the CONTROL exchange waits for its answer:
    // the instrument's keys must not stay locked after the end.
    Bench c(1);
    PtySimulator &answering = c.Sim(1);
    bool clicked = false;
    c.spectro = std::make_unique<TspectroVandoral>(c.ini.toStdString());
    Spectro = c.spectro.get();
    Spectro->Catalogue = &c.catalogue;
    Spectro->OnControlChange = [&] {};
    c.form = std::make_unique<TFormMain>(c.ini);
    // Click while CONTROL's wait runs: the driver's event pump runs this.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!clicked && answering.CountOf("CONTROL") == 1) {
            clicked = true;
            c.form->ExitBtn->click();
        }
    });
    poll.start(1);
    c.form->show();
    QTRY_VERIFY_WITH_TIMEOUT(!c.form->isVisible(), 5000);
    QVERIFY(clicked);
    QCOMPARE(answering.Commands(), (std::vector<std::string>{"ID?", "CONTROL", "RELEASE"}));
}

void TestFormMain::instrumentFoundAgainAfterItWasLost()
{
    Bench b(1);
    b.Sim(1, [](SimOptions &o) { o.vanishAfter = 30; });
    b.Start();
    QVERIFY(Spectro->Controlled);
    b.form->SpectreMinMaxBtn->click();
    b.spectreForm->BlancBtnClick();
    QTRY_VERIFY(b.spectreForm->Session.BlancFait);
    b.spectreForm->SpectreBtnClick();
    // The cable is pulled in the middle of the scan: the window is told at once.
    QTRY_VERIFY_WITH_TIMEOUT(!Spectro->Busy, 5000);
    QVERIFY(!Spectro->Controlled);
    QCOMPARE(b.spectreForm->StatusText(), QString::fromUtf8("Le spectro ne répond plus"));
    QCOMPARE(b.form->StatusText(), QString::fromUtf8("Le spectro ne répond plus : vérifiez son câble et qu'il est allumé"));
    // Its buttons do not wait for "Test": a blank or a scan looks for it again.
    QVERIFY(b.spectreForm->BlancBtn->isEnabled());
    QCOMPARE(b.spectreForm->ConnectBtn->text(), QString("Connect."));
    QVERIFY(b.spectreForm->close()); // nothing running: it closes (no data, no question)
    // Plugged in again: "Test" finds it and takes control.
    PtySimulator &back = b.Sim(1);
    b.form->ComBtn->click();
    QTRY_VERIFY_WITH_TIMEOUT(Spectro->Controlled, 5000);
    QCOMPARE(back.Commands(), (std::vector<std::string>{"ID?", "CONTROL"}));
    QVERIFY(ModeButtonsVisible(*b.form));
    QCOMPARE(b.form->StatusText(), QString::fromUtf8("Le spectro répond de nouveau"));
}

void TestFormMain::questionButtonsFollowTheLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("French (the native texts)") << int(TDictionary::Native) << QStringList{"Non", "Oui"};
    QTest::newRow("Spanish") << int(TDictionary::Spanish) << QStringList{"No", QString::fromUtf8("Sí")};
    QTest::newRow("English") << int(TDictionary::English) << QStringList{"No", "Yes"};
}

void TestFormMain::questionButtonsFollowTheLanguage()
{
    // The real question box, answered by a click on its "no" button.
    QFETCH(int, language);
    QVERIFY(InstallQtTranslations(language));
    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton *button : box->buttons())
            texts << button->text().remove(QLatin1Char('&'));
        box->button(QMessageBox::No)->click();
    });
    Dialogs real;
    QVERIFY(!real.Question(nullptr, QStringLiteral("Sauvegarde ?")));
    texts.sort();
    QTEST(texts, "buttons");
    QVERIFY(InstallQtTranslations(TDictionary::Native));
}

void TestFormMain::translation()
{
    Bench b(1);
    b.Start(); // nothing answers
    Dictionary().SetCurrent(TDictionary::English);
    b.form->LangueRGClick();
    QCOMPARE(b.form->ExitBtn->text(), QString("Exit"));
    QCOMPARE(b.form->AboutBtn->text(), QString("About..."));
    QCOMPARE(b.form->SpectreMinMaxBtn->toolTip(), QString("Spectrum acquisition"));
    QCOMPARE(b.form->windowTitle(), QString("Vandoral spectrophotometer not found"));
    Dictionary().SetCurrent(TDictionary::Spanish);
    b.form->LangueRGClick();
    QCOMPARE(b.form->ExitBtn->text(), QString("Salir"));
    // Run-time texts too.
    b.form->ComBtn->click();
    QCOMPARE(b.form->windowTitle(), QString::fromUtf8("Espectrofotómetro Vandoral no detectado"));
    // The native language leaves every text as written.
    Dictionary().SetCurrent(TDictionary::Native);
    b.form->LangueRGClick();
    QCOMPARE(b.form->ExitBtn->text(), QString("Quitter"));
    QCOMPARE(b.form->SpectreMinMaxBtn->text(), QString::fromUtf8("Tracé de spectre"));
    QCOMPARE(b.form->CinetiqueBtn->toolTip(), QString("Absorbance en  fonction du temps"));
}

void TestFormMain::runTimeTextsFollowEveryLanguage()
{
    Dictionary().SetCurrent(TDictionary::English);
    Bench b(1);
    b.Sim(1);
    b.Start();
    QCOMPARE(b.form->ConnectBtn->text(), QString("Disconn."));
    QCOMPARE(b.form->ConnectBtn->toolTip(), QString("Gives the spectrophotometer's keys back"));
    Dictionary().SetCurrent(TDictionary::Spanish);
    b.form->LangueRGClick();
    QCOMPARE(b.form->ConnectBtn->text(), QString("Desconect."));
    QCOMPARE(b.form->ConnectBtn->toolTip(), QString::fromUtf8("Reactivación de las teclas del espectrofotómetro"));
    Dictionary().SetCurrent(TDictionary::French);
    b.form->LangueRGClick();
    QCOMPARE(b.form->ConnectBtn->text(), QString::fromUtf8("Déconnect."));
    QCOMPARE(b.form->ConnectBtn->toolTip(), QString::fromUtf8("Réactivation des touches du spectro"));
    // A text set at run time in Spanish follows a change to English.
    Dictionary().SetCurrent(TDictionary::Spanish);
    b.form->LangueRGClick();
    b.form->ConnectBtn->click(); // gives control back: "Conexión"
    QCOMPARE(b.form->ConnectBtn->text(), QString::fromUtf8("Conexión"));
    Dictionary().SetCurrent(TDictionary::English);
    b.form->LangueRGClick();
    QCOMPARE(b.form->ConnectBtn->text(), QString("Connect"));
}

void TestFormMain::unreadableSettingsAreSaidOnce()
{
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    const QString ini = dir.filePath("vandoral.INI");
    QVERIFY(CheckSettingsFile(ini)); // absent: nothing to say
    QVERIFY(QDir().mkpath(ini));
    QVERIFY(!CheckSettingsFile(ini));
    QCOMPARE(dialogs.asked,
             QStringList{QString::fromUtf8("error:Le fichier de réglages %1 ne peut pas être lu (ce n'est pas un "
                                           "fichier ordinaire). Les réglages par défaut servent et ce fichier ne "
                                           "sera pas modifié.")
                             .arg(QDir::toNativeSeparators(ini))});
    // Nothing the program writes replaces it.
    TspectroVandoral s(ToPath(ini));
    QVERIFY(!s.SaveSettings());
    QVERIFY(!IniWriteInteger(ToPath(ini), "Spectro", "Test", 1));
    QVERIFY(QFileInfo(ini).isDir());
}

void TestFormMain::aboutBox()
{
    ScriptedDialogs dialogs;
    TAboutBox box;
    QVERIFY(box.Label3->text().startsWith(QStringLiteral(VANDORAL_VERSION "  - ")));
    QUrl opened;
    TAboutBox::OpenUrl = [&](const QUrl &url) {
        opened = url;
        return false; // no browser
    };
    box.show();
    box.BitBtn1->click();
    QCOMPARE(opened, QUrl(TAboutBox::UpdatePage()));
    QCOMPARE(dialogs.asked, QStringList{QString::fromUtf8("message:Impossible d'accéder à ") + TAboutBox::UpdatePage()});
    QVERIFY(box.isVisible()); // still usable
    box.OKButton->click();
    QVERIFY(!box.isVisible());

    int chosen = -1;
    box.OnLanguage = [&](int l) { chosen = l; };
    box.LangueCB->setCurrentIndex(box.LangueCB->findText("English"));
    emit box.LangueCB->activated(box.LangueCB->currentIndex());
    QCOMPARE(chosen, int(TDictionary::English));
}

QTEST_MAIN(TestFormMain)
#include "tst_formmain.moc"

#include "kineticswindow.h"

#include "analysistext.h"
#include "dialogs.h"
#include "driver.h"
#include "exportwindow.h"
#include "graphbox.h"
#include "hint.h"
#include "inifile.h"
#include "modejournal.h"
#include "numtext.h"
#include "qtext.h"
#include "scanpanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vandoral {

namespace {

QString Duration(double seconds)
{
    return QString::fromStdString(DurationText(std::int64_t(seconds)));
}

} // namespace

TCinetiqueForm::TCinetiqueForm(QWidget *parent)
    : TModeForm(QStringLiteral("Cinétique suivie par spectrophotométrie"), QStringLiteral("WindowC"), parent),
      Session(*Spectro, *Spectro,
              [this] { return RunClock ? RunClock() : clock_.nsecsElapsed() / 1e9 / TimeScale; })
{
    clock_.start();
    Session.OnEvent = [this](SessionEvent e, int value) { SessionChanged(e, value); };
    setObjectName(QStringLiteral("CinetiqueForm"));
    BlancBtn = AddButton("BlancBtn", QStringLiteral("Blanc"), QStringLiteral("|Installer cuve avec solvant et cliquer ici"), 10);
    SpectreBtn = AddButton("SpectreBtn", QStringLiteral("Spectre"), QStringLiteral("|Acquisition d'un spectre"), 14);
    startBtn = AddButton("startBtn", QStringLiteral("Acquisition"), QStringLiteral("|Lancer l'acquisition"), 14);
    StopBtn = AddButton("StopBtn", QStringLiteral("Stop"), QStringLiteral("Arrêt de l'acquisition"), 3);
    ResetBtn = AddButton("ResetBtn", QStringLiteral("RàZ"), QStringLiteral("Remise à zéro de l'acquisition"), 10);
    ZoomBtn = AddButton("ZoomBtn", QStringLiteral("Auto"), QStringLiteral("Echelle automatique"), 15, true);
    AddSaveButton(SaveTarget::Clipboard);
    PrintBtn = AddButton("PrintBtn", QStringLiteral("Imprimer"), QStringLiteral("Impression du graphe"), 4);
    AddConnectAndExit();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->addWidget(BuildParameters(central));
    layout->addWidget(PanelBlanc);
    layout->addWidget(BuildRunPanel(central));
    layout->addWidget(BuildPlots(central), 1);
    FitsLabel = new QLabel(central);
    FitsLabel->setObjectName(QStringLiteral("FitsLabel"));
    FitsLabel->setAccessibleName(QStringLiteral("Ajustement"));
    FitsLabel->setWordWrap(true);
    FitsLabel->setContentsMargins(6, 2, 6, 2);
    FitsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FitsLabel->setVisible(false);
    layout->addWidget(FitsLabel);
    setCentralWidget(central);

    // Limits first, then positions, without the change checks: each check
    // copies the other up-down's position into the settings, which would
    // lose one of the two stored values.
    const QSignalBlocker b1(DeltatSE), b2(NbreSE), b3(LambdaSE), b4(LambdaBisSE);
    DeltatSE->setRange(TCinetiqueRun::DeltatMin, TCinetiqueRun::DeltatMax);
    NbreSE->setRange(TCinetiqueRun::NombreMin, TCinetiqueRun::NombreMax);
    DeltatSE->setValue(Spectro->Deltat);
    NbreSE->setValue(Spectro->Nombre);
    // What is shown is what a run uses.
    Spectro->Deltat = static_cast<std::uint16_t>(DeltatSE->value());
    Spectro->Nombre = static_cast<std::uint16_t>(NbreSE->value());
    ApplyInstrumentLimits();
    ShowDuree();
    LambdaBisSE->setProperty("tag", 1);
    LambdaBisSE->setVisible(false);
    TimerSpectre.setTimerType(Qt::PreciseTimer);
    TimerSpectre.setSingleShot(true);
    TimerHorloge.setTimerType(Qt::PreciseTimer);
    LabelTemps->clear();
    Connect();
    SetEtat(EtatCinetique::Initial);
}

void TCinetiqueForm::Connect()
{
    connect(BlancBtn, &QToolButton::clicked, this, &TCinetiqueForm::BlancBtnClick);
    connect(SpectreBtn, &QToolButton::clicked, this, &TCinetiqueForm::SpectreBtnClick);
    connect(startBtn, &QToolButton::clicked, this, &TCinetiqueForm::StartBtnClick);
    connect(StopBtn, &QToolButton::clicked, this, &TCinetiqueForm::StopBtnClick);
    connect(ResetBtn, &QToolButton::clicked, this, &TCinetiqueForm::ResetBtnClick);
    connect(ZoomBtn, &QToolButton::clicked, this, &TCinetiqueForm::ZoomBtnClick);
    connect(PrintBtn, &QToolButton::clicked, this, &TCinetiqueForm::PrintBtnClick);
    AddPrintMenu(PrintBtn);
    connect(DeltatSE, qOverload<int>(&QSpinBox::valueChanged), this, [this] { ParametersChanged(true); });
    connect(NbreSE, qOverload<int>(&QSpinBox::valueChanged), this, [this] { ParametersChanged(false); });
    connect(LambdaSE, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) { LambdaChanged(LambdaSE, v); });
    connect(LambdaBisSE, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) { LambdaChanged(LambdaBisSE, v); });
    connect(LambdaBisCB, &QCheckBox::toggled, this, [this](bool on) {
        Session.LambdaBisSuivie = on;
        LambdaBisSE->setVisible(on);
        RedrawPanel();
        Edit1->setFocus();
    });
    connect(&TimerSpectre, &QTimer::timeout, this, &TCinetiqueForm::TimerSpectreTimer);
    connect(&TimerHorloge, &QTimer::timeout, this, [this] { PanelDuree->setText(Duration(Session.Elapsed())); });
}

void TCinetiqueForm::TimerSpectreTimer()
{
    Session.TimerFired();
    RafraichitControle(); // busy or not, the connect buttons follow
}

// ---- state ----------------------------------------------------------------

void TCinetiqueForm::SetEtat(EtatCinetique e)
{
    const bool redraw = Session.SetEtat(e);
    const bool c = InstrumentReachable();
    startBtn->setEnabled(Session.CanStart(c));
    SpectreBtn->setEnabled(Session.CanSpectre(c));
    SpectrePB->setEnabled(Session.MarkersMovable(c));
    BlancBtn->setEnabled(Session.CanBlank(c));
    ArmTimer(false);
    if (e == EtatCinetique::Acquisition) {
        if (!TimerHorloge.isActive())
            TimerHorloge.start(ScaledMs(1));
    } else {
        TimerHorloge.stop();
    }
    ResetBtn->setEnabled(Session.CanReset(true)); // the connection follows in ShowControlState
    PrintBtn->setEnabled(Session.CanSave());
    RegSaveBtn->setEnabled(Session.CanSave());
    StopBtn->setEnabled(Session.CanStop());
    AcqPanel->setVisible(Session.ShowsRunPanel(c));
    const bool wavelengths = Session.WavelengthsEditable();
    LambdaSE->setEnabled(wavelengths);
    LambdaBisSE->setEnabled(wavelengths);
    LambdaBisCB->setEnabled(wavelengths);
    // " A2= " goes with its display.
    AbsLCDbis->setVisible(Session.ShowsSecondAbs());
    LabelAbsBis->setVisible(Session.ShowsSecondAbs());
    if (e == EtatCinetique::Arrete)
        ShowHint(QString()); // "Acquisition du spectre..." is over
    ShowBanner();
    const QStringList figures = FiguresLines();
    FitsLabel->setText(figures.join(QLatin1Char('\n')));
    FitsLabel->setVisible(!figures.isEmpty());
    if (redraw)
        Oscillo->Redraw();
    Edit1->setFocus();
}

void TCinetiqueForm::ShowBanner()
{
    // The blank to do; after a run, how to begin the next one ("Acquisition"
    // is greyed then).
    const bool finished = Session.Etat == EtatCinetique::Arrete;
    if (finished && Session.BlancFait)
        BlancLabel->setText(Translate(QStringLiteral("Pour une nouvelle acquisition : \"RàZ\", ou \"Blanc\" avec le solvant")));
    else
        BlancLabel->setText(BlankBanner());
    PanelBlanc->setVisible(finished || !Session.BlancFait);
}

bool TCinetiqueForm::Recover(const JournalContents &journal, const QString &path)
{
    if (!RestoreKinetics(journal, Session))
        return false;
    // The run's own parameters, as it was planned.
    bool ok = false;
    const int deltat = QString::fromStdString(journal.Value("deltat")).toInt(&ok);
    if (ok && deltat >= TCinetiqueRun::DeltatMin && deltat <= TCinetiqueRun::DeltatMax) {
        const QSignalBlocker b(DeltatSE);
        DeltatSE->setValue(deltat);
        Spectro->Deltat = static_cast<std::uint16_t>(deltat);
    }
    const int nombre = QString::fromStdString(journal.Value("nombre")).toInt(&ok);
    if (ok && nombre >= TCinetiqueRun::NombreMin && nombre <= TCinetiqueRun::NombreMax) {
        const QSignalBlocker b(NbreSE);
        NbreSE->setValue(nombre);
        Spectro->Nombre = static_cast<std::uint16_t>(nombre);
    }
    ShowDuree();
    const QSignalBlocker block(LambdaBisCB);
    LambdaBisCB->setChecked(Session.LambdaBisSuivie);
    LambdaBisSE->setVisible(Session.LambdaBisSuivie);
    SetEtat(Session.Etat);
    JournalAdopt(path);
    return true;
}

void TCinetiqueForm::ShowControlState()
{
    const bool c = InstrumentReachable();
    startBtn->setEnabled(Session.CanStart(c));
    BlancBtn->setEnabled(Session.CanBlank(c));
    ResetBtn->setEnabled(Session.CanReset(c));
    AcqPanel->setVisible(Session.ShowsRunPanel(c));
    // A tick that fell inside a CONTROL or RELEASE exchange: the point is
    // taken once the exchange's own events are over, stamped at that time.
    if (Session.CatchUpDue())
        QTimer::singleShot(0, this, [this] {
            Session.CatchUp();
            RafraichitControle();
        });
}

void TCinetiqueForm::ArmTimer(bool again)
{
    if (!Session.TimerRunning()) {
        TimerSpectre.stop();
        return;
    }
    // Started once: an activation during a run keeps the pace.
    if (again || !TimerSpectre.isActive())
        TimerSpectre.start(ScaledMs(Session.SecondsToTick()));
}

int TCinetiqueForm::ScaledMs(double seconds) const
{
    // Rounded up: a tick early by a fraction of a millisecond would stamp the
    // point a second short.
    return std::max(1, int(std::ceil(seconds * 1000 * TimeScale)));
}

void TCinetiqueForm::GivenUp()
{
    // The instrument went silent or away: nothing of the operation is kept.
    Hourglass(false);
    LabelTemps->clear();
    SetEtat(Session.Etat);
    RafraichitControle();
    CloseIfStopped();
}

void TCinetiqueForm::FormActivate()
{
    if (PremiereActivation) {
        SetFolded(true);
        PremiereActivation = false;
    }
    Spectro->BinaryScan = true;
    ApplyInstrumentLimits();
    SetEtat(Session.Etat);
    RafraichitControle();
}

// ---- blank, run, points -------------------------------------------------------

bool TCinetiqueForm::ConfirmClear()
{
    if (Session.AsksSave()
        && !CurrentDialogs().Question(
            this, Translate(QStringLiteral("Les points de la cinétique ne sont pas enregistrés. Les effacer ?"))))
        return false;
    JournalEnd(); // the run is knowingly cleared
    return true;
}

void TCinetiqueForm::BlancBtnClick()
{
    if (!ConfirmClear())
        return;
    if (!Session.StartBlank()) {
        SayNotTaken();
        return;
    }
    PanelDuree->clear();
    AbsLCD->display(QStringLiteral("0.000"));
    AbsLCDbis->display(QStringLiteral("0.000"));
    LabelTemps->setText(QStringLiteral("Blanc en cours..."));
    Hourglass(true);
    ShowDuree();
    SetEtat(Session.Etat);
    RafraichitControle();
}

void TCinetiqueForm::BlancTermine()
{
    // A blank the instrument refused is not a reference: the banner asks for
    // it again, with the instrument's reason.
    NoteBlank(Session.BlancFait);
    LabelTemps->clear();
    Hourglass(false);
    SetEtat(Session.Etat);
}

void TCinetiqueForm::StartBtnClick()
{
    if (!Session.CanStart(InstrumentReachable()) || !ConfirmClear())
        return;
    Spectro->Lambda = static_cast<std::uint16_t>(LambdaSE->value());
    Spectro->LambdaBis = static_cast<std::uint16_t>(LambdaBisSE->value());
    Session.LambdaBisSuivie = LambdaBisCB->isChecked();
    // The journal is there before the first point can end.
    JournalBegin(KineticsJournalHeader(*Spectro, Session.LambdaBisSuivie, JournalStart(), Comment()));
    ShowHint(QStringLiteral("Acquisition du spectre..."));
    AbsLCD->display(QStringLiteral("0"));
    AbsLCDbis->display(QStringLiteral("0"));
    LabelTemps->clear();
    if (!Session.Start()) {
        JournalEnd();
        SayNotTaken();
        return;
    }
    SetEtat(Session.Etat);
    // The run's time starts with its first scan: the next tick from there.
    ArmTimer(true);
    RafraichitControle();
    Oscillo->Redraw();
}

void TCinetiqueForm::SessionChanged(SessionEvent e, int value)
{
    switch (e) {
    case SessionEvent::Value: LabelTemps->setText(QStringLiteral("Lecture du spectre...")); break;
    case SessionEvent::BlankEnded: BlancTermine(); break;
    case SessionEvent::Ended:
        if (value < 0)
            SpectreTermine();
        else
            PointTermine(Session.LastPoint());
        break;
    case SessionEvent::GivenUp:
        GivenUp();
        // The run goes on through the loss, its points left empty.
        if (Session.Lost())
            ShowStatus(Translate(QStringLiteral("Le spectro ne répond plus depuis %1 : la cinétique continue, "
                                                "ses points restent vides jusqu'à son retour"))
                           .arg(Duration(Session.LostSince())));
        break;
    case SessionEvent::Found:
        ShowStatus(Translate(QStringLiteral("Le spectro répond de nouveau : les mesures reprennent dans %1 s"))
                       .arg(int(TCinetiqueRun::SettleSeconds)));
        RafraichitControle();
        break;
    case SessionEvent::Restarted:
        // Its blank is gone: nothing measured now would mean anything.
        Hourglass(false);
        LabelTemps->clear();
        ShowStatus(Translate(QStringLiteral("Le spectro a redémarré : son blanc est perdu, refaites le blanc")));
        SetEtat(Session.Etat);
        RafraichitControle();
        CloseIfStopped();
        break;
    case SessionEvent::Pace: ArmTimer(true); break;
    case SessionEvent::Redraw: Oscillo->Redraw(); break;
    }
}

void TCinetiqueForm::PointTermine(const TCinetiqueRun::PointEnd &end)
{
    if (!end.drawn) {
        SetEtat(Session.Etat);
        CloseIfStopped();
        return;
    }
    const Tgraphe &g = Session.GrapheCinetique;
    const TDataSeries &points = Session.Points;
    const auto k = static_cast<std::uint16_t>(end.index);
    ShowAbs(AbsLCD, points.A[k]);
    LabelTemps->setText(QStringLiteral(" acquis à ") + Duration(Session.TempsPoint));
    JournalAppend(KineticsPointRecord(points, k));
    Oscillo->DrawPoint(k, g.Curve1);
    if (Session.LambdaBisSuivie) {
        ShowAbs(AbsLCDbis, points.A2[k]);
        Oscillo->DrawPoint(k, g.Curve2);
    }
    if (Session.Etat != EtatCinetique::Acquisition)
        SetEtat(Session.Etat);
    RedrawPanel();
    RafraichitControle();
    Hourglass(false);
    CloseIfStopped();
}

void TCinetiqueForm::StopBtnClick()
{
    PanelDuree->clear();
    LabelTemps->clear();
    if (Session.Stop()) {
        SetEtat(Session.Etat);
        return;
    }
    CurrentDialogs().Message(this, QStringLiteral("Attendre la fin d'acquisition du point courant"));
    Hourglass(true);
    ArmTimer(false);
}

void TCinetiqueForm::ResetBtnClick()
{
    if (!ConfirmClear())
        return;
    Session.Reset();
    Oscillo->Redraw();
    SetEtat(Session.Etat);
    PanelDuree->clear();
    AbsLCD->display(QStringLiteral("0.000"));
    AbsLCDbis->display(QStringLiteral("0.000"));
    LabelTemps->clear();
}

void TCinetiqueForm::SpectreBtnClick()
{
    if (!Session.StartSpectrum()) {
        SayNotTaken();
        return;
    }
    SetEtat(Session.Etat);
    ConnectBtn->setEnabled(false);
    LabelTemps->setText(QStringLiteral("Acquisition du spectre..."));
    Hourglass(true);
}

void TCinetiqueForm::SpectreTermine()
{
    SetFolded(false);
    LabelTemps->clear();
    SpectrePB->Redraw();
    Hourglass(false);
    SetEtat(Session.Etat);
    RafraichitControle();
}

// ---- scales, saving, printing, keyboard, closing --------------------------------

void TCinetiqueForm::ZoomBtnClick()
{
    Session.ZoomChanged(ZoomBtn->isChecked());
    Oscillo->Redraw();
}

void TCinetiqueForm::SaveAction(SaveTarget target)
{
    if (!FormDDE)
        return;
    const TDataSeries &data = Session.Points;
    const BlockStyle style = StyleOf(Session.GrapheCinetique);
    // A copy to the clipboard leaves the run unsaved (the save policy).
    if (SaveWith(target, [&](bool toTabvista) { return FormDDE->ExportCinetique(data, style, toTabvista); },
                 [&](const QString &name, int filter) { return FormDDE->SauveCinetique(data, name, filter); }))
        Session.Sauve = true;
}

void TCinetiqueForm::OpenLoaded(const LoadedMeasurement &m, const QString &path)
{
    if (!ConfirmClear())
        return;
    Session.Load(m.Data);
    {
        const QSignalBlocker block(LambdaBisCB);
        LambdaBisCB->setChecked(Session.LambdaBisSuivie);
        LambdaBisSE->setVisible(Session.LambdaBisSuivie);
    }
    SetEtat(Session.Etat);
    Oscillo->Redraw();
    ShowStatus(Translate(QStringLiteral("Cinétique ouverte : %1 (%2 points)")).arg(QFileInfo(path).fileName()).arg(m.Data.Count()));
}

bool TCinetiqueForm::CanOpen() const
{
    return Session.Etat != EtatCinetique::Acquisition && !Session.Pending();
}

void TCinetiqueForm::DiscardData()
{
    Session.Discard();
    Oscillo->Redraw();
    SetEtat(Session.Etat);
    PanelDuree->clear();
    LabelTemps->clear();
}

QStringList TCinetiqueForm::FiguresLines() const
{
    return KineticsFigureLines(Session.Figures());
}

PageContent TCinetiqueForm::Page()
{
    return {&Session.GrapheCinetique, FiguresLines(), [this] { Session.DrawFits(); }, false};
}

QWidget *TCinetiqueForm::PlotWidget() const
{
    return Oscillo;
}

void TCinetiqueForm::PageDone()
{
    Oscillo->Redraw(); // back to the screen's bounds and scales
}

void TCinetiqueForm::PrintBtnClick()
{
    PrintPage(Page());
    PageDone();
}

SpaceAction TCinetiqueForm::SpaceBarAction() const
{
    return Session.SpaceBar(InstrumentReachable());
}

bool TCinetiqueForm::FormCloseQuery()
{
    // A run under way is stopped first; then the rules of a finished run
    // apply ("Sauvegarde ?" from 4 points on), once its last point is in.
    if (Session.CanStop()) {
        if (closeAfterStop_)
            return false; // still waiting for the point
        if (!CurrentDialogs().Question(this, QStringLiteral("arrêt de l'acquisition en cours")))
            return false;
        StopBtnClick();
        if (Session.CanStop()) {
            closeAfterStop_ = true;
            return false;
        }
    }
    closeAfterStop_ = false;
    if (Session.AsksSave())
        AskSave();
    return true;
}

void TCinetiqueForm::CloseIfStopped()
{
    if (!closeAfterStop_ || Session.CanStop())
        return;
    QTimer::singleShot(0, this, [this] {
        if (closeAfterStop_ && isVisible())
            close();
    });
}

void TCinetiqueForm::FormClose()
{
    TimerSpectre.stop();
    TimerHorloge.stop();
}

} // namespace vandoral

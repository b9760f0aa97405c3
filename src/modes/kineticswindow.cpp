#include "kineticswindow.h"

#include "dialogs.h"
#include "driver.h"
#include "exportwindow.h"
#include "graphbox.h"
#include "hint.h"
#include "inifile.h"
#include "numtext.h"
#include "qtext.h"

#include <QApplication>
#include <QCheckBox>
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

QString DurationText(std::int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    const std::int64_t h = seconds / 3600, m = (seconds - 3600 * h) / 60, s = seconds % 60;
    return QStringLiteral("%1:%2:%3")
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

namespace {

QSpinBox *Spin(QWidget *parent, const char *name, const QString &hint)
{
    auto *s = new QSpinBox(parent);
    s->setObjectName(QString::fromLatin1(name));
    SetHint(s, hint);
    s->setAccessibleName(hint);
    return s;
}

QLCDNumber *Lcd(QWidget *parent, const char *name)
{
    auto *l = new QLCDNumber(6, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setSegmentStyle(QLCDNumber::Flat);
    l->setMinimumSize(120, 36);
    l->display(QStringLiteral("0.000"));
    return l;
}

} // namespace

TCinetiqueForm::TCinetiqueForm(QWidget *parent)
    : TModeForm(QStringLiteral("Cinétique suivie par spectrophotométrie"), QStringLiteral("WindowC"), parent)
{
    setObjectName(QStringLiteral("CinetiqueForm"));
    BlancBtn = AddButton("BlancBtn", QStringLiteral("Blanc"), QStringLiteral("|Installer cuve avec solvant et cliquer ici"), 10);
    SpectreBtn = AddButton("SpectreBtn", QStringLiteral("Spectre"), QStringLiteral("|Acquisition d'un spectre"), 14);
    startBtn = AddButton("startBtn", QStringLiteral("Acquisition"), QStringLiteral("|Lancer l'acquisition"), 14);
    StopBtn = AddButton("StopBtn", QStringLiteral("Stop"), QStringLiteral("Arrêt de l'acquisition"), 3);
    ResetBtn = AddButton("ResetBtn", QStringLiteral("RàZ"), QStringLiteral("Remise à zéro de l'acquisition"), 10);
    ZoomBtn = AddButton("ZoomBtn", QStringLiteral("Auto"), QStringLiteral("Echelle automatique"), 15, true);
    AddSaveButton(1);
    PrintBtn = AddButton("PrintBtn", QStringLiteral("Imprimer"), QStringLiteral("Impression du graphe"), 4);
    AddConnectAndExit();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);

    auto *params = new QWidget(central);
    params->setObjectName(QStringLiteral("ParamPanel"));
    auto *p = new QHBoxLayout(params);
    p->setContentsMargins(0, 0, 0, 0);
    DeltatSE = Spin(params, "DeltatSE", QStringLiteral("Intervalle de temps entre chaque point"));
    NbreSE = Spin(params, "NbreSE", QStringLiteral("Nombre de points "));
    DureeEdit = new QLineEdit(params);
    DureeEdit->setObjectName(QStringLiteral("DureeEdit"));
    DureeEdit->setReadOnly(true);
    DureeEdit->setAccessibleName(QStringLiteral("Durée"));
    DureeEdit->setMaximumWidth(110);
    LambdaSE = Spin(params, "LambdaSE", QStringLiteral("Longueur d'onde de mesure de l'absorbance"));
    LambdaBisCB = new QCheckBox(QStringLiteral("Lambda2 (nm)"), params);
    LambdaBisCB->setObjectName(QStringLiteral("LambdaBisCB"));
    SetHint(LambdaBisCB, QStringLiteral("Permettre de suivre une deuxième longueur d'onde"));
    LambdaBisSE = Spin(params, "LambdaBisSE", QStringLiteral("Deuxième longueur d'onde suivie"));
    Edit1 = new QLineEdit(params);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(1);
    Edit1->setAccessibleName(QStringLiteral("Edit1"));
    p->addWidget(new QLabel(QStringLiteral("Delta t (s)"), params));
    p->addWidget(DeltatSE);
    p->addWidget(new QLabel(QStringLiteral("Nombre de points "), params));
    p->addWidget(NbreSE);
    p->addWidget(new QLabel(QStringLiteral("Durée"), params));
    p->addWidget(DureeEdit);
    p->addWidget(new QLabel(QStringLiteral("Lambda (nm)"), params));
    p->addWidget(LambdaSE);
    p->addWidget(LambdaBisCB);
    p->addWidget(LambdaBisSE);
    p->addWidget(Edit1);
    p->addStretch(1);
    layout->addWidget(params);

    PanelBlanc = new QWidget(central);
    PanelBlanc->setObjectName(QStringLiteral("PanelBlanc"));
    auto *blanc = new QHBoxLayout(PanelBlanc);
    blanc->setContentsMargins(0, 0, 0, 0);
    auto *blancText = new QLabel(QStringLiteral("Faire d'abord le blanc : installer la cuve avec solvant dans le "
                                                "spectro puis cliquer sur le bouton \"Blanc\""),
                                 PanelBlanc);
    blancText->setStyleSheet(QStringLiteral("color: red"));
    blanc->addWidget(blancText);
    layout->addWidget(PanelBlanc);

    AcqPanel = new QWidget(central);
    AcqPanel->setObjectName(QStringLiteral("AcqPanel"));
    auto *acq = new QHBoxLayout(AcqPanel);
    acq->setContentsMargins(0, 0, 0, 0);
    PanelDuree = new QLabel(QStringLiteral("00:00:00"), AcqPanel);
    PanelDuree->setObjectName(QStringLiteral("PanelDuree"));
    QFont big = PanelDuree->font();
    big.setPixelSize(24);
    big.setBold(true);
    PanelDuree->setFont(big);
    AbsLCD = Lcd(AcqPanel, "AbsLCD");
    LabelAbsBis = new QLabel(QStringLiteral(" A2= "), AcqPanel);
    LabelAbsBis->setObjectName(QStringLiteral("LabelAbsBis"));
    AbsLCDbis = Lcd(AcqPanel, "AbsLCDbis");
    LabelTemps = new QLabel(AcqPanel);
    LabelTemps->setObjectName(QStringLiteral("LabelTemps"));
    acq->addWidget(PanelDuree);
    acq->addWidget(new QLabel(QStringLiteral(" A= "), AcqPanel));
    acq->addWidget(AbsLCD);
    acq->addWidget(LabelAbsBis);
    acq->addWidget(AbsLCDbis);
    acq->addWidget(LabelTemps, 1);
    layout->addWidget(AcqPanel);

    // The graphs.
    GrapheCinetique.DrawMode = 3;
    GrapheCinetique.WorldX.Name = "t";
    GrapheCinetique.WorldX.Unit = "s";
    GrapheCinetique.WorldX.LongName = "temps";
    GrapheCinetique.WorldY.Name = "A";
    GrapheCinetique.WorldY.LongName = "Absorbance";
    SetUpSpectrumGraph(GrapheSpectre, Spectro);
    GrapheSpectre.LabelY = false;
    if (Spectro)
        GrapheCinetique.SetWorld(0, 0, Spectro->Duree(), Spectro->AbsMax);

    GripSplitter1 = new QSplitter(Qt::Horizontal, central);
    GripSplitter1->setObjectName(QStringLiteral("GripSplitter1"));
    GripSplitter1->setAccessibleName(QStringLiteral("Spectre"));
    Oscillo = new GraphBox(&GrapheCinetique, GripSplitter1);
    Oscillo->setObjectName(QStringLiteral("Oscillo"));
    Oscillo->setAccessibleName(QStringLiteral("Cinétique"));
    SpectrePB = new GraphBox(&GrapheSpectre, GripSplitter1);
    SpectrePB->setObjectName(QStringLiteral("SpectrePB"));
    SpectrePB->setAccessibleName(QStringLiteral("Spectre"));
    SpectrePB->setMinimumWidth(256);
    SpectrePB->setMouseTracking(true);
    GripSplitter1->addWidget(Oscillo);
    GripSplitter1->addWidget(SpectrePB);
    GripSplitter1->setCollapsible(0, false);
    GripSplitter1->setCollapsible(1, true);
    GripSplitter1->setStretchFactor(0, 1);
    layout->addWidget(GripSplitter1, 1);
    setCentralWidget(central);

    Oscillo->BeforeDraw = [this] { OscilloBeforeDraw(); };
    SpectrePB->BeforeDraw = [this] {
        GrapheSpectre.WorldY.Min = GrapheCinetique.WorldY.Min;
        GrapheSpectre.WorldY.Max = GrapheCinetique.WorldY.Max;
    };
    SpectrePB->AfterDraw = [this] { SpectrePBAfterDraw(); };
    // The panel's vertical range follows the plot's.
    connect(Oscillo, &GraphBox::redrawn, this, [this] {
        if (!Folded())
            SpectrePB->Redraw();
    });

    // Limits first, then positions, without the change checks: each check
    // copies the other up-down's position into the settings, which would
    // lose one of the two stored values.
    const QSignalBlocker b1(DeltatSE), b2(NbreSE), b3(LambdaSE), b4(LambdaBisSE);
    DeltatSE->setRange(8, 60);
    NbreSE->setRange(5, 1500);
    if (Spectro) {
        DeltatSE->setValue(Spectro->Deltat);
        NbreSE->setValue(Spectro->Nombre);
        // What is shown is what a run uses.
        Spectro->Deltat = static_cast<std::uint16_t>(DeltatSE->value());
        Spectro->Nombre = static_cast<std::uint16_t>(NbreSE->value());
    }
    ApplyInstrumentLimits();
    ShowDuree();
    LambdaBisSE->setProperty("tag", 1);
    LambdaBisSE->setVisible(false);
    TimerSpectre.setTimerType(Qt::PreciseTimer);
    TimerHorloge.setTimerType(Qt::PreciseTimer);
    LabelTemps->clear();

    connect(BlancBtn, &QToolButton::clicked, this, &TCinetiqueForm::BlancBtnClick);
    connect(SpectreBtn, &QToolButton::clicked, this, &TCinetiqueForm::SpectreBtnClick);
    connect(startBtn, &QToolButton::clicked, this, &TCinetiqueForm::StartBtnClick);
    connect(StopBtn, &QToolButton::clicked, this, &TCinetiqueForm::StopBtnClick);
    connect(ResetBtn, &QToolButton::clicked, this, &TCinetiqueForm::ResetBtnClick);
    connect(ZoomBtn, &QToolButton::clicked, this, &TCinetiqueForm::ZoomBtnClick);
    connect(PrintBtn, &QToolButton::clicked, this, &TCinetiqueForm::PrintBtnClick);
    connect(DeltatSE, qOverload<int>(&QSpinBox::valueChanged), this, [this] { ParametersChanged(); });
    connect(NbreSE, qOverload<int>(&QSpinBox::valueChanged), this, [this] { ParametersChanged(); });
    connect(LambdaSE, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) { LambdaChanged(LambdaSE, v); });
    connect(LambdaBisSE, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) { LambdaChanged(LambdaBisSE, v); });
    connect(LambdaBisCB, &QCheckBox::toggled, this, [this] {
        LambdaBisSE->setVisible(LambdaBisCB->isChecked());
        if (!Folded())
            SpectrePB->Redraw();
        Edit1->setFocus();
    });
    connect(&TimerSpectre, &QTimer::timeout, this, &TCinetiqueForm::DebutPoint);
    connect(&TimerHorloge, &QTimer::timeout, this, [this] {
        PanelDuree->setText(DurationText(std::int64_t(ElapsedSeconds())));
    });
    connect(SpectrePB, &GraphBox::mousePressed, this, &TCinetiqueForm::SpectrePBMouseDown);
    connect(SpectrePB, &GraphBox::mouseReleased, this, &TCinetiqueForm::SpectrePBMouseUp);
    connect(SpectrePB, &GraphBox::mouseMoved, this, [this](int x, int y, Qt::MouseButtons buttons) {
        SpectrePBMouseMove(x, y, buttons & Qt::LeftButton);
    });
    SetEtat(EtatInitial);
}

// ---- state ----------------------------------------------------------------

void TCinetiqueForm::SetEtat(std::uint8_t e)
{
    Etat = e;
    const bool c = Spectro && Spectro->Controlled;
    startBtn->setEnabled(c && BlancFait && e == EtatPret);
    SpectreBtn->setEnabled(c && BlancFait && (e == EtatArrete || e == EtatPret));
    SpectrePB->setEnabled(c && BlancFait && e == EtatPret);
    BlancBtn->setEnabled(c && e != EtatAcquisition && e != EtatSpectre);
    if (e == EtatAcquisition) {
        // Started once: an activation during a run keeps the timers' pace.
        if (!TimerSpectre.isActive())
            TimerSpectre.start();
        if (!TimerHorloge.isActive())
            TimerHorloge.start(ScaledMs(1));
    } else {
        TimerSpectre.stop();
        TimerHorloge.stop();
    }
    ResetBtn->setEnabled(e == EtatArrete || e == EtatPret);
    const bool saveable = e == EtatArrete && GrapheCinetique.PointCount >= 4;
    PrintBtn->setEnabled(saveable);
    RegSaveBtn->setEnabled(saveable);
    StopBtn->setEnabled(e == EtatAcquisition);
    AcqPanel->setVisible(c && e == EtatAcquisition);
    const bool wavelengths = e != EtatAcquisition && e != EtatArrete;
    LambdaSE->setEnabled(wavelengths);
    LambdaBisSE->setEnabled(wavelengths);
    LambdaBisCB->setEnabled(wavelengths);
    // " A2= " goes with its display.
    const bool second = e == EtatAcquisition && LambdaBisCB->isChecked();
    AbsLCDbis->setVisible(second);
    LabelAbsBis->setVisible(second);
    if (e == EtatArrete) {
        ShowHint(QString()); // "Acquisition du spectre..." is over
        double top = Spectro ? Spectro->AbsMax : 2.5;
        if (GrapheCinetique.PointCount >= 4) {
            top = 0;
            for (int i = 0; i < GrapheCinetique.PointCount; ++i)
                if (GrapheCinetique.Curve1.Y[i] != MissingValue)
                    top = std::max(top, GrapheCinetique.Curve1.Y[i]);
        }
        if (top < 1.0)
            top = 1.0;
        GrapheCinetique.SetWorld(0, 0, Spectro ? Spectro->Duree() : 480, top);
        Oscillo->Redraw();
    }
    Edit1->setFocus();
}

void TCinetiqueForm::RafraichitBoutons()
{
    const bool c = Spectro && Spectro->Controlled;
    startBtn->setEnabled(c && BlancFait && Etat == EtatPret);
    BlancBtn->setEnabled(c && Etat != EtatAcquisition && pending_ == Pending::None);
    ResetBtn->setEnabled(c && (Etat == EtatArrete || Etat == EtatPret));
    AcqPanel->setVisible(c && Etat == EtatAcquisition);
}

void TCinetiqueForm::GivenUp()
{
    // The instrument went silent or away: nothing of the operation is kept.
    const Pending which = pending_;
    pending_ = Pending::None;
    Hourglass(false);
    LabelTemps->clear();
    switch (which) {
    case Pending::Point:
        // The lost point is not recorded; the next tick takes the next.
        TopManque = false;
        if (ArretDemande) {
            ArretDemande = false;
            SetEtat(EtatArrete);
        }
        break;
    case Pending::Spectrum: SetEtat(etatAvantSpectre_); break;
    default: SetEtat(Etat); break;
    }
    RafraichitControle();
}

void TCinetiqueForm::ReadExtraKeys(const IniImage &image)
{
    const char *keys[] = {"Tabvista", "Clip", "File"};
    const bool defaults[] = {false, true, false};
    for (int tag = 0; tag < 3; ++tag)
        if (image.ReadInteger("Save", keys[tag], defaults[tag]) != 0)
            CheckSaveItem(tag);
}

void TCinetiqueForm::FormActivate()
{
    if (PremiereActivation) {
        SetFolded(true);
        PremiereActivation = false;
    }
    Spectro->BinaryScan = true;
    ApplyInstrumentLimits();
    SetEtat(Etat);
    RafraichitControle();
}

void TCinetiqueForm::ApplyInstrumentLimits()
{
    if (!Spectro)
        return;
    // The window exists before the instrument is identified: its limits are
    // applied again at each activation. The end wavelengths are refused.
    const int lo = Spectro->LambdaMin, hi = Spectro->LambdaMax;
    const QSignalBlocker b1(LambdaSE), b2(LambdaBisSE);
    for (QSpinBox *s : {LambdaSE, LambdaBisSE})
        s->setRange(lo, hi);
    auto inside = [lo, hi](int v) { return hi - lo >= 2 ? std::clamp(v, lo + 1, hi - 1) : lo; };
    LambdaSE->setValue(inside(Spectro->Lambda));
    LambdaBisSE->setValue(inside(Spectro->LambdaBis));
    Spectro->Lambda = static_cast<std::uint16_t>(LambdaSE->value());
    Spectro->LambdaBis = static_cast<std::uint16_t>(LambdaBisSE->value());
    GrapheSpectre.WorldX.Min = lo;
    GrapheSpectre.WorldX.Max = hi;
    if (!Folded())
        SpectrePB->Redraw();
}

// ---- parameters -------------------------------------------------------------

void TCinetiqueForm::ParametersChanged()
{
    Spectro->Deltat = static_cast<std::uint16_t>(DeltatSE->value());
    Spectro->Nombre = static_cast<std::uint16_t>(NbreSE->value());
    ShowDuree();
    TimerSpectre.setInterval(ScaledMs(Spectro->Deltat));
    Oscillo->Redraw();
}

int TCinetiqueForm::ScaledMs(double seconds) const
{
    return std::max(1, int(seconds * 1000 * TimeScale));
}

void TCinetiqueForm::LambdaChanged(QSpinBox *spin, int value)
{
    // The settings hold the last value accepted.
    std::uint16_t &stored = spin == LambdaBisSE ? Spectro->LambdaBis : Spectro->Lambda;
    if (!(Spectro->LambdaMin < value && value < Spectro->LambdaMax)) {
        const QSignalBlocker b(spin);
        spin->setValue(stored);
        return;
    }
    stored = static_cast<std::uint16_t>(value);
    if (!Folded())
        SpectrePB->Redraw();
}

void TCinetiqueForm::ShowDuree()
{
    DureeEdit->setText(DurationText(Spectro ? Spectro->Duree() : 0));
}

void TCinetiqueForm::ShowAbs(QLCDNumber *lcd, double value)
{
    // A point whose absorbance did not arrive shows no number.
    lcd->display(value == MissingValue ? QStringLiteral("-----") : QString::number(value, 'f', 3));
}

void TCinetiqueForm::Hourglass(bool on)
{
    if (on == hourglass_)
        return;
    hourglass_ = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

double TCinetiqueForm::ElapsedSeconds() const
{
    return runClock_.isValid() ? runClock_.nsecsElapsed() / 1e9 / TimeScale : 0.0;
}

bool TCinetiqueForm::Folded() const
{
    const QList<int> sizes = GripSplitter1->sizes();
    return sizes.size() < 2 || sizes.at(1) == 0;
}

void TCinetiqueForm::SetFolded(bool folded)
{
    const int total = std::max(GripSplitter1->width(), 600);
    GripSplitter1->setSizes(folded ? QList<int>{total, 0} : QList<int>{total - 320, 320});
}

// ---- blank, run, points -------------------------------------------------------

void TCinetiqueForm::BlancBtnClick()
{
    if (!Spectro->SetRef([this] { BlancTermine(); }, [this] { GivenUp(); })) {
        SayBusy();
        return;
    }
    pending_ = Pending::Blank;
    GrapheCinetique.PointCount = 0;
    PanelDuree->clear();
    AbsLCD->display(QStringLiteral("0.000"));
    AbsLCDbis->display(QStringLiteral("0.000"));
    LabelTemps->setText(QStringLiteral("Blanc en cours..."));
    Hourglass(true);
    ArretDemande = false;
    BlancFait = false;
    ShowDuree();
    GrapheCinetique.WorldX.Max = Spectro->Duree();
    GrapheCinetique.WorldY.Max = Spectro->AbsMax;
    GrapheSpectre.WorldY.Max = Spectro->AbsMax;
    for (int i = 0; i < GraphCapacity; ++i)
        GrapheCinetique.X[i] = double(Spectro->Deltat) * i;
    SetEtat(Etat);
    RafraichitControle();
}

void TCinetiqueForm::BlancTermine()
{
    pending_ = Pending::None;
    BlancFait = true;
    LabelTemps->clear();
    Hourglass(false);
    PanelBlanc->hide();
    SetEtat(EtatPret);
}

void TCinetiqueForm::StartBtnClick()
{
    if (!startBtn->isEnabled())
        return;
    Sauve = false;
    GrapheCinetique.PointCount = 0;
    ArretDemande = false;
    TopManque = false;
    GrapheCinetique.Curve2Visible = LambdaBisCB->isChecked();
    Spectro->Lambda = static_cast<std::uint16_t>(LambdaSE->value());
    Spectro->LambdaBis = static_cast<std::uint16_t>(LambdaBisSE->value());
    GrapheCinetique.Curve1.Color = LambdaColor(Spectro->Lambda);
    GrapheCinetique.Curve2.Color = LambdaColor(Spectro->LambdaBis);
    TimerSpectre.setInterval(ScaledMs(Spectro->Deltat));
    ShowHint(QStringLiteral("Acquisition du spectre..."));
    AbsLCD->display(QStringLiteral("0"));
    AbsLCDbis->display(QStringLiteral("0"));
    LabelTemps->clear();
    Oscillo->Redraw();
    runClock_.start();
    SetEtat(EtatAcquisition);
    DebutPoint();
}

void TCinetiqueForm::DebutPoint()
{
    ConnectBtn->setEnabled(false);
    TopManque = Spectro->Busy;
    if (TopManque)
        return; // caught up when the current point ends
    TempsPoint = ElapsedSeconds();
    GrapheSpectre.PointCount = 0;
    const int k = GrapheCinetique.PointCount;
    if (k < GraphCapacity) {
        // No value of an earlier run may stand for this point's.
        GrapheCinetique.Curve1.Y[k] = MissingValue;
        GrapheCinetique.Curve2.Y[k] = MissingValue;
    }
    pending_ = Pending::Point;
    if (!Spectro->Scan([this](std::int32_t l, double a) { ValeurRecue(l, a); }, [this] { PointTermine(); },
                       [this] { GivenUp(); })) {
        pending_ = Pending::None;
        TopManque = true;
    }
}

void TCinetiqueForm::ValeurRecue(std::int32_t lambda, double a)
{
    const int n = GrapheSpectre.PointCount;
    if (n < GraphCapacity) {
        GrapheSpectre.X[n] = lambda;
        GrapheSpectre.Curve1.Y[n] = a;
        if (n == 0)
            LabelTemps->setText(QStringLiteral("Lecture du spectre..."));
        GrapheSpectre.PointCount = static_cast<std::uint16_t>(n + 1);
    }
    const int k = GrapheCinetique.PointCount;
    if (pending_ == Pending::Point && k < GraphCapacity) {
        if (lambda == Spectro->Lambda)
            GrapheCinetique.Curve1.Y[k] = a;
        if (lambda == Spectro->LambdaBis)
            GrapheCinetique.Curve2.Y[k] = a;
    }
}

void TCinetiqueForm::PointTermine()
{
    if (pending_ != Pending::Point)
        return;
    pending_ = Pending::None;
    const int k = GrapheCinetique.PointCount;
    if (k >= GraphCapacity) {
        SetEtat(EtatArrete);
        return;
    }
    // Whole seconds of the full elapsed time: past 24 hours the stamps go on.
    GrapheCinetique.X[k] = std::floor(TempsPoint);
    ShowAbs(AbsLCD, GrapheCinetique.Curve1.Y[k]);
    LabelTemps->setText(QStringLiteral(" acquis à ") + DurationText(std::int64_t(TempsPoint)));
    Oscillo->DrawPoint(static_cast<std::uint16_t>(k), GrapheCinetique.Curve1);
    if (LambdaBisCB->isChecked()) {
        ShowAbs(AbsLCDbis, GrapheCinetique.Curve2.Y[k]);
        Oscillo->DrawPoint(static_cast<std::uint16_t>(k), GrapheCinetique.Curve2);
    }
    GrapheCinetique.PointCount = static_cast<std::uint16_t>(k + 1);
    if (GrapheCinetique.PointCount > Spectro->Nombre || ArretDemande)
        SetEtat(EtatArrete);
    if (!Folded())
        SpectrePB->Redraw();
    RafraichitControle();
    Hourglass(false);
    ArretDemande = false;
    if (TopManque && Etat == EtatAcquisition) {
        DebutPoint();
        TimerSpectre.setInterval(TimerSpectre.interval() + ScaledMs(1));
    }
}

void TCinetiqueForm::StopBtnClick()
{
    PanelDuree->clear();
    LabelTemps->clear();
    if (pending_ != Pending::Point) {
        SetEtat(EtatArrete);
        return;
    }
    CurrentDialogs().Message(this, QStringLiteral("Attendre la fin d'acquisition du point courant"));
    Hourglass(true);
    ArretDemande = true;
    TimerSpectre.stop();
}

void TCinetiqueForm::ResetBtnClick()
{
    GrapheCinetique.PointCount = 0;
    GrapheSpectre.PointCount = 0;
    Oscillo->Redraw();
    SetEtat(EtatPret);
    PanelDuree->clear();
    AbsLCD->display(QStringLiteral("0.000"));
    AbsLCDbis->display(QStringLiteral("0.000"));
    LabelTemps->clear();
}

void TCinetiqueForm::SpectreBtnClick()
{
    if (!Spectro->Scan([this](std::int32_t l, double a) { ValeurRecue(l, a); }, [this] { SpectreTermine(); },
                       [this] { GivenUp(); })) {
        SayBusy();
        return;
    }
    // A finished run stays finished, with its save and print.
    etatAvantSpectre_ = Etat == EtatArrete ? EtatArrete : EtatPret;
    pending_ = Pending::Spectrum;
    SetEtat(EtatSpectre);
    ConnectBtn->setEnabled(false);
    GrapheSpectre.PointCount = 0;
    LabelTemps->setText(QStringLiteral("Acquisition du spectre..."));
    Hourglass(true);
}

void TCinetiqueForm::SpectreTermine()
{
    if (pending_ != Pending::Spectrum)
        return;
    pending_ = Pending::None;
    SetFolded(false);
    LabelTemps->clear();
    SpectrePB->Redraw();
    Hourglass(false);
    SetEtat(etatAvantSpectre_);
    RafraichitControle();
}

// ---- scales and painting ------------------------------------------------------

void TCinetiqueForm::EtendEchelle()
{
    double max = GrapheCinetique.WorldY.Max, min = GrapheCinetique.WorldY.Min;
    WidenRange(min, max);
    SetRange(min, max);
}

void TCinetiqueForm::WidenRange(double &min, double &max) const
{
    auto scan = [&](const Tcourbe &c) {
        for (int i = 0; i < GrapheCinetique.PointCount; ++i) {
            const double y = c.Y[i];
            if (y == MissingValue)
                continue;
            max = std::max(max, y);
            min = std::min(min, y);
        }
    };
    scan(GrapheCinetique.Curve1);
    if (LambdaBisCB->isChecked())
        scan(GrapheCinetique.Curve2);
}

void TCinetiqueForm::SetRange(double min, double max)
{
    if (max > Spectro->AbsMax)
        max = Spectro->AbsMax;
    if (max < 0.2)
        max = 0.2;
    GrapheCinetique.WorldY.Min = min;
    GrapheCinetique.WorldY.Max = max;
}

void TCinetiqueForm::EchelleAuto()
{
    double min = 0, max = 0;
    WidenRange(min, max);
    SetRange(min, 1.05 * max);
    const int n = GrapheCinetique.PointCount;
    GrapheCinetique.WorldX.Max = GrapheCinetique.X[n - 1] + GrapheCinetique.X[1];
}

void TCinetiqueForm::ZoomBtnClick()
{
    if (ZoomBtn->isChecked() && GrapheCinetique.PointCount > 3) {
        EchelleAuto();
    } else {
        for (Tgraphe *g : {&GrapheCinetique, &GrapheSpectre}) {
            g->WorldY.Max = Spectro->AbsMax;
            g->WorldY.Min = 0;
        }
        GrapheCinetique.WorldX.Max = Spectro->Duree();
    }
    Oscillo->Redraw();
}

void TCinetiqueForm::OscilloBeforeDraw()
{
    const int n = GrapheCinetique.PointCount;
    const double duree = Spectro ? Spectro->Duree() : GrapheCinetique.WorldX.Max;
    if (n > 4)
        GrapheCinetique.WorldX.Max = std::max(duree, GrapheCinetique.X[n - 1] + GrapheCinetique.X[1]);
    else
        GrapheCinetique.WorldX.Max = duree;
    if (n >= 1 && Spectro)
        EtendEchelle();
}

void TCinetiqueForm::SpectrePBAfterDraw()
{
    TCanvas *c = GrapheSpectre.Canvas;
    if (!c || !Spectro)
        return;
    auto marker = [&](int lambda) {
        int px, py;
        GrapheSpectre.WorldToPixel(lambda, 0, px, py);
        c->SetPenStyle(PenStyle::Solid);
        c->SetPenColor(LambdaColor(lambda));
        c->SetPenWidth(3);
        c->MoveTo(px, 0);
        c->LineTo(px, SpectrePB->height());
    };
    marker(LambdaSE->value());
    if (LambdaBisCB->isChecked())
        marker(LambdaBisSE->value());
    c->SetPenWidth(1);
}

// ---- the spectrum panel's markers ---------------------------------------------

bool TCinetiqueForm::HitsLambda(int lambda, int x) const
{
    int px, py;
    GrapheSpectre.WorldToPixel(lambda, 0, px, py);
    return std::abs(px - x) < 4;
}

void TCinetiqueForm::SpectrePBMouseDown(int x, int)
{
    if (!SpectrePB->isEnabled())
        return;
    Deplacement = 0;
    QString hint;
    if (HitsLambda(Spectro->Lambda, x)) {
        Deplacement = 1;
        hint = QStringLiteral("Réglage de lambda");
    }
    if (LambdaBisCB->isChecked() && HitsLambda(Spectro->LambdaBis, x)) {
        Deplacement = 2;
        hint = QStringLiteral("Réglage de lambda 2");
    }
    MarkerHint(SpectrePB, hint);
}

void TCinetiqueForm::SpectrePBMouseMove(int x, int y, bool leftDown)
{
    if (!SpectrePB->isEnabled())
        return;
    if (Deplacement == 0) {
        QString hint;
        if (HitsLambda(Spectro->Lambda, x))
            hint = QStringLiteral("Réglage de lambda");
        else if (LambdaBisCB->isChecked() && HitsLambda(Spectro->LambdaBis, x))
            hint = QStringLiteral("Réglage de lambda 2");
        MarkerHint(SpectrePB, hint);
        return;
    }
    if (leftDown)
        DragTo(x, y);
}

void TCinetiqueForm::SpectrePBMouseUp(int x, int y)
{
    if (Deplacement == 0)
        return;
    DragTo(x, y);
    Deplacement = 0;
    MarkerHint(SpectrePB, QString());
}

void TCinetiqueForm::DragTo(int x, int y)
{
    double lambda, a;
    GrapheSpectre.PixelToWorld(x, y, lambda, a);
    QSpinBox *spin = Deplacement == 2 ? LambdaBisSE : LambdaSE;
    const double nm = std::nearbyint(lambda);
    const int v = std::fabs(nm) < 1e9 ? int(nm) : 0;
    // Outside the up-down's range the value is refused by its change check.
    if (v < spin->minimum() || v > spin->maximum()) {
        LambdaChanged(spin, v);
        return;
    }
    spin->setValue(v);
}

// ---- saving, printing, keyboard, closing --------------------------------------

void TCinetiqueForm::SaveAction(int tag)
{
    if (!FormDDE)
        return;
    FormDDE->CinetiqueGraph = &GrapheCinetique;
    FormDDE->LambdaBis = [this] { return LambdaBisCB->isChecked(); };
    const int done = SaveWith(tag, [](bool toTabvista) { FormDDE->ExportCinetique(toTabvista); },
                              [](const QString &name, int filter) { return FormDDE->SauveCinetique(name, filter); });
    // A copy to the clipboard leaves the run unsaved.
    if (done == 0 || done == 2)
        Sauve = true;
}

void TCinetiqueForm::PrintBtnClick()
{
    PrintOnLandscape(GrapheCinetique);
    Oscillo->Redraw(); // back to the screen's bounds and scales
}

bool TCinetiqueForm::SpaceBar()
{
    if (startBtn->isEnabled()) {
        StartBtnClick();
        return true;
    }
    if (BlancBtn->isEnabled()) {
        BlancBtnClick();
        return true;
    }
    return false;
}

bool TCinetiqueForm::FormCloseQuery()
{
    if (Etat == EtatArrete && !Sauve && GrapheCinetique.PointCount >= 4)
        AskSave();
    if (StopBtn->isEnabled())
        return CurrentDialogs().Question(this, QStringLiteral("arrêt de l'acquisition en cours"));
    return true;
}

void TCinetiqueForm::FormClose()
{
    if (StopBtn->isEnabled())
        StopBtnClick();
    TimerSpectre.stop();
    TimerHorloge.stop();
}

void TCinetiqueForm::WriteExtraKeys(IniImage &image)
{
    const int tag = SaveTag();
    image.WriteBool("Save", "Tabvista", tag == 0);
    image.WriteBool("Save", "Clip", tag == 1);
    image.WriteBool("Save", "File", tag == 2);
}

} // namespace vandoral

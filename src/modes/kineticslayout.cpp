// The kinetics window's controls: the run's parameters with the blank
// banner, the panel shown during a run, and the plot beside the folding
// spectrum panel; the parameters' changes, the instrument's limits, the
// displays and the save choice kept in the settings file.
#include "kineticswindow.h"

#include "driver.h"
#include "inifile.h"
#include "numtext.h"
#include "graphbox.h"
#include "hint.h"
#include "scanpanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QSplitter>

namespace vandoral {

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

QWidget *TCinetiqueForm::BuildParameters(QWidget *parent)
{
    auto *params = new QWidget(parent);
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
    PanelBlanc = new QWidget(parent);
    PanelBlanc->setObjectName(QStringLiteral("PanelBlanc"));
    auto *blanc = new QHBoxLayout(PanelBlanc);
    blanc->setContentsMargins(0, 0, 0, 0);
    BlancLabel = new QLabel(BlankBanner(), PanelBlanc);
    BlancLabel->setObjectName(QStringLiteral("BlancLabel"));
    BlancLabel->setStyleSheet(QStringLiteral("color: red"));
    blanc->addWidget(BlancLabel);
    return params;
}

QWidget *TCinetiqueForm::BuildRunPanel(QWidget *parent)
{
    AcqPanel = new QWidget(parent);
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
    return AcqPanel;
}

QSplitter *TCinetiqueForm::BuildPlots(QWidget *parent)
{
    GripSplitter1 = new QSplitter(Qt::Horizontal, parent);
    GripSplitter1->setObjectName(QStringLiteral("GripSplitter1"));
    GripSplitter1->setAccessibleName(QStringLiteral("Spectre"));
    Oscillo = new GraphBox(&Session.GrapheCinetique, GripSplitter1);
    Oscillo->setObjectName(QStringLiteral("Oscillo"));
    Oscillo->setAccessibleName(QStringLiteral("Cinétique"));
    SpectrePB = new ScanPanel(&Session.GrapheSpectre, GripSplitter1);
    GripSplitter1->addWidget(Oscillo);
    GripSplitter1->addWidget(SpectrePB);
    GripSplitter1->setCollapsible(0, false);
    GripSplitter1->setCollapsible(1, true);
    GripSplitter1->setStretchFactor(0, 1);

    Oscillo->BeforeDraw = [this] { Session.PreparePlot(); };
    Oscillo->AfterDraw = [this] { Session.DrawFits(); };
    SpectrePB->BeforeDraw = [this] { Session.PrepareSpectrumPanel(); };
    SpectrePB->Markers = [this] {
        std::vector<ScanPanel::Marker> m{{Spectro->Lambda, QStringLiteral("Réglage de lambda")}};
        if (LambdaBisCB->isChecked())
            m.push_back({Spectro->LambdaBis, QStringLiteral("Réglage de lambda 2")});
        return m;
    };
    SpectrePB->ShowHint = [this](const QString &hint) { ShowHint(hint); };
    // The panel's vertical range follows the plot's.
    connect(Oscillo, &GraphBox::redrawn, this, &TCinetiqueForm::RedrawPanel);
    connect(SpectrePB, &ScanPanel::dragged, this, &TCinetiqueForm::MarkerDragged);
    return GripSplitter1;
}

// ---- parameters and displays -----------------------------------------------------------

void TCinetiqueForm::ApplyInstrumentLimits()
{
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
    Session.FollowInstrumentRange();
    RedrawPanel();
}

void TCinetiqueForm::ParametersChanged(bool deltat)
{
    Spectro->Deltat = static_cast<std::uint16_t>(DeltatSE->value());
    Spectro->Nombre = static_cast<std::uint16_t>(NbreSE->value());
    ShowDuree();
    // Only a new Δt changes the pace; the number of points only the end.
    if (deltat) {
        Session.DeltatChanged();
        ArmTimer(true);
    }
    Oscillo->Redraw();
}

void TCinetiqueForm::LambdaChanged(QSpinBox *spin, int value)
{
    // The settings hold the last value accepted.
    std::uint16_t &stored = spin == LambdaBisSE ? Spectro->LambdaBis : Spectro->Lambda;
    if (!InsideRange(value, Spectro->LambdaMin, Spectro->LambdaMax)) {
        const QSignalBlocker b(spin);
        spin->setValue(stored);
        return;
    }
    stored = static_cast<std::uint16_t>(value);
    RedrawPanel();
}

void TCinetiqueForm::MarkerDragged(MarkerDrag marker, int lambda)
{
    QSpinBox *spin = marker == MarkerDrag::LambdaBis ? LambdaBisSE : LambdaSE;
    // Outside the up-down's range the value is refused by its change check.
    if (lambda < spin->minimum() || lambda > spin->maximum())
        LambdaChanged(spin, lambda);
    else
        spin->setValue(lambda);
}

void TCinetiqueForm::ShowDuree()
{
    DureeEdit->setText(QString::fromStdString(DurationText(std::int64_t(Spectro->Duree()))));
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

bool TCinetiqueForm::Folded() const
{
    return ScanPanel::Folded(GripSplitter1, 1);
}

void TCinetiqueForm::SetFolded(bool folded)
{
    ScanPanel::SetFolded(GripSplitter1, 1, 0, folded, 320);
}

void TCinetiqueForm::RedrawPanel()
{
    if (!Folded())
        SpectrePB->Redraw();
}

void TCinetiqueForm::ReadExtraKeys(const IniImage &image)
{
    const char *keys[] = {"Tabvista", "Clip", "File"};
    const bool defaults[] = {false, true, false};
    for (int tag = 0; tag < 3; ++tag)
        if (image.ReadInteger("Save", keys[tag], defaults[tag]) != 0)
            CheckSaveItem(SaveTarget(tag));
}

void TCinetiqueForm::WriteExtraKeys(IniImage &image)
{
    const SaveTarget target = SaveTag();
    image.WriteBool("Save", "Tabvista", target == SaveTarget::Tabvista);
    image.WriteBool("Save", "Clip", target == SaveTarget::Clipboard);
    image.WriteBool("Save", "File", target == SaveTarget::File);
}

bool TCinetiqueForm::eventFilter(QObject *watched, QEvent *e)
{
    // A digit the up-down refuses (past its largest value) is not dropped
    // without a word: the status bar says the limit.
    if (e->type() == QEvent::KeyPress)
        for (QSpinBox *spin : {NbreSE, DeltatSE}) {
            auto *edit = spin->findChild<QLineEdit *>();
            if (watched != edit || !edit)
                continue;
            const QString key = static_cast<QKeyEvent *>(e)->text();
            if (key.size() != 1 || !key.at(0).isDigit())
                break;
            QString text = edit->text();
            if (edit->hasSelectedText())
                text.replace(edit->selectionStart(), edit->selectedText().size(), key);
            else
                text.insert(edit->cursorPosition(), key);
            bool number = false;
            if (text.toInt(&number) > spin->maximum() && number)
                ShowStatus(spin == NbreSE ? Translate(QStringLiteral("Nombre de points : %1 au plus")).arg(spin->maximum())
                                          : Translate(QStringLiteral("Delta t : %1 s au plus")).arg(spin->maximum()));
            break;
        }
    return TModeForm::eventFilter(watched, e);
}

} // namespace vandoral

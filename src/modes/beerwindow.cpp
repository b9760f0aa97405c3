#include "beerwindow.h"

#include "analysistext.h"
#include "beergrid.h"
#include "dialogs.h"
#include "driver.h"
#include "exportwindow.h"
#include "graphbox.h"
#include "modejournal.h"
#include "hint.h"
#include "numtext.h"
#include "qtext.h"
#include "scanpanel.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace vandoral {

using namespace beergrid;

TBeerForm::TBeerForm(QWidget *parent)
    : TModeForm(QStringLiteral("Loi de Beer-Lambert"), QStringLiteral("WindowB"), parent), Session(*Spectro, *Spectro)
{
    setObjectName(QStringLiteral("BeerForm"));
    Session.OnEvent = [this](SessionEvent e, int) { SessionChanged(e); };
    BuildTools();
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    Label3 = new QLabel(central);
    Label3->setObjectName(QStringLiteral("Label3"));
    QFont big = Label3->font();
    big.setPixelSize(27);
    big.setBold(true);
    Label3->setFont(big);
    Label3->setStyleSheet(QStringLiteral("color: red"));
    layout->addWidget(Label3);
    PanelBlanc = new QLabel(BlankBanner(), central);
    PanelBlanc->setObjectName(QStringLiteral("PanelBlanc"));
    PanelBlanc->setStyleSheet(QStringLiteral("color: red"));
    layout->addWidget(PanelBlanc);

    layout->addWidget(BuildPanels(central), 1);
    StatsBtn = new QToolButton(central);
    StatsBtn->setObjectName(QStringLiteral("StatsBtn"));
    StatsBtn->setText(QStringLiteral("Statistiques"));
    StatsBtn->setAccessibleName(StatsBtn->text());
    StatsBtn->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    StatsBtn->setArrowType(Qt::DownArrow);
    StatsBtn->setCheckable(true);
    StatsBtn->setChecked(true);
    StatsBtn->setAutoRaise(true);
    SetHint(StatsBtn, QStringLiteral("Afficher ou replier les statistiques de l'étalonnage"));
    layout->addWidget(StatsBtn);
    StatsLabel = new QLabel(central);
    StatsLabel->setObjectName(QStringLiteral("StatsLabel"));
    StatsLabel->setAccessibleName(QStringLiteral("Statistiques de l'étalonnage"));
    StatsLabel->setWordWrap(true);
    StatsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    StatsLabel->setContentsMargins(6, 0, 6, 4);
    layout->addWidget(StatsLabel);
    // After the drawing, never inside it: the panel's size changes the
    // graph's.
    connect(Oscillo, &GraphBox::redrawn, this, &TBeerForm::ShowStats, Qt::QueuedConnection);
    connect(StatsBtn, &QToolButton::toggled, this, [this](bool open) {
        StatsBtn->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        ShowStats();
    });
    setCentralWidget(central);

    {
        const QSignalBlocker block(LambdaSE);
        LambdaSE->setRange(Spectro->LambdaMin, Spectro->LambdaMax);
        LambdaSE->setValue(Spectro->LambdaBeer);
    }
    Connect();
    UpdateControls();
}

TBeerForm::~TBeerForm() = default;

// ---- controls -----------------------------------------------------------------------

bool TBeerForm::Recover(const JournalContents &journal, const QString &path)
{
    if (!RestoreBeer(journal, Session))
        return false;
    UpdateControls();
    JournalAdopt(path);
    return true;
}

void TBeerForm::UpdateControls()
{
    const bool busy = Spectro->Busy;
    ConnectBtn->setEnabled(!busy);
    ZeroBtn->setEnabled(true);
    LambdaSE->setEnabled(Session.WavelengthEditable());
    SpectrePB->setEnabled(Session.WavelengthEditable());
    BeerMesureGrid->setEnabled(Session.BlancFait);
    SpectreBtn->setEnabled(Session.BlancFait);
    PanelBlanc->setVisible(!Session.BlancFait);
    ShowButton(RegSaveBtn, Session.CanSave());
    ShowButton(UndoBtn, Session.CanUndo());
    UpdateUndo();
    SetHint(BeerMesureGrid, QStringLiteral("Taper la valeur de ") + FromCp(Session.BeerGraph.WorldX.Name)
                               + QStringLiteral(". Valider pour lire l'absorbance"));
    ShowButton(EnregistreBtn, Spectro->Actif);
    PrepareEntryRow();
    EnregistreBtn->setEnabled(Session.CanMeasureUnknown() && !busy);
    EnregistreBtn->setText(FromCp(Cut(Session.BeerGraph.WorldX.Name + " ?", 22)));
    EnregistreBtn->setAccessibleName(EnregistreBtn->text());
    beerCalcGrid->setVisible(Session.ShowsFit());
    SetHint(UndoBtn, CalcGridActive ? QStringLiteral("Suppression du point calculé actif")
                                       : QStringLiteral("Suppression du point entré au clavier actif"));
}

void TBeerForm::ShowControlState()
{
    EnregistreBtn->setEnabled(Session.CanMeasureUnknown() && !Spectro->Busy);
    beerCalcGrid->setVisible(Session.ShowsFit());
}

void TBeerForm::BeginAcquisition()
{
    ZeroBtn->setEnabled(false);
    LambdaSE->setEnabled(false);
    SpectrePB->setEnabled(false);
    EnregistreBtn->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    RafraichitControle(); // the connect buttons wait for its end
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TBeerForm::EndAcquisition()
{
    QApplication::restoreOverrideCursor();
    if (!Folded())
        SpectrePB->Redraw();
}

bool TBeerForm::RefusedWhileBusy()
{
    // One measurement at a time: its result is bound to its place in the
    // list, which does not change under it.
    if (!Session.Busy())
        return false;
    ShowStatus(Translate(QStringLiteral("Attendre la fin de la mesure en cours")));
    return true;
}

bool TBeerForm::Started(bool taken, const QString &progress)
{
    if (!taken) {
        SayNotTaken(); // the instrument did not take the request
        UpdateControls();
        return false;
    }
    Label3->setText(progress);
    BeginAcquisition();
    return true;
}

// ---- blank, standards, unknowns -----------------------------------------------------

void TBeerForm::ZeroBtnClick()
{
    if (RefusedWhileBusy())
        return;
    if (Started(Session.StartBlank(), QStringLiteral("Blanc en cours...")) && !Folded())
        SpectrePB->Redraw(); // the panel's spectrum is emptied
}

void TBeerForm::ValidateEntry()
{
    // The typed text stays in its cell while a measurement runs.
    if (RefusedWhileBusy())
        return;
    const int index = EntryRow - 2;
    QTableWidgetItem *cell = BeerMesureGrid->item(EntryRow, 0);
    double conc = 0;
    switch (Session.CheckEntry(index, ToCp(cell ? cell->text() : QString()), conc)) {
    case TBeerSeries::Entry::NoRow: return;
    case TBeerSeries::Entry::BelowEntryRow: PrepareEntryRow(); return;
    case TBeerSeries::Entry::ListFull:
        CurrentDialogs().Message(this, Translate(QStringLiteral("Liste pleine : 1501 étalons au plus")));
        PrepareEntryRow();
        return;
    case TBeerSeries::Entry::BadNumber:
        CurrentDialogs().Message(this, QStringLiteral("Nombre mal écrit"));
        PrepareEntryRow();
        return;
    case TBeerSeries::Entry::OutOfRange:
        if (!CurrentDialogs().Question(this, FromCp(Session.RangeQuestion(conc)))) {
            PrepareEntryRow();
            return;
        }
        Session.Widen(conc);
        RepaintPlot();
        break;
    case TBeerSeries::Entry::Ready: break;
    }
    // A measured standard's concentration typed again corrects it; its
    // absorbance is measured again only when the student says so.
    if (Session.Corrects(index)
        && !CurrentDialogs().Question(this, Translate(FromCp(Session.RemeasureQuestion(index))))) {
        if (Session.CorrectConcentration(index, conc)) {
            const BeerStandard &s = Session.Standards[std::size_t(index)];
            JournalChange(StandardRecord(index, s.Conc, s.Abs));
        }
        RepaintPlot();
        UpdateControls();
        return;
    }
    // The place, the concentration and the wavelength of the measurement are
    // taken now and kept until its end.
    Started(Session.MeasureStandard(index, conc), QStringLiteral("Acquisition du spectre..."));
}

void TBeerForm::EnregistreBtnClick()
{
    switch (Session.MeasureUnknown()) {
    case TBeerSeries::UnknownStart::Started:
        Started(true, QStringLiteral("Acquisition du spectre..."));
        break;
    case TBeerSeries::UnknownStart::ListFull:
        CurrentDialogs().Message(this, Translate(QStringLiteral("Liste pleine : 1501 inconnues au plus")));
        break;
    case TBeerSeries::UnknownStart::Refused: Started(false, QString()); break;
    case TBeerSeries::UnknownStart::NotNow: break;
    }
}

void TBeerForm::SpectreBtnClick()
{
    if (RefusedWhileBusy())
        return;
    Started(Session.MeasureSpectrum(), QStringLiteral("Acquisition du spectre..."));
}

void TBeerForm::SessionChanged(SessionEvent e)
{
    switch (e) {
    case SessionEvent::Value:
        Label3->setText(Session.SpectrumMode ? QStringLiteral("Lecture du spectre...")
                                             : QStringLiteral("Attente de l'absorbance..."));
        break;
    case SessionEvent::BlankEnded:
        // A blank the instrument refused is not a reference: the banner asks
        // for it again, with the instrument's reason.
        NoteBlank(Session.BlancFait);
        PanelBlanc->setText(BlankBanner());
        QApplication::restoreOverrideCursor();
        Label3->clear();
        UpdateControls();
        break;
    case SessionEvent::Ended: MeasurementEnded(Session.LastOutcome()); break;
    case SessionEvent::GivenUp:
        // The instrument went silent or away: nothing of the measurement is kept.
        Label3->clear();
        QApplication::restoreOverrideCursor();
        UpdateControls();
        break;
    case SessionEvent::Redraw:
    case SessionEvent::Pace:
    case SessionEvent::Found:
    case SessionEvent::Restarted: break;
    }
}

void TBeerForm::MeasurementEnded(const TBeerSeries::Outcome &o)
{
    using Result = TBeerSeries::Result;
    EndAcquisition();
    Label3->clear();
    if (o.Kind == TBeerSeries::Measure::Spectrum) {
        SetFolded(false);
        SpectrePB->Redraw();
        UpdateControls();
        return;
    }
    if (o.What == Result::NoRow)
        return;
    if (o.What == Result::Unreadable) {
        // Nothing of the standard changes: neither its concentration nor its
        // absorbance; no unknown is added.
        CurrentDialogs().Message(this, QStringLiteral("Blanc à faire ?"));
        Label3->setText(QStringLiteral("Absorbance lue incorrecte"));
        UpdateControls();
        return;
    }
    if (o.Kind == TBeerSeries::Measure::Standard) {
        const BeerStandard &st = Session.Standards[std::size_t(o.Index)];
        StoreStandard(o.Index);
        JournalChange(StandardRecord(o.Index, st.Conc, st.Abs));
        UpdateControls();
        if (Spectro->Actif) // the line, precision and unknowns change with every standard
            RepaintPlot();
        if (Session.StandardCount() + 1 >= EntryRow)
            PrepareEntryRow();
        return;
    }
    const BeerUnknown &u = Session.Unknowns.back();
    JournalChange(UnknownRecord(u.Abs, u.Conc));
    // Its concentration with its uncertainty, or "?" without a line.
    FillCalcGrid();
    if (o.What == Result::Stored)
        Oscillo->MarkPoint(u.Conc, u.Abs);
    else
        CurrentDialogs().Message(this, QStringLiteral("Données incorrectes"));
    UpdateControls();
}

bool TBeerForm::Measuring()
{
    // Its result is bound to a place in the list: the list does not change
    // under it.
    if (!Session.Busy())
        return false;
    SayBusy();
    return true;
}

void TBeerForm::UndoBtnClick()
{
    if (Measuring())
        return;
    const bool unknown = CalcGridActive;
    const int index = unknown ? beerCalcGrid->currentRow() : BeerMesureGrid->currentRow() - 2;
    // A standard is undone from its concentration's cell.
    const bool removed = unknown ? Session.UndoUnknown(index)
                                 : BeerMesureGrid->currentColumn() == 0 && Session.UndoStandard(index);
    if (!removed)
        return;
    JournalChange(IndexRecord(unknown ? "defaire-inconnue" : "defaire-etalon", index));
    UpdateControls();
    RepaintPlot();
}

void TBeerForm::OpenLoaded(const LoadedMeasurement &m, const QString &path)
{
    if (m.Lambda > 0 && (m.Lambda < Spectro->LambdaMin || m.Lambda > Spectro->LambdaMax)) {
        CurrentDialogs().Error(this, Translate(QStringLiteral("La longueur d'onde de ce fichier (%1 nm) est hors de la gamme du spectro (%2 à %3 nm)"))
                                         .arg(m.Lambda)
                                         .arg(Spectro->LambdaMin)
                                         .arg(Spectro->LambdaMax));
        return;
    }
    if (Session.AsksSave()
        && !CurrentDialogs().Question(
            this, Translate(QStringLiteral("Les étalons ne sont pas enregistrés. Tout effacer ?"))))
        return;
    JournalEnd(); // the series shown is knowingly replaced
    if (!m.Unknowns.empty())
        Spectro->Actif = true; // the unknowns are shown with the line
    Session.Load(m.Data, m.Unknowns);
    const QString name = QFileInfo(path).fileName();
    if (m.Lambda > 0) {
        Spectro->LambdaBeer = static_cast<std::uint16_t>(m.Lambda);
        const QSignalBlocker block(LambdaSE);
        LambdaSE->setValue(m.Lambda);
        ShowStatus(Translate(QStringLiteral("Série ouverte : %1 ; longueur d'onde de travail : %2 nm (celle du fichier)"))
                       .arg(name)
                       .arg(m.Lambda));
    } else {
        ShowStatus(Translate(QStringLiteral("Série ouverte : %1 ; le fichier ne dit pas sa longueur d'onde : %2 nm gardée"))
                       .arg(name)
                       .arg(Spectro->LambdaBeer));
    }
    UpdateControls();
    RepaintPlot();
}

bool TBeerForm::CanOpen() const
{
    return !Session.Busy();
}

void TBeerForm::ResetBtnClick()
{
    if (Measuring())
        return;
    if (Session.AsksSave()
        && !CurrentDialogs().Question(
            this, Translate(QStringLiteral("Les étalons ne sont pas enregistrés. Tout effacer ?"))))
        return;
    Session.Reset();
    JournalEnd(); // the series is knowingly cleared
    RepaintPlot();
    UpdateControls();
}

void TBeerForm::AcquisitionItemClick()
{
    if (Measuring())
        return;
    if (!ModeBeerDlg)
        ModeBeerDlg = new TModeBeerDlg(this);
    ModeBeerDlg->Execute();
    const Tmonde before = Session.BeerGraph.WorldX;
    Session.ApplyOptions();
    // The series comes back from its journal in the quantity and range it
    // now has.
    const Tmonde &after = Session.BeerGraph.WorldX;
    if (before.Name != after.Name || before.Unit != after.Unit || before.LongName != after.LongName
        || before.Min != after.Min || before.Max != after.Max)
        JournalChange(AxisRecord(Session));
    RepaintPlot();
    UpdateControls();
}

// ---- activation, saving, printing, keyboard, closing ----------------------------------

void TBeerForm::FormActivate()
{
    Label3->clear();
    // The window exists before the instrument is identified: its limits are
    // applied at each activation.
    {
        const QSignalBlocker block(LambdaSE);
        LambdaSE->setRange(Spectro->LambdaMin, Spectro->LambdaMax);
        LambdaSE->setValue(Spectro->LambdaBeer);
        Spectro->LambdaBeer = static_cast<std::uint16_t>(LambdaSE->value());
        Session.FollowInstrumentRange();
    }
    RepaintPlot();
    SetFolded(true);
    UpdateControls();
    RafraichitControle();
}

void TBeerForm::SaveAction(SaveTarget target)
{
    if (!FormDDE || Measuring())
        return;
    // Sorted by concentration, and the grid shows the new order at once, so a
    // row and the standard it shows stay the same one.
    Session.SortForSave();
    JournalChange({"tri", {}});
    RepaintPlot();
    const TDataSeries &data = Session.Data;
    const BlockStyle style = StyleOf(Session.BeerGraph);
    if (SaveWith(target, [&](bool toTabvista) { return FormDDE->ExportBeer(data, style, toTabvista); },
                 [&](const QString &name, int filter) {
                     // The wavelength and the unknowns follow the standards,
                     // so that the file opens back as this series.
                     FileRequest extra;
                     extra.lambda = Spectro->LambdaBeer;
                     for (const BeerUnknown &u : Session.Unknowns)
                         extra.unknowns.push_back({u.Abs, u.Conc});
                     return FormDDE->SauveBeer(data, name, filter, &extra);
                 }))
        Session.Sauve = true;
}

void TBeerForm::ZoomBtnClick()
{
    Session.ZoomChanged(ZoomBtn->isChecked());
    RepaintPlot();
}

PageContent TBeerForm::Page()
{
    return {&Session.BeerGraph, BeerPageLines(Session, Spectro->Actif, Abs), [this] { Session.DrawFit(true); }, false};
}

QWidget *TBeerForm::PlotWidget() const
{
    return Oscillo;
}

void TBeerForm::PageDone()
{
    RepaintPlot(); // the screen's bounds and scales again
}

void TBeerForm::PrintBtnClick()
{
    PrintPage(Page());
    PageDone();
}

SpaceAction TBeerForm::SpaceBarAction() const
{
    return Session.SpaceBar();
}

void TBeerForm::DiscardData()
{
    Session.Reset();
    RepaintPlot();
    UpdateControls();
}

void TBeerForm::JournalChange(const JournalRecord &change)
{
    if (JournalOpen()) {
        JournalAppend(change);
        return;
    }
    // A new journal holds the whole series, this change included.
    if (Session.StandardCount() == 0 && Session.UnknownCount() == 0)
        return;
    JournalBegin(BeerJournalHeader(*Spectro, Session, JournalStart()));
    for (int i = 0; i < Session.StandardCount(); ++i)
        JournalAppend(StandardRecord(i, Session.Standards[std::size_t(i)].Conc, Session.Standards[std::size_t(i)].Abs));
    for (const BeerUnknown &u : Session.Unknowns)
        JournalAppend(UnknownRecord(u.Abs, u.Conc));
}

bool TBeerForm::CloseWaits() const
{
    return Session.Busy();
}

bool TBeerForm::FormCloseQuery()
{
    // Not during a measurement: its result would land in a closed window,
    // and the series could not be saved then.
    if (RefusedWhileBusy())
        return false;
    if (Session.AsksSave())
        AskSave();
    return true;
}

} // namespace vandoral

#include "beerwindow.h"

#include "dialogs.h"
#include "driver.h"
#include "exportwindow.h"
#include "graphbox.h"
#include "hint.h"
#include "numtext.h"
#include "qtext.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vandoral {

namespace {

QString Sig(double v)
{
    return FromCp(FormatSig(v));
}

QString Abs(double v)
{
    return FromCp(Spectro ? Spectro->FormatAbs(v) : FormatAbs(v));
}

void SetCell(QTableWidget *grid, int row, int col, const QString &text)
{
    QTableWidgetItem *item = grid->item(row, col);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, col, item);
    }
    item->setText(text);
}

// The editor of a standard's cell starts from the full value, not from the
// three digits shown.
class EntryDelegate : public QStyledItemDelegate {
public:
    EntryDelegate(const Tgraphe *graph, QObject *parent) : QStyledItemDelegate(parent), graph_(graph) {}
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *edit = qobject_cast<QLineEdit *>(editor);
        if (!edit)
            return QStyledItemDelegate::setEditorData(editor, index);
        const int i = index.row() - 2;
        QString text;
        if (i >= 0 && i < graph_->PointCount) {
            const double v = index.column() == 0 ? graph_->X[i] : graph_->Curve1.Y[i];
            text = FromCp(GeneralFormat(v, 15, 0, Formats().decimalSeparator));
        }
        edit->setText(text);
    }

private:
    const Tgraphe *graph_;
};

} // namespace

// ---- options dialog -------------------------------------------------------------

TModeBeerDlg::TModeBeerDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ModeBeerDlg"));
    setWindowTitle(QStringLiteral("Options Beer-Lambert pour Vandoral"));
    auto *layout = new QVBoxLayout(this);
    auto *group = new QGroupBox(QStringLiteral("Grandeur entrée au clavier"), this);
    auto *form = new QFormLayout(group);
    EditNom = new QLineEdit(group);
    EditNom->setMaxLength(8);
    EditUnite = new QLineEdit(group);
    EditUnite->setMaxLength(20);
    EditMin = new QLineEdit(group);
    EditMax = new QLineEdit(group);
    EditSignif = new QLineEdit(group);
    EditSignif->setMaxLength(255);
    form->addRow(QStringLiteral("&Symbole"), EditNom);
    form->addRow(QStringLiteral("&Unité"), EditUnite);
    form->addRow(QStringLiteral("Mini"), EditMin);
    form->addRow(QStringLiteral("Maxi"), EditMax);
    form->addRow(QStringLiteral("&Signification"), EditSignif);
    layout->addWidget(group);
    BeerCB = new QCheckBox(QStringLiteral("Détermination concentration inconnue"), this);
    layout->addWidget(BeerCB);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    buttons->button(QDialogButtonBox::Help)->setText(QStringLiteral("Aide"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        CurrentDialogs().Message(this, QStringLiteral(
            "Symbole et unité : la grandeur tapée pour chaque étalon (par exemple c en mol/L).\n"
            "Mini et Maxi : l'étendue attendue des valeurs ; une valeur au-delà est demandée en confirmation.\n"
            "Signification : le nom complet de la grandeur, transmis avec les données.\n"
            "Détermination concentration inconnue : mesure des inconnues à partir de la droite A = k.c."));
    });
    buttons->button(QDialogButtonBox::Ok)->setFocus();
}

void TModeBeerDlg::FormActivate()
{
    const char sep = Formats().decimalSeparator;
    EditNom->setText(FromCp(Spectro->Nom));
    EditUnite->setText(FromCp(Spectro->Unite));
    EditSignif->setText(FromCp(Spectro->Signif));
    EditMax->setText(FromCp(GeneralFormat(Spectro->Maxi, 15, 0, sep)));
    EditMin->setText(FromCp(GeneralFormat(Spectro->Mini, 15, 0, sep)));
    BeerCB->setChecked(Spectro->Actif);
}

bool TModeBeerDlg::OKBtnClick()
{
    // A bound typed wrongly takes its fallback value.
    double mini = ReadTypedNumber(Cut(ToCp(EditMin->text()), TextLimit));
    if (mini == MissingValue)
        mini = 0;
    double maxi = ReadTypedNumber(Cut(ToCp(EditMax->text()), TextLimit));
    if (maxi == MissingValue)
        maxi = 0.01;
    if (maxi < mini)
        std::swap(mini, maxi);
    // An axis without extent cannot be drawn: the dialog stays open.
    if (maxi == mini || maxi <= 0) {
        CurrentDialogs().Error(this, QStringLiteral("Mini et Maxi doivent être différents, et Maxi positif"));
        return false;
    }
    Spectro->Nom = Cut(ToCp(EditNom->text()), ShortTextLimit);
    if (Spectro->Nom.empty())
        Spectro->Nom = "c";
    Spectro->Unite = Cut(ToCp(EditUnite->text()), ShortTextLimit);
    Spectro->Signif = Cut(ToCp(EditSignif->text()), TextLimit);
    Spectro->Mini = mini;
    Spectro->Maxi = maxi;
    Spectro->Actif = BeerCB->isChecked();
    return true;
}

void TModeBeerDlg::accept()
{
    if (OKBtnClick())
        QDialog::accept();
}

bool TModeBeerDlg::Execute()
{
    FormActivate();
    return CurrentDialogs().Execute(*this);
}

// ---- window -----------------------------------------------------------------------

TBeerForm::TBeerForm(QWidget *parent)
    : TModeForm(QStringLiteral("Loi de Beer-Lambert"), QStringLiteral("WindowB"), parent)
{
    setObjectName(QStringLiteral("BeerForm"));
    ModeBtn = AddButton("ModeBtn", QStringLiteral("Options"), QStringLiteral("Options"), 15);
    auto *lambdaBox = new QWidget(ToolBar1);
    auto *lb = new QHBoxLayout(lambdaBox);
    lb->setContentsMargins(4, 0, 4, 0);
    lb->addWidget(new QLabel(QStringLiteral("Lambda(nm) "), lambdaBox));
    LambdaSE = new QSpinBox(lambdaBox);
    LambdaSE->setObjectName(QStringLiteral("LambdaSE"));
    SetHint(LambdaSE, QStringLiteral("Choix de la longueur d'onde de travail"));
    LambdaSE->setAccessibleName(LambdaSE->toolTip());
    lb->addWidget(LambdaSE);
    ToolBar1->addWidget(lambdaBox);
    ZeroBtn = AddButton("ZeroBtn", QStringLiteral("Blanc"), QStringLiteral("Zéro d'absorbance"), 10);
    SpectreBtn = AddButton("SpectreBtn", QStringLiteral("Spectre"), QStringLiteral("Spectre"), 14);
    UndoBtn = AddButton("UndoBtn", QStringLiteral("Défaire"), QStringLiteral("Suppression du point entré au clavier actif"), 3);
    ResetBtn = AddButton("ResetBtn", QStringLiteral("RàZ"), QStringLiteral("Suppression des données courantes"), 10);
    ZoomBtn = AddButton("ZoomBtn", QStringLiteral("Auto"), QStringLiteral("Echelle automatique"), 15, true);
    EnregistreBtn = AddButton("EnregistreBtn", QStringLiteral("c ?"), QStringLiteral("Cliquer pour déterminer une concentration inconnue"), 14);
    AddSaveButton(0);
    ToolButton1 = AddButton("ToolButton1", QStringLiteral("Imprimer"), QStringLiteral("Imprimer le graphe"), 4);
    AddConnectAndExit();

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
    PanelBlanc = new QLabel(QStringLiteral("Faire d'abord le blanc : installer la cuve avec solvant dans le spectro "
                                           "puis cliquer sur le bouton \"Blanc\""),
                            central);
    PanelBlanc->setObjectName(QStringLiteral("PanelBlanc"));
    PanelBlanc->setStyleSheet(QStringLiteral("color: red"));
    layout->addWidget(PanelBlanc);

    // The graphs.
    BeerGraph.WorldX.Name = Spectro ? Spectro->Nom : "c";
    BeerGraph.WorldX.Unit = Spectro ? Spectro->Unite : "mol/L";
    BeerGraph.WorldX.LongName = Spectro ? Spectro->Signif : "concentration";
    BeerGraph.WorldY.Name = "A";
    BeerGraph.WorldY.LongName = "Absorbance";
    BeerGraph.DrawMode = 2;
    SetUpSpectrumGraph(SpectrumGraph, Spectro);
    SpectrumGraph.LabelY = false;
    if (Spectro)
        BeerGraph.SetWorld(Spectro->Mini, 0, Spectro->Maxi, Spectro->AbsMax);

    GripSplitter1 = new QSplitter(Qt::Horizontal, central);
    GripSplitter1->setObjectName(QStringLiteral("GripSplitter1"));
    SpectrePB = new GraphBox(&SpectrumGraph, GripSplitter1);
    SpectrePB->setObjectName(QStringLiteral("SpectrePB"));
    SpectrePB->setAccessibleName(QStringLiteral("Spectre"));
    SpectrePB->setMinimumWidth(256);
    SpectrePB->setMouseTracking(true);
    Oscillo = new GraphBox(&BeerGraph, GripSplitter1);
    Oscillo->setObjectName(QStringLiteral("Oscillo"));
    Oscillo->setAccessibleName(QStringLiteral("Graphe"));
    auto *panel1 = new QSplitter(Qt::Vertical, GripSplitter1);
    panel1->setObjectName(QStringLiteral("CalcSplit"));
    panel1->setFixedWidth(148);
    BeerMesureGrid = new QTableWidget(8, 2, panel1);
    BeerMesureGrid->setObjectName(QStringLiteral("BeerMesureGrid"));
    BeerMesureGrid->setAccessibleName(QStringLiteral("Etalons"));
    beerCalcGrid = new QTableWidget(4, 2, panel1);
    beerCalcGrid->setObjectName(QStringLiteral("beerCalcGrid"));
    beerCalcGrid->setAccessibleName(QStringLiteral("Inconnues"));
    for (QTableWidget *g : {BeerMesureGrid, beerCalcGrid}) {
        g->horizontalHeader()->hide();
        g->verticalHeader()->hide();
        g->setColumnWidth(0, 68);
        g->setColumnWidth(1, 68);
        g->setSelectionMode(QAbstractItemView::SingleSelection);
    }
    BeerMesureGrid->setItemDelegate(new EntryDelegate(&BeerGraph, BeerMesureGrid));
    BeerMesureGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                                    | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    beerCalcGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    beerCalcGrid->setStyleSheet(QStringLiteral("color: red"));
    SetHint(beerCalcGrid, QStringLiteral("|Valeurs déterminées à partir de la loi de Beer-Lambert"));
    GripSplitter1->addWidget(SpectrePB);
    GripSplitter1->addWidget(Oscillo);
    GripSplitter1->addWidget(panel1);
    GripSplitter1->setCollapsible(0, true);
    GripSplitter1->setCollapsible(1, false);
    GripSplitter1->setStretchFactor(1, 1);
    layout->addWidget(GripSplitter1, 1);
    setCentralWidget(central);

    Oscillo->BeforeDraw = [this] { OscilloBeforeDraw(); };
    Oscillo->AfterDraw = [this] { OscilloAfterDraw(); };
    SpectrePB->BeforeDraw = [this] { SpectrumGraph.WorldY.Max = BeerGraph.WorldY.Max; };
    SpectrePB->AfterDraw = [this] { SpectrePBAfterDraw(); };

    if (Spectro) {
        const QSignalBlocker block(LambdaSE);
        LambdaSE->setRange(Spectro->LambdaMin, Spectro->LambdaMax);
        LambdaSE->setValue(Spectro->LambdaBeer);
    }
    connect(LambdaSE, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) {
        Spectro->LambdaBeer = static_cast<std::uint16_t>(v);
        if (!Folded())
            SpectrePB->Redraw();
    });
    connect(ModeBtn, &QToolButton::clicked, this, &TBeerForm::AcquisitionItemClick);
    connect(ZeroBtn, &QToolButton::clicked, this, &TBeerForm::ZeroBtnClick);
    connect(SpectreBtn, &QToolButton::clicked, this, &TBeerForm::SpectreBtnClick);
    connect(UndoBtn, &QToolButton::clicked, this, &TBeerForm::UndoBtnClick);
    connect(ResetBtn, &QToolButton::clicked, this, &TBeerForm::ResetBtnClick);
    connect(ZoomBtn, &QToolButton::clicked, this, &TBeerForm::ZoomBtnClick);
    connect(EnregistreBtn, &QToolButton::clicked, this, &TBeerForm::EnregistreBtnClick);
    connect(ToolButton1, &QToolButton::clicked, this, &TBeerForm::PrintBtnClick);
    connect(BeerMesureGrid, &QTableWidget::currentCellChanged, this, &TBeerForm::SelectCell);
    // The calculation grid's row follows the click; undo then acts there.
    connect(beerCalcGrid, &QTableWidget::cellPressed, this, [this] {
        UpdateControls();
        CalcGridActive = true;
        SetHint(UndoBtn, QStringLiteral("Suppression du point calculé actif"));
    });
    connect(SpectrePB, &GraphBox::mousePressed, this, &TBeerForm::SpectrePBMouseDown);
    connect(SpectrePB, &GraphBox::mouseReleased, this, &TBeerForm::SpectrePBMouseUp);
    connect(SpectrePB, &GraphBox::mouseMoved, this, [this](int x, int y, Qt::MouseButtons b) {
        SpectrePBMouseMove(x, y, b & Qt::LeftButton);
    });
    UpdateControls();
}

TBeerForm::~TBeerForm() = default;

// ---- controls -----------------------------------------------------------------------

void TBeerForm::UpdateControls()
{
    const bool busy = Spectro && Spectro->Busy;
    const int n = BeerGraph.PointCount;
    ConnectBtn->setEnabled(!busy);
    ZeroBtn->setEnabled(true);
    LambdaSE->setEnabled(n == 0);
    SpectrePB->setEnabled(n == 0);
    BeerMesureGrid->setEnabled(BlankDone);
    SpectreBtn->setEnabled(BlankDone);
    PanelBlanc->setVisible(!BlankDone);
    RegSaveBtn->setVisible(n > 2);
    UndoBtn->setVisible(n >= 1);
    SetHint(BeerMesureGrid, QStringLiteral("Taper la valeur de ") + FromCp(BeerGraph.WorldX.Name)
                               + QStringLiteral(". Valider pour lire l'absorbance"));
    const bool actif = Spectro && Spectro->Actif;
    EnregistreBtn->setVisible(actif);
    PrepareEntryRow();
    EnregistreBtn->setEnabled(actif && n > 2 && !busy && measuring_ == Measure::None);
    EnregistreBtn->setText(FromCp(Cut(BeerGraph.WorldX.Name + " ?", 22)));
    EnregistreBtn->setAccessibleName(EnregistreBtn->text());
    beerCalcGrid->setVisible(actif && n > 2);
    SetHint(UndoBtn, CalcGridActive ? QStringLiteral("Suppression du point calculé actif")
                                       : QStringLiteral("Suppression du point entré au clavier actif"));
}

void TBeerForm::PrepareEntryRow()
{
    if (!BeerMesureGrid->isEnabled())
        return;
    const int n = BeerGraph.PointCount;
    if (BeerMesureGrid->rowCount() < n + 3)
        BeerMesureGrid->setRowCount(n + 3);
    SetCell(BeerMesureGrid, n + 2, 0, QString());
    SetCell(BeerMesureGrid, n + 2, 1, QString());
    BeerMesureGrid->setCurrentCell(n + 2, 0);
    EntryRow = n + 2;
    // The keyboard goes to the entry cell: the first key typed opens its
    // editor.
    if (isVisible())
        BeerMesureGrid->setFocus();
}

void TBeerForm::SelectCell(int row, int col, int previousRow, int previousCol)
{
    CalcGridActive = false;
    if (col == 0 && row > 1) {
        EntryRow = row;
        return;
    }
    // Names, units and absorbances are not entered.
    if (previousRow >= 0) {
        const QSignalBlocker block(BeerMesureGrid);
        BeerMesureGrid->setCurrentCell(previousRow, previousCol);
    }
}

void TBeerForm::RafraichitBoutons()
{
    // ShowControlState.
    const bool more = Spectro && Spectro->Actif && BeerGraph.PointCount > 2;
    EnregistreBtn->setEnabled(more && !(Spectro && Spectro->Busy) && measuring_ == Measure::None);
    beerCalcGrid->setVisible(more);
}

void TBeerForm::GivenUp()
{
    // The instrument went silent or away: nothing of the measurement is kept.
    measuring_ = Measure::None;
    measuredRow_ = -1;
    Label3->clear();
    QApplication::restoreOverrideCursor();
    UpdateControls();
}

void TBeerForm::BeginAcquisition()
{
    ZeroBtn->setEnabled(false);
    LambdaSE->setEnabled(false);
    SpectrePB->setEnabled(false);
    EnregistreBtn->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool TBeerForm::StartScan(Measure kind, bool spectrumMode, std::function<void()> done)
{
    SpectrumGraph.PointCount = 0;
    Label3->setText(QStringLiteral("Acquisition du spectre..."));
    SpectrumMode = spectrumMode;
    BeginAcquisition();
    if (!Spectro->Scan([this](std::int32_t l, double a) { ScanPoint(l, a); }, std::move(done), [this] { GivenUp(); })) {
        QApplication::restoreOverrideCursor();
        Label3->clear();
        SayBusy();
        UpdateControls();
        return false;
    }
    measuring_ = kind;
    return true;
}

void TBeerForm::SayWait()
{
    ShowStatus(Translate(QStringLiteral("Attendre la fin de la mesure en cours")));
}

// ---- blank, standards, unknowns -----------------------------------------------------

void TBeerForm::ZeroBtnClick()
{
    if (measuring_ != Measure::None || Spectro->Busy) {
        SayWait();
        return;
    }
    BeginAcquisition();
    Label3->setText(QStringLiteral("Blanc en cours..."));
    SpectrumGraph.PointCount = 0;
    if (!Folded())
        SpectrePB->Redraw();
    if (!Spectro->SetRef([this] { BlankFinished(); }, [this] { GivenUp(); })) {
        QApplication::restoreOverrideCursor();
        Label3->clear();
        SayBusy();
        UpdateControls();
        return;
    }
    measuring_ = Measure::Blank;
}

void TBeerForm::BlankFinished()
{
    if (measuring_ != Measure::Blank)
        return;
    measuring_ = Measure::None;
    QApplication::restoreOverrideCursor();
    Label3->clear();
    BlankDone = true;
    UpdateControls();
}

void TBeerForm::ValidateEntry()
{
    // One measurement at a time: a second validation would store the running
    // one under other values. The typed text stays in its cell.
    if (measuring_ != Measure::None || Spectro->Busy) {
        SayWait();
        return;
    }
    const int row = EntryRow;
    const int i = row - 2;
    if (i < 0)
        return;
    // Below the first empty row there is no standard to add or replace.
    if (i > BeerGraph.PointCount) {
        PrepareEntryRow();
        return;
    }
    if (i == BeerGraph.PointCount && i >= GraphCapacity) {
        CurrentDialogs().Message(this, Translate(QStringLiteral("Liste pleine : 1501 étalons au plus")));
        PrepareEntryRow();
        return;
    }
    QTableWidgetItem *cell = BeerMesureGrid->item(row, 0);
    TypedConc = ReadTypedNumber(Cut(ToCp(cell ? cell->text() : QString()), TextLimit));
    if (TypedConc == MissingValue) {
        CurrentDialogs().Message(this, QStringLiteral("Nombre mal écrit"));
        PrepareEntryRow();
        return;
    }
    Tmonde &x = BeerGraph.WorldX;
    if (TypedConc > x.Max || TypedConc < x.Min) {
        const QString question = Sig(TypedConc) + QStringLiteral(" avec mini=") + Sig(x.Min)
                                 + QStringLiteral(" et maxi=") + Sig(x.Max) + QStringLiteral("\r\n    Vous confirmez ?");
        if (!CurrentDialogs().Question(this, question)) {
            PrepareEntryRow();
            return;
        }
        if (TypedConc > x.Max)
            x.Max = TypedConc;
        else
            x.Min = TypedConc;
        RepaintPlot();
    }
    // The row, the concentration and the wavelength of the measurement are
    // taken now and kept until its end; the reading starts as missing, so a
    // scan that never reaches the wavelength cannot give an old value.
    measuredRow_ = row;
    measuredConc_ = TypedConc;
    measuredLambda_ = Spectro->LambdaBeer;
    AbsAtLambda = MissingValue;
    if (!StartScan(Measure::Standard, false, [this] { StandardMeasured(); }))
        measuredRow_ = -1;
}

void TBeerForm::ScanPoint(std::int32_t lambda, double a)
{
    const int n = SpectrumGraph.PointCount;
    if (n == 0)
        Label3->setText(SpectrumMode ? QStringLiteral("Lecture du spectre...") : QStringLiteral("Attente de l'absorbance..."));
    if (lambda == (SpectrumMode ? int(Spectro->LambdaBeer) : measuredLambda_))
        AbsAtLambda = a;
    if (n < GraphCapacity) {
        SpectrumGraph.X[n] = lambda;
        SpectrumGraph.Curve1.Y[n] = a;
        SpectrumGraph.PointCount = static_cast<std::uint16_t>(n + 1);
    }
}

void TBeerForm::StandardMeasured()
{
    if (measuring_ != Measure::Standard)
        return;
    measuring_ = Measure::None;
    QApplication::restoreOverrideCursor();
    if (!Folded())
        SpectrePB->Redraw();
    Label3->clear();
    const int row = measuredRow_;
    measuredRow_ = -1;
    if (row < 2)
        return;
    const int i = row - 2;
    if (AbsAtLambda == MissingValue) {
        // Nothing of the standard changes: neither its concentration nor its
        // absorbance.
        CurrentDialogs().Message(this, QStringLiteral("Blanc à faire ?"));
        Label3->setText(QStringLiteral("Absorbance lue incorrecte"));
        UpdateControls();
        return;
    }
    BeerGraph.X[i] = measuredConc_;
    BeerGraph.Curve1.Y[i] = AbsAtLambda;
    StoreStandard(i);
    Saved = false;
    UpdateControls();
    if (EnregistreBtn->isVisible())
        RepaintPlot();
    if (BeerGraph.PointCount + 1 >= EntryRow)
        PrepareEntryRow();
}

void TBeerForm::StoreStandard(int i)
{
    Oscillo->DrawPoint(static_cast<std::uint16_t>(i), BeerGraph.Curve1);
    if (i == BeerGraph.PointCount)
        BeerGraph.PointCount = static_cast<std::uint16_t>(i + 1);
    if (BeerMesureGrid->rowCount() < i + 4)
        BeerMesureGrid->setRowCount(i + 4);
    SetCell(BeerMesureGrid, i + 2, 0, Sig(BeerGraph.X[i]));
    SetCell(BeerMesureGrid, i + 2, 1, Abs(BeerGraph.Curve1.Y[i]));
    BeerMesureGrid->setCurrentCell(i + 3, 0);
}

void TBeerForm::Fit()
{
    PrecisionText.clear();
    if (!EnregistreBtn->isEnabled())
        return;
    const BeerFit fit = FitThroughOrigin(BeerGraph.X.data(), BeerGraph.Curve1.Y.data(), BeerGraph.PointCount);
    Slope = fit.Slope;
    for (int j = 0; j < UnknownCount; ++j)
        UnknownConc[j] = Slope == MissingValue ? MissingValue : UnknownAbs[j] / Slope;
    PrecisionText = vandoral::PrecisionText(fit);
}

void TBeerForm::EnregistreBtnClick()
{
    if (!EnregistreBtn->isEnabled())
        return;
    if (UnknownCount >= GraphCapacity) {
        CurrentDialogs().Message(this, Translate(QStringLiteral("Liste pleine : 1501 inconnues au plus")));
        return;
    }
    measuredLambda_ = Spectro->LambdaBeer;
    AbsAtLambda = MissingValue;
    StartScan(Measure::Unknown, false, [this] { UnknownMeasured(); });
}

void TBeerForm::UnknownMeasured()
{
    if (measuring_ != Measure::Unknown)
        return;
    measuring_ = Measure::None;
    QApplication::restoreOverrideCursor();
    if (!Folded())
        SpectrePB->Redraw();
    if (AbsAtLambda == MissingValue) {
        CurrentDialogs().Message(this, QStringLiteral("Blanc à faire ?"));
        Label3->setText(QStringLiteral("Absorbance lue incorrecte"));
        UpdateControls();
        return;
    }
    Label3->clear();
    UpdateControls(); // the unknown button again, so the fit runs
    Fit();
    const int j = UnknownCount;
    if (beerCalcGrid->rowCount() < j + 1)
        beerCalcGrid->setRowCount(j + 1);
    UnknownAbs[j] = AbsAtLambda;
    if (Slope != MissingValue && Slope > MissingValue) {
        UnknownConc[j] = AbsAtLambda / Slope;
        SetCell(beerCalcGrid, j, 0, Sig(UnknownConc[j]));
        SetCell(beerCalcGrid, j, 1, Abs(UnknownAbs[j]));
        Oscillo->MarkPoint(UnknownConc[j], UnknownAbs[j]);
    } else {
        CurrentDialogs().Message(this, QStringLiteral("Données incorrectes"));
        UnknownConc[j] = MissingValue;
        SetCell(beerCalcGrid, j, 0, QStringLiteral("?"));
        SetCell(beerCalcGrid, j, 1, Abs(UnknownAbs[j]));
    }
    ++UnknownCount;
    UpdateControls();
}

void TBeerForm::SpectreBtnClick()
{
    if (measuring_ != Measure::None || Spectro->Busy) {
        SayWait();
        return;
    }
    StartScan(Measure::Spectrum, true, [this] { SpectrumFinished(); });
}

void TBeerForm::SpectrumFinished()
{
    if (measuring_ != Measure::Spectrum)
        return;
    measuring_ = Measure::None;
    QApplication::restoreOverrideCursor();
    SetFolded(false);
    Label3->clear();
    SpectrePB->Redraw();
    UpdateControls();
}

void TBeerForm::UndoBtnClick()
{
    if (!CalcGridActive) {
        const int r = BeerMesureGrid->currentRow();
        if (BeerGraph.PointCount >= 1 && BeerMesureGrid->currentColumn() == 0 && r >= 2
            && r < BeerGraph.PointCount + 2) {
            const int i = r - 2;
            for (int k = i; k + 1 < BeerGraph.PointCount; ++k) {
                BeerGraph.X[k] = BeerGraph.X[k + 1];
                BeerGraph.Curve1.Y[k] = BeerGraph.Curve1.Y[k + 1];
            }
            --BeerGraph.PointCount;
            Saved = false;
            UpdateControls();
            RepaintPlot();
        }
        return;
    }
    const int j = beerCalcGrid->currentRow();
    if (Spectro->Actif && j >= 0 && j < UnknownCount) {
        for (int k = j; k + 1 < UnknownCount; ++k) {
            UnknownAbs[k] = UnknownAbs[k + 1];
            UnknownConc[k] = UnknownConc[k + 1];
        }
        --UnknownCount;
        UpdateControls();
        RepaintPlot();
    }
}

void TBeerForm::ResetBtnClick()
{
    if (BeerGraph.PointCount > 0)
        Saved = false;
    BeerGraph.PointCount = 0;
    SpectrumGraph.PointCount = 0;
    UnknownCount = 0;
    RepaintPlot();
    UpdateControls();
}

void TBeerForm::AcquisitionItemClick()
{
    if (!ModeBeerDlg)
        ModeBeerDlg = new TModeBeerDlg(this);
    ModeBeerDlg->Execute();
    BeerGraph.WorldX.Name = Spectro->Nom;
    BeerGraph.WorldX.Unit = Spectro->Unite;
    BeerGraph.WorldX.LongName = Spectro->Signif;
    BeerGraph.WorldX.Min = Spectro->Mini;
    BeerGraph.WorldX.Max = Spectro->Maxi;
    RepaintPlot();
    UpdateControls();
}

// ---- plot and spectrum panel -----------------------------------------------------------

void TBeerForm::RepaintPlot()
{
    Oscillo->Redraw();
    Oscillo->repaint();
    if (!Folded())
        SpectrePB->Redraw();
}

void TBeerForm::OscilloBeforeDraw()
{
    Tmonde &x = BeerGraph.WorldX, &y = BeerGraph.WorldY;
    if (BeerGraph.PointCount >= 1) {
        double t = 1.05 * BeerGraph.MaxY();
        if (t < 0.1)
            t = 1.0;
        if (y.Max < t)
            y.Max = t;
        if (Spectro && Spectro->Actif) {
            double aMax = 0, cMax = 0;
            for (int j = 0; j < UnknownCount; ++j) {
                aMax = std::max(aMax, UnknownAbs[j]);
                if (UnknownConc[j] != MissingValue)
                    cMax = std::max(cMax, UnknownConc[j]);
            }
            if (aMax < 0.01)
                aMax = 0.1;
            if (x.Max < cMax)
                x.Max = cMax;
            if (y.Max < aMax)
                y.Max = aMax;
        }
    } else {
        y.Max = 1.0;
    }
}

void TBeerForm::FillMeasureGrid()
{
    filling_ = true;
    const int n = BeerGraph.PointCount;
    SetCell(BeerMesureGrid, 0, 0, FromCp(BeerGraph.WorldX.Name));
    SetCell(BeerMesureGrid, 0, 1, FromCp(BeerGraph.WorldY.Name));
    SetCell(BeerMesureGrid, 1, 0, FromCp(BeerGraph.WorldX.Unit));
    SetCell(BeerMesureGrid, 1, 1, FromCp(BeerGraph.WorldY.Unit));
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            BeerMesureGrid->item(r, c)->setFlags(Qt::ItemIsEnabled);
    if (BeerMesureGrid->rowCount() < n + 3)
        BeerMesureGrid->setRowCount(n + 5);
    for (int i = 0; i < n; ++i) {
        SetCell(BeerMesureGrid, i + 2, 0, Sig(BeerGraph.X[i]));
        SetCell(BeerMesureGrid, i + 2, 1, Abs(BeerGraph.Curve1.Y[i]));
        BeerMesureGrid->item(i + 2, 1)->setFlags(Qt::ItemIsEnabled);
    }
    for (int r = n + 2; r < BeerMesureGrid->rowCount(); ++r) {
        SetCell(BeerMesureGrid, r, 0, QString());
        SetCell(BeerMesureGrid, r, 1, QString());
        BeerMesureGrid->item(r, 1)->setFlags(Qt::ItemIsEnabled);
    }
    if (BeerMesureGrid->currentRow() != n + 2 || BeerMesureGrid->currentColumn() != 0)
        BeerMesureGrid->setCurrentCell(n + 2, 0);
    filling_ = false;
}

void TBeerForm::OscilloAfterDraw()
{
    FillMeasureGrid();
    TCanvas *canvas = BeerGraph.Canvas;
    if (Spectro && Spectro->Actif && BeerGraph.PointCount > 2) {
        Fit();
        if (beerCalcGrid->rowCount() < UnknownCount + 1)
            beerCalcGrid->setRowCount(UnknownCount + 3);
        if (Slope != MissingValue && Slope > MissingValue) {
            int x0, y0, x1, y1;
            BeerGraph.WorldToPixel(0, 0, x0, y0);
            const double xMax = BeerGraph.WorldX.Max;
            BeerGraph.WorldToPixel(xMax, Slope * xMax, x1, y1);
            // A steep line ends on the top of the absorbance axis.
            if (y1 < BeerGraph.Bounds.Top)
                BeerGraph.WorldToPixel(BeerGraph.WorldY.Max / Slope, BeerGraph.WorldY.Max, x1, y1);
            if (canvas) {
                canvas->SetPenStyle(PenStyle::Solid);
                canvas->SetPenWidth(1);
                canvas->SetPenColor(BeerGraph.Curve1.Color);
                canvas->MoveTo(x0, y0);
                canvas->LineTo(x1, y1);
            }
            for (int j = 0; j < UnknownCount; ++j) {
                SetCell(beerCalcGrid, j, 0, Sig(UnknownConc[j]));
                SetCell(beerCalcGrid, j, 1, Abs(UnknownAbs[j]));
                BeerGraph.MarkPoint(UnknownConc[j], UnknownAbs[j]);
            }
        } else {
            for (int j = 0; j < UnknownCount; ++j) {
                SetCell(beerCalcGrid, j, 0, QStringLiteral("?"));
                SetCell(beerCalcGrid, j, 1, Abs(UnknownAbs[j]));
            }
        }
        for (int j = UnknownCount; j < beerCalcGrid->rowCount(); ++j) {
            SetCell(beerCalcGrid, j, 0, QString());
            SetCell(beerCalcGrid, j, 1, QString());
        }
    } else {
        PrecisionText.clear();
    }
    if (!PrecisionText.empty() && canvas)
        canvas->TextOut(BeerGraph.PlotRect.Left + 8, 8, PrecisionText);
}

void TBeerForm::SpectrePBAfterDraw()
{
    TCanvas *c = SpectrumGraph.Canvas;
    if (!c || !Spectro)
        return;
    int px, py;
    SpectrumGraph.WorldToPixel(Spectro->LambdaBeer, 0, px, py);
    c->SetPenStyle(PenStyle::Solid);
    c->SetPenColor(LambdaColor(Spectro->LambdaBeer));
    c->SetPenWidth(3);
    c->MoveTo(px, 0);
    c->LineTo(px, SpectrePB->height());
    c->SetPenWidth(1);
}

bool TBeerForm::Folded() const
{
    const QList<int> sizes = GripSplitter1->sizes();
    return sizes.isEmpty() || sizes.at(0) == 0;
}

void TBeerForm::SetFolded(bool folded)
{
    QList<int> sizes = GripSplitter1->sizes();
    if (sizes.size() < 3)
        return;
    const int total = sizes.at(0) + sizes.at(1);
    sizes[0] = folded ? 0 : 300;
    sizes[1] = std::max(100, total - sizes[0]);
    GripSplitter1->setSizes(sizes);
}

bool TBeerForm::HitsLambda(int x) const
{
    int px, py;
    SpectrumGraph.WorldToPixel(Spectro->LambdaBeer, 0, px, py);
    return std::abs(px - x) < 4;
}

void TBeerForm::SpectrePBMouseDown(int x, int)
{
    if (!SpectrePB->isEnabled())
        return;
    DraggingLambda = HitsLambda(x);
    const QString hint = DraggingLambda ? QStringLiteral("Réglage de lambda") : QString();
    MarkerHint(SpectrePB, hint);
}

void TBeerForm::SpectrePBMouseMove(int x, int y, bool leftDown)
{
    if (!SpectrePB->isEnabled())
        return;
    if (!DraggingLambda) {
        MarkerHint(SpectrePB, HitsLambda(x) ? QStringLiteral("Réglage de lambda") : QString());
        return;
    }
    if (leftDown)
        DragTo(x, y);
}

void TBeerForm::SpectrePBMouseUp(int x, int y)
{
    if (!DraggingLambda)
        return;
    DragTo(x, y);
    DraggingLambda = false;
    MarkerHint(SpectrePB, QString());
}

void TBeerForm::DragTo(int x, int y)
{
    double lambda, a;
    SpectrumGraph.PixelToWorld(x, y, lambda, a);
    const double nm = std::nearbyint(lambda);
    LambdaSE->setValue(std::fabs(nm) < 1e9 ? int(nm) : 0); // kept within its bounds
}

// ---- activation, saving, printing, keyboard, closing ----------------------------------

void TBeerForm::FormActivate()
{
    Label3->clear();
    // The window exists before the instrument is identified: its limits are
    // applied at each activation.
    if (Spectro) {
        const QSignalBlocker block(LambdaSE);
        LambdaSE->setRange(Spectro->LambdaMin, Spectro->LambdaMax);
        LambdaSE->setValue(Spectro->LambdaBeer);
        Spectro->LambdaBeer = static_cast<std::uint16_t>(LambdaSE->value());
        SpectrumGraph.WorldX.Min = Spectro->LambdaMin;
        SpectrumGraph.WorldX.Max = Spectro->LambdaMax;
    }
    RepaintPlot();
    SetFolded(true);
    UpdateControls();
    RafraichitControle();
}

void TBeerForm::SaveAction(int tag)
{
    if (!FormDDE)
        return;
    // Sorted by concentration, and the grid shows the new order at once, so a
    // row and the standard it shows stay the same one.
    BeerGraph.SortByX();
    RepaintPlot();
    FormDDE->BeerGraph = &BeerGraph;
    if (SaveWith(tag, [](bool toTabvista) { FormDDE->ExportBeer(toTabvista); },
                 [](const QString &name, int filter) { return FormDDE->SauveBeer(name, filter); })
        >= 0)
        Saved = true;
}

void TBeerForm::ZoomBtnClick()
{
    if (ZoomBtn->isChecked() && BeerGraph.PointCount >= 2) {
        BeerGraph.WorldY.Max = AutoTop(BeerGraph.MaxY(), Spectro->AbsMax);
    } else {
        BeerGraph.WorldY.Max = Spectro->AbsMax;
    }
    RepaintPlot();
}

void TBeerForm::PrintBtnClick()
{
    PrintOnLandscape(BeerGraph);
    RepaintPlot(); // the screen's bounds and scales again
}

bool TBeerForm::SpaceBar()
{
    if (!BlankDone) {
        if (!ZeroBtn->isEnabled())
            return false;
        ZeroBtnClick();
        return true;
    }
    if (EnregistreBtn->isEnabled()) {
        EnregistreBtnClick();
        return true;
    }
    return false;
}

bool TBeerForm::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        if (w == BeerMesureGrid || BeerMesureGrid->isAncestorOf(w)) {
            auto *key = static_cast<QKeyEvent *>(e);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                // The editor's text into its cell, then the validation.
                if (auto *edit = qobject_cast<QLineEdit *>(w))
                    SetCell(BeerMesureGrid, BeerMesureGrid->currentRow(), BeerMesureGrid->currentColumn(), edit->text());
                ValidateEntry();
                return true;
            }
            const QString text = key->text();
            if (text.size() == 1 && text.at(0).unicode() >= 32) {
                const QChar c = text.at(0);
                auto *edit = qobject_cast<QLineEdit *>(w);
                if (edit && (c == QLatin1Char('.') || c == QLatin1Char(','))) {
                    edit->insert(QString(QChar::fromLatin1(Formats().decimalSeparator)));
                    return true;
                }
                const bool allowed = c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-')
                                     || c == QLatin1Char('E') || c == QLatin1Char('e') || c == QLatin1Char(' ')
                                     || c == QLatin1Char('.') || c == QLatin1Char(',');
                // Only the concentration column takes characters.
                if (!allowed || BeerMesureGrid->currentColumn() != 0 || BeerMesureGrid->currentRow() < 2)
                    return true;
            }
        }
    }
    return TModeForm::eventFilter(watched, e);
}

bool TBeerForm::FormCloseQuery()
{
    if (BeerGraph.PointCount > 2 && !Saved)
        AskSave();
    return true;
}

} // namespace vandoral

// The Beer-Lambert window's controls: the tool bar, the grids beside the
// plot and the folding spectrum panel, their connections; the plot and the
// statistics panel drawn again.
#include "beerwindow.h"

#include "analysistext.h"
#include "beergrid.h"
#include "driver.h"
#include "graphbox.h"
#include "hint.h"
#include "numtext.h"
#include "qtext.h"
#include "scanpanel.h"

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

void TBeerForm::BuildTools()
{
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
    AddSaveButton(SaveTarget::Tabvista);
    ToolButton1 = AddButton("ToolButton1", QStringLiteral("Imprimer"), QStringLiteral("Imprimer le graphe"), 4);
    AddConnectAndExit();

}

QSplitter *TBeerForm::BuildPanels(QWidget *parent)
{
    GripSplitter1 = new QSplitter(Qt::Horizontal, parent);
    GripSplitter1->setObjectName(QStringLiteral("GripSplitter1"));
    SpectrePB = new ScanPanel(&Session.SpectrumGraph, GripSplitter1);
    Oscillo = new GraphBox(&Session.BeerGraph, GripSplitter1);
    Oscillo->setObjectName(QStringLiteral("Oscillo"));
    Oscillo->setAccessibleName(QStringLiteral("Graphe"));
    auto *panel1 = new QSplitter(Qt::Vertical, GripSplitter1);
    panel1->setObjectName(QStringLiteral("CalcSplit"));
    panel1->setFixedWidth(236);
    BeerMesureGrid = new QTableWidget(8, 3, panel1);
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
    BeerMesureGrid->setColumnWidth(2, 76);
    BeerMesureGrid->setItemDelegateForColumn(2, NewResidualDelegate(BeerMesureGrid));
    beerCalcGrid->setColumnWidth(0, 144); // "1,58 ± 0,05"
    BeerMesureGrid->setItemDelegate(NewEntryDelegate(&Session.Data, BeerMesureGrid));
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


    Oscillo->BeforeDraw = [this] { Session.PreparePlot(); };
    Oscillo->AfterDraw = [this] { OscilloAfterDraw(); };
    SpectrePB->BeforeDraw = [this] { Session.PrepareSpectrumPanel(); };
    SpectrePB->Markers = [] {
        return std::vector<ScanPanel::Marker>{{Spectro->LambdaBeer, QStringLiteral("Réglage de lambda")}};
    };
    SpectrePB->ShowHint = [this](const QString &hint) { ShowHint(hint); };
    // Kept within the spin box's bounds.
    connect(SpectrePB, &ScanPanel::dragged, this, [this](MarkerDrag, int lambda) { LambdaSE->setValue(lambda); });
    return GripSplitter1;
}

void TBeerForm::Connect()
{
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
    AddPrintMenu(ToolButton1);
    connect(BeerMesureGrid, &QTableWidget::currentCellChanged, this, &TBeerForm::SelectCell);
    // The calculation grid's row follows the click; undo then acts there.
    connect(beerCalcGrid, &QTableWidget::cellPressed, this, [this] {
        UpdateControls();
        CalcGridActive = true;
        UpdateUndo();
        SetHint(UndoBtn, QStringLiteral("Suppression du point calculé actif"));
    });
}

// ---- plot and spectrum panel -----------------------------------------------------------

void TBeerForm::RepaintPlot()
{
    Oscillo->Redraw();
    Oscillo->repaint();
    if (!Folded())
        SpectrePB->Redraw();
}

void TBeerForm::OscilloAfterDraw()
{
    FillMeasureGrid();
    if (!Session.ShowsFit())
        return;
    FillCalcGrid();
    // The precision of the line, not while a measurement may change it.
    Session.DrawFit(!Session.Busy());
}

QStringList TBeerForm::StatsLines() const
{
    return BeerStatsOrWhy(Session, Spectro->Actif);
}

void TBeerForm::ShowStats()
{
    if (!StatsLabel)
        return; // a drawing while the window is being built
    const QStringList lines = StatsLines();
    StatsBtn->setVisible(!lines.isEmpty());
    StatsLabel->setText(lines.join(QLatin1Char('\n')));
    StatsLabel->setVisible(!lines.isEmpty() && StatsBtn->isChecked());
    // The warning stands out.
    StatsLabel->setStyleSheet(Session.Stats && Session.Stats->MissesOrigin ? QStringLiteral("color: #a00000")
                                                                           : QString());
}

bool TBeerForm::Folded() const
{
    return ScanPanel::Folded(GripSplitter1, 0);
}

void TBeerForm::SetFolded(bool folded)
{
    ScanPanel::SetFolded(GripSplitter1, 0, 1, folded, 300);
}

} // namespace vandoral

#include "tracewindow.h"

#include "dialogs.h"
#include "driver.h"
#include "exportwindow.h"
#include "graphbox.h"
#include "numtext.h"
#include "qtcanvas.h"
#include "qtext.h"

#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace vandoral {

namespace {

QLabel *Label(QWidget *parent, const char *name, int pixels, bool bold, const char *colour)
{
    auto *l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    QFont f = l->font();
    f.setPixelSize(pixels);
    f.setBold(bold);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(colour)));
    return l;
}

} // namespace

ColourBand::ColourBand(const Tgraphe *graph, QWidget *parent) : QWidget(parent), graph_(graph)
{
    setObjectName(QStringLiteral("CouleursPB"));
    setAccessibleName(QStringLiteral("Couleurs"));
    setFixedHeight(32);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColourBand::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int plotWidth = graph_->PlotRect.Right - graph_->PlotRect.Left;
    // Nothing to align with before the graph's first drawing.
    if (!drawn_ || plotWidth <= 0) {
        p.fillRect(rect(), palette().window());
        return;
    }
    const double s = (graph_->WorldX.Max - graph_->WorldX.Min) / plotWidth;
    for (int x = 0; x < width(); ++x) {
        const double lambda = (x - graph_->PlotRect.Left) * s + graph_->WorldX.Min;
        const double rounded = std::nearbyint(lambda);
        const int nm = std::fabs(rounded) < 1e9 ? int(rounded) : 0;
        p.setPen(ToQColor(LambdaColor(nm)));
        p.drawLine(x, 0, x, height() - 1);
    }
}

TTraceSpectre::TTraceSpectre(QWidget *parent)
    : TModeForm(QStringLiteral("Tracé de spectre"), QStringLiteral("WindowS"), parent)
{
    setObjectName(QStringLiteral("TraceSpectre"));
    BlancBtn = AddButton("BlancBtn", QStringLiteral("Blanc"), QStringLiteral("|Installer cuve avec solvant et cliquer ici"), 10);
    SpectreBtn = AddButton("SpectreBtn", QStringLiteral("Spectre"), QStringLiteral("|Lancer l'acquisition du spectre"), 14);
    ReticuleBtn = AddButton("ReticuleBtn", QStringLiteral("Réticule"), QStringLiteral("Réticule"), 13, true);
    AddSaveButton(0);
    PrintBtn = AddButton("PrintBtn", QStringLiteral("Imprimer"), QStringLiteral("Impression du graphe"), 4);
    ZoomBtn = AddButton("ZoomBtn", QStringLiteral("Auto"), QStringLiteral("Echelle automatique"), 15, true);
    AddConnectAndExit();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *absPanel = new QWidget(central);
    absPanel->setObjectName(QStringLiteral("AbsPanel"));
    absPanel->setFixedHeight(43);
    auto *absLayout = new QHBoxLayout(absPanel);
    Label4 = Label(absPanel, "Label4", 27, true, "black");
    Label3 = Label(absPanel, "Label3", 27, true, "red");
    absLayout->addWidget(Label4);
    absLayout->addStretch(1);
    absLayout->addWidget(Label3);
    layout->addWidget(absPanel);
    auto *panelBlanc = new QWidget(central);
    panelBlanc->setObjectName(QStringLiteral("PanelBlanc"));
    panelBlanc->setFixedHeight(24);
    auto *blancLayout = new QHBoxLayout(panelBlanc);
    blancLayout->setContentsMargins(4, 0, 4, 0);
    Label1 = Label(panelBlanc, "Label1", 16, false, "red");
    blancLayout->addWidget(Label1);
    layout->addWidget(panelBlanc);

    SetUpSpectrumGraph(Graphe, Spectro);
    PaintBox = new GraphBox(&Graphe, central);
    PaintBox->setObjectName(QStringLiteral("PaintBox"));
    PaintBox->setAccessibleName(QStringLiteral("Graphe"));
    QFont graphFont(QStringLiteral("Tahoma"));
    graphFont.setPixelSize(13);
    graphFont.setBold(true);
    PaintBox->setFont(graphFont);
    PaintBox->setMouseTracking(true);
    PaintBox->AfterDraw = [this] {
        if (ReticuleBtn->isChecked())
            Graphe.DrawCursor();
    };
    layout->addWidget(PaintBox, 1);
    CouleursPB = new ColourBand(&Graphe, central);
    layout->addWidget(CouleursPB);
    setCentralWidget(central);

    connect(PaintBox, &GraphBox::redrawn, CouleursPB, &ColourBand::GraphDrawn);
    connect(PaintBox, &GraphBox::mouseMoved, this, &TTraceSpectre::PaintBoxMouseMove);
    connect(PaintBox, &GraphBox::mouseLeft, this, &TTraceSpectre::PaintBoxMouseLeave);
    connect(BlancBtn, &QToolButton::clicked, this, &TTraceSpectre::BlancBtnClick);
    connect(SpectreBtn, &QToolButton::clicked, this, &TTraceSpectre::SpectreBtnClick);
    connect(ReticuleBtn, &QToolButton::clicked, this, &TTraceSpectre::ReticuleBtnClick);
    connect(ZoomBtn, &QToolButton::clicked, this, &TTraceSpectre::ZoomBtnClick);
    connect(PrintBtn, &QToolButton::clicked, this, &TTraceSpectre::PrintBtnClick);
    ActualiseBoutons();
}

void TTraceSpectre::FormActivate()
{
    Label4->clear();
    // Each activation restores the instrument's full range.
    Graphe.SetWorld(Spectro->LambdaMin, 0, Spectro->LambdaMax, Spectro->AbsMax);
    ZoomBtn->setChecked(false);
    RepaintGraph();
    RafraichitControle();
}

void TTraceSpectre::ActualiseBoutons()
{
    const bool data = Graphe.PointCount > 0;
    for (QToolButton *b : {RegSaveBtn, PrintBtn, ReticuleBtn, ZoomBtn})
        b->setEnabled(data);
    const bool controlled = Spectro && Spectro->Controlled;
    const bool busy = Spectro && Spectro->Busy;
    SpectreBtn->setEnabled(BlancFait && controlled && !busy);
    BlancBtn->setEnabled(controlled && !busy);
    Label3->setVisible(busy);
    if (!ReticuleBtn->isEnabled())
        ReticuleBtn->setChecked(false);
    Label1->setText(BlancFait
                        ? QStringLiteral("Insérez l'échantillon et cliquez sur le bouton \"Spectre\"")
                        : QStringLiteral("Faire d'abord le blanc : installer la cuve avec solvant dans le "
                                         "spectro puis cliquer sur le bouton \"Blanc\""));
}

void TTraceSpectre::RepaintGraph()
{
    PaintBox->Redraw();
    PaintBox->repaint();
}

void TTraceSpectre::BlancBtnClick()
{
    // A request the instrument does not take leaves the window as it was.
    if (!Spectro->SetRef([this] { BlancTermine(); })) {
        SayBusy();
        return;
    }
    Label3->setText(QStringLiteral("Blanc en cours..."));
    RafraichitControle();
    Graphe.PointCount = 0;
    truncated_ = false;
    RepaintGraph();
}

void TTraceSpectre::BlancTermine()
{
    BlancFait = true;
    ActualiseBoutons();
}

void TTraceSpectre::SpectreBtnClick()
{
    const double minX = Graphe.WorldX.Min, maxX = Graphe.WorldX.Max;
    Graphe.WorldX.Min = Spectro->LambdaMin;
    Graphe.WorldX.Max = Spectro->LambdaMax;
    if (!Spectro->Scan([this](std::int32_t i, double a) { ValeurRecue(i, a); }, [this] { SpectreTermine(); })) {
        Graphe.WorldX.Min = minX;
        Graphe.WorldX.Max = maxX;
        SayBusy();
        return;
    }
    Label3->setText(QStringLiteral("Acquisition du spectre..."));
    RafraichitControle();
    Graphe.PointCount = 0;
    truncated_ = false;
    RepaintGraph();
}

void TTraceSpectre::ValeurRecue(std::int32_t index, double absorbance)
{
    try {
        if (Graphe.PointCount == 0)
            Label3->setText(QStringLiteral("Lecture du spectre..."));
        const int n = Graphe.PointCount;
        // The graph holds 1501 values: the first ones are kept, the cut is said
        // when the scan ends.
        if (n >= GraphCapacity) {
            truncated_ = true;
            return;
        }
        Graphe.X[n] = index;
        Graphe.Curve1.Y[n] = absorbance;
        PaintBox->DrawPoint(static_cast<std::uint16_t>(n), Graphe.Curve1);
        Graphe.PointCount = static_cast<std::uint16_t>(n + 1);
        if (absorbance != MissingValue && absorbance > Graphe.WorldY.Max) {
            Graphe.WorldY.Max = 1.05 * absorbance;
            RepaintGraph();
        }
        Sauve = false;
    } catch (...) {
    }
}

void TTraceSpectre::SpectreTermine()
{
    ActualiseBoutons();
    if (truncated_)
        ShowStatus(Translate(QStringLiteral("Spectre tronqué : seules les 1501 premières valeurs sont gardées")));
}

void TTraceSpectre::ReticuleBtnClick()
{
    PaintBox->DrawCursor();
    ActualiseBoutons();
}

void TTraceSpectre::PaintBoxMouseMove(int x, int y)
{
    if (!ReticuleBtn->isChecked())
        return;
    PaintBox->DrawCursor(); // erased at its old place
    double lambda = 0, a = 0;
    Graphe.PixelToWorld(x, y, lambda, a);
    bool unknown = false;
    const int count = Graphe.PointCount;
    if (count > 0 && Graphe.X[0] <= lambda && lambda <= Graphe.X[count - 1]) {
        int i = 0;
        while (i < count - 1 && Graphe.X[i] < lambda)
            ++i;
        const double *y1 = Graphe.Curve1.Y.data();
        if (i == 0 || Graphe.X[i] == Graphe.X[i - 1]) {
            a = y1[i];
            unknown = a == MissingValue;
        } else if (y1[i] == MissingValue || y1[i - 1] == MissingValue) {
            unknown = true; // no value to read there
        } else {
            a = y1[i] + (lambda - Graphe.X[i]) * (y1[i] - y1[i - 1]) / (Graphe.X[i] - Graphe.X[i - 1]);
        }
        if (!unknown)
            Graphe.WorldToPixel(lambda, a, x, y);
    }
    Graphe.CursorY = y;
    const double nm = std::nearbyint(lambda);
    Label4->setText(QStringLiteral("Lambda=%1 nm ; A= %2")
                        .arg(std::fabs(nm) < 1e9 ? qint64(nm) : 0)
                        .arg(unknown ? QStringLiteral("?") : FromCp(Spectro->FormatAbs(a))));
    Graphe.CursorX = x;
    PaintBox->DrawCursor();
}

void TTraceSpectre::PaintBoxMouseLeave()
{
    Label4->clear();
}

void TTraceSpectre::ZoomBtnClick()
{
    if (ZoomBtn->isChecked())
        EchelleAuto();
    else
        EchelleFixe();
}

void TTraceSpectre::EchelleAuto()
{
    Graphe.WorldY.Max = AutoTop(Graphe.MaxY(), Spectro->AbsMax);
    RepaintGraph();
}

void TTraceSpectre::EchelleFixe()
{
    Graphe.WorldY.Max = Spectro->AbsMax;
    Graphe.WorldX.Max = Spectro->LambdaMax;
    Graphe.WorldX.Min = Spectro->LambdaMin;
    RepaintGraph();
}

void TTraceSpectre::PrintBtnClick()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!CurrentDialogs().SetUpPrinter(this, printer))
        return;
    QPainter painter;
    if (!painter.begin(&printer)) {
        CurrentDialogs().Error(this, Translate(QStringLiteral("Impression impossible")));
        return;
    }
    const QSize size = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    QtCanvas canvas(&painter, QRect(QPoint(0, 0), size));
    TCanvas *saved = Graphe.Canvas;
    Graphe.Canvas = &canvas;
    // Margins of a twentieth; in portrait the graph takes the upper half.
    TRect b{0, 0, size.width(), size.height()};
    int d = (b.Right - b.Left) / 20;
    b.Right -= d;
    b.Left += d;
    if (printer.pageLayout().orientation() == QPageLayout::Portrait)
        b.Bottom = (b.Top + b.Bottom) / 2;
    d = (b.Bottom - b.Top) / 20;
    b.Bottom -= d;
    b.Top += d;
    Graphe.Bounds = b;
    Graphe.Draw();
    canvas.Flush();
    painter.end();
    Graphe.Canvas = saved;
    // The page's bounds and scales must not stay: the cross-hair and the next
    // points would land where the page had them.
    RepaintGraph();
}

void TTraceSpectre::SaveAction(int tag)
{
    if (!FormDDE)
        return;
    FormDDE->SpectreGraph = &Graphe;
    if (SaveWith(tag, [](bool toTabvista) { FormDDE->ExportSpectre(toTabvista); },
                 [](const QString &name, int filter) { return FormDDE->SauveSpectre(name, filter); })
        >= 0)
        Sauve = true;
}

bool TTraceSpectre::SpaceBar()
{
    if (SpectreBtn->isEnabled()) {
        SpectreBtnClick();
        return true;
    }
    if (BlancBtn->isEnabled()) {
        BlancBtnClick();
        return true;
    }
    return false;
}

bool TTraceSpectre::FormCloseQuery()
{
    // Not during a measurement: nothing to ask then, the window stays.
    if (Spectro && Spectro->Busy) {
        ShowStatus(Translate(QStringLiteral("Attendre la fin de la mesure en cours")));
        return false;
    }
    if (Graphe.PointCount > 0 && !Sauve)
        AskSave();
    return !(Spectro && Spectro->Busy);
}

} // namespace vandoral

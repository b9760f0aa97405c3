#include "tracewindow.h"

#include "dialogs.h"
#include "driver.h"
#include "analysistext.h"
#include "exportwindow.h"
#include "pagedialog.h"
#include "graphbox.h"
#include "modejournal.h"
#include "numtext.h"
#include "qtcanvas.h"
#include "qtext.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTime>
#include <QPainter>
#include <QPrinter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
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
    : TModeForm(QStringLiteral("Tracé de spectre"), QStringLiteral("WindowS"), parent), Session(*Spectro, Spectro)
{
    Session.OnEvent = [this](SessionEvent e, int value) { SessionChanged(e, value); };
    setObjectName(QStringLiteral("TraceSpectre"));
    BlancBtn = AddButton("BlancBtn", QStringLiteral("Blanc"), QStringLiteral("|Installer cuve avec solvant et cliquer ici"), 10);
    SpectreBtn = AddButton("SpectreBtn", QStringLiteral("Spectre"), QStringLiteral("|Lancer l'acquisition du spectre"), 14);
    ReticuleBtn = AddButton("ReticuleBtn", QStringLiteral("Réticule"), QStringLiteral("Réticule"), 13, true);
    AddSaveButton(SaveTarget::Tabvista);
    PrintBtn = AddButton("PrintBtn", QStringLiteral("Imprimer"), QStringLiteral("Impression du graphe"), 4);
    ZoomBtn = AddButton("ZoomBtn", QStringLiteral("Auto"), QStringLiteral("Echelle automatique"), 15, true);
    RefBtn = AddButton("RefBtn", QStringLiteral("Références"),
                       QStringLiteral("Garder le spectre comme référence, effacer les références"), 14);
    RefBtn->setPopupMode(QToolButton::InstantPopup);
    auto *refMenu = new QMenu(RefBtn);
    refMenu->setObjectName(QStringLiteral("RefMenu"));
    KeepRefM = refMenu->addAction(QStringLiteral("Garder comme référence"));
    KeepRefM->setObjectName(QStringLiteral("KeepRefM"));
    // Ctrl+R keeps one at the keyboard, the menu closed.
    KeepRefM->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    addAction(KeepRefM);
    ClearRefM = refMenu->addAction(QStringLiteral("Effacer les références"));
    ClearRefM->setObjectName(QStringLiteral("ClearRefM"));
    OpenRefM = refMenu->addAction(QStringLiteral("Ouvrir comme référence…"));
    OpenRefM->setObjectName(QStringLiteral("OpenRefM"));
    RefBtn->setMenu(refMenu);
    connect(OpenRefM, &QAction::triggered, this, &TTraceSpectre::OpenRefClick);
    connect(KeepRefM, &QAction::triggered, this, &TTraceSpectre::KeepRefClick);
    connect(ClearRefM, &QAction::triggered, this, &TTraceSpectre::ClearRefClick);
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
    PeaksLabel = Label(central, "PeaksLabel", 15, true, "black");
    PeaksLabel->setAccessibleName(QStringLiteral("Pics"));
    PeaksLabel->setContentsMargins(4, 0, 4, 0);
    PeaksLabel->setFixedHeight(22);
    layout->addWidget(PeaksLabel);

    Tgraphe &graph = Session.Graphe;
    graph.UnderCurves = [this] { Session.DrawReferences(); };
    PaintBox = new GraphBox(&graph, central);
    PaintBox->setObjectName(QStringLiteral("PaintBox"));
    PaintBox->setAccessibleName(QStringLiteral("Graphe"));
    QFont graphFont(QStringLiteral("Tahoma"));
    graphFont.setPixelSize(13);
    graphFont.setBold(true);
    PaintBox->setFont(graphFont);
    PaintBox->setMouseTracking(true);
    PaintBox->AfterDraw = [this] {
        Session.DrawPeaks();
        if (ReticuleBtn->isChecked())
            Session.Graphe.DrawCursor();
    };
    layout->addWidget(PaintBox, 1);
    CouleursPB = new ColourBand(&graph, central);
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
    AddPrintMenu(PrintBtn);
    ActualiseBoutons();
}

void TTraceSpectre::FormActivate()
{
    Label4->clear();
    // Each activation restores the instrument's full range.
    double lo = Spectro->LambdaMin, hi = Spectro->LambdaMax;
    Session.FullRange(lo, hi); // a spectrum opened from a file may reach further
    Session.Graphe.SetWorld(lo, 0, hi, Spectro->AbsMax);
    ZoomBtn->setChecked(false);
    RepaintGraph();
    RafraichitControle();
}

void TTraceSpectre::ActualiseBoutons()
{
    const bool data = Session.HasData();
    for (QToolButton *b : {RegSaveBtn, PrintBtn, ReticuleBtn, ZoomBtn})
        b->setEnabled(data);
    const bool busy = Session.Busy();
    SpectreBtn->setEnabled(Session.CanScan());
    BlancBtn->setEnabled(Session.CanBlank());
    Label3->setVisible(busy);
    if (!ReticuleBtn->isEnabled())
        ReticuleBtn->setChecked(false);
    KeepRefM->setEnabled(data && !busy && Session.References().size() < TTraceSession::MaxReferences);
    ClearRefM->setEnabled(!Session.References().empty());
    OpenRefM->setEnabled(Session.References().size() < TTraceSession::MaxReferences);
    RefBtn->setEnabled(KeepRefM->isEnabled() || ClearRefM->isEnabled() || OpenRefM->isEnabled());
    Label1->setText(Session.BlancFait ? QStringLiteral("Insérez l'échantillon et cliquez sur le bouton \"Spectre\"")
                                      : BlankBanner());
}

bool TTraceSpectre::Recover(const JournalContents &journal, const QString &path)
{
    if (!RestoreSpectrum(journal, Session))
        return false;
    ActualiseBoutons();
    JournalAdopt(path);
    return true;
}

void TTraceSpectre::RepaintGraph()
{
    PaintBox->Redraw();
    PaintBox->repaint();
    ShowPeaks(false);
}

void TTraceSpectre::ShowPeaks(bool repaintOnChange)
{
    const std::vector<Peak> peaks = Session.Peaks();
    const bool changed = peaks.size() != shownPeaks_.size()
                         || !std::equal(peaks.begin(), peaks.end(), shownPeaks_.begin(), [](const Peak &a, const Peak &b) {
                                return a.Lambda == b.Lambda && a.A == b.A;
                            });
    shownPeaks_ = peaks;
    PeaksLabel->setText(Session.HasData() ? PeaksLine(peaks) : QString());
    // The marks are drawn with the whole graph.
    if (changed && repaintOnChange)
        RepaintGraph();
}

void TTraceSpectre::KeepRefClick()
{
    QString legend = ConstanteDlg ? ConstanteDlg->EditComm->text().trimmed() : QString();
    if (legend.isEmpty())
        legend = scanTime_.isEmpty() ? QTime::currentTime().toString(QStringLiteral("HH:mm:ss")) : scanTime_;
    ReferenceKept(Session.KeepReference(ToCp(legend)));
}

void TTraceSpectre::ReferenceKept(TTraceSession::Keep kept)
{
    if (kept == TTraceSession::Keep::Full)
        ShowStatus(QStringLiteral("Huit références au plus : effacez-les pour en garder d'autres"));
    if (kept != TTraceSession::Keep::Kept)
        return;
    // The wavelengths shown widen to the reference's.
    const Tgraphe &g = Session.Graphe;
    Session.FullScale(g.WorldX.Min, g.WorldX.Max, g.WorldY.Max);
    ActualiseBoutons();
    RepaintGraph();
}

void TTraceSpectre::ClearRefClick()
{
    Session.ClearReferences();
    ActualiseBoutons();
    RepaintGraph();
}

bool TTraceSpectre::ConfirmReplace()
{
    // A new blank or scan clears the spectrum shown: an unsaved one only
    // after "Oui", and then knowingly (its journal ends).
    if (!Session.AsksSave())
        return true;
    if (!CurrentDialogs().Question(this, Translate(QStringLiteral("Le spectre n'est pas enregistré. L'effacer ?"))))
        return false;
    JournalEnd();
    return true;
}

void TTraceSpectre::BlancBtnClick()
{
    if (!ConfirmReplace())
        return;
    // A request the instrument does not take leaves the window as it was.
    if (!Session.StartBlank()) {
        SayNotTaken();
        return;
    }
    Label3->setText(QStringLiteral("Blanc en cours..."));
    RafraichitControle();
    JournalEnd(); // the spectrum shown is discarded
    RepaintGraph();
}

void TTraceSpectre::SpectreBtnClick()
{
    if (!ConfirmReplace())
        return;
    if (!Session.StartScan(Spectro->LambdaMin, Spectro->LambdaMax)) {
        SayNotTaken();
        return;
    }
    Label3->setText(QStringLiteral("Acquisition du spectre..."));
    RafraichitControle();
    RepaintGraph();
}

void TTraceSpectre::SessionChanged(SessionEvent e, int value)
{
    switch (e) {
    case SessionEvent::Value:
        if (value == 0)
            Label3->setText(QStringLiteral("Lecture du spectre..."));
        PaintBox->DrawPoint(static_cast<std::uint16_t>(value), Session.Graphe.Curve1);
        ShowPeaks(true);
        break;
    case SessionEvent::Redraw: RepaintGraph(); break;
    case SessionEvent::BlankEnded:
        // A blank the instrument refused is not a reference: the window asks
        // for it again, with the instrument's reason.
        NoteBlank(Session.BlancFait);
        ActualiseBoutons();
        break;
    case SessionEvent::Ended:
    case SessionEvent::GivenUp:
        // What arrived is kept (also before a silence), in a journal of its
        // own: the new spectrum replaces the last one's.
        if (Session.HasData()) {
            scanTime_ = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
            scanDate_ = QDateTime::currentDateTime();
            JournalBegin(SpectrumJournalHeader(*Spectro, JournalStart(), Comment()));
            JournalAppend(SpectrumRecord(Session.Spectrum));
        }
        ActualiseBoutons();
        if (Session.Truncated())
            ShowStatus(Translate(QStringLiteral("Spectre tronqué : seules les 1501 premières valeurs sont gardées")));
        break;
    case SessionEvent::Pace:
    case SessionEvent::Found:
    case SessionEvent::Restarted: break;
    }
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
    Tgraphe &graph = Session.Graphe;
    PaintBox->DrawCursor(); // erased at its old place
    double lambda = 0, a = 0;
    graph.PixelToWorld(x, y, lambda, a);
    const TTraceSession::Reading r = Session.ReadAt(lambda, a);
    // On the curve, the horizontal line sits on it.
    if (r.onCurve)
        graph.WorldToPixel(lambda, r.a, x, y);
    graph.CursorY = y;
    const double nm = std::nearbyint(lambda);
    Label4->setText(QStringLiteral("Lambda=%1 nm ; A= %2")
                        .arg(std::fabs(nm) < 1e9 ? qint64(nm) : 0)
                        .arg(r.unknown ? QStringLiteral("?") : FromCp(Spectro->FormatAbs(r.a))));
    graph.CursorX = x;
    PaintBox->DrawCursor();
}

void TTraceSpectre::PaintBoxMouseLeave()
{
    Label4->clear();
}

void TTraceSpectre::ZoomBtnClick()
{
    if (ZoomBtn->isChecked())
        Session.AutoScale(Spectro->AbsMax);
    else
        Session.FullScale(Spectro->LambdaMin, Spectro->LambdaMax, Spectro->AbsMax);
    RepaintGraph();
}

PageContent TTraceSpectre::Page()
{
    const QStringList lines = Session.HasData() ? QStringList{PeaksLine(Session.Peaks())} : QStringList();
    return {&Session.Graphe, lines, [this] { Session.DrawPeaks(); }, true};
}

QWidget *TTraceSpectre::PlotWidget() const
{
    return PaintBox;
}

void TTraceSpectre::PageDone()
{
    // The page's bounds and scales must not stay: the cross-hair and the next
    // points would land where the page had them.
    RepaintGraph();
}

void TTraceSpectre::PrintBtnClick()
{
    PrintPage(Page());
    PageDone();
}

void TTraceSpectre::SaveAction(SaveTarget target)
{
    if (!FormDDE)
        return;
    const TDataSeries &data = Session.Spectrum;
    const BlockStyle style = StyleOf(Session.Graphe);
    if (SaveWith(target, [&](bool toTabvista) { return FormDDE->ExportSpectre(data, style, toTabvista); },
                 [&](const QString &name, int filter) {
                     FileRequest extra;
                     extra.model = Spectro ? Spectro->ModelName : std::string();
                     const QDateTime when = scanDate_.isValid() ? scanDate_ : QDateTime::currentDateTime();
                     extra.date = ToCp(when.toString(QStringLiteral("yy/MM/dd")));
                     extra.time = ToCp(when.toString(QStringLiteral("HH:mm:ss")));
                     return FormDDE->SauveSpectre(data, name, filter, &extra);
                 }))
        Session.Sauve = true;
}

void TTraceSpectre::OpenLoaded(const LoadedMeasurement &m, const QString &path)
{
    if (!ConfirmReplace())
        return;
    JournalEnd();
    Session.Load(m.Data);
    scanTime_ = QFileInfo(path).completeBaseName();
    scanDate_ = QFileInfo(path).lastModified();
    ZoomBtn->setChecked(false);
    ShowStatus(Translate(QStringLiteral("Spectre ouvert : %1 (%2 points)")).arg(QFileInfo(path).fileName()).arg(m.Data.Count()));
    ActualiseBoutons();
    RepaintGraph();
}

void TTraceSpectre::OpenRefClick()
{
    LoadedMeasurement m;
    QString path;
    if (!ChooseAndRead(m, path))
        return;
    ReferenceKept(Session.AddReference(m.Data, ToCp(QFileInfo(path).fileName())));
}

void TTraceSpectre::DiscardData()
{
    Session.Discard();
    ActualiseBoutons();
    RepaintGraph();
}

SpaceAction TTraceSpectre::SpaceBarAction() const
{
    return Session.SpaceBar();
}

bool TTraceSpectre::CloseWaits() const
{
    return Session.Busy();
}

bool TTraceSpectre::FormCloseQuery()
{
    // Not during a measurement: nothing to ask then, the window stays.
    if (Session.Busy()) {
        ShowStatus(Translate(QStringLiteral("Attendre la fin de la mesure en cours")));
        return false;
    }
    if (Session.AsksSave())
        AskSave();
    return !Session.Busy();
}

} // namespace vandoral

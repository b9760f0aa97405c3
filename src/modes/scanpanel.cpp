#include "scanpanel.h"

#include "canvas.h"

#include <QSplitter>

#include <algorithm>

namespace vandoral {

ScanPanel::ScanPanel(Tgraphe *graph, QWidget *parent) : GraphBox(graph, parent)
{
    setObjectName(QStringLiteral("SpectrePB"));
    setAccessibleName(QStringLiteral("Spectre"));
    setMinimumWidth(256);
    setMouseTracking(true);
    AfterDraw = [this] { DrawMarkers(); };
    connect(this, &GraphBox::mousePressed, this, &ScanPanel::MouseDown);
    connect(this, &GraphBox::mouseReleased, this, &ScanPanel::MouseUp);
    connect(this, &GraphBox::mouseMoved, this,
            [this](int x, int y, Qt::MouseButtons b) { MouseMove(x, y, b & Qt::LeftButton); });
}

void ScanPanel::DrawMarkers()
{
    TCanvas *c = Graph()->Canvas;
    if (!c || !Markers)
        return;
    for (const Marker &m : Markers()) {
        int px, py;
        Graph()->WorldToPixel(m.lambda, 0, px, py);
        c->SetPenStyle(PenStyle::Solid);
        c->SetPenColor(LambdaColor(m.lambda));
        c->SetPenWidth(3);
        c->MoveTo(px, 0);
        c->LineTo(px, height());
    }
    c->SetPenWidth(1);
}

void ScanPanel::Hint(const QString &hint)
{
    setToolTip(hint);
    if (ShowHint)
        ShowHint(hint);
    setCursor(hint.isEmpty() ? Qt::ArrowCursor : Qt::SplitHCursor);
}

void ScanPanel::MouseDown(int x, int)
{
    if (!isEnabled() || !Markers)
        return;
    Held = MarkerDrag::None;
    QString hint;
    const std::vector<Marker> markers = Markers();
    for (std::size_t i = 0; i < markers.size() && i < 2; ++i)
        if (HitsMarker(*Graph(), markers[i].lambda, x)) {
            Held = i == 0 ? MarkerDrag::Lambda : MarkerDrag::LambdaBis;
            hint = markers[i].hint;
        }
    Hint(hint);
}

void ScanPanel::MouseMove(int x, int y, bool leftDown)
{
    if (!isEnabled() || !Markers)
        return;
    if (Held == MarkerDrag::None) {
        QString hint;
        for (const Marker &m : Markers())
            if (HitsMarker(*Graph(), m.lambda, x)) {
                hint = m.hint;
                break;
            }
        Hint(hint);
        return;
    }
    if (leftDown)
        emit dragged(Held, WavelengthAt(*Graph(), x, y));
}

void ScanPanel::MouseUp(int x, int y)
{
    if (Held == MarkerDrag::None)
        return;
    emit dragged(Held, WavelengthAt(*Graph(), x, y));
    Held = MarkerDrag::None;
    Hint(QString());
}

bool ScanPanel::Folded(const QSplitter *splitter, int panelIndex)
{
    const QList<int> sizes = splitter->sizes();
    return sizes.size() <= panelIndex || sizes.at(panelIndex) == 0;
}

void ScanPanel::SetFolded(QSplitter *splitter, int panelIndex, int mainIndex, bool folded, int openWidth)
{
    QList<int> sizes = splitter->sizes();
    if (sizes.size() <= std::max(panelIndex, mainIndex))
        return;
    // Before the first layout the splitter has no width yet.
    const int total = std::max(sizes.at(panelIndex) + sizes.at(mainIndex), 600);
    sizes[panelIndex] = folded ? 0 : openWidth;
    sizes[mainIndex] = std::max(100, total - sizes[panelIndex]);
    splitter->setSizes(sizes);
}

} // namespace vandoral

#include "graphbox.h"

#include "qtcanvas.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace vandoral {

GraphBox::GraphBox(Tgraphe *graph, QWidget *parent) : QWidget(parent), graph_(graph)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphBox::Redraw()
{
    const QSize size = this->size().expandedTo(QSize(1, 1));
    if (image_.size() != size)
        image_ = QImage(size, QImage::Format_RGB32);
    QPainter p(&image_);
    p.setFont(font());
    QtCanvas canvas(&p, image_.rect());
    TCanvas *saved = graph_->Canvas;
    graph_->Canvas = &canvas;
    if (BeforeDraw)
        BeforeDraw();
    graph_->Bounds = TRect{0, 0, size.width(), size.height()};
    graph_->Draw();
    if (AfterDraw) {
        AfterDraw();
        canvas.Flush();
    }
    graph_->Canvas = saved;
    lastUpdate_ = image_.rect();
    update();
    emit redrawn();
}

template <class F> void GraphBox::Incremental(F draw)
{
    if (image_.isNull())
        Redraw();
    QPainter p(&image_);
    p.setFont(font());
    QtCanvas canvas(&p, image_.rect());
    TCanvas *saved = graph_->Canvas;
    graph_->Canvas = &canvas;
    draw();
    canvas.Flush();
    graph_->Canvas = saved;
    lastUpdate_ = canvas.Touched().intersected(image_.rect());
    if (!lastUpdate_.isEmpty())
        update(lastUpdate_);
}

void GraphBox::DrawPoint(std::uint16_t index, const Tcourbe &curve)
{
    Incremental([&] { graph_->DrawPoint(index, curve); });
}

void GraphBox::MarkPoint(double x, double y)
{
    Incremental([&] { graph_->MarkPoint(x, y); });
}

void GraphBox::DrawCursor()
{
    Incremental([&] { graph_->DrawCursor(); });
}

void GraphBox::paintEvent(QPaintEvent *event)
{
    if (image_.size() != size())
        Redraw();
    QPainter p(this);
    p.drawImage(event->rect(), image_, event->rect());
}

void GraphBox::resizeEvent(QResizeEvent *)
{
    Redraw();
}

void GraphBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit mouseMoved(p.x(), p.y(), event->buttons());
}

void GraphBox::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit mousePressed(p.x(), p.y());
}

void GraphBox::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    emit mouseReleased(p.x(), p.y());
}

void GraphBox::leaveEvent(QEvent *)
{
    emit mouseLeft();
}

} // namespace vandoral

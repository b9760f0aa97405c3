// A paint box showing a graph. The picture lives in a backing image: a full
// Draw renders into it, and a new point, a mark or the cross-hair draw into it
// and repaint only the rectangle they touched, so the cost of a point does not
// grow with the number already drawn.
#pragma once

#include "graphker.h"

#include <QImage>
#include <QWidget>

#include <functional>

namespace vandoral {

class GraphBox : public QWidget {
    Q_OBJECT
public:
    explicit GraphBox(Tgraphe *graph, QWidget *parent = nullptr);

    Tgraphe *Graph() const { return graph_; }
    // Sets the graph's Bounds to the box and draws it whole.
    void Redraw();
    void DrawPoint(std::uint16_t index, const Tcourbe &curve);
    void MarkPoint(double x, double y);
    void DrawCursor();

    // Run before each full draw (the owner's range rules), and over the graph
    // after it, on the same surface (a cross-hair, markers).
    std::function<void()> BeforeDraw;
    std::function<void()> AfterDraw;

    const QImage &Image() const { return image_; }
    // The rectangle the last incremental drawing asked to repaint.
    QRect LastUpdate() const { return lastUpdate_; }

signals:
    // After each full draw (the graph's plot rectangle may have changed).
    void redrawn();
    void mouseMoved(int x, int y, Qt::MouseButtons buttons);
    void mousePressed(int x, int y);
    void mouseReleased(int x, int y);
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    template <class F> void Incremental(F draw);

    Tgraphe *graph_;
    QImage image_;
    QRect lastUpdate_;
};

} // namespace vandoral

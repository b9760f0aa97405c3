// Graph drawing costs, each as a ratio measured in one run:
//  1. a full Draw of 1501 points in mode 1 on a 1920 x 1080 image, against the
//     floor of one QPainter::drawPolyline of the same points plus the same axes;
//  2. DrawPoint at point 1500 against point 10;
//  3. the rectangle repainted for a new point against the segment's box.
#include "graphbox.h"
#include "qtcanvas.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace vandoral;

namespace {

void Fill(Tgraphe &g)
{
    g.SetWorld(190, 0, 1100, 2.5);
    g.WorldX.Name = "Lambda";
    g.WorldX.Unit = "nm";
    g.WorldY.Name = "A";
    g.DrawMode = 1;
    g.PointCount = GraphCapacity;
    for (int i = 0; i < GraphCapacity; ++i) {
        g.X[i] = 190 + i * (910.0 / (GraphCapacity - 1));
        g.Curve1.Y[i] = 1.2 + 1.1 * std::sin(i / 40.0) * std::cos(i / 170.0);
    }
}

template <class F> double MedianMicros(int rounds, int per, F f)
{
    std::vector<double> t;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < per; ++i)
            f();
        t.push_back(timer.nsecsElapsed() / 1000.0 / per);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // 1. Full draw against its floor.
    QImage image(1920, 1080, QImage::Format_RGB32);
    Tgraphe g;
    Fill(g);
    auto drawWith = [&](std::uint16_t count) {
        QPainter p(&image);
        QtCanvas canvas(&p, image.rect());
        g.Canvas = &canvas;
        g.Bounds = TRect{0, 0, 1920, 1080};
        g.PointCount = count;
        g.Draw();
        g.Canvas = nullptr;
    };
    drawWith(GraphCapacity);
    QPolygon points;
    for (int i = 0; i < GraphCapacity; ++i) {
        int px, py;
        g.WorldToPixel(g.X[i], g.Curve1.Y[i], px, py);
        points << QPoint(px, py);
    }
    const double full = MedianMicros(15, 20, [&] { drawWith(GraphCapacity); });
    const double axes = MedianMicros(15, 20, [&] { drawWith(0); });
    const double polyline = MedianMicros(15, 20, [&] {
        QPainter p(&image);
        p.setPen(QPen(Qt::blue, 1));
        p.drawPolyline(points);
    });
    const double floor = axes + polyline;
    std::printf("full Draw, 1501 points, 1920x1080: %.0f us; floor (axes %.0f + drawPolyline %.0f) %.0f us; ratio %.2f (target <= 1.5)\n",
                full, axes, polyline, floor, full / floor);

    // 2. A new point at 10 and at 1500 through the paint box.
    Tgraphe live;
    Fill(live);
    live.DrawMode = 0;
    GraphBox box(&live);
    box.resize(1920, 1080);
    box.Redraw();
    const double at10 = MedianMicros(25, 200, [&] { box.DrawPoint(10, live.Curve1); });
    const double at1500 = MedianMicros(25, 200, [&] { box.DrawPoint(1500, live.Curve1); });
    std::printf("DrawPoint at 10: %.2f us, at 1500: %.2f us; ratio %.2f (target <= 1.2)\n", at10, at1500,
                at1500 / at10);

    // 3. The repainted rectangle against the new segment's box.
    box.DrawPoint(1500, live.Curve1);
    int x0, y0, x1, y1;
    live.WorldToPixel(live.X[1499], live.Curve1.Y[1499], x0, y0);
    live.WorldToPixel(live.X[1500], live.Curve1.Y[1500], x1, y1);
    const QRect segment = QRect(QPoint(x0, y0), QPoint(x1, y1)).normalized();
    const QRect update = box.LastUpdate();
    std::printf("repainted %dx%d for a segment box of %dx%d (pen 1): %s\n", update.width(), update.height(),
                segment.width(), segment.height(),
                segment.adjusted(-1, -1, 1, 1).contains(update) ? "within box + pen" : "LARGER");
    std::fflush(stdout);
    return 0;
}

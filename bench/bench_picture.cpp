// What a picture or a PDF page of a 1501-point spectrum costs: the plot
// rendered and encoded as PNG (at the plot's screen size), the page written
// as a PDF, against the screen's full redraw of the same graph at that size
// (the graph drawn on the window's backing image).
#include "benchtime.h"
#include "graphpicture.h"
#include "qtcanvas.h"

#include <QApplication>
#include <QBuffer>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace vandoral;

namespace {

// The median of `rounds` calls, in milliseconds.
template <class F> double MedianMillis(int rounds, F f)
{
    return bench::MedianMicros(rounds, f) / 1000;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDataSeries spectrum;
    spectrum.XAxis = {"Lambda", "nm", "Longueur d'onde"};
    spectrum.YAxis = AbsorbanceAxis;
    for (int i = 0; i < GraphCapacity; ++i)
        spectrum.Append(190 + i * (910.0 / (GraphCapacity - 1)), 1.2 + 1.1 * std::sin(i / 40.0) * std::cos(i / 170.0));
    Tgraphe g;
    g.SetWorld(190, 0, 1100, 2.5);
    g.WorldX.Name = "Lambda";
    g.WorldX.Unit = "nm";
    g.WorldY.Name = "A";
    g.Source = &spectrum;
    const QSize screen(1000, 560); // the spectrum window's plot at 1024 x 768

    QImage backing(screen, QImage::Format_RGB32);
    const double redraw = MedianMillis(30, [&] {
        backing.fill(Qt::white);
        QPainter painter(&backing);
        QtCanvas canvas(&painter, backing.rect());
        g.Canvas = &canvas;
        g.Bounds = TRect{0, 0, screen.width(), screen.height()};
        g.Draw();
        canvas.Flush();
        g.Canvas = nullptr;
    });
    qint64 pngBytes = 0, pdfBytes = 0;
    const double png = MedianMillis(30, [&] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        GraphImage(g, screen, {}).save(&buffer, "PNG");
        pngBytes = bytes.size();
    });
    PageReport report;
    report.Caption = QStringLiteral("Tracé de spectre");
    report.Model = QStringLiteral("Orbis K2");
    report.When = QStringLiteral("11/12/2026 10:12");
    report.Lines = {QStringLiteral("λmax : 530 nm (A = 2,30)")};
    report.SpectrumPage = true;
    const double pdf = MedianMillis(30, [&] { pdfBytes = ReportPdf(g, report, false).size(); });
    std::printf("screen's full redraw, %d x %d: %.2f ms\n", screen.width(), screen.height(), redraw);
    std::printf("PNG of the plot, same size (%lld bytes): %.2f ms, %.1f x\n", pngBytes, png, png / redraw);
    std::printf("PDF of the page, A4 at 300 dpi (%lld bytes): %.2f ms, %.1f x\n", pdfBytes, pdf, pdf / redraw);
    std::printf("(medians of 30 rounds)\n");
    return 0;
}

// The graph on real images: the paint box's backing image, the cross-hair in
// exclusive-or mode, incremental points and printing to a PDF file.
#include "graphbox.h"
#include "pinnedfont.h"
#include "printgraph.h"
#include "qtcanvas.h"
#include "scripteddialogs.h"

#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

using namespace vandoral;

namespace {

void Spectrum(Tgraphe &g, int count)
{
    g.SetWorld(330, 0, 800, 2.5);
    g.WorldX.Name = "Lambda";
    g.WorldX.Unit = "nm";
    g.WorldY.Name = "A";
    g.DrawMode = 1;
    g.PointCount = static_cast<std::uint16_t>(count);
    for (int i = 0; i < count; ++i) {
        g.X[i] = 330 + i;
        g.Curve1.Y[i] = 1.0 + 0.8 * std::sin(i / 30.0);
    }
}

} // namespace

class TestGraphBox : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fontCellHeight_data();
    void fontCellHeight();
    void fullDrawShowsTheCurve();
    void cursorTwiceRestoresEveryPixel();
    void newPointRepaintsOnlyItsSegment();
    void printToPdf();
};

void TestGraphBox::initTestCase()
{
    QVERIFY(PinTestFont());
}

void TestGraphBox::fontCellHeight_data()
{
    QTest::addColumn<int>("height");
    for (int h : {13, 16, 20, 36, 160})
        QTest::addRow("%d", h) << h;
}

void TestGraphBox::fontCellHeight()
{
    QFETCH(int, height);
    QImage image(100, 100, QImage::Format_RGB32);
    QPainter p(&image);
    QtCanvas canvas(&p, image.rect());
    canvas.SetFont("Tahoma", height);
    QVERIFY(qAbs(canvas.TextHeight("A") - height) <= 1);
    QCOMPARE(QFontInfo(p.font()).family(), QString("DejaVu Sans"));
}

void TestGraphBox::fullDrawShowsTheCurve()
{
    Tgraphe g;
    Spectrum(g, 471);
    GraphBox box(&g);
    box.resize(640, 480);
    box.Redraw();
    const QImage &img = box.Image();
    QCOMPARE(img.size(), QSize(640, 480));
    int blue = 0, black = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            blue += c == qRgb(0, 0, 255);
            black += qGray(c) < 64;
        }
    QVERIFY2(blue > 400, qPrintable(QString::number(blue))); // the curve crosses the whole plot
    QVERIFY(black > 500);                                     // axes and labels
    QCOMPARE(img.pixel(2, 479), qRgb(255, 255, 255));         // the white area
}

void TestGraphBox::cursorTwiceRestoresEveryPixel()
{
    Tgraphe g;
    Spectrum(g, 471);
    GraphBox box(&g);
    box.resize(640, 480);
    box.Redraw();
    const QImage before = box.Image().copy();
    g.CursorX = 300;
    g.CursorY = 200;
    box.DrawCursor();
    QVERIFY(box.Image() != before);
    QCOMPARE(box.Image().pixel(300, 10), qRgb(0, 0, 0)); // white inverted
    box.DrawCursor();
    QCOMPARE(box.Image(), before);
}

void TestGraphBox::newPointRepaintsOnlyItsSegment()
{
    Tgraphe g;
    Spectrum(g, 200);
    g.DrawMode = 0;
    GraphBox box(&g);
    box.resize(640, 480);
    box.Redraw();
    const QImage before = box.Image().copy();
    g.X[200] = 530;
    g.Curve1.Y[200] = 2.2;
    box.DrawPoint(200, g.Curve1);
    g.PointCount = 201;

    int x0, y0, x1, y1;
    g.WorldToPixel(g.X[199], g.Curve1.Y[199], x0, y0);
    g.WorldToPixel(530, 2.2, x1, y1);
    const QRect segment = QRect(QPoint(x0, y0), QPoint(x1, y1)).normalized().adjusted(-1, -1, 1, 1);
    QVERIFY2(segment.contains(box.LastUpdate()),
             qPrintable(QString("%1,%2 %3x%4 in %5,%6 %7x%8").arg(box.LastUpdate().x()).arg(box.LastUpdate().y())
                            .arg(box.LastUpdate().width()).arg(box.LastUpdate().height())
                            .arg(segment.x()).arg(segment.y()).arg(segment.width()).arg(segment.height())));
    int changed = 0;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (box.Image().pixel(x, y) != before.pixel(x, y)) {
                ++changed;
                QVERIFY(box.LastUpdate().contains(x, y));
            }
    QVERIFY(changed >= qAbs(y1 - y0));
}

void TestGraphBox::printToPdf()
{
    QTemporaryDir dir;
    Tgraphe g;
    Spectrum(g, 471);
    ScriptedDialogs dialogs;
    for (bool ok : {false, true}) {
        const QString file = dir.filePath(ok ? "ok.pdf" : "cancel.pdf");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        dialogs.answers = {ok};
        QCOMPARE(PrintGraph(g, printer), ok);
        QCOMPARE(QFile::exists(file), ok);
    }
    QCOMPARE(dialogs.asked, (QStringList{"confirm:Confirmation:Impression ?", "confirm:Confirmation:Impression ?"}));
    QFile pdf(dir.filePath("ok.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QVERIFY(pdf.size() > 2000);
    // Landscape page: the graph was laid out wider than high, its font and
    // markers scaled with the page.
    QVERIFY(g.Bounds.Width() > g.Bounds.Height());
    QCOMPARE(g.MarkerSize, g.Bounds.Height() / 150);
}

QTEST_MAIN(TestGraphBox)
#include "tst_graphbox.moc"

// The graph kernel drawn on a recording canvas: worlds, ticks, titles, the
// curve modes, incremental points, printing, sorting and colours.
#include "graphker.h"
#include "numtext.h"
#include "recordingcanvas.h"
#include "separator.h"

#include <QtTest>

using namespace vandoral;

namespace {

// A graph over a recording canvas of 800 x 600: font 20, Margin 6,
// CharWidth 10, PlotRect 46, 26, 794, 574.
struct Fixture {
    Fixture(TRect bounds = {0, 0, 800, 600}) : canvas(bounds)
    {
        g.Canvas = &canvas;
        g.Bounds = bounds;
        g.WorldX.Name = "Lambda";
        g.WorldX.Unit = "nm";
        g.WorldY.Name = "A";
    }
    void Points(std::initializer_list<double> ys, double x0 = 0)
    {
        g.PointCount = 0;
        for (double y : ys) {
            g.X[g.PointCount] = x0 + g.PointCount;
            g.Curve1.Y[g.PointCount] = y;
            g.Curve2.Y[g.PointCount] = y / 2;
            ++g.PointCount;
        }
    }
    RecordingCanvas canvas;
    Tgraphe g;
};

bool Contains(const std::vector<std::string> &texts, const std::string &s)
{
    return std::find(texts.begin(), texts.end(), s) != texts.end();
}

class StubPrinter : public PrintHost {
public:
    explicit StubPrinter(bool ok) : ok_(ok), page(TRect{0, 0, 6000, 4800}) {}
    bool ConfirmPrint() override
    {
        ++asked;
        return ok_;
    }
    TCanvas *BeginDoc() override { return &page; }
    void EndDoc() override { ++ended; }
    bool ok_;
    int asked = 0, ended = 0;
    RecordingCanvas page;
};

} // namespace

class TestGraphKer : public QObject {
    Q_OBJECT
private slots:
    void worlds_data();
    void worlds();
    void precisionNeverDecreases();
    void axisTitles_data();
    void axisTitles();
    void toPixel();
    void layout();
    void emptyGraphDrawsAxesOnly();
    void missingValueBreaksTheLine();
    void polylineIgnoresCurve2();
    void markersSkipMissingValues();
    void drawPoint();
    void narrowAreaHasNoXLabels();
    void noYLabelsKeepsRoom();
    void ticksOnTheEdgesAreNotDrawn();
    void unscalableWorldsDrawTheFrame();
    void tickLoopEndsOnTinyRanges();
    void cursorIsExclusiveOr();
    void printScalesWithThePage();
    void maxY();
    void sortByXIsStable();
    void lambdaColor_data();
    void lambdaColor();
};

void TestGraphKer::worlds_data()
{
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<bool>("fine");
    QTest::addColumn<char>("sep");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("factor");
    QTest::addColumn<int>("precision");
    QTest::addColumn<QStringList>("labels");

    QTest::newRow("default fine") << QByteArray("") << 0.0 << 255.0 << true << '.' << 50.0 << 0.0 << 1.0 << 3
                                  << QStringList{"0", "50", "100", "150", "200", "250"};
    QTest::newRow("default coarse") << QByteArray("") << 0.0 << 255.0 << false << '.' << 100.0 << 0.0 << 1.0 << 3
                                    << QStringList{"0", "100", "200"};
    QTest::newRow("spectrum fine") << QByteArray("nm") << 330.0 << 800.0 << true << '.' << 50.0 << 350.0 << 1.0 << 3
                                   << QStringList{"350", "400", "450", "500", "550", "600", "650", "700", "750"};
    QTest::newRow("spectrum coarse") << QByteArray("nm") << 330.0 << 800.0 << false << '.' << 100.0 << 400.0 << 1.0 << 3
                                     << QStringList{"400", "500", "600", "700"};
    QTest::newRow("absorbance fine, comma") << QByteArray("") << 0.0 << 2.5 << true << ',' << 0.5 << 0.0 << 1.0 << 3
                                            << QStringList{"0", "0,5", "1", "1,5", "2"};
    QTest::newRow("absorbance coarse, point") << QByteArray("") << 0.0 << 2.5 << false << '.' << 1.0 << 0.0 << 1.0 << 3
                                              << QStringList{"0", "1", "2"};
    QTest::newRow("thousandths fine") << QByteArray("L") << 0.0 << 0.005 << true << '.' << 0.001 << 0.0 << 0.001 << 3
                                      << QStringList{"0", "1", "2", "3", "4"};
    QTest::newRow("thousandths coarse") << QByteArray("L") << 0.0 << 0.005 << false << '.' << 0.002 << 0.0 << 0.001 << 3
                                        << QStringList{"0", "2", "4"};
    QTest::newRow("wide spectrum") << QByteArray("nm") << 190.0 << 1100.0 << true << '.' << 100.0 << 200.0 << 1.0 << 4
                                   << QStringList{"200", "300", "400", "500", "600", "700", "800", "900", "1000"};
    QTest::newRow("ten hours coarse") << QByteArray("s") << 0.0 << 36000.0 << false << '.' << 10000.0 << 0.0 << 1000.0 << 3
                                      << QStringList{"0", "10", "20", "30"};
    // Without a unit the title cannot show a factor: the labels keep the values.
    QTest::newRow("absorbance 0 to 0.2 without unit") << QByteArray("") << 0.0 << 0.2 << true << ',' << 0.05 << 0.0 << 1.0 << 3
                                                      << QStringList{"0", "0,05", "0,1", "0,15"};
    QTest::newRow("thousandths without unit") << QByteArray("") << 0.0 << 0.005 << false << '.' << 0.002 << 0.0 << 1.0 << 3
                                              << QStringList{"0", "0.002", "0.004"};
}

void TestGraphKer::worlds()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(bool, fine);
    QFETCH(char, sep);
    QFETCH(QStringList, labels);
    QFETCH(QByteArray, unit);
    SeparatorScope scope(sep);
    Tmonde w;
    w.Unit = unit.toStdString();
    w.Min = min;
    w.Max = max;
    w.Fine = fine;
    w.ComputeTicks();
    QTEST(w.Step, "step");
    QTEST(w.FirstTick, "first");
    QTEST(w.Factor, "factor");
    QTEST(w.Precision, "precision");
    QStringList got;
    for (int i = 0; w.FirstTick + i * w.Step < max - 1e-12 && i < 50; ++i)
        got << QString::fromStdString(w.FormatTick(w.FirstTick + i * w.Step));
    QCOMPARE(got, labels);
}

void TestGraphKer::precisionNeverDecreases()
{
    Tmonde w;
    w.Min = 190;
    w.Max = 1100;
    w.ComputeTicks();
    QCOMPARE(w.Precision, 4);
    w.Min = 330;
    w.Max = 800;
    w.ComputeTicks();
    QCOMPARE(w.Precision, 4);
    QCOMPARE(w.FormatTick(350), std::string("350"));
}

void TestGraphKer::axisTitles_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<double>("factor");
    QTest::addColumn<QByteArray>("title");
    QTest::newRow("Lambda/nm") << QByteArray("Lambda") << QByteArray("nm") << 1.0 << QByteArray("Lambda/nm");
    QTest::newRow("no unit") << QByteArray("A") << QByteArray("") << 1000.0 << QByteArray("A");
    QTest::newRow("mmol/L") << QByteArray("c") << QByteArray("mol/L") << 0.001 << QByteArray("c(mmol/L)");
    QTest::newRow("ks") << QByteArray("t") << QByteArray("s") << 1000.0 << QByteArray("t/ks");
    QTest::newRow("mA to microA") << QByteArray("I") << QByteArray("mA") << 0.001 << QByteArray("I/\xB5" "A");
    QTest::newRow("mA to A") << QByteArray("I") << QByteArray("mA") << 1000.0 << QByteArray("I/ A");
    QTest::newRow("mL") << QByteArray("V") << QByteArray("L") << 0.001 << QByteArray("V/mL");
    QTest::newRow("mol is no milli") << QByteArray("n") << QByteArray("mol") << 1000.0 << QByteArray("n/kmol");
    QTest::newRow("E is no prefix") << QByteArray("W") << QByteArray("Ev") << 1000.0 << QByteArray("W/kEv");
    QTest::newRow("no letter for 10^18") << QByteArray("x") << QByteArray("Pm") << 1000.0 << QByteArray("x/ m");
    QTest::newRow("cut at 20") << QByteArray("Concentrations") << QByteArray("mol/L") << 1.0
                               << QByteArray("Concentrations(mol/L");
}

void TestGraphKer::axisTitles()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, unit);
    QFETCH(double, factor);
    QFETCH(QByteArray, title);
    Tmonde w;
    w.Name = name.toStdString();
    w.Unit = unit.toStdString();
    w.Factor = factor;
    QCOMPARE(QByteArray::fromStdString(w.AxisTitle()), title);
    QCOMPARE(QByteArray::fromStdString(w.AxisTitle()), title); // the unit is left as it was
    QCOMPARE(QByteArray::fromStdString(w.Unit), unit);
}

void TestGraphKer::toPixel()
{
    Tmonde w;
    w.Scale = 2;
    w.Offset = 0.5;
    QCOMPARE(w.ToPixel(MissingValue), -1);
    QCOMPARE(w.ToPixel(0), 0);   // 0.5 to even
    QCOMPARE(w.ToPixel(0.5), 2); // 1.5 to even
    QCOMPARE(w.ToPixel(1), 2);   // 2.5 to even
    QCOMPARE(w.ToPixel(-3), -6); // nothing clipped
    Tgraphe g;
    g.WorldX.Scale = 4;
    g.WorldX.Offset = 10;
    g.WorldY.Scale = -2;
    g.WorldY.Offset = 100;
    double x, y;
    g.PixelToWorld(30, 90, x, y);
    QCOMPARE(x, 5.0);
    QCOMPARE(y, 5.0);
}

void TestGraphKer::layout()
{
    Fixture f;
    f.g.SetWorld(330, 0, 800, 2.5);
    f.g.Draw();
    QCOMPARE(f.g.CharHeight, 20);
    QCOMPARE(f.g.Margin, 6);
    QCOMPARE(f.g.CharWidth, 10);
    QCOMPARE(f.g.MarkerSize, 4);
    QVERIFY(f.g.PlotRect == (TRect{46, 26, 794, 574}));
    QVERIFY(f.g.WorldX.Labelled && f.g.WorldY.Labelled && f.g.WorldX.Fine && f.g.WorldY.Fine);
    int px, py;
    f.g.WorldToPixel(330, 0, px, py);
    QCOMPARE(px, 46);
    QCOMPARE(py, 574);
    f.g.WorldToPixel(800, 2.5, px, py);
    QCOMPARE(px, 794);
    QCOMPARE(py, 26);
    // Font heights by area height.
    for (auto [height, font] : {std::pair{300, 13}, std::pair{420, 16}, std::pair{540, 16},
                                std::pair{570, 20}, std::pair{720, 20}, std::pair{750, 25}}) {
        Fixture h(TRect{0, 0, 800, height});
        h.g.Draw();
        QCOMPARE(h.canvas.Of(DrawOp::Font).front().x, font);
    }
}

void TestGraphKer::emptyGraphDrawsAxesOnly()
{
    Fixture f;
    f.g.SetWorld(330, 0, 800, 2.5);
    f.g.Draw();
    const auto fills = f.canvas.Of(DrawOp::Fill);
    QCOMPARE(fills.size(), std::size_t(1));
    QCOMPARE(fills[0].brush, clWhite);
    QCOMPARE(fills[0].x2, 800);
    const auto texts = f.canvas.Texts();
    QVERIFY(Contains(texts, "Lambda/nm"));
    QVERIFY(Contains(texts, "A"));
    QVERIFY(Contains(texts, "400"));
    QVERIFY(Contains(texts, "0.5"));
    QVERIFY(f.canvas.LinesOf(clBlue).empty());
    QVERIFY(f.canvas.Of(DrawOp::Ellipse).empty());
}

void TestGraphKer::missingValueBreaksTheLine()
{
    Fixture f;
    f.g.SetWorld(0, 0, 10, 2);
    f.Points({1, 1.1, 1.2, 1.3, 1.4, MissingValue, 1.6, 1.7, 1.8, 1.9});
    f.g.DrawMode = 0;
    f.g.Draw();
    std::vector<int> runs; // line-tos between moves in the curve's colour
    for (const auto &op : f.canvas.ops) {
        if (op.pen != clBlue)
            continue;
        if (op.kind == DrawOp::Move)
            runs.push_back(0);
        else if (op.kind == DrawOp::Line && !runs.empty())
            ++runs.back();
    }
    QCOMPARE(runs, (std::vector<int>{4, 3}));
    int px, py;
    f.g.WorldToPixel(6, 1.6, px, py);
    QVERIFY(std::any_of(f.canvas.ops.begin(), f.canvas.ops.end(), [&](const DrawOp &op) {
        return op.kind == DrawOp::Move && op.pen == clBlue && op.x == px && op.y == py;
    }));
}

void TestGraphKer::polylineIgnoresCurve2()
{
    Fixture f;
    f.g.SetWorld(0, 0, 10, 2);
    f.Points({1, 1.2, 1.4});
    f.g.Curve2.Color = 0x00FF00;
    f.g.Curve2Visible = true;
    f.g.DrawMode = 1;
    f.g.Draw();
    QCOMPARE(f.canvas.LinesOf(clBlue).size(), std::size_t(3)); // to every point, 0 included
    QVERIFY(f.canvas.LinesOf(0x00FF00).empty());
    f.canvas.ops.clear();
    f.g.DrawMode = 0; // lines do draw the second curve
    f.g.Draw();
    QCOMPARE(f.canvas.LinesOf(0x00FF00).size(), std::size_t(2));
}

void TestGraphKer::markersSkipMissingValues()
{
    Fixture f;
    f.g.SetWorld(0, 0, 10, 2);
    f.Points({1, MissingValue, 1.4});
    f.g.DrawMode = 2;
    f.g.Draw();
    const auto discs = f.canvas.Of(DrawOp::Ellipse);
    QCOMPARE(discs.size(), std::size_t(2));
    QCOMPARE(discs[0].brush, clBlue); // filled in the pen's colour
    QCOMPARE(discs[0].x2 - discs[0].x, 2 * f.g.MarkerSize);
    QVERIFY(f.canvas.LinesOf(clBlue).empty());
}

void TestGraphKer::drawPoint()
{
    Fixture f;
    f.g.SetWorld(0, 0, 10, 2);
    f.g.Draw();
    f.Points({1, 1.5});
    f.canvas.ops.clear();
    f.g.DrawPoint(0, f.g.Curve1);
    QVERIFY(f.canvas.Of(DrawOp::Line).empty());
    QVERIFY(f.canvas.Of(DrawOp::Ellipse).empty());
    f.g.DrawPoint(1, f.g.Curve1);
    const auto lines = f.canvas.Of(DrawOp::Line);
    QCOMPARE(lines.size(), std::size_t(1));
    int x0, y0, x1, y1;
    f.g.WorldToPixel(0, 1, x0, y0);
    f.g.WorldToPixel(1, 1.5, x1, y1);
    QCOMPARE(std::vector<int>({lines[0].x, lines[0].y, lines[0].x2, lines[0].y2}),
             std::vector<int>({x0, y0, x1, y1}));
    // Mode 3: a marker too; a missing new point draws nothing.
    f.canvas.ops.clear();
    f.g.DrawMode = 3;
    f.g.DrawPoint(1, f.g.Curve1);
    QCOMPARE(f.canvas.Of(DrawOp::Ellipse).size(), std::size_t(1));
    f.canvas.ops.clear();
    f.g.Curve1.Y[1] = MissingValue;
    f.g.DrawPoint(1, f.g.Curve1);
    QVERIFY(f.canvas.Of(DrawOp::Line).empty() && f.canvas.Of(DrawOp::Ellipse).empty());
}

void TestGraphKer::narrowAreaHasNoXLabels()
{
    Fixture f(TRect{0, 0, 200, 600}); // 20 character widths
    f.g.SetWorld(-5, 0, 10, 2.5);
    f.g.Draw();
    QVERIFY(!f.g.WorldX.Labelled);
    const auto texts = f.canvas.Texts();
    QVERIFY(!Contains(texts, "Lambda/nm"));
    for (const auto &op : f.canvas.Of(DrawOp::Text))
        QVERIFY(op.y != f.g.PlotRect.Bottom + f.g.Margin);
    // Only the x = 0 line, solid, across the plot.
    int px0, py0;
    f.g.WorldToPixel(0, 0, px0, py0);
    int verticals = 0;
    for (const auto &op : f.canvas.Of(DrawOp::Line)) {
        QVERIFY(!(op.y == f.g.PlotRect.Bottom && op.y2 == f.g.PlotRect.Bottom && op.x == f.g.Bounds.Left));
        if (op.x == px0 && op.x2 == px0) {
            ++verticals;
            QVERIFY(op.style == PenStyle::Solid);
        }
    }
    QCOMPARE(verticals, 1);
}

void TestGraphKer::noYLabelsKeepsRoom()
{
    Fixture f;
    f.g.LabelY = false;
    f.g.SetWorld(330, 0, 800, 2.5);
    f.g.Draw();
    QVERIFY(!f.g.WorldY.Labelled);
    QCOMPARE(f.g.PlotRect.Top, 6 + 20);
    QCOMPARE(f.g.PlotRect.Bottom, 594 - 20);
    QCOMPARE(f.g.PlotRect.Left, 6);
    for (const auto &op : f.canvas.Of(DrawOp::Text))
        QCOMPARE(op.y, f.g.PlotRect.Bottom + f.g.Margin); // X labels and title only
}

void TestGraphKer::ticksOnTheEdgesAreNotDrawn()
{
    Fixture f;
    f.g.SetWorld(0, 0, 100, 2.5); // first ticks fall on the left and bottom edges
    f.g.Draw();
    for (const auto &op : f.canvas.Of(DrawOp::Line)) {
        if (op.style != PenStyle::Dot)
            continue;
        QVERIFY(op.x != f.g.PlotRect.Left || op.x2 != f.g.PlotRect.Left);
        QVERIFY(op.y != f.g.PlotRect.Bottom || op.y2 != f.g.PlotRect.Bottom);
        QVERIFY(op.x != f.g.PlotRect.Right || op.x2 != f.g.PlotRect.Right);
    }
    // Without the grid, short ticks: down from the X axis, into the plot from the Y axis.
    f.canvas.ops.clear();
    f.g.Grid = false;
    f.g.Draw();
    int px, py;
    f.g.WorldToPixel(20, 0.5, px, py);
    const auto lines = f.canvas.Of(DrawOp::Line);
    QVERIFY(std::any_of(lines.begin(), lines.end(), [&](const DrawOp &op) {
        return op.x == px && op.y == f.g.PlotRect.Bottom && op.y2 == f.g.PlotRect.Bottom + f.g.Margin;
    }));
    QVERIFY(std::any_of(lines.begin(), lines.end(), [&](const DrawOp &op) {
        return op.y == py && op.x == f.g.PlotRect.Left && op.x2 == f.g.PlotRect.Left + f.g.Margin;
    }));
}

void TestGraphKer::unscalableWorldsDrawTheFrame()
{
    for (auto [min, max] : {std::pair{5.0, 5.0}, std::pair{10.0, 2.0}, std::pair{-3.0, -1.0}}) {
        Fixture f;
        f.g.SetWorld(min, min, max, max);
        f.Points({1, 2, 3});
        f.g.Draw();
        const auto texts = f.canvas.Texts();
        QCOMPARE(texts, (std::vector<std::string>{"Lambda/nm", "A"})); // titles, no tick labels
        double x, y;
        f.g.PixelToWorld(100, 100, x, y);
        QVERIFY(std::isfinite(x) && std::isfinite(y));
    }
}

void TestGraphKer::tickLoopEndsOnTinyRanges()
{
    Fixture f;
    f.g.SetWorld(1e7, 1e7, 1e7 + 0.01, 1e7 + 0.01);
    f.g.Draw(); // would loop for ever if adding the step stopped changing the value
    QVERIFY(f.canvas.Texts().size() < 10);
}

void TestGraphKer::cursorIsExclusiveOr()
{
    Fixture f;
    f.g.CursorX = 100;
    f.g.CursorY = 50;
    f.g.DrawCursor();
    const auto lines = f.canvas.Of(DrawOp::Line);
    QCOMPARE(lines.size(), std::size_t(2));
    for (const auto &op : lines)
        QVERIFY(op.mode == PenMode::NotXor);
    QCOMPARE(std::vector<int>({lines[0].x, lines[0].y, lines[0].x2, lines[0].y2}), std::vector<int>({100, 0, 100, 600}));
    QCOMPARE(std::vector<int>({lines[1].x, lines[1].y, lines[1].x2, lines[1].y2}), std::vector<int>({0, 50, 800, 50}));
}

void TestGraphKer::printScalesWithThePage()
{
    Fixture f;
    f.g.SetWorld(0, 0, 10, 2);
    f.Points({1, 1.5});
    f.g.DrawMode = 2;
    StubPrinter cancel(false);
    QVERIFY(!f.g.Print(cancel));
    QCOMPARE(cancel.asked, 1);
    QVERIFY(cancel.page.ops.empty());

    StubPrinter printer(true);
    QVERIFY(f.g.Print(printer));
    QCOMPARE(printer.ended, 1);
    QCOMPARE(printer.page.Of(DrawOp::Font).front().x, 160);
    QCOMPARE(f.g.MarkerSize, 32);
    const auto discs = printer.page.Of(DrawOp::Ellipse);
    QCOMPARE(discs.size(), std::size_t(2));
    QCOMPARE(discs[0].x2 - discs[0].x, 64);
    QVERIFY(f.g.Canvas == &f.canvas); // the screen canvas is back
    QVERIFY(f.g.Bounds == (TRect{0, 0, 6000, 4800}));
}

void TestGraphKer::maxY()
{
    Fixture f;
    QCOMPARE(f.g.MaxY(), 0.0);
    f.Points({-1, -0.5, -2});
    QCOMPARE(f.g.MaxY(), 0.0);
    f.Points({-1, 0.7, 0.3});
    QCOMPARE(f.g.MaxY(), 0.7);
}

void TestGraphKer::sortByXIsStable()
{
    Tgraphe g;
    const double xs[] = {3, 1, 2, 1, 2};
    const double ys[] = {30, 10, 20, 11, 21};
    for (int i = 0; i < 5; ++i) {
        g.X[i] = xs[i];
        g.Curve1.Y[i] = ys[i];
        g.Curve2.Y[i] = -ys[i];
    }
    g.PointCount = 5;
    g.SortByX();
    QList<double> x, y1, y2;
    for (int i = 0; i < 5; ++i) {
        x << g.X[i];
        y1 << g.Curve1.Y[i];
        y2 << g.Curve2.Y[i];
    }
    QCOMPARE(x, (QList<double>{1, 1, 2, 2, 3}));
    QCOMPARE(y1, (QList<double>{10, 11, 20, 21, 30}));
    QCOMPARE(y2, (QList<double>{-10, -11, -20, -21, -30}));
}

void TestGraphKer::lambdaColor_data()
{
    QTest::addColumn<int>("lambda");
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("b");
    QTest::newRow("550") << 550 << 163 << 255 << 0;
    QTest::newRow("400") << 400 << 114 << 0 << 158;
    QTest::newRow("780") << 780 << 40 << 0 << 0;
    QTest::newRow("300") << 300 << 0 << 0 << 0;
    QTest::newRow("800") << 800 << 0 << 0 << 0;
    QTest::newRow("500") << 500 << 0 << 255 << 146;
}

void TestGraphKer::lambdaColor()
{
    QFETCH(int, lambda);
    QFETCH(int, r);
    QFETCH(int, g);
    QFETCH(int, b);
    QCOMPARE(LambdaColor(lambda), RGBColor(r, g, b));
}

QTEST_GUILESS_MAIN(TestGraphKer)
#include "tst_graphker.moc"

// The graph kernel drawn on a recording canvas: worlds, ticks, titles, the
// curve modes, incremental points, a series drawn without being owned,
// printing, sorting and colours.
#include "graphker.h"
#include "numtext.h"
#include "recordingcanvas.h"
#include "separator.h"

#include "coretest.h"

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

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

TEST_CASE("worlds")
{
    struct Row {
        std::string tag;
        std::string unit;
        double min;
        double max;
        bool fine;
        char sep;
        double step;
        double first;
        double factor;
        int precision;
        std::vector<std::string> labels;
    };
    std::vector<Row> rows;

    rows.push_back({"default fine", std::string(""), 0.0, 255.0, true, '.', 50.0, 0.0, 1.0, 3, std::vector<std::string>{"0", "50", "100", "150", "200", "250"}});
    rows.push_back({"default coarse", std::string(""), 0.0, 255.0, false, '.', 100.0, 0.0, 1.0, 3, std::vector<std::string>{"0", "100", "200"}});
    rows.push_back({"spectrum fine", std::string("nm"), 330.0, 800.0, true, '.', 50.0, 350.0, 1.0, 3, std::vector<std::string>{"350", "400", "450", "500", "550", "600", "650", "700", "750"}});
    rows.push_back({"spectrum coarse", std::string("nm"), 330.0, 800.0, false, '.', 100.0, 400.0, 1.0, 3, std::vector<std::string>{"400", "500", "600", "700"}});
    rows.push_back({"absorbance fine, comma", std::string(""), 0.0, 2.5, true, ',', 0.5, 0.0, 1.0, 3, std::vector<std::string>{"0", "0,5", "1", "1,5", "2"}});
    rows.push_back({"absorbance coarse, point", std::string(""), 0.0, 2.5, false, '.', 1.0, 0.0, 1.0, 3, std::vector<std::string>{"0", "1", "2"}});
    rows.push_back({"thousandths fine", std::string("L"), 0.0, 0.005, true, '.', 0.001, 0.0, 0.001, 3, std::vector<std::string>{"0", "1", "2", "3", "4"}});
    rows.push_back({"thousandths coarse", std::string("L"), 0.0, 0.005, false, '.', 0.002, 0.0, 0.001, 3, std::vector<std::string>{"0", "2", "4"}});
    rows.push_back({"wide spectrum", std::string("nm"), 190.0, 1100.0, true, '.', 100.0, 200.0, 1.0, 4, std::vector<std::string>{"200", "300", "400", "500", "600", "700", "800", "900", "1000"}});
    rows.push_back({"ten hours coarse", std::string("s"), 0.0, 36000.0, false, '.', 10000.0, 0.0, 1000.0, 3, std::vector<std::string>{"0", "10", "20", "30"}});
    // Without a unit the title cannot show a factor: the labels keep the values.
    rows.push_back({"absorbance 0 to 0.2 without unit", std::string(""), 0.0, 0.2, true, ',', 0.05, 0.0, 1.0, 3, std::vector<std::string>{"0", "0,05", "0,1", "0,15"}});
    rows.push_back({"thousandths without unit", std::string(""), 0.0, 0.005, false, '.', 0.002, 0.0, 1.0, 3, std::vector<std::string>{"0", "0.002", "0.004"}});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const double &min = row.min;
        const double &max = row.max;
        const bool &fine = row.fine;
        const char &sep = row.sep;
        const std::vector<std::string> &labels = row.labels;
        const std::string &unit = row.unit;
        SeparatorScope scope(sep);
        Tmonde w;
        w.Unit = unit;
        w.Min = min;
        w.Max = max;
        w.Fine = fine;
        w.ComputeTicks();
        REQUIRE_MESSAGE(SameNumber(w.Step, row.step), Num(w.Step));
        REQUIRE_MESSAGE(SameNumber(w.FirstTick, row.first), Num(w.FirstTick));
        REQUIRE_MESSAGE(SameNumber(w.Factor, row.factor), Num(w.Factor));
        REQUIRE(w.Precision == row.precision);
        std::vector<std::string> got;
        for (int i = 0; w.FirstTick + i * w.Step < max - 1e-12 && i < 50; ++i)
            got.push_back(w.FormatTick(w.FirstTick + i * w.Step));
        REQUIRE(got == labels);
    }
}

TEST_CASE("precisionNeverDecreases")
{
    Tmonde w;
    w.Min = 190;
    w.Max = 1100;
    w.ComputeTicks();
    REQUIRE(w.Precision == 4);
    w.Min = 330;
    w.Max = 800;
    w.ComputeTicks();
    REQUIRE(w.Precision == 4);
    REQUIRE(w.FormatTick(350) == std::string("350"));
}

TEST_CASE("axisTitles")
{
    struct Row {
        std::string tag;
        std::string name;
        std::string unit;
        double factor;
        std::string title;
    };
    std::vector<Row> rows;

    rows.push_back({"Lambda/nm", std::string("Lambda"), std::string("nm"), 1.0, std::string("Lambda/nm")});
    rows.push_back({"no unit", std::string("A"), std::string(""), 1000.0, std::string("A")});
    rows.push_back({"mmol/L", std::string("c"), std::string("mol/L"), 0.001, std::string("c(mmol/L)")});
    rows.push_back({"ks", std::string("t"), std::string("s"), 1000.0, std::string("t/ks")});
    rows.push_back({"mA to microA", std::string("I"), std::string("mA"), 0.001, std::string("I/\xB5" "A")});
    rows.push_back({"mA to A", std::string("I"), std::string("mA"), 1000.0, std::string("I/ A")});
    rows.push_back({"mL", std::string("V"), std::string("L"), 0.001, std::string("V/mL")});
    rows.push_back({"mol is no milli", std::string("n"), std::string("mol"), 1000.0, std::string("n/kmol")});
    rows.push_back({"E is no prefix", std::string("W"), std::string("Ev"), 1000.0, std::string("W/kEv")});
    rows.push_back({"no letter for 10^18", std::string("x"), std::string("Pm"), 1000.0, std::string("x/ m")});
    rows.push_back({"cut at 20", std::string("Concentrations"), std::string("mol/L"), 1.0, std::string("Concentrations(mol/L")});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const std::string &name = row.name;
        const std::string &unit = row.unit;
        const double &factor = row.factor;
        const std::string &title = row.title;
        Tmonde w;
        w.Name = name;
        w.Unit = unit;
        w.Factor = factor;
        REQUIRE(w.AxisTitle() == title);
        REQUIRE(w.AxisTitle() == title); // the unit is left as it was
        REQUIRE(w.Unit == unit);
    }
}

TEST_CASE("toPixel")
{
    Tmonde w;
    w.Scale = 2;
    w.Offset = 0.5;
    REQUIRE(w.ToPixel(MissingValue) == -1);
    REQUIRE(w.ToPixel(0) == 0);   // 0.5 to even
    REQUIRE(w.ToPixel(0.5) == 2); // 1.5 to even
    REQUIRE(w.ToPixel(1) == 2);   // 2.5 to even
    REQUIRE(w.ToPixel(-3) == -6); // nothing clipped
    Tgraphe g;
    g.WorldX.Scale = 4;
    g.WorldX.Offset = 10;
    g.WorldY.Scale = -2;
    g.WorldY.Offset = 100;
    double x, y;
    g.PixelToWorld(30, 90, x, y);
    REQUIRE(x == 5.0);
    REQUIRE(y == 5.0);
}

TEST_CASE("layout")
{
    Fixture f;
    f.g.SetWorld(330, 0, 800, 2.5);
    f.g.Draw();
    REQUIRE(f.g.CharHeight == 20);
    REQUIRE(f.g.Margin == 6);
    REQUIRE(f.g.CharWidth == 10);
    REQUIRE(f.g.MarkerSize == 4);
    REQUIRE(f.g.PlotRect == (TRect{46, 26, 794, 574}));
    REQUIRE((f.g.WorldX.Labelled && f.g.WorldY.Labelled && f.g.WorldX.Fine && f.g.WorldY.Fine));
    int px, py;
    f.g.WorldToPixel(330, 0, px, py);
    REQUIRE(px == 46);
    REQUIRE(py == 574);
    f.g.WorldToPixel(800, 2.5, px, py);
    REQUIRE(px == 794);
    REQUIRE(py == 26);
    // Font heights by area height.
    for (auto [height, font] : {std::pair{300, 13}, std::pair{420, 16}, std::pair{540, 16},
                                std::pair{570, 20}, std::pair{720, 20}, std::pair{750, 25}}) {
        Fixture h(TRect{0, 0, 800, height});
        h.g.Draw();
        REQUIRE(h.canvas.Of(DrawOp::Font).front().x == font);
    }
}

TEST_CASE("emptyGraphDrawsAxesOnly")
{
    Fixture f;
    f.g.SetWorld(330, 0, 800, 2.5);
    f.g.Draw();
    const auto fills = f.canvas.Of(DrawOp::Fill);
    REQUIRE(fills.size() == std::size_t(1));
    REQUIRE(fills[0].brush == clWhite);
    REQUIRE(fills[0].x2 == 800);
    const auto texts = f.canvas.Texts();
    REQUIRE(Contains(texts, "Lambda/nm"));
    REQUIRE(Contains(texts, "A"));
    REQUIRE(Contains(texts, "400"));
    REQUIRE(Contains(texts, "0.5"));
    REQUIRE(f.canvas.LinesOf(clBlue).empty());
    REQUIRE(f.canvas.Of(DrawOp::Ellipse).empty());
}

TEST_CASE("missingValueBreaksTheLine")
{
    // Lines (mode 0) and the one line of a spectrum (mode 1, whose full
    // repaint also draws to the first point of each run).
    for (auto [mode, expected] : {std::pair{0, std::vector<int>{4, 3}}, std::pair{1, std::vector<int>{5, 4}}}) {
    CAPTURE(mode);
    Fixture f;
    f.g.SetWorld(0, 0, 10, 2);
    f.Points({1, 1.1, 1.2, 1.3, 1.4, MissingValue, 1.6, 1.7, 1.8, 1.9});
    f.g.DrawMode = std::uint8_t(mode);
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
    REQUIRE(runs == expected);
    int px, py;
    f.g.WorldToPixel(6, 1.6, px, py);
    REQUIRE(std::any_of(f.canvas.ops.begin(), f.canvas.ops.end(), [&](const DrawOp &op) {
        return op.kind == DrawOp::Move && op.pen == clBlue && op.x == px && op.y == py;
    }));
    // Nothing of the curve goes to the missing value's pixel -1 (the top edge).
    REQUIRE(std::none_of(f.canvas.ops.begin(), f.canvas.ops.end(), [](const DrawOp &op) {
        return op.pen == clBlue && (op.kind == DrawOp::Line || op.kind == DrawOp::Move) && (op.y == -1 || op.x == -1);
    }));
    }
}

TEST_CASE("polylineIgnoresCurve2")
{
    Fixture f;
    f.g.SetWorld(0, 0, 10, 2);
    f.Points({1, 1.2, 1.4});
    f.g.Curve2.Color = 0x00FF00;
    f.g.Curve2Visible = true;
    f.g.DrawMode = 1;
    f.g.Draw();
    REQUIRE(f.canvas.LinesOf(clBlue).size() == std::size_t(3)); // to every point, 0 included
    REQUIRE(f.canvas.LinesOf(0x00FF00).empty());
    f.canvas.ops.clear();
    f.g.DrawMode = 0; // lines do draw the second curve
    f.g.Draw();
    REQUIRE(f.canvas.LinesOf(0x00FF00).size() == std::size_t(2));
}

TEST_CASE("markersSkipMissingValues")
{
    Fixture f;
    f.g.SetWorld(0, 0, 10, 2);
    f.Points({1, MissingValue, 1.4});
    f.g.DrawMode = 2;
    f.g.Draw();
    const auto discs = f.canvas.Of(DrawOp::Ellipse);
    REQUIRE(discs.size() == std::size_t(2));
    REQUIRE(discs[0].brush == clBlue); // filled in the pen's colour
    REQUIRE(discs[0].x2 - discs[0].x == 2 * f.g.MarkerSize);
    REQUIRE(f.canvas.LinesOf(clBlue).empty());
}

TEST_CASE("drawPoint")
{
    Fixture f;
    f.g.SetWorld(0, 0, 10, 2);
    f.g.Draw();
    f.Points({1, 1.5});
    f.canvas.ops.clear();
    f.g.DrawPoint(0, f.g.Curve1);
    REQUIRE(f.canvas.Of(DrawOp::Line).empty());
    REQUIRE(f.canvas.Of(DrawOp::Ellipse).empty());
    f.g.DrawPoint(1, f.g.Curve1);
    const auto lines = f.canvas.Of(DrawOp::Line);
    REQUIRE(lines.size() == std::size_t(1));
    int x0, y0, x1, y1;
    f.g.WorldToPixel(0, 1, x0, y0);
    f.g.WorldToPixel(1, 1.5, x1, y1);
    REQUIRE(std::vector<int>({lines[0].x, lines[0].y, lines[0].x2, lines[0].y2}) == std::vector<int>({x0, y0, x1, y1}));
    // Mode 3: a marker too; a missing new point draws nothing.
    f.canvas.ops.clear();
    f.g.DrawMode = 3;
    f.g.DrawPoint(1, f.g.Curve1);
    REQUIRE(f.canvas.Of(DrawOp::Ellipse).size() == std::size_t(1));
    f.canvas.ops.clear();
    f.g.Curve1.Y[1] = MissingValue;
    f.g.DrawPoint(1, f.g.Curve1);
    REQUIRE((f.canvas.Of(DrawOp::Line).empty() && f.canvas.Of(DrawOp::Ellipse).empty()));
}

TEST_CASE("a series the graph does not own is drawn as its own points would be")
{
    // The same points, once in the graph's arrays, once in a session's series
    // the graph is given; every drawing mode, both curves, a missing value.
    for (int mode : {0, 1, 2, 3}) {
        CAPTURE(mode);
        Fixture own, lent;
        TDataSeries series;
        const double ys[] = {0.2, 1.5, MissingValue, 0.7};
        own.g.PointCount = 4;
        for (int i = 0; i < 4; ++i) {
            own.g.X[i] = 2.0 * i;
            own.g.Curve1.Y[i] = ys[i];
            own.g.Curve2.Y[i] = ys[i] == MissingValue ? 0.1 : ys[i] / 2;
            series.Append(own.g.X[i], own.g.Curve1.Y[i], own.g.Curve2.Y[i]);
        }
        lent.g.Source = &series;
        for (Fixture *f : {&own, &lent}) {
            f->g.DrawMode = std::uint8_t(mode);
            f->g.Curve2Visible = true;
            f->g.Curve2.Color = clRed;
            f->g.SetWorld(0, 0, 8, 2);
            f->g.Draw();
            f->g.DrawPoint(3, f->g.Curve2);
        }
        REQUIRE(lent.g.Count() == 4);
        REQUIRE(lent.g.PointCount == 0); // its own arrays untouched
        REQUIRE(lent.canvas.ops.size() == own.canvas.ops.size());
        REQUIRE(lent.canvas.Of(DrawOp::Line).size() == own.canvas.Of(DrawOp::Line).size());
        REQUIRE(lent.canvas.Of(DrawOp::Ellipse).size() == own.canvas.Of(DrawOp::Ellipse).size());
        for (std::size_t i = 0; i < own.canvas.ops.size(); ++i) {
            const DrawOp &a = own.canvas.ops[i], &b = lent.canvas.ops[i];
            REQUIRE(std::vector<int>{a.kind, a.x, a.y, a.x2, a.y2, int(a.pen)}
                    == std::vector<int>{b.kind, b.x, b.y, b.x2, b.y2, int(b.pen)});
        }
        REQUIRE(SameNumber(lent.g.MaxY(), 1.5));
        // A point the series does not hold (yet) draws nothing.
        lent.canvas.ops.clear();
        lent.g.DrawPoint(4, lent.g.Curve1);
        REQUIRE(lent.canvas.ops.empty());
    }
}

TEST_CASE("narrowAreaHasNoXLabels")
{
    Fixture f(TRect{0, 0, 200, 600}); // 20 character widths
    f.g.SetWorld(-5, 0, 10, 2.5);
    f.g.Draw();
    REQUIRE(!f.g.WorldX.Labelled);
    const auto texts = f.canvas.Texts();
    REQUIRE(!Contains(texts, "Lambda/nm"));
    for (const auto &op : f.canvas.Of(DrawOp::Text))
        REQUIRE(op.y != f.g.PlotRect.Bottom + f.g.Margin);
    // Only the x = 0 line, solid, across the plot.
    int px0, py0;
    f.g.WorldToPixel(0, 0, px0, py0);
    int verticals = 0;
    for (const auto &op : f.canvas.Of(DrawOp::Line)) {
        REQUIRE((!(op.y == f.g.PlotRect.Bottom && op.y2 == f.g.PlotRect.Bottom && op.x == f.g.Bounds.Left)));
        if (op.x == px0 && op.x2 == px0) {
            ++verticals;
            REQUIRE(op.style == PenStyle::Solid);
        }
    }
    REQUIRE(verticals == 1);
}

TEST_CASE("noYLabelsKeepsRoom")
{
    Fixture f;
    f.g.LabelY = false;
    f.g.SetWorld(330, 0, 800, 2.5);
    f.g.Draw();
    REQUIRE(!f.g.WorldY.Labelled);
    REQUIRE(f.g.PlotRect.Top == 6 + 20);
    REQUIRE(f.g.PlotRect.Bottom == 594 - 20);
    REQUIRE(f.g.PlotRect.Left == 6);
    for (const auto &op : f.canvas.Of(DrawOp::Text))
        REQUIRE(op.y == f.g.PlotRect.Bottom + f.g.Margin); // X labels and title only
}

TEST_CASE("ticksOnTheEdgesAreNotDrawn")
{
    Fixture f;
    f.g.SetWorld(0, 0, 100, 2.5); // first ticks fall on the left and bottom edges
    f.g.Draw();
    for (const auto &op : f.canvas.Of(DrawOp::Line)) {
        if (op.style != PenStyle::Dot)
            continue;
        REQUIRE((op.x != f.g.PlotRect.Left || op.x2 != f.g.PlotRect.Left));
        REQUIRE((op.y != f.g.PlotRect.Bottom || op.y2 != f.g.PlotRect.Bottom));
        REQUIRE((op.x != f.g.PlotRect.Right || op.x2 != f.g.PlotRect.Right));
    }
    // Without the grid, short ticks: down from the X axis, into the plot from the Y axis.
    f.canvas.ops.clear();
    f.g.Grid = false;
    f.g.Draw();
    int px, py;
    f.g.WorldToPixel(20, 0.5, px, py);
    const auto lines = f.canvas.Of(DrawOp::Line);
    REQUIRE(std::any_of(lines.begin(), lines.end(), [&](const DrawOp &op) {
        return op.x == px && op.y == f.g.PlotRect.Bottom && op.y2 == f.g.PlotRect.Bottom + f.g.Margin;
    }));
    REQUIRE(std::any_of(lines.begin(), lines.end(), [&](const DrawOp &op) {
        return op.y == py && op.x == f.g.PlotRect.Left && op.x2 == f.g.PlotRect.Left + f.g.Margin;
    }));
}

TEST_CASE("unscalableWorldsDrawTheFrame")
{
    for (auto [min, max] : {std::pair{5.0, 5.0}, std::pair{10.0, 2.0}, std::pair{-3.0, -1.0}}) {
        Fixture f;
        f.g.SetWorld(min, min, max, max);
        f.Points({1, 2, 3});
        f.g.Draw();
        const auto texts = f.canvas.Texts();
        REQUIRE(texts == (std::vector<std::string>{"Lambda/nm", "A"})); // titles, no tick labels
        double x, y;
        f.g.PixelToWorld(100, 100, x, y);
        REQUIRE((std::isfinite(x) && std::isfinite(y)));
    }
}

TEST_CASE("tickLoopEndsOnTinyRanges")
{
    // A range tiny against its values: adding the step no longer changes a
    // tick in single precision, and the loop must end there rather than run
    // on. The drawing runs apart, so that a loop that never ends fails here
    // instead of waiting for the test runner's time-out.
    Fixture f;
    f.g.SetWorld(1e7, 1e7, 1e7 + 0.01, 1e7 + 0.01);
    std::packaged_task<void()> draw([&f] { f.g.Draw(); });
    std::future<void> done = draw.get_future();
    std::thread(std::move(draw)).detach();
    if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        FAIL_CHECK("the tick loop did not end within 10 s");
        std::_Exit(1); // the drawing thread cannot be stopped
    }
    // One tick at most on each axis: no labels beyond the two titles and two ticks.
    REQUIRE(f.canvas.Texts().size() <= 4);
}

TEST_CASE("verticalMappingOfAWorldBelowZero")
{
    // The bottom of the plot is the world's minimum, whatever its sign.
    Fixture f;
    f.g.SetWorld(0, -1, 10, 1);
    f.g.Draw();
    int px, py;
    f.g.WorldToPixel(0, -1, px, py);
    REQUIRE(py == f.g.PlotRect.Bottom);
    f.g.WorldToPixel(0, 1, px, py);
    REQUIRE(py == f.g.PlotRect.Top);
    f.g.WorldToPixel(0, 0, px, py);
    REQUIRE(std::abs(py - (f.g.PlotRect.Top + f.g.PlotRect.Bottom) / 2) <= 1);
    double x, y;
    f.g.PixelToWorld(px, f.g.PlotRect.Bottom, x, y);
    REQUIRE(SameNumber(y, -1));
}

TEST_CASE("cursorIsExclusiveOr")
{
    Fixture f;
    f.g.CursorX = 100;
    f.g.CursorY = 50;
    f.g.DrawCursor();
    const auto lines = f.canvas.Of(DrawOp::Line);
    REQUIRE(lines.size() == std::size_t(2));
    for (const auto &op : lines)
        REQUIRE(op.mode == PenMode::NotXor);
    REQUIRE(std::vector<int>({lines[0].x, lines[0].y, lines[0].x2, lines[0].y2}) == std::vector<int>({100, 0, 100, 600}));
    REQUIRE(std::vector<int>({lines[1].x, lines[1].y, lines[1].x2, lines[1].y2}) == std::vector<int>({0, 50, 800, 50}));
}

TEST_CASE("printScalesWithThePage")
{
    Fixture f;
    f.g.SetWorld(0, 0, 10, 2);
    f.Points({1, 1.5});
    f.g.DrawMode = 2;
    StubPrinter cancel(false);
    REQUIRE(!f.g.Print(cancel));
    REQUIRE(cancel.asked == 1);
    REQUIRE(cancel.page.ops.empty());

    StubPrinter printer(true);
    REQUIRE(f.g.Print(printer));
    REQUIRE(printer.ended == 1);
    REQUIRE(printer.page.Of(DrawOp::Font).front().x == 160);
    REQUIRE(f.g.MarkerSize == 32);
    const auto discs = printer.page.Of(DrawOp::Ellipse);
    REQUIRE(discs.size() == std::size_t(2));
    REQUIRE(discs[0].x2 - discs[0].x == 64);
    REQUIRE(f.g.Canvas == &f.canvas); // the screen canvas is back
    REQUIRE(f.g.Bounds == (TRect{0, 0, 6000, 4800}));
}

TEST_CASE("maxY")
{
    Fixture f;
    REQUIRE(f.g.MaxY() == 0.0);
    f.Points({-1, -0.5, -2});
    REQUIRE(f.g.MaxY() == 0.0);
    f.Points({-1, 0.7, 0.3});
    REQUIRE(f.g.MaxY() == 0.7);
}

TEST_CASE("sortByXIsStable")
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
    std::vector<double> x, y1, y2;
    for (int i = 0; i < 5; ++i) {
        x.push_back(g.X[i]);
        y1.push_back(g.Curve1.Y[i]);
        y2.push_back(g.Curve2.Y[i]);
    }
    REQUIRE(x == (std::vector<double>{1, 1, 2, 2, 3}));
    REQUIRE(y1 == (std::vector<double>{10, 11, 20, 21, 30}));
    REQUIRE(y2 == (std::vector<double>{-10, -11, -20, -21, -30}));
}

TEST_CASE("lambdaColor")
{
    struct Row {
        std::string tag;
        int lambda;
        int r;
        int g;
        int b;
    };
    std::vector<Row> rows;

    rows.push_back({"550", 550, 163, 255, 0});
    rows.push_back({"400", 400, 114, 0, 158});
    rows.push_back({"780", 780, 40, 0, 0});
    rows.push_back({"300", 300, 0, 0, 0});
    rows.push_back({"800", 800, 0, 0, 0});
    rows.push_back({"500", 500, 0, 255, 146});
    for (const Row &row : rows) SUBCASE(row.tag.c_str()) {
        const int &lambda = row.lambda;
        const int &r = row.r;
        const int &g = row.g;
        const int &b = row.b;
        REQUIRE(LambdaColor(lambda) == RGBColor(r, g, b));
    }
}


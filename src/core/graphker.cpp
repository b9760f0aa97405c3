#include "graphker.h"

#include "numtext.h"

#include <algorithm>
#include <cmath>

namespace vandoral {

// ---- Tmonde -------------------------------------------------------------------

bool Tmonde::Valid() const
{
    return std::isfinite(Min) && std::isfinite(Max) && Max > Min && Max > 0;
}

int Tmonde::ToPixel(double value) const
{
    if (value == MissingValue)
        return -1;
    const double p = std::nearbyint(Scale * value + Offset); // ties to even
    // Far outside the surface: keep the pixel within what an int holds.
    if (!(p > -1e9))
        return -1000000000;
    if (p > 1e9)
        return 1000000000;
    return static_cast<int>(p);
}

void Tmonde::ComputeTicks()
{
    if (!Valid()) {
        Step = 0; // no graduation for bounds that cannot be scaled
        FirstTick = Min;
        Factor = 1;
        if (Precision < 3)
            Precision = 3;
        return;
    }
    const double range = Max - Min;
    int e = static_cast<int>(std::floor(std::log10(range)));
    double r = range * std::pow(10.0, -e);
    // log10 may land a hair off an exact power of ten.
    if (r >= 10) {
        r /= 10;
        ++e;
    } else if (r < 1) {
        r *= 10;
        --e;
    }
    static const double table[6] = {0.1, 0.2, 0.5, 1, 2, 5};
    const double limit = Fine ? 10 : 5;
    int i = 0;
    while (i < 5 && !(r / table[i] < limit))
        ++i;
    Step = table[i] * std::pow(10.0, e);
    FirstTick = std::ceil(Min / Step) * Step;
    const int k = static_cast<int>(std::floor(e / 3.0));
    // Only a unit can show a factor in the title ("mL"); without one the
    // labels must carry the values themselves.
    Factor = k == 0 || Unit.empty() ? 1.0 : std::pow(10.0, 3 * k);
    const double d = std::ceil(std::log10(Max / Factor));
    if (d > Precision)
        Precision = static_cast<int>(d);
    Precision = std::clamp(Precision, 3, 4);
}

std::string Tmonde::FormatTick(double value) const
{
    return Cut(GeneralFormat(value / Factor, Precision > 0 ? Precision : 3, 0,
                             Formats().decimalSeparator),
               ShortTextLimit);
}

namespace {

int PrefixExponent(unsigned char c, bool &known)
{
    known = true;
    switch (c) {
    case 'f': return -15;
    case 'p': return -12;
    case 'n': return -9;
    case 0xB5: return -6; // micro sign
    case 'm': return -3;
    case 'k': return 3;
    case 'M': return 6;
    case 'G': return 9;
    case 'T': return 12;
    case 'P': return 15;
    default: known = false; return 0;
    }
}

char PrefixLetter(int n)
{
    switch (n) {
    case -15: return 'f';
    case -12: return 'p';
    case -9: return 'n';
    case -6: return static_cast<char>(0xB5);
    case -3: return 'm';
    case 3: return 'k';
    case 6: return 'M';
    case 9: return 'G';
    case 12: return 'T';
    case 15: return 'P';
    default: return ' ';
    }
}

} // namespace

std::string Tmonde::AxisTitle() const
{
    if (Unit.empty())
        return Cut(Name, ShortTextLimit);
    int n = static_cast<int>(std::lround(std::log10(Factor)));
    std::string u;
    if (n == 0) {
        u = Unit;
    } else {
        // Units beginning with E, a, y or z are taken as having no prefix.
        bool own = false;
        int own_n = 0;
        if (Unit.size() > 1 && Unit.compare(0, 3, "mol") != 0)
            own_n = PrefixExponent(static_cast<unsigned char>(Unit[0]), own);
        if (own)
            u = std::string(1, PrefixLetter(n + own_n)) + Unit.substr(1);
        else
            u = std::string(1, PrefixLetter(n)) + Unit;
    }
    const std::string title = u.find('/') != std::string::npos ? Name + "(" + u + ")" : Name + "/" + u;
    return Cut(title, ShortTextLimit);
}

// ---- Tgraphe: frame ---------------------------------------------------------

void Tgraphe::SetWorld(double xmin, double ymin, double xmax, double ymax)
{
    WorldX.Min = xmin;
    WorldX.Max = xmax;
    WorldY.Min = ymin;
    WorldY.Max = ymax;
}

void Tgraphe::WorldToPixel(double x, double y, int &px, int &py) const
{
    px = WorldX.ToPixel(x);
    py = WorldY.ToPixel(y);
}

void Tgraphe::PixelToWorld(int px, int py, double &x, double &y) const
{
    x = WorldX.Scale != 0 ? (px - WorldX.Offset) / WorldX.Scale : WorldX.Min;
    y = WorldY.Scale != 0 ? (py - WorldY.Offset) / WorldY.Scale : WorldY.Min;
}

void Tgraphe::SetFont(int h)
{
    int height = h;
    if (h <= 13)
        height = 13;
    else if (h <= 18)
        height = 16;
    else if (h <= 24)
        height = 20;
    Canvas->SetFont(FontName, height);
    CharHeight = Canvas->TextHeight("A");
    Margin = CharHeight / 3;
    CharWidth = Canvas->TextWidth("A");
}

void Tgraphe::Layout()
{
    const int W = Bounds.Width();
    const int H = Bounds.Height();
    WorldY.Labelled = LabelY && H > 10 * CharHeight;
    WorldX.Labelled = W > 20 * CharWidth;
    WorldY.Fine = H > 20 * CharHeight;
    WorldX.Fine = W > 40 * CharWidth;
    PlotRect = TRect{Bounds.Left + Margin, Bounds.Top + Margin, Bounds.Right - Margin,
                     Bounds.Bottom - Margin};
    if (WorldY.Labelled)
        PlotRect.Left += 4 * CharWidth;
    if (WorldY.Labelled || !LabelY)
        PlotRect.Top += CharHeight;
    if (WorldX.Labelled || !LabelY)
        PlotRect.Bottom -= CharHeight;

    // Bounds that cannot be scaled put every value on the axis.
    const bool xScalable = WorldX.Max > WorldX.Min && std::isfinite(WorldX.Max - WorldX.Min);
    WorldX.Scale = xScalable ? (PlotRect.Right - PlotRect.Left) / (WorldX.Max - WorldX.Min) : 0;
    WorldX.Offset = xScalable ? PlotRect.Left - WorldX.Min * WorldX.Scale : PlotRect.Left;
    WorldX.ComputeTicks();
    const bool yScalable = WorldY.Max > WorldY.Min && std::isfinite(WorldY.Max - WorldY.Min);
    WorldY.Scale = yScalable ? (PlotRect.Top - PlotRect.Bottom) / (WorldY.Max - WorldY.Min) : 0;
    WorldY.Offset = yScalable ? PlotRect.Bottom - WorldY.Min * WorldY.Scale : PlotRect.Bottom;
    WorldY.ComputeTicks();
}

namespace {

// The next tick in single precision; false when adding the step no longer
// changes the value (a range tiny against its values), which ends the loop.
bool NextTick(float &t, double step)
{
    const float next = t + static_cast<float>(step);
    if (!(next > t))
        return false;
    t = next;
    return true;
}

} // namespace

void Tgraphe::DrawAxes()
{
    Canvas->SetPenStyle(PenStyle::Solid);
    Canvas->SetPenWidth(AxisPen);
    Canvas->SetPenColor(clBlack);
    Canvas->SetPenMode(PenMode::Copy);
    Canvas->SetFontColor(clBlack);
    DrawXAxis();
    DrawYAxis();
}

void Tgraphe::DrawXAxis()
{
    int px0, py0;
    WorldToPixel(0, 0, px0, py0);
    const bool zeroInside = PlotRect.Left < px0 && px0 < PlotRect.Right;
    if (!WorldX.Labelled) {
        if (zeroInside) {
            Canvas->MoveTo(px0, PlotRect.Bottom);
            Canvas->LineTo(px0, PlotRect.Top);
        }
        return;
    }
    float t = static_cast<float>(WorldX.FirstTick);
    if (zeroInside) {
        Canvas->SetPenStyle(PenStyle::Dot);
        Canvas->MoveTo(px0, PlotRect.Bottom);
        Canvas->LineTo(px0, PlotRect.Top);
        Canvas->SetPenStyle(PenStyle::Solid);
    }
    const std::string title = WorldX.AxisTitle();
    const int x = Bounds.Right - Canvas->TextWidth(title);
    Canvas->TextOut(x, PlotRect.Bottom + Margin, title);
    const int L = x - 2 * CharWidth;
    Canvas->MoveTo(Bounds.Left, PlotRect.Bottom);
    Canvas->LineTo(PlotRect.Right, PlotRect.Bottom);
    Canvas->MoveTo(PlotRect.Right - 3 * Margin, PlotRect.Bottom + Margin);
    Canvas->LineTo(PlotRect.Right, PlotRect.Bottom);
    Canvas->MoveTo(PlotRect.Right - 3 * Margin, PlotRect.Bottom - Margin);
    Canvas->LineTo(PlotRect.Right, PlotRect.Bottom);
    if (Grid)
        Canvas->SetPenStyle(PenStyle::Dot);
    if (WorldX.Step > 0) {
        do {
            const int px = WorldX.ToPixel(t);
            if (PlotRect.Left < px && px < PlotRect.Right) {
                if (Grid) {
                    Canvas->SetPenColor(GridColor);
                    Canvas->MoveTo(px, PlotRect.Top);
                    Canvas->LineTo(px, PlotRect.Bottom);
                    Canvas->SetPenColor(clBlack);
                } else {
                    Canvas->MoveTo(px, PlotRect.Bottom);
                    Canvas->LineTo(px, PlotRect.Bottom + Margin);
                }
            }
            if (PlotRect.Left + Margin < px && px < L) {
                if (std::fabs(t) < (WorldX.Max - WorldX.Min) / 100)
                    t = 0;
                const std::string label = WorldX.FormatTick(t);
                Canvas->TextOut(px - Canvas->TextWidth(label) / 2, PlotRect.Bottom + Margin, label);
            }
        } while (NextTick(t, WorldX.Step) && t < WorldX.Max);
    }
    Canvas->SetPenStyle(PenStyle::Solid);
}

void Tgraphe::DrawYAxis()
{
    int px0, py0;
    WorldToPixel(0, 0, px0, py0);
    const bool zeroInside = PlotRect.Top < py0 && py0 < PlotRect.Bottom;
    if (!WorldY.Labelled) {
        if (zeroInside) {
            Canvas->MoveTo(PlotRect.Left, py0);
            Canvas->LineTo(PlotRect.Right, py0);
        }
        return;
    }
    float t = static_cast<float>(WorldY.FirstTick);
    if (zeroInside) {
        Canvas->SetPenStyle(PenStyle::Dot);
        Canvas->MoveTo(PlotRect.Left, py0);
        Canvas->LineTo(PlotRect.Right, py0);
        Canvas->SetPenStyle(PenStyle::Solid);
    }
    Canvas->MoveTo(PlotRect.Left, PlotRect.Bottom);
    Canvas->LineTo(PlotRect.Left, PlotRect.Top - Margin);
    Canvas->MoveTo(PlotRect.Left - Margin, PlotRect.Top + 2 * Margin);
    Canvas->LineTo(PlotRect.Left, PlotRect.Top - Margin);
    Canvas->MoveTo(PlotRect.Left + Margin, PlotRect.Top + 2 * Margin);
    Canvas->LineTo(PlotRect.Left, PlotRect.Top - Margin);
    Canvas->TextOut(Bounds.Left + Margin, Bounds.Top, WorldY.AxisTitle());
    if (Grid)
        Canvas->SetPenStyle(PenStyle::Dot);
    if (WorldY.Step > 0) {
        do {
            const int py = WorldY.ToPixel(t);
            if (PlotRect.Top < py && py < PlotRect.Bottom) {
                if (Grid) {
                    Canvas->SetPenColor(GridColor);
                    Canvas->MoveTo(PlotRect.Left, py);
                    Canvas->LineTo(PlotRect.Right, py);
                    Canvas->SetPenColor(clBlack);
                } else {
                    Canvas->MoveTo(PlotRect.Left, py);
                    Canvas->LineTo(PlotRect.Left + Margin, py);
                }
            }
            if (PlotRect.Top + Margin < py && py < PlotRect.Bottom - Margin) {
                if (std::fabs(t) < (WorldY.Max - WorldY.Min) / 1000)
                    t = 0;
                Canvas->TextOut(Bounds.Left + Margin, py - CharHeight / 2, WorldY.FormatTick(t));
            }
        } while (NextTick(t, WorldY.Step) && t < WorldY.Max);
    }
    Canvas->SetPenStyle(PenStyle::Solid);
}

// ---- Tgraphe: curves ----------------------------------------------------------

void Tgraphe::Draw()
{
    if (!Canvas)
        return;
    MarkerSize = Bounds.Height() / 150;
    if (MarkerSize == 0)
        MarkerSize = 1;
    SetFont(Bounds.Height() / 30);
    Canvas->SetBrush(BrushStyle::Solid, clWhite);
    Canvas->FillRect(Bounds);
    Layout();
    DrawAxes();
    if (UnderCurves)
        UnderCurves();
    switch (DrawMode) {
    case 0: DrawLines(); break;
    case 1: DrawPolyline(Curve1); break;
    case 2: DrawMarkers(); break;
    case 3:
        DrawLines();
        DrawMarkers();
        break;
    default: break;
    }
    Canvas->Flush();
}

int Tgraphe::Count() const
{
    if (!Source)
        return PointCount;
    return std::min(Source->Count(), GraphCapacity);
}

const double *Tgraphe::Xs() const
{
    return Source ? Source->X.data() : X.data();
}

const double *Tgraphe::Ys(const Tcourbe &curve) const
{
    if (!Source)
        return curve.Y.data();
    return &curve == &Curve2 ? Source->A2.data() : Source->A.data();
}

void Tgraphe::CurveLines(const Tcourbe &curve)
{
    bool penDown = false;
    for (int i = 0; i < Count(); ++i) {
        int px, py;
        WorldToPixel(Xs()[i], Ys(curve)[i], px, py);
        if (px == -1 || py == -1) {
            penDown = false;
        } else if (!penDown) {
            Canvas->MoveTo(px, py);
            penDown = true;
        } else {
            Canvas->LineTo(px, py);
        }
    }
}

void Tgraphe::DrawLines()
{
    if (Count() == 0)
        return;
    Canvas->SetPenStyle(PenStyle::Solid);
    Canvas->SetPenWidth(CurvePen);
    Canvas->SetPenColor(Curve1.Color);
    CurveLines(Curve1);
    if (Curve2Visible) {
        Canvas->SetPenColor(Curve2.Color);
        CurveLines(Curve2);
    }
}

void Tgraphe::DrawPolyline(const Tcourbe &curve)
{
    if (Count() == 0)
        return;
    Canvas->SetPenStyle(PenStyle::Solid);
    Canvas->SetPenWidth(CurvePen);
    Canvas->SetPenColor(curve.Color);
    DrawPath(Xs(), Ys(curve), Count());
}

void Tgraphe::DrawPath(const double *x, const double *y, int count)
{
    // A missing value lifts the pen: a full repaint shows the same gap as
    // the points drawn one by one, never a line to the top edge.
    bool penDown = false;
    for (int i = 0; i < count; ++i) {
        int px, py;
        WorldToPixel(x[i], y[i], px, py);
        if (px == -1 || py == -1) {
            penDown = false;
            continue;
        }
        if (!penDown) {
            Canvas->MoveTo(px, py);
            penDown = true;
        }
        Canvas->LineTo(px, py);
    }
}

void Tgraphe::DrawMarkers()
{
    if (Count() == 0)
        return;
    Canvas->SetPenStyle(PenStyle::Solid);
    Canvas->SetPenWidth(CurvePen);
    const Tcourbe *curves[2] = {&Curve1, Curve2Visible ? &Curve2 : nullptr};
    for (const Tcourbe *curve : curves) {
        if (!curve)
            continue;
        Canvas->SetPenColor(curve->Color);
        for (int i = 0; i < Count(); ++i) {
            int px, py;
            WorldToPixel(Xs()[i], Ys(*curve)[i], px, py);
            if (px != -1 && py != -1)
                DrawMarker(px, py);
        }
    }
}

void Tgraphe::DrawMarker(int px, int py)
{
    Canvas->SetBrush(BrushStyle::Solid, Canvas->PenColor());
    Canvas->Ellipse(px - MarkerSize, py - MarkerSize, px + MarkerSize, py + MarkerSize);
    Canvas->SetBrushStyle(BrushStyle::Clear);
}

void Tgraphe::DrawPoint(std::uint16_t index, const Tcourbe &curve)
{
    // A series holds only the points it has; the graph's own arrays all of them.
    if (!Canvas || index >= GraphCapacity || (Source && index >= Source->Count()))
        return;
    Canvas->SetPenColor(curve.Color);
    Canvas->SetPenStyle(PenStyle::Solid);
    int px, py;
    WorldToPixel(Xs()[index], Ys(curve)[index], px, py);
    if (px != -1 && py != -1) {
        Canvas->SetPenWidth(CurvePen);
        if (DrawMode == 2 || DrawMode == 3)
            DrawMarker(px, py);
        if (DrawMode != 2 && index > 0) {
            int qx, qy;
            WorldToPixel(Xs()[index - 1], Ys(curve)[index - 1], qx, qy);
            if (qx != -1 && qy != -1) {
                Canvas->MoveTo(qx, qy);
                Canvas->LineTo(px, py);
            }
        }
    }
    Canvas->Flush();
}

void Tgraphe::MarkPoint(double x, double y)
{
    if (!Canvas)
        return;
    Canvas->SetPenColor(clRed);
    Canvas->SetPenStyle(PenStyle::Solid);
    Canvas->SetPenWidth(CurvePen);
    int px, py;
    WorldToPixel(x, y, px, py);
    DrawMarker(px, py);
    Canvas->Flush();
}

void Tgraphe::DrawCursor()
{
    if (!Canvas)
        return;
    Canvas->SetPenMode(PenMode::NotXor);
    Canvas->SetPenColor(clBlack);
    const TRect c = Canvas->ClipRect();
    Canvas->MoveTo(CursorX, c.Top);
    Canvas->LineTo(CursorX, c.Bottom);
    Canvas->MoveTo(c.Left, CursorY);
    Canvas->LineTo(c.Right, CursorY);
    Canvas->SetPenMode(PenMode::Copy);
    Canvas->Flush();
}

bool Tgraphe::Print(PrintHost &host)
{
    if (!host.ConfirmPrint())
        return false;
    TCanvas *saved = Canvas;
    TCanvas *page = host.BeginDoc();
    if (!page)
        return false;
    Canvas = page;
    Bounds = page->ClipRect();
    Draw();
    host.EndDoc();
    Canvas = saved;
    return true;
}

double Tgraphe::MaxY() const
{
    double m = 0;
    const double *y = Ys(Curve1);
    for (int i = 0; i < Count(); ++i)
        if (y[i] > m)
            m = y[i];
    return m;
}

void Tgraphe::SortByX()
{
    for (int i = 1; i < PointCount; ++i) {
        const double x = X[i], y1 = Curve1.Y[i], y2 = Curve2.Y[i];
        int j = i;
        while (j > 0 && X[j - 1] > x) {
            X[j] = X[j - 1];
            Curve1.Y[j] = Curve1.Y[j - 1];
            Curve2.Y[j] = Curve2.Y[j - 1];
            --j;
        }
        X[j] = x;
        Curve1.Y[j] = y1;
        Curve2.Y[j] = y2;
    }
}

// ---- colours ------------------------------------------------------------------

TColor LambdaColor(int lambda)
{
    const double l = lambda;
    double r = 0, g = 0, b = 0;
    if (lambda >= 380 && lambda < 440) {
        r = (440 - l) / 60;
        b = 1;
    } else if (lambda >= 440 && lambda < 490) {
        g = (l - 440) / 50;
        b = 1;
    } else if (lambda >= 490 && lambda < 510) {
        g = 1;
        b = (510 - l) / 20;
    } else if (lambda >= 510 && lambda < 580) {
        r = (l - 510) / 70;
        g = 1;
    } else if (lambda >= 580 && lambda < 645) {
        r = 1;
        g = (645 - l) / 65;
    } else if (lambda >= 645 && lambda < 781) {
        r = 1;
    }
    double f = 0;
    if (lambda >= 380 && lambda < 420)
        f = 0.1 + 0.9 * (l - 380) / 40;
    else if (lambda >= 420 && lambda < 701)
        f = 1;
    else if (lambda >= 701 && lambda < 781)
        f = 0.1 + 0.9 * (780 - l) / 80;
    auto component = [f](double c) {
        return c == 0 ? 0 : static_cast<int>(std::nearbyint(255 * std::pow(f * c, 0.8)));
    };
    return RGBColor(component(r), component(g), component(b));
}

} // namespace vandoral

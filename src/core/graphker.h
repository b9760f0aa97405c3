// The graph kernel: the world of an axis, curves, and the graph that draws
// them with their axes on a Canvas.
#pragma once

#include "canvas.h"
#include "dataseries.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace vandoral {

class Tmonde {
public:
    double Min = 0;
    double Max = 255;
    double Scale = 1;
    double Offset = 0;
    bool Labelled = false;
    bool Fine = false;
    double Factor = 1;
    std::string Name;     // at most 20 bytes
    std::string Unit;     // at most 20 bytes
    std::string LongName; // at most 255 bytes
    double Step = 0;
    double FirstTick = 0;
    int Precision = 0;

    int ToPixel(double value) const;
    void ComputeTicks();
    std::string FormatTick(double value) const;
    std::string AxisTitle() const;

    // Max > Min and Max > 0: the bounds can be scaled and graduated.
    bool Valid() const;
};

constexpr int GraphCapacity = 1501;

class Tcourbe {
public:
    TColor Color = clBlue;
    std::array<double, GraphCapacity> Y{};
};

// Asks for confirmation and provides the printer page.
class PrintHost {
public:
    virtual ~PrintHost() = default;
    // "Impression ?" with OK and Annuler; true for OK.
    virtual bool ConfirmPrint() = 0;
    // Begins a landscape job; the page's canvas, or null when it failed.
    virtual TCanvas *BeginDoc() = 0;
    virtual void EndDoc() = 0;
};

class Tgraphe {
public:
    Tgraphe() = default;
    virtual ~Tgraphe() = default;

    int MarkerSize = 1;
    Tmonde WorldX, WorldY;
    TRect PlotRect;
    TRect Bounds;
    int CharWidth = 0, CharHeight = 0, Margin = 0;
    bool Grid = true;
    TCanvas *Canvas = nullptr; // the drawing surface, set by the owner
    int CursorX = 0, CursorY = 0;
    Tcourbe Curve1, Curve2;
    std::uint16_t PointCount = 0;
    std::array<double, GraphCapacity> X{};
    // The points drawn: the series a session owns when it gave one (Curve1
    // draws its A, Curve2 its A2), else the graph's own arrays above.
    const TDataSeries *Source = nullptr;
    int Count() const;
    const double *Xs() const;
    const double *Ys(const Tcourbe &curve) const;
    std::uint8_t DrawMode = 0;
    bool Curve2Visible = false;
    bool LabelY = true;
    // Pen width of the curves, markers and fitted lines, and the grid's
    // colour: one pixel and black on the screen, wider and lighter on paper.
    int CurvePen = 1;
    int AxisPen = 1;
    TColor GridColor = clBlack;
    // Drawn after the axes and before the curves (curves kept for
    // comparison lie under the live one).
    std::function<void()> UnderCurves;

    void SetWorld(double xmin, double ymin, double xmax, double ymax);
    void WorldToPixel(double x, double y, int &px, int &py) const;
    void PixelToWorld(int px, int py, double &x, double &y) const;
    void Draw();
    void DrawPoint(std::uint16_t index, const Tcourbe &curve);
    void MarkPoint(double x, double y);
    void DrawCursor();
    // Returns whether a page was printed.
    bool Print(PrintHost &host);
    double MaxY() const;
    void SortByX();

    // Internal steps of Draw, public for the windows with their own layouts.
    void SetFont(int height);
    void Layout();
    void DrawAxes();
    void DrawLines();
    void DrawPolyline(const Tcourbe &curve);
    // A line through the points (x[i], y[i]) with the current pen; a missing
    // value lifts the pen.
    void DrawPath(const double *x, const double *y, int count);
    void DrawMarkers();
    void DrawMarker(int px, int py);

    static constexpr const char *FontName = "Tahoma";

private:
    void DrawXAxis();
    void DrawYAxis();
    void CurveLines(const Tcourbe &curve);
};

// The colour of visible light of the given wavelength; black outside.
TColor LambdaColor(int lambda);

} // namespace vandoral

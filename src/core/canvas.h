// The drawing surface the graph kernel draws on: a screen image, a printer
// page, or a recording for tests.
#pragma once

#include <cstdint>
#include <string>

namespace vandoral {

// 24-bit colour held as 0x00BBGGRR.
using TColor = std::uint32_t;
constexpr TColor RGBColor(int r, int g, int b)
{
    return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect &o) const
    {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
};

enum class PenStyle { Solid, Dot };
// Copy: the pen's colour; NotXor: each pixel becomes not (pen xor screen).
enum class PenMode { Copy, NotXor };
enum class BrushStyle { Solid, Clear };

class TCanvas {
public:
    virtual ~TCanvas() = default;

    // Font by name and cell height in pixels (leading included); the style
    // stays as the surface has it.
    virtual void SetFont(const std::string &name, int cellHeight) = 0;
    virtual void SetFontColor(TColor color) = 0;

    virtual void SetPenColor(TColor color) = 0;
    virtual void SetPenStyle(PenStyle style) = 0;
    virtual void SetPenWidth(int width) = 0;
    virtual void SetPenMode(PenMode mode) = 0;
    virtual TColor PenColor() const = 0;

    virtual void SetBrush(BrushStyle style, TColor color) = 0;
    virtual void SetBrushStyle(BrushStyle style) = 0;

    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // Text with its top-left corner at (x, y), on an opaque white background.
    virtual void TextOut(int x, int y, const std::string &text) = 0;
    virtual int TextWidth(const std::string &text) = 0;
    virtual int TextHeight(const std::string &text) = 0;
    // A disc filled with the brush and outlined by the pen, inside the box.
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    // Fills with the brush.
    virtual void FillRect(const TRect &r) = 0;
    virtual TRect ClipRect() const = 0;
    // Ends a drawing operation: whatever the surface batched is drawn now.
    virtual void Flush() {}
};

} // namespace vandoral

// The graph kernel's drawing surface over a QPainter: a screen image or a
// printer page.
#pragma once

#include "canvas.h"

#include <QColor>
#include <QFont>
#include <QPolygon>
#include <QRect>

class QPainter;

namespace vandoral {

QColor ToQColor(TColor c);

class QtCanvas : public TCanvas {
public:
    // `clip` is the whole surface (the paint box, the printable page).
    QtCanvas(QPainter *painter, const QRect &clip);
    ~QtCanvas() override;

    void SetFont(const std::string &name, int cellHeight) override;
    void SetFontColor(TColor color) override { fontColor_ = color; }
    void SetPenColor(TColor color) override;
    void SetPenStyle(PenStyle style) override;
    void SetPenWidth(int width) override;
    void SetPenMode(PenMode mode) override;
    TColor PenColor() const override { return penColor_; }
    void SetBrush(BrushStyle style, TColor color) override;
    void SetBrushStyle(BrushStyle style) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, const std::string &text) override;
    int TextWidth(const std::string &text) override;
    int TextHeight(const std::string &text) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void FillRect(const TRect &r) override;
    TRect ClipRect() const override;
    void Flush() override;

    // What the drawing touched, in surface pixels.
    QRect Touched() const { return touched_; }

private:
    void ApplyPen();
    void Touch(const QRect &r);

    QPainter *painter_;
    QRect clip_;
    QFont font_;
    TColor fontColor_ = clBlack;
    TColor penColor_ = clBlack;
    PenStyle penStyle_ = PenStyle::Solid;
    int penWidth_ = 1;
    PenMode penMode_ = PenMode::Copy;
    BrushStyle brushStyle_ = BrushStyle::Solid;
    TColor brushColor_ = clWhite;
    QPoint pos_;
    // Consecutive line-tos, drawn as one polyline.
    QPolygon pending_;
    QRect touched_;
};

} // namespace vandoral

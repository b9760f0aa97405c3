// A canvas that records what is drawn on it, with simple fixed metrics:
// a character is half the cell height wide.
#pragma once

#include "canvas.h"

#include <string>
#include <vector>

struct DrawOp {
    enum Kind { Move, Line, Text, Ellipse, Fill, Font };
    Kind kind = Move;
    int x = 0, y = 0, x2 = 0, y2 = 0;
    std::string text;
    vandoral::TColor pen = 0;
    vandoral::PenStyle style = vandoral::PenStyle::Solid;
    vandoral::PenMode mode = vandoral::PenMode::Copy;
    vandoral::TColor brush = 0;
};

class RecordingCanvas : public vandoral::TCanvas {
public:
    explicit RecordingCanvas(vandoral::TRect clip = {0, 0, 800, 600}) : clip_(clip) {}

    void SetFont(const std::string &name, int cellHeight) override
    {
        height_ = cellHeight;
        Add(DrawOp::Font, cellHeight, 0, name);
    }
    void SetFontColor(vandoral::TColor) override {}
    void SetPenColor(vandoral::TColor c) override { pen_ = c; }
    void SetPenStyle(vandoral::PenStyle s) override { style_ = s; }
    void SetPenWidth(int) override {}
    void SetPenMode(vandoral::PenMode m) override { mode_ = m; }
    vandoral::TColor PenColor() const override { return pen_; }
    void SetBrush(vandoral::BrushStyle s, vandoral::TColor c) override
    {
        brushStyle_ = s;
        brush_ = c;
    }
    void SetBrushStyle(vandoral::BrushStyle s) override { brushStyle_ = s; }
    void MoveTo(int x, int y) override
    {
        Add(DrawOp::Move, x, y);
        px_ = x;
        py_ = y;
    }
    void LineTo(int x, int y) override
    {
        DrawOp &op = Add(DrawOp::Line, px_, py_);
        op.x2 = x;
        op.y2 = y;
        px_ = x;
        py_ = y;
    }
    void TextOut(int x, int y, const std::string &text) override { Add(DrawOp::Text, x, y, text); }
    int TextWidth(const std::string &text) override { return int(text.size()) * (height_ / 2); }
    int TextHeight(const std::string &) override { return height_; }
    void Ellipse(int x1, int y1, int x2, int y2) override
    {
        DrawOp &op = Add(DrawOp::Ellipse, x1, y1);
        op.x2 = x2;
        op.y2 = y2;
        op.brush = brushStyle_ == vandoral::BrushStyle::Solid ? brush_ : 0xFFFFFFFF;
    }
    void FillRect(const vandoral::TRect &r) override
    {
        DrawOp &op = Add(DrawOp::Fill, r.Left, r.Top);
        op.x2 = r.Right;
        op.y2 = r.Bottom;
        op.brush = brush_;
    }
    vandoral::TRect ClipRect() const override { return clip_; }

    std::vector<DrawOp> ops;

    std::vector<DrawOp> Of(DrawOp::Kind kind) const
    {
        std::vector<DrawOp> out;
        for (const auto &op : ops)
            if (op.kind == kind)
                out.push_back(op);
        return out;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const auto &op : Of(DrawOp::Text))
            out.push_back(op.text);
        return out;
    }
    std::vector<DrawOp> LinesOf(vandoral::TColor color) const
    {
        std::vector<DrawOp> out;
        for (const auto &op : Of(DrawOp::Line))
            if (op.pen == color)
                out.push_back(op);
        return out;
    }

private:
    DrawOp &Add(DrawOp::Kind k, int x, int y, const std::string &text = std::string())
    {
        DrawOp op;
        op.kind = k;
        op.x = x;
        op.y = y;
        op.text = text;
        op.pen = pen_;
        op.style = style_;
        op.mode = mode_;
        ops.push_back(op);
        return ops.back();
    }
    vandoral::TRect clip_;
    int height_ = 13;
    int px_ = 0, py_ = 0;
    vandoral::TColor pen_ = 0;
    vandoral::PenStyle style_ = vandoral::PenStyle::Solid;
    vandoral::PenMode mode_ = vandoral::PenMode::Copy;
    vandoral::BrushStyle brushStyle_ = vandoral::BrushStyle::Solid;
    vandoral::TColor brush_ = 0;
};

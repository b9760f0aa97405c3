#include "qtcanvas.h"

#include "dictionary.h"

#include "qtext.h"

#include <QFontMetrics>
#include <QPainter>

#include <climits>

namespace vandoral {

QColor ToQColor(TColor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QtCanvas::QtCanvas(QPainter *painter, const QRect &clip)
    : painter_(painter), clip_(clip), font_(painter->font())
{
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
    ApplyPen();
}

QtCanvas::~QtCanvas()
{
    Flush();
}

void QtCanvas::SetFont(const std::string &name, int cellHeight)
{
    Flush();
    QFont f(FromCp(name));
    f.setBold(font_.bold());
    f.setItalic(font_.italic());
    // Qt sizes the em, the graph wants the cell (ascent + descent): find the
    // pixel size whose cell comes closest.
    const int want = cellHeight > 0 ? cellHeight : 1;
    f.setPixelSize(want);
    const int h = QFontMetrics(f, painter_->device()).height();
    int size = h > 0 ? qMax(1, qRound(double(want) * want / h)) : want;
    int best = size, bestError = INT_MAX;
    for (int tries = 0; tries < 6; ++tries) {
        f.setPixelSize(size);
        const int got = QFontMetrics(f, painter_->device()).height();
        if (qAbs(got - want) < bestError) {
            best = size;
            bestError = qAbs(got - want);
        }
        if (got == want)
            break;
        size += got < want ? 1 : -1;
        if (size < 1)
            break;
    }
    f.setPixelSize(best);
    font_ = f;
    painter_->setFont(font_);
}

void QtCanvas::ApplyPen()
{
    QPen pen(ToQColor(penColor_));
    pen.setWidth(penWidth_ < 1 ? 1 : penWidth_);
    pen.setStyle(penStyle_ == PenStyle::Dot ? Qt::DotLine : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_->setPen(pen);
    painter_->setCompositionMode(penMode_ == PenMode::NotXor
                                     ? QPainter::RasterOp_NotSourceXorDestination
                                     : QPainter::CompositionMode_SourceOver);
}

void QtCanvas::SetPenColor(TColor color)
{
    if (color == penColor_)
        return;
    Flush();
    penColor_ = color;
    ApplyPen();
}

void QtCanvas::SetPenStyle(PenStyle style)
{
    if (style == penStyle_)
        return;
    Flush();
    penStyle_ = style;
    ApplyPen();
}

void QtCanvas::SetPenWidth(int width)
{
    if (width == penWidth_)
        return;
    Flush();
    penWidth_ = width;
    ApplyPen();
}

void QtCanvas::SetPenMode(PenMode mode)
{
    if (mode == penMode_)
        return;
    Flush();
    penMode_ = mode;
    ApplyPen();
}

void QtCanvas::SetBrush(BrushStyle style, TColor color)
{
    brushStyle_ = style;
    brushColor_ = color;
}

void QtCanvas::SetBrushStyle(BrushStyle style)
{
    brushStyle_ = style;
}

void QtCanvas::MoveTo(int x, int y)
{
    Flush();
    pos_ = QPoint(x, y);
}

void QtCanvas::LineTo(int x, int y)
{
    if (pending_.isEmpty())
        pending_ << pos_;
    pos_ = QPoint(x, y);
    pending_ << pos_;
}

void QtCanvas::Flush()
{
    if (pending_.size() < 2) {
        pending_.clear();
        return;
    }
    if (pending_.size() == 2)
        painter_->drawLine(pending_[0], pending_[1]);
    else
        painter_->drawPolyline(pending_);
    // An aliased line covers its end pixels and half the pen around them.
    const int pad = (penWidth_ < 1 ? 1 : penWidth_) / 2;
    Touch(pending_.boundingRect().adjusted(-pad, -pad, pad, pad));
    pending_.clear();
}

void QtCanvas::TextOut(int x, int y, const std::string &text)
{
    Flush();
    const QString s = Tr(FromCp(text));
    const QFontMetrics fm(font_, painter_->device());
    const QRect box(x, y, fm.horizontalAdvance(s), fm.height());
    const auto mode = painter_->compositionMode();
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_->fillRect(box, Qt::white);
    painter_->setPen(ToQColor(fontColor_));
    painter_->drawText(x, y + fm.ascent(), s);
    painter_->setCompositionMode(mode);
    ApplyPen();
    Touch(box);
}

int QtCanvas::TextWidth(const std::string &text)
{
    return QFontMetrics(font_, painter_->device()).horizontalAdvance(Tr(FromCp(text)));
}

int QtCanvas::TextHeight(const std::string &)
{
    return QFontMetrics(font_, painter_->device()).height();
}

void QtCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    Flush();
    if (brushStyle_ == BrushStyle::Solid)
        painter_->setBrush(ToQColor(brushColor_));
    else
        painter_->setBrush(Qt::NoBrush);
    const QRect box(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1));
    painter_->drawEllipse(box);
    painter_->setBrush(Qt::NoBrush);
    Touch(box.adjusted(-1, -1, 1, 1));
}

void QtCanvas::FillRect(const TRect &r)
{
    Flush();
    if (brushStyle_ != BrushStyle::Solid)
        return;
    const QRect box(r.Left, r.Top, r.Width(), r.Height());
    painter_->fillRect(box, ToQColor(brushColor_));
    Touch(box);
}

TRect QtCanvas::ClipRect() const
{
    return TRect{clip_.left(), clip_.top(), clip_.left() + clip_.width(), clip_.top() + clip_.height()};
}

void QtCanvas::Touch(const QRect &r)
{
    touched_ = touched_.united(r);
}

} // namespace vandoral

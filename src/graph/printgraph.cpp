#include "printgraph.h"

#include "dialogs.h"
#include "dictionary.h"
#include "qtcanvas.h"
#include "tracesession.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <cmath>

namespace vandoral {

QtPrintHost::QtPrintHost(QPrinter &printer, QWidget *parent) : printer_(printer), parent_(parent) {}

QtPrintHost::~QtPrintHost()
{
    EndDoc();
}

bool QtPrintHost::ConfirmPrint()
{
    return CurrentDialogs().Confirm(parent_, QStringLiteral("Confirmation"), QStringLiteral("Impression ?"));
}

TCanvas *QtPrintHost::BeginDoc()
{
    printer_.setPageOrientation(QPageLayout::Landscape);
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(&printer_)) {
        painter_.reset();
        return nullptr;
    }
    const QRect page = printer_.pageLayout().paintRectPixels(printer_.resolution());
    canvas_ = std::make_unique<QtCanvas>(painter_.get(), QRect(QPoint(0, 0), page.size()));
    return canvas_.get();
}

void QtPrintHost::EndDoc()
{
    canvas_.reset();
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

bool PrintGraph(Tgraphe &graph, QPrinter &printer, QWidget *parent)
{
    QtPrintHost host(printer, parent);
    return graph.Print(host);
}

QString PageHeader(const PageReport &r)
{
    QStringList parts{r.Caption};
    if (!r.Model.isEmpty())
        parts << r.Model;
    parts << r.When;
    if (!r.Comment.isEmpty())
        parts << r.Comment;
    return parts.join(QStringLiteral(" — "));
}

int CurvePenFor(int dpi)
{
    return std::max(1, int(std::ceil(0.35 * dpi / 25.4)));
}

int AxisPenFor(int dpi)
{
    return std::max(1, int(std::ceil(0.2 * dpi / 25.4)));
}

void DrawGraphIn(Tgraphe &graph, QPainter &painter, const QRect &device, const TRect &area, int dpi,
                 const std::function<void()> &overlay)
{
    QtCanvas canvas(&painter, device);
    TCanvas *saved = graph.Canvas;
    const int curvePen = graph.CurvePen, axisPen = graph.AxisPen;
    const TColor grid = graph.GridColor;
    graph.Canvas = &canvas;
    graph.Bounds = area;
    graph.CurvePen = CurvePenFor(dpi);
    graph.AxisPen = AxisPenFor(dpi);
    graph.GridColor = RGBColor(175, 175, 175);
    graph.Draw();
    if (overlay)
        overlay();
    canvas.Flush();
    graph.Canvas = saved;
    graph.CurvePen = curvePen;
    graph.AxisPen = axisPen;
    graph.GridColor = grid;
}

void DrawReportPage(Tgraphe &graph, QPainter &painter, const QRect &page, int dpi, const PageReport &report)
{
    const int lineHeight = std::max(12, page.height() / 36);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(lineHeight * 3 / 4);
    painter.save();
    painter.fillRect(page, Qt::white);
    painter.setFont(font);
    painter.setPen(Qt::black);
    // The header on one line; too long for it (a portrait page, a long
    // comment), the comment goes to a line of its own rather than being cut.
    QStringList header{PageHeader(report)};
    if (painter.fontMetrics().horizontalAdvance(header.front()) > page.width() && !report.Comment.isEmpty()) {
        PageReport first = report;
        first.Comment.clear();
        header = QStringList{PageHeader(first), report.Comment};
    }
    for (int i = 0; i < header.size(); ++i)
        painter.drawText(QRect(page.left(), page.top() + i * lineHeight, page.width(), lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         painter.fontMetrics().elidedText(header.at(i), Qt::ElideRight, page.width()));

    TRect area = report.SpectrumPage
                     ? TTraceSession::PageBounds(page.width(), page.height(), page.height() > page.width())
                     : TRect{page.left(), page.top(), page.right() + 1, page.bottom() + 1};
    area.Top = std::max(area.Top, page.top() + lineHeight * int(header.size() - 1) + lineHeight * 3 / 2);
    const int footer = int(report.Lines.size()) * lineHeight;
    area.Bottom = std::min(area.Bottom, page.bottom() - footer - lineHeight / 2);

    DrawGraphIn(graph, painter, page, area, dpi, report.Overlay);

    painter.setFont(font);
    painter.setPen(Qt::black);
    int y = area.Bottom + lineHeight / 2;
    // The figures' lines in the interface's language.
    for (const QString &line : report.Lines) {
        painter.drawText(QRect(page.left() + lineHeight, y, page.width() - lineHeight, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         painter.fontMetrics().elidedText(Tr(line), Qt::ElideRight, page.width() - lineHeight));
        y += lineHeight;
    }
    painter.restore();
}

bool PrintReport(Tgraphe &graph, QPrinter &printer, QWidget *parent, const PageReport &report, bool confirm,
                 QString *error)
{
    if (confirm
        && !CurrentDialogs().Confirm(parent, QStringLiteral("Confirmation"), QStringLiteral("Impression ?")))
        return false;
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = QStringLiteral("Impression impossible");
        return false;
    }
    const QRect page(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size());
    DrawReportPage(graph, painter, page, printer.resolution(), report);
    return painter.end();
}

} // namespace vandoral

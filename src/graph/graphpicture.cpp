#include "graphpicture.h"

#include "fileio.h"
#include "qtext.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>

namespace vandoral {

namespace {

TRect Whole(const QSize &size)
{
    return TRect{0, 0, size.width(), size.height()};
}

// A picture's page keeps a margin, as paper does.
QRect Inset(const QSize &size)
{
    const int m = std::max(size.width(), size.height()) / 50;
    return QRect(QPoint(0, 0), size).adjusted(m, m, -m, -m);
}

} // namespace

QByteArray ReportPdf(Tgraphe &graph, const PageReport &report, bool landscape)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(300);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                      landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                      QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter));
        pdf.setCreator(QStringLiteral("Vandoral"));
        pdf.setTitle(PageHeader(report));
        QPainter painter(&pdf);
        const QRect page(QPoint(0, 0), pdf.pageLayout().paintRectPixels(pdf.resolution()).size());
        DrawReportPage(graph, painter, page, pdf.resolution(), report);
    }
    return bytes;
}

namespace {

// A picture of `size` on a white ground, drawn by `draw` at 96 dpi.
QImage Image(const QSize &size, const std::function<void(QPainter &)> &draw)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    draw(painter);
    return image;
}

QByteArray Svg(const QSize &size, const QString &title, const std::function<void(QPainter &)> &draw)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(96);
    svg.setTitle(title);
    QPainter painter(&svg);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    draw(painter);
    painter.end();
    return bytes;
}

} // namespace

QImage GraphImage(Tgraphe &graph, const QSize &size, const std::function<void()> &overlay)
{
    return Image(size, [&](QPainter &p) { DrawGraphIn(graph, p, QRect(QPoint(0, 0), size), Whole(size), 96, overlay); });
}

QByteArray GraphSvg(Tgraphe &graph, const QSize &size, const std::function<void()> &overlay)
{
    return Svg(size, QStringLiteral("Vandoral"),
               [&](QPainter &p) { DrawGraphIn(graph, p, QRect(QPoint(0, 0), size), Whole(size), 96, overlay); });
}

QImage ReportImage(Tgraphe &graph, const PageReport &report, const QSize &size)
{
    return Image(size, [&](QPainter &p) { DrawReportPage(graph, p, Inset(size), 96, report); });
}

QByteArray ReportSvg(Tgraphe &graph, const PageReport &report, const QSize &size)
{
    return Svg(size, PageHeader(report), [&](QPainter &p) { DrawReportPage(graph, p, Inset(size), 96, report); });
}

PictureFormat PictureFormatOf(const QString &fileName)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    if (ext == QLatin1String("png"))
        return PictureFormat::Png;
    if (ext == QLatin1String("svg"))
        return PictureFormat::Svg;
    if (ext == QLatin1String("pdf"))
        return PictureFormat::Pdf;
    return PictureFormat::None;
}

bool SavePicture(Tgraphe &graph, const QString &path, const QSize &size, const PageReport &report, bool landscape,
                 QString *error)
{
    QByteArray bytes;
    switch (PictureFormatOf(path)) {
    case PictureFormat::Png: {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!GraphImage(graph, size, report.Overlay).save(&buffer, "PNG")) {
            if (error)
                *error = QStringLiteral("l'image n'a pas pu être faite");
            return false;
        }
        break;
    }
    case PictureFormat::Svg: bytes = GraphSvg(graph, size, report.Overlay); break;
    case PictureFormat::Pdf: bytes = ReportPdf(graph, report, landscape); break;
    case PictureFormat::None:
        if (error)
            *error = QStringLiteral("format inconnu : .png, .svg ou .pdf attendu");
        return false;
    }
    std::string why;
    if (WriteFileReplacing(ToPath(path), std::string(bytes.constData(), std::size_t(bytes.size())), &why))
        return true;
    if (error)
        *error = FromCp(why);
    return false;
}

} // namespace vandoral

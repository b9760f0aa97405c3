// The graph and its page outside the printer: the page as a PDF, the plot as
// a PNG or SVG picture. All drawn by the graph kernel over its canvas, as on
// the screen and on paper.
#pragma once

#include "printgraph.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace vandoral {

// The page "Imprimer" prints (header, graph, figures) as a one-page A4 PDF,
// in landscape or portrait; its words are text.
QByteArray ReportPdf(Tgraphe &graph, const PageReport &report, bool landscape);

// The plot alone, `size` pixels on a white ground, `overlay` over it.
QImage GraphImage(Tgraphe &graph, const QSize &size, const std::function<void()> &overlay);
// The same as SVG: lines as paths, the axis titles and tick labels as text.
QByteArray GraphSvg(Tgraphe &graph, const QSize &size, const std::function<void()> &overlay);

// The whole page (header, graph, figures) as a picture of `size` pixels, for
// a handout made from files: PNG image or SVG.
QImage ReportImage(Tgraphe &graph, const PageReport &report, const QSize &size);
QByteArray ReportSvg(Tgraphe &graph, const PageReport &report, const QSize &size);

enum class PictureFormat { None, Png, Svg, Pdf };
// By the name's extension, in any case.
PictureFormat PictureFormatOf(const QString &fileName);

// Writes the plot (.png, .svg) or the page (.pdf) to `path`, as safely as
// the data files: whole first, then in place of the old file. False with the
// reason in French.
bool SavePicture(Tgraphe &graph, const QString &path, const QSize &size, const PageReport &report, bool landscape,
                 QString *error);

} // namespace vandoral

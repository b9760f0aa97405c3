// Printing a graph: one page with a header line (what was measured, on
// which instrument, when), the graph drawn with pens fit for paper, what the
// window draws over it, and the window's figures under it.
#pragma once

#include "graphker.h"

#include <QRect>
#include <QStringList>

#include <functional>
#include <memory>

class QPainter;
class QPrinter;
class QWidget;

namespace vandoral {

class QtCanvas;

class QtPrintHost : public PrintHost {
public:
    QtPrintHost(QPrinter &printer, QWidget *parent = nullptr);
    ~QtPrintHost() override;
    bool ConfirmPrint() override;
    TCanvas *BeginDoc() override;
    void EndDoc() override;

private:
    QPrinter &printer_;
    QWidget *parent_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<QtCanvas> canvas_;
};

// Asks "Impression ?" and prints `graph` alone on `printer`. The graph's
// Bounds keep the page until the owner's next paint.
bool PrintGraph(Tgraphe &graph, QPrinter &printer, QWidget *parent = nullptr);

struct PageReport {
    QString Caption; // the window's
    QString Model;   // the instrument's
    QString Comment; // the page dialog's, when there is one
    QString When;    // the date and time of the print
    QStringList Lines;
    // Drawn over the graph on its canvas, as the window draws it on screen.
    std::function<void()> Overlay;
    // The spectrum's page: margins of a twentieth, in portrait the upper
    // half of the page.
    bool SpectrumPage = false;
};

// The header line: caption, model, date and time, comment.
QString PageHeader(const PageReport &report);

// Pen widths for a page of `dpi` dots per inch: curves at least 0.35 mm,
// axes at least 0.2 mm.
int CurvePenFor(int dpi);
int AxisPenFor(int dpi);

// Draws `graph` and `overlay` within `area` of a device of `device` pixels
// at `dpi`, with pens fit for that resolution; the graph's canvas, pens and
// grid are its own again afterwards (its bounds keep `area`).
void DrawGraphIn(Tgraphe &graph, QPainter &painter, const QRect &device, const TRect &area, int dpi,
                 const std::function<void()> &overlay);

// Draws the page on `painter` over `page` (pixels at `dpi`). The graph's
// pens, grid colour, canvas and bounds are the screen's again afterwards,
// except the bounds, which keep the page until the owner's next paint.
void DrawReportPage(Tgraphe &graph, QPainter &painter, const QRect &page, int dpi, const PageReport &report);

// Prints the page on `printer` in the orientation it has (after
// "Impression ?" when `confirm`). False when nothing was printed; the reason
// in `error` when the printer could not be opened.
bool PrintReport(Tgraphe &graph, QPrinter &printer, QWidget *parent, const PageReport &report, bool confirm,
                 QString *error = nullptr);

} // namespace vandoral

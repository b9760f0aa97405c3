#include "printgraph.h"

#include "dialogs.h"
#include "qtcanvas.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

namespace vandoral {

QtPrintHost::QtPrintHost(QPrinter &printer, QWidget *parent) : printer_(printer), parent_(parent) {}

QtPrintHost::~QtPrintHost()
{
    EndDoc();
}

bool QtPrintHost::ConfirmPrint()
{
    return CurrentDialogs().Confirm(parent_, QStringLiteral("Confirmation"),
                                    QStringLiteral("Impression ?"));
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

} // namespace vandoral

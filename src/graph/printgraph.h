// Printing a graph on one landscape page of a QPrinter.
#pragma once

#include "graphker.h"

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

// Asks "Impression ?" and prints `graph` on `printer`. The graph's Bounds
// keep the page until the owner's next paint.
bool PrintGraph(Tgraphe &graph, QPrinter &printer, QWidget *parent = nullptr);

} // namespace vandoral

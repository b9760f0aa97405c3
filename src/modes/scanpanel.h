// The spectrum panel of the kinetics and Beer-Lambert windows: the last scan
// as one line, with a vertical marker at each followed wavelength in that
// wavelength's colour, which the mouse can drag.
#pragma once

#include "graphbox.h"
#include "modeshared.h"

#include <QString>

#include <functional>
#include <vector>

class QSplitter;

namespace vandoral {

class ScanPanel : public GraphBox {
    Q_OBJECT
public:
    struct Marker {
        int lambda;
        QString hint; // shown while the mouse is over the marker
    };

    explicit ScanPanel(Tgraphe *graph, QWidget *parent = nullptr);

    // The markers now, first to last (the first is Lambda, the second
    // LambdaBis).
    std::function<std::vector<Marker>()> Markers;
    // A marker's hint for the window's status bar (empty: none).
    std::function<void(const QString &)> ShowHint;
    // The marker the mouse holds.
    MarkerDrag Held = MarkerDrag::None;

    // A button pressed: the marker under the mouse is held (the last one
    // when they overlap). A move shows the hint of the first marker under
    // the mouse, or drags the held one while the left button is down; the
    // release drags it once more and lets it go. Only while enabled.
    void MouseDown(int x, int y);
    void MouseMove(int x, int y, bool leftDown);
    void MouseUp(int x, int y);

    // A panel folded shut behind its splitter is not repainted.
    static bool Folded(const QSplitter *splitter, int panelIndex);
    // Folds the panel shut, or opens it `openWidth` pixels wide, taken from
    // the splitter's widget `mainIndex`.
    static void SetFolded(QSplitter *splitter, int panelIndex, int mainIndex, bool folded, int openWidth);

signals:
    // The held marker dragged to `lambda` (the window accepts or refuses it).
    void dragged(MarkerDrag marker, int lambda);

private:
    void DrawMarkers();
    void Hint(const QString &hint);
};

} // namespace vandoral

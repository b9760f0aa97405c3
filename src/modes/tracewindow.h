// The spectrum window: a blank, then one scan over the instrument's range
// drawn as the values arrive, with the colour of each visible wavelength in
// a band under the plot and a cross-hair readout.
#pragma once

#include "modeform.h"

#include <QDateTime>
#include "tracesession.h"

class QLabel;

namespace vandoral {

class GraphBox;

// The colour band: each column shows the colour of the wavelength plotted
// above it. It follows the graph's last drawing.
class ColourBand : public QWidget {
    Q_OBJECT
public:
    ColourBand(const Tgraphe *graph, QWidget *parent = nullptr);
    // The graph has been drawn (its plot rectangle is known).
    void GraphDrawn() { drawn_ = true; update(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const Tgraphe *graph_;
    bool drawn_ = false;
};

class TTraceSpectre : public TModeForm {
    Q_OBJECT
public:
    explicit TTraceSpectre(QWidget *parent = nullptr);

    // The spectrum and its rules.
    TTraceSession Session;

    QToolButton *BlancBtn;
    QToolButton *SpectreBtn;
    QToolButton *ReticuleBtn;
    QToolButton *PrintBtn;
    QToolButton *ZoomBtn;
    QToolButton *RefBtn;    // its menu keeps or clears the references
    QAction *KeepRefM;
    QAction *ClearRefM;
    QAction *OpenRefM;      // "Ouvrir comme référence…": a file's spectrum
    QLabel *PeaksLabel;     // the peaks' readout line
    QLabel *Label4; // cross-hair readout
    QLabel *Label3; // progress text, while the instrument is busy
    QLabel *Label1; // the instruction of the moment
    GraphBox *PaintBox;
    ColourBand *CouleursPB;

    void ActualiseBoutons();
    // A spectrum brought back from the crash journal.
    // `path`: the journal it came from (empty: the common one), which goes on.
    bool Recover(const JournalContents &journal, const QString &path = QString());
    void BlancBtnClick();
    void SpectreBtnClick();
    // An unsaved spectrum is cleared by a new blank or scan only after "Oui".
    bool ConfirmReplace();
    // What the session's measurement cycle changed.
    void SessionChanged(SessionEvent e, int value);
    void ReticuleBtnClick();
    void PaintBoxMouseMove(int x, int y);
    void PaintBoxMouseLeave();
    void ZoomBtnClick();
    void PrintBtnClick();
    void KeepRefClick();
    void ClearRefClick();
    void OpenRefClick();
    // What keeping a reference gave, said; the graph redrawn with it.
    void ReferenceKept(TTraceSession::Keep kept);
    // The peaks' line, and a full repaint when they changed since the last.
    void ShowPeaks(bool repaintOnChange);
    // The graph repainted at once, cross-hair and colour band included.
    void RepaintGraph();
    // Closing waits while the instrument is busy.
    bool CloseWaits() const override;

protected:
    void FormActivate() override;
    void ShowControlState() override { ActualiseBoutons(); }
    void SaveAction(SaveTarget target) override;
    void DiscardData() override;
    SpaceAction SpaceBarAction() const override;
    void SpaceBlank() override { BlancBtnClick(); }
    void SpaceMeasure() override { SpectreBtnClick(); }
    bool FormCloseQuery() override;
    void OpenLoaded(const LoadedMeasurement &m, const QString &path) override;
    PageContent Page() override;
    QWidget *PlotWidget() const override;
    void PageDone() override;
    bool CanOpen() const override { return !Session.Busy(); }

private:
    std::vector<Peak> shownPeaks_;
    QString scanTime_; // when the current spectrum was taken
    QDateTime scanDate_;
};

} // namespace vandoral

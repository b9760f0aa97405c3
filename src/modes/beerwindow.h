// The Beer-Lambert window: standards typed in and measured at one working
// wavelength, the line A = k·c through the origin with its precision, unknown
// concentrations computed from it, the options dialog, and a spectrum panel
// with a draggable wavelength line. The series and its rules are the
// session's; the window shows them in its plot and grids.
#pragma once

#include "beeroptions.h"
#include "beerseries.h"
#include "modeform.h"

#include <functional>

class QLabel;
class QSpinBox;
class QSplitter;
class QTableWidget;

namespace vandoral {

class GraphBox;
class ScanPanel;

class TBeerForm : public TModeForm {
    Q_OBJECT
public:
    explicit TBeerForm(QWidget *parent = nullptr);
    ~TBeerForm() override;

    // The standards, the unknowns and their rules.
    TBeerSeries Session;
    // The grid row being entered or edited (standard EntryRow - 2).
    int EntryRow = 2;
    // The calculation grid was clicked last: undo acts there.
    bool CalcGridActive = false;

    QToolButton *ModeBtn;
    QSpinBox *LambdaSE;
    QToolButton *ZeroBtn;
    QToolButton *SpectreBtn;
    QToolButton *UndoBtn;
    QToolButton *ResetBtn;
    QToolButton *ZoomBtn;
    QToolButton *EnregistreBtn;
    QToolButton *ToolButton1; // print
    QLabel *Label3;
    QLabel *PanelBlanc;
    QSplitter *GripSplitter1;
    ScanPanel *SpectrePB;
    GraphBox *Oscillo;
    QTableWidget *BeerMesureGrid;
    QTableWidget *beerCalcGrid;
    QToolButton *StatsBtn = nullptr; // folds the statistics
    QLabel *StatsLabel = nullptr;
    TModeBeerDlg *ModeBeerDlg = nullptr;

    // The statistics panel's lines (the printed page has them too).
    QStringList StatsLines() const;
    void ShowStats();

    void UpdateControls();
    // "Défaire" enabled exactly when it would remove something.
    void UpdateUndo();
    // A series brought back from the crash journal.
    // `path`: the journal it came from (empty: the common one), which goes on.
    bool Recover(const JournalContents &journal, const QString &path = QString());
    void PrepareEntryRow();
    void ZeroBtnClick();
    // Validates the concentration typed on the entry row.
    void ValidateEntry();
    void EnregistreBtnClick();
    void SpectreBtnClick();
    // What the series' measurement cycle changed.
    void SessionChanged(SessionEvent e);
    void UndoBtnClick();
    void ResetBtnClick();
    void AcquisitionItemClick();
    void ZoomBtnClick();
    void PrintBtnClick();
    // The plot repainted at once (its range rules, the line, the unknowns,
    // the precision, both grids).
    void RepaintPlot();
    bool Folded() const;
    void SetFolded(bool folded);
    // Closing waits for the end of a measurement.
    bool CloseWaits() const override;

protected:
    void FormActivate() override;
    void ShowControlState() override;
    void SaveAction(SaveTarget target) override;
    void DiscardData() override;
    SpaceAction SpaceBarAction() const override;
    void SpaceBlank() override { ZeroBtnClick(); }
    void SpaceMeasure() override { EnregistreBtnClick(); }
    bool FormCloseQuery() override;
    void OpenLoaded(const LoadedMeasurement &m, const QString &path) override;
    PageContent Page() override;
    QWidget *PlotWidget() const override;
    void PageDone() override;
    bool CanOpen() const override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void BuildTools();
    QSplitter *BuildPanels(QWidget *parent);
    void Connect();
    void BeginAcquisition();
    void EndAcquisition();
    void OscilloAfterDraw();
    void FillMeasureGrid();
    void FillCalcGrid();
    void StoreStandard(int i);
    void SelectCell(int row, int col, int previousRow, int previousCol);
    // A measurement is under way (the series is busy): "Attendre la fin de
    // la mesure en cours" in the status bar, and true.
    bool RefusedWhileBusy();
    // The same for the list's actions, with the busy instrument's text.
    bool Measuring();
    // A measurement the series started (`taken`) shows `progress`; one the
    // instrument did not take leaves the window as it was, the status bar
    // saying why.
    bool Started(bool taken, const QString &progress);
    void MeasurementEnded(const TBeerSeries::Outcome &o);
    // A change of the series into its crash journal.
    void JournalChange(const JournalRecord &change);
    // The key filter of the measurement grid: true when the key was taken.
    bool GridKey(QWidget *w, QKeyEvent *key);
};

} // namespace vandoral

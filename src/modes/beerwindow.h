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
    // A series brought back from the crash journal.
    bool Recover(const JournalContents &journal);
    void PrepareEntryRow();
    void ZeroBtnClick();
    void BlancTermine();
    // Validates the concentration typed on the entry row.
    void ValidateEntry();
    void ScanPoint(std::int32_t lambda, double a);
    void StandardMeasured();
    void EnregistreBtnClick();
    void UnknownMeasured();
    void SpectreBtnClick();
    void SpectrumFinished();
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
    void RafraichitBoutons() override;
    void SaveAction(SaveTarget target) override;
    SpaceAction SpaceBarAction() const override;
    void SpaceBlank() override { ZeroBtnClick(); }
    void SpaceMeasure() override { EnregistreBtnClick(); }
    bool FormCloseQuery() override;
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
    // "Wait for the measurement under way" in the status bar.
    void SayWait();
    // A measurement is under way: the list's actions are refused, the status
    // bar says so.
    bool Measuring();
    // A change of the series into its crash journal.
    void JournalChange(const JournalRecord &change);
    void GivenUp();
    // A scan for a standard, an unknown or the spectrum panel, whose kind
    // the series was told; false (the window as it was, the status bar saying
    // why) when it did not start.
    bool StartScan(std::function<void()> done);
    // The key filter of the measurement grid: true when the key was taken.
    bool GridKey(QWidget *w, QKeyEvent *key);
};

} // namespace vandoral

// The Beer-Lambert window: standards typed in and measured at one working
// wavelength, the line A = k·c through the origin with its precision, unknown
// concentrations computed from it, the options dialog, and a spectrum panel
// with a draggable wavelength line.
#pragma once

#include "beerfit.h"
#include "graphker.h"
#include "modeform.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QSplitter;
class QTableWidget;

namespace vandoral {

class GraphBox;

// The options dialog: the quantity typed for each standard, its range, and
// whether unknowns are measured.
class TModeBeerDlg : public QDialog {
    Q_OBJECT
public:
    explicit TModeBeerDlg(QWidget *parent = nullptr);
    // The settings into the fields.
    void FormActivate();
    // The fields into the settings; false, with a message, for bounds that
    // would leave the axis without extent (the dialog stays open).
    bool OKBtnClick();
    // Shown through the dialog seam; true on OK.
    bool Execute();

    QLineEdit *EditNom;
    QLineEdit *EditUnite;
    QLineEdit *EditMin;
    QLineEdit *EditMax;
    QLineEdit *EditSignif;
    QCheckBox *BeerCB;

protected:
    void accept() override;
};

class TBeerForm : public TModeForm {
    Q_OBJECT
public:
    explicit TBeerForm(QWidget *parent = nullptr);
    ~TBeerForm() override;

    Tgraphe BeerGraph;
    Tgraphe SpectrumGraph;
    std::array<double, GraphCapacity> UnknownAbs{};
    std::array<double, GraphCapacity> UnknownConc{};
    int UnknownCount = 0;
    double Slope = 0;
    std::string PrecisionText;
    double TypedConc = 0;
    double AbsAtLambda = 0;
    int EntryRow = 2;
    bool CalcGridActive = false;
    bool BlankDone = false;
    bool SpectrumMode = false;
    bool DraggingLambda = false;
    bool Saved = true;

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
    QWidget *PanelBlanc;
    QSplitter *GripSplitter1;
    GraphBox *SpectrePB;
    GraphBox *Oscillo;
    QTableWidget *BeerMesureGrid;
    QTableWidget *beerCalcGrid;
    TModeBeerDlg *ModeBeerDlg = nullptr;

    void UpdateControls();
    void PrepareEntryRow();
    void ZeroBtnClick();
    void BlankFinished();
    // Validates the concentration typed on the entry row.
    void ValidateEntry();
    void ScanPoint(std::int32_t lambda, double a);
    void StandardMeasured();
    void StoreStandard(int i);
    void Fit();
    void EnregistreBtnClick();
    void UnknownMeasured();
    void SpectreBtnClick();
    void SpectrumFinished();
    void UndoBtnClick();
    void ResetBtnClick();
    void AcquisitionItemClick();
    void ZoomBtnClick();
    void PrintBtnClick();
    void SpectrePBMouseDown(int x, int y);
    void SpectrePBMouseMove(int x, int y, bool leftDown);
    void SpectrePBMouseUp(int x, int y);
    // The plot repainted at once (its range rules, the line, the unknowns,
    // the precision, both grids).
    void RepaintPlot();
    bool Folded() const;
    void SetFolded(bool folded);
    // The row a running measurement will be stored in (-1 when none runs).
    int MeasuredRow() const { return measuring_ == Measure::Standard ? measuredRow_ : -1; }

protected:
    void FormActivate() override;
    void RafraichitBoutons() override;
    void SaveAction(int tag) override;
    bool SpaceBar() override;
    bool FormCloseQuery() override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void BeginAcquisition();
    void OscilloBeforeDraw();
    void OscilloAfterDraw();
    void SpectrePBAfterDraw();
    void FillMeasureGrid();
    void SelectCell(int row, int col, int previousRow, int previousCol);
    bool HitsLambda(int x) const;
    void DragTo(int x, int y);
    // "Wait for the measurement under way" in the status bar.
    void SayWait();
    void GivenUp();

    enum class Measure { None, Blank, Standard, Unknown, Spectrum };
    // A scan for a standard, an unknown or the spectrum panel; false (the
    // window as it was, the status bar saying why) when it did not start.
    bool StartScan(Measure kind, bool spectrumMode, std::function<void()> done);
    Measure measuring_ = Measure::None;
    // Fixed when a standard's measurement starts.
    int measuredRow_ = -1;
    double measuredConc_ = 0;
    int measuredLambda_ = 0;
    bool filling_ = false;
};

} // namespace vandoral

// The kinetics window: after a blank, one point at once and then one every
// Δt seconds, each a whole scan from which the absorbance at one or two
// wavelengths is taken; the growing plot, the live absorbances, and a
// folding panel with the last scan and draggable wavelength markers. The run
// and its rules are the session's; the window shows them.
#pragma once

#include "kineticsrun.h"
#include "modeform.h"

#include <QElapsedTimer>
#include <QTimer>

class QCheckBox;
class QLCDNumber;
class QLabel;
class QLineEdit;
class QSpinBox;
class QSplitter;

namespace vandoral {

class GraphBox;
class ScanPanel;

class TCinetiqueForm : public TModeForm {
    Q_OBJECT
public:
    explicit TCinetiqueForm(QWidget *parent = nullptr);

    // Nominal time to real time: the timers run at their interval times this
    // and the run's clock at real time divided by it. Tests shorten runs with
    // it; the program keeps 1.
    double TimeScale = 1.0;
    // The run's clock in seconds, when set; else the real time divided by
    // TimeScale. Tests step it by hand, firing the pacing timer themselves.
    std::function<double()> RunClock;
    // The pacing timer's tick: the run's next point.
    void TimerSpectreTimer();
    // The run and its rules.
    TCinetiqueRun Session;

    QToolButton *BlancBtn;
    QToolButton *SpectreBtn;
    QToolButton *startBtn;
    QToolButton *StopBtn;
    QToolButton *ResetBtn;
    QToolButton *ZoomBtn;
    QToolButton *PrintBtn;
    QSpinBox *DeltatSE;
    QSpinBox *NbreSE;
    QLineEdit *DureeEdit;
    QSpinBox *LambdaSE;
    QCheckBox *LambdaBisCB;
    QSpinBox *LambdaBisSE;
    QLineEdit *Edit1;
    QWidget *AcqPanel;
    QLabel *PanelDuree;
    QLCDNumber *AbsLCD;
    QLabel *LabelAbsBis;
    QLCDNumber *AbsLCDbis;
    QLabel *LabelTemps;
    QWidget *PanelBlanc;
    QLabel *BlancLabel; // the banner's text
    QLabel *FitsLabel;  // a finished run's figures
    // The figures of the finished run shown, line by line.
    QStringList FiguresLines() const;
    QSplitter *GripSplitter1;
    GraphBox *Oscillo;
    ScanPanel *SpectrePB;
    // Paces the points: armed for the next tick of the run.
    QTimer TimerSpectre;
    QTimer TimerHorloge;

    void SetEtat(EtatCinetique e);
    // A finished run brought back from the crash journal.
    // `path`: the journal it came from (empty: the common one), which goes on.
    bool Recover(const JournalContents &journal, const QString &path = QString());
    void BlancBtnClick();
    void StartBtnClick();
    // What the run's measurement cycle changed.
    void SessionChanged(SessionEvent e, int value);
    void StopBtnClick();
    void ResetBtnClick();
    void SpectreBtnClick();
    void ZoomBtnClick();
    void PrintBtnClick();
    // The spectrum panel is folded shut.
    bool Folded() const;
    void SetFolded(bool folded);
    bool PremiereActivation = true;

protected:
    void FormActivate() override;
    void ShowControlState() override;
    void SaveAction(SaveTarget target) override;
    void DiscardData() override;
    SpaceAction SpaceBarAction() const override;
    void SpaceBlank() override { BlancBtnClick(); }
    void SpaceMeasure() override { StartBtnClick(); }
    bool FormCloseQuery() override;
    void OpenLoaded(const LoadedMeasurement &m, const QString &path) override;
    PageContent Page() override;
    QWidget *PlotWidget() const override;
    void PageDone() override;
    bool CanOpen() const override;
    void FormClose() override;

public:
    bool CloseWaits() const override { return closeAfterStop_; }

protected:
    void ReadExtraKeys(const IniImage &image) override;
    void WriteExtraKeys(IniImage &image) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    QWidget *BuildParameters(QWidget *parent);
    QWidget *BuildRunPanel(QWidget *parent);
    QSplitter *BuildPlots(QWidget *parent);
    void Connect();
    void ParametersChanged(bool deltat);
    // A run whose points closing would ask about is cleared only after "Oui".
    bool ConfirmClear();
    void LambdaChanged(QSpinBox *spin, int value);
    void MarkerDragged(MarkerDrag marker, int lambda);
    void ApplyInstrumentLimits();
    void ShowDuree();
    void ShowAbs(QLCDNumber *lcd, double value);
    void Hourglass(bool on);
    void BlancTermine();
    // The banner over the plot: the blank to do, or how to start a new run.
    void ShowBanner();
    void PointTermine(const TCinetiqueRun::PointEnd &end);
    void SpectreTermine();
    // The blank, point or spectrum under way was given up by the driver.
    void GivenUp();
    // The pacing timer armed for the run's next tick (`again`: re-armed even
    // when it runs), or stopped.
    void ArmTimer(bool again);
    // Seconds of the run's clock in timer milliseconds (TimeScale applied).
    int ScaledMs(double seconds) const;
    void RedrawPanel();

    bool hourglass_ = false;
    // Closing was accepted during a point: the window closes when it ends.
    bool closeAfterStop_ = false;
    void CloseIfStopped();
    QElapsedTimer clock_;
};

} // namespace vandoral

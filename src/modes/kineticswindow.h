// The kinetics window: after a blank, one point at once and then one every
// Δt seconds, each a whole scan from which the absorbance at one or two
// wavelengths is taken; the growing plot, the live absorbances, and a
// folding panel with the last scan and draggable wavelength markers.
#pragma once

#include "graphker.h"
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

// Hours:minutes:seconds of a duration, the hours going on past 24
// ("25:00:00" for 90000 s).
QString DurationText(std::int64_t seconds);

class TCinetiqueForm : public TModeForm {
    Q_OBJECT
public:
    explicit TCinetiqueForm(QWidget *parent = nullptr);

    enum : std::uint8_t { EtatInitial = 0, EtatAcquisition = 1, EtatArrete = 2, EtatPret = 3, EtatSpectre = 4 };

    Tgraphe GrapheCinetique;
    Tgraphe GrapheSpectre;
    std::uint8_t Etat = EtatInitial;
    bool Sauve = false;
    bool BlancFait = false;
    bool ArretDemande = false;
    bool TopManque = false;
    std::uint8_t Deplacement = 0;
    // Nominal time to real time: the timers run at their interval times this
    // and the run's clock at real time divided by it. Tests shorten runs with
    // it; the program keeps 1.
    double TimeScale = 1.0;

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
    QSplitter *GripSplitter1;
    GraphBox *Oscillo;
    GraphBox *SpectrePB;
    QTimer TimerSpectre;
    QTimer TimerHorloge;

    void SetEtat(std::uint8_t e);
    void BlancBtnClick();
    void BlancTermine();
    void StartBtnClick();
    void DebutPoint();
    void ValeurRecue(std::int32_t lambda, double a);
    void PointTermine();
    void StopBtnClick();
    void ResetBtnClick();
    void SpectreBtnClick();
    void SpectreTermine();
    void ZoomBtnClick();
    void EchelleAuto();
    void EtendEchelle();
    void PrintBtnClick();
    void SpectrePBMouseDown(int x, int y);
    void SpectrePBMouseMove(int x, int y, bool leftDown);
    void SpectrePBMouseUp(int x, int y);
    // The spectrum panel is folded shut.
    bool Folded() const;
    void SetFolded(bool folded);
    // Seconds since the start of the run, on the run's clock.
    double ElapsedSeconds() const;
    // The time stamp of the point being measured.
    double TempsPoint = 0;
    bool PremiereActivation = true;

protected:
    void FormActivate() override;
    void RafraichitBoutons() override;
    void SaveAction(int tag) override;
    bool SpaceBar() override;
    bool FormCloseQuery() override;
    void FormClose() override;
    void ReadExtraKeys(const IniImage &image) override;
    void WriteExtraKeys(IniImage &image) override;

private:
    void ParametersChanged();
    void LambdaChanged(QSpinBox *spin, int value);
    void ApplyInstrumentLimits();
    void ShowDuree();
    void ShowAbs(QLCDNumber *lcd, double value);
    void Hourglass(bool on);
    // The blank, point or spectrum under way was given up by the driver.
    void GivenUp();
    // A duration of the run in timer milliseconds (TimeScale applied).
    int ScaledMs(double seconds) const;
    bool HitsLambda(int lambda, int x) const;
    void DragTo(int x, int y);
    void OscilloBeforeDraw();
    // The taken points' range added to min..max; the range set within the
    // limits (top at most AbsMax, at least 0.2).
    void WidenRange(double &min, double &max) const;
    void SetRange(double min, double max);
    void SpectrePBAfterDraw();

    enum class Pending { None, Blank, Point, Spectrum };
    Pending pending_ = Pending::None;
    std::uint8_t etatAvantSpectre_ = EtatPret;
    bool hourglass_ = false;
    QElapsedTimer runClock_;
};

} // namespace vandoral

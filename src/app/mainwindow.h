// The main window: finds the instrument on the serial ports, takes control of
// it, offers the three modes and routes the driver's texts and events to the
// window of the active mode.
#pragma once

#include "modeshared.h"

#include "ports.h"
#include "qtserialline.h"
#include "tradform.h"

#include <QPointer>

#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;

namespace vandoral {

class TModeForm;
class TAboutBox;

class TFormMain : public TTradForm {
    Q_OBJECT
public:
    // `iniName`: the settings file. `Spectro` must exist.
    explicit TFormMain(const QString &iniName, QWidget *parent = nullptr);
    ~TFormMain() override;

    // The windows created after this one.
    void SetWindows(TModeForm *spectre, TModeForm *cinetique, TModeForm *beer, TAboutBox *about);
    // Or made when first needed: a mode window is built the first time it
    // is shown or asked for, not before the main window's first showing.
    using WindowFactory = std::function<TModeForm *(MeasureMode)>;
    void SetWindowFactory(WindowFactory factory) { factory_ = std::move(factory); }
    // The About box, likewise built the first time it is opened.
    void SetAboutFactory(std::function<TAboutBox *()> factory) { aboutFactory_ = std::move(factory); }
    // The mode's window, built when it does not exist yet; null for None.
    TModeForm *Window(MeasureMode mode) { return ModeWindow(mode); }

    void SelectMode(MeasureMode mode);
    void FillPortList();
    void SearchInstrument();
    bool TryPort(int n);
    void TakeControlAfterSearch();
    void ShowStatus(const QString &text);
    // The save dialog the mode windows share; empty when cancelled.
    QString SaveDialog(QWidget *parent, const QString &filter, int &filterIndex);
    void ControlChanged();
    void AppHint(const QString &text);
    void AppActivate();
    void ShowActiveMode();
    void LangueRGClick() { Translate(); }

    void ComBtnClick();
    void ConnectBtnClick();
    void AboutItemClick();

    // Run at every mode selection (the page-information dialog's choice).
    std::function<void()> OnSelectMode;

    QWidget *BoutonPanel;
    QPushButton *ExitBtn;
    QPushButton *AboutBtn;
    QPushButton *ComBtn;
    QComboBox *ComPorts;
    QLabel *ChercheLabel;
    QPushButton *CinetiqueBtn;
    QPushButton *SpectreMinMaxBtn;
    QPushButton *BeerBtn;
    QPushButton *ConnectBtn;
    QStatusBar *StatusBar1;
    QtSerialLine VoieSerie;

    bool Found = false;
    int Test = 1;
    MeasureMode Mode = MeasureMode::None;
    QString IniName;

    QString StatusText() const;
    bool Searching() const { return searching_; }

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    QStringList openFailures_; // of the last search
    void FormActivate();
    void SelectMode(MeasureMode mode, bool search);
    void SetStatusText(const QString &text);
    TModeForm *ModeWindow(MeasureMode mode) const;
    // The window of a mode if it has been built, without building it.
    TModeForm *BuiltWindow(MeasureMode mode) const;
    void ShowModeButtons();

    std::unique_ptr<PortTable> ports_;
    QLabel *status_;
    mutable QPointer<TModeForm> spectre_, cinetique_, beer_;
    WindowFactory factory_;
    void Adopt(TModeForm *w) const;
    QPointer<TAboutBox> about_;
    std::function<TAboutBox *()> aboutFactory_;
    bool searching_ = false;
    bool quitRequested_ = false;
    // "Quitter" waits for the end of the blank or scan under way.
    bool quitWhenIdle_ = false;
    // The loss of the instrument's line is shown in the status bar, until
    // "Le spectro répond de nouveau".
    bool lossShown_ = false;
    static QString FoundAgainText();
    void ShowBusy();
    bool closing_ = false;
    bool firstActivation_ = true;
    bool cameFromElsewhere_ = false;
    bool activationQueued_ = false;
};

extern TFormMain *FormMain;

} // namespace vandoral

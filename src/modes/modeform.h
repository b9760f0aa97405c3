// What the three mode windows share: the tool bar with its captioned buttons,
// the save drop-down, the connect button, the status bar with the
// instrument's texts and the hints, the window-state keys of the settings
// file, the "Sauvegarde ?" question, the space bar seen before the controls,
// and the return to the main window when they close. Each window adds only
// its own rules.
#pragma once

#include "journal.h"
#include "measurementfile.h"
#include "printgraph.h"
#include "modeshared.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>

class QLabel;
class QMenu;
class QAction;
class QToolBar;
class QToolButton;

namespace vandoral {

class IniImage;
class Tgraphe;
class TspectroVandoral;

// What "Imprimer" puts on a page, as the window stands: the graph, what the
// window draws over it, the figures under it, and the page's kind.
struct PageContent {
    Tgraphe *Graph = nullptr;
    QStringList Lines;
    std::function<void()> Overlay;
    bool SpectrumPage = false; // portrait, the printer's page as it is
};

class TModeForm : public QMainWindow {
    Q_OBJECT
public:
    // `section`: the settings section of the window's state ("WindowS",
    // "WindowC", "WindowB").
    TModeForm(const QString &caption, const QString &section, QWidget *parent = nullptr);
    ~TModeForm() override;

    // After every control change of the instrument: the connect button, then
    // the window's own controls (ShowControlState).
    void RafraichitControle();
    // The instrument's status text: second panel of the status bar.
    void ShowStatus(const QString &text);
    // A hint: the status bar's simple text.
    void ShowHint(const QString &text);
    QString StatusText() const;
    // The first panel of the status bar: what the crash journal could not do.
    QString JournalText() const;
    QString HintText() const;

    // Set by the main window: the settings file, its save dialog (empty name
    // when cancelled; `filterIndex` from 1), and the return to mode 0.
    QString IniName;
    std::function<QString(QWidget *parent, const QString &filter, int &filterIndex)> RunSaveDialog;
    std::function<void()> OnClosed;
    // After each refresh of the controls (a measurement started or ended).
    std::function<void()> OnRefreshed;
    // Translation of the texts the windows build at run time (identity
    // until the application installs the dictionary's).
    static std::function<QString(const QString &)> Translate;
    // Where the windows keep their crash journals (empty: "journal" in the
    // user's data folder).
    static QString JournalFolder;
    // The journal this window writes; when none is open, the file a new one
    // goes to: the common one, or one of this copy's own while another copy
    // of the program writes that.
    QString JournalPath() const;
    // The file this window's journal is being written to (empty: none).
    QString JournalFile() const;
    // The journals' folder, and the common journal of the window whose
    // settings section is `section`.
    static QString JournalFolderPath();
    static QString JournalPathOf(const QString &section);
    // The program is ending ("Quitter"): a save asked now cannot go to the
    // clipboard, which ends with the program.
    void SetQuitting(bool quitting) { quitting_ = quitting; }
    // The mode of the window's data.
    MeasureMode Mode() const;

    QToolBar *ToolBar1;
    QToolButton *RegSaveBtn = nullptr;
    QMenu *SavePopupMenu = nullptr;
    QAction *TabvistaM = nullptr;
    QAction *ClipM = nullptr;
    QAction *FileM = nullptr;
    // "Ouvrir…", under the save items: a file the program wrote, opened in
    // the window of its mode.
    QAction *OpenM = nullptr;
    QToolButton *ConnectBtn = nullptr;
    // The print button's own menu: the preview of the page, the page as a
    // PDF, the plot copied as an image, the plot saved as PNG or SVG.
    QMenu *PrintPopupMenu = nullptr;
    QAction *PreviewM = nullptr;
    QAction *PdfM = nullptr;
    QAction *CopyGraphM = nullptr;
    QAction *SaveGraphM = nullptr;
    void PreviewMClick();
    void PdfMClick();
    void CopyGraphMClick();
    void SaveGraphMClick();
    QToolButton *ExitBtn = nullptr;

    // The checked item of the save menu.
    SaveTarget SaveTag() const;
    // TabvistaMClick: the item becomes checked, the button takes its caption
    // and icon, and the save runs at once.
    void TabvistaMClick(QAction *item);
    void RegSaveBtnClick();
    // "Ouvrir…": the open dialog, the file read, then the window's own
    // OpenLoaded; a file that cannot be read leaves the window as it was.
    void OpenMClick();
    void ConnectBtnClick();
    // The last close was put off until the measurement under way ends (it
    // was not refused by the user).
    virtual bool CloseWaits() const { return false; }

protected:
    // A captioned tool button (text under the icon) on the tool bar.
    QToolButton *AddButton(const char *name, const QString &caption, const QString &hint, int icon,
                           bool checkable = false);
    // Shows or hides a button of the tool bar (through its action: a tool
    // bar lays its widgets out again by their actions).
    void ShowButton(QToolButton *button, bool visible);
    // The save drop-down, and the connect and exit buttons, at the tool
    // bar's current end.
    void AddSaveButton(SaveTarget checked);
    void AddConnectAndExit();
    // Shows the checked item on the button without running the save.
    void CheckSaveItem(SaveTarget target);

    // The save dialog's filter: the data files' formats, and JCAMP-DX for a
    // spectrum.
    QString SaveFilter() const;
    // The page of the window as it stands, and the plot's widget (its size
    // is the picture's); after any drawing of them elsewhere, PageDone puts
    // the screen's bounds and scales back.
    virtual PageContent Page() = 0;
    virtual QWidget *PlotWidget() const = 0;
    virtual void PageDone() {}
    // Gives `print` its drop-down (its plain click stays the window's print).
    void AddPrintMenu(QToolButton *print);
    // The plot (.png, .svg) or the page (.pdf) written to `name`; false
    // after the error box.
    bool SavePage(const QString &name);
    // The window's own save, for the checked item.
    virtual void SaveAction(SaveTarget target) = 0;
    // A file's measurement, read and checked for the window's mode: shown
    // (after the window's own question when unsaved data would go).
    virtual void OpenLoaded(const LoadedMeasurement &m, const QString &path) = 0;
    // Whether a file may be opened now (no measurement under way).
    virtual bool CanOpen() const { return true; }
    // The file chosen in the open dialog (empty: cancelled), and its
    // measurement read for this window's mode; false after the error box.
    bool ChooseAndRead(LoadedMeasurement &m, QString &path);
    // The data were knowingly discarded ("Non" to "Sauvegarde ?").
    virtual void DiscardData() {}
    // The window's controls after a control change.
    virtual void ShowControlState() {}
    // Every activation; the first one comes before the others' work.
    virtual void FormActivate() {}
    // What the space bar does now, and the two actions it can run; the key
    // passes on when it does nothing.
    virtual SpaceAction SpaceBarAction() const { return SpaceAction::None; }
    virtual void SpaceBlank() {}
    virtual void SpaceMeasure() {}
    // Whether the window may close now (questions asked here).
    virtual bool FormCloseQuery() { return true; }
    // Once the close is accepted, before the window state is written.
    virtual void FormClose() {}
    // Extra keys read with the window state, and written with it when the
    // window closes.
    virtual void ReadExtraKeys(const IniImage &) {}
    virtual void WriteExtraKeys(IniImage &) {}

    // "Sauvegarde ?" for unsaved data; yes runs the save action, no discards
    // the data knowingly (their journal ends, and the window empties).
    void AskSave();
    // The crash journal: begun anew when new data start (replacing the last
    // one), a record as each measurement ends, ended when the data are saved
    // or knowingly discarded. A journal that cannot be written stops nothing:
    // the status bar says so once.
    void JournalBegin(const JournalHeader &header);
    void JournalAppend(const JournalRecord &record);
    void JournalEnd();
    bool JournalOpen() const { return journal_.IsOpen(); }

public:
    // The window's data were brought back from the journal at `path` (empty:
    // the common one): it goes on with it (until they are saved or discarded).
    void JournalAdopt(const QString &path = QString());

protected:
    // "10/12/2026 10:12:05": when data begin, for the journal's header.
    static std::string JournalStart();
    // The page dialog's comment, which files and journals carry.
    static std::string Comment();
    // The save of the checked item: to the analysis program after the page
    // dialog, to the clipboard (to a file at "Quitter"), or to the file the
    // save dialog names. True when the data now count as saved, by the save
    // policy of the window's mode, which also ends the journal then.
    bool SaveWith(SaveTarget checked, const std::function<bool(bool toTabvista)> &exportTo,
                  const std::function<bool(const QString &name, int filterIndex)> &saveFile);
    // The page's graph with the window's caption, the instrument, the date
    // and the page dialog's comment over it, its overlay drawn over it as on
    // the screen and its lines under it. Kinetics and Beer-Lambert: a
    // landscape page after "Impression ?"; the spectrum: the page as the
    // printer dialog left it, without a question.
    void PrintPage(const PageContent &page);
    // The header of the page of `content`: the caption, the instrument, now,
    // the page dialog's comment.
    PageReport ReportOf(const PageContent &content) const;
    // The window-state keys of the section, read when the window is first
    // shown (just before its first activation), when the settings file exists.
    void ReadWindowState();
    // "The instrument is busy" in the status bar, for a request it refused.
    void SayBusy();
    // The same, or that it does not answer when its line had gone.
    void SayNotTaken();
    // Under control, or its line gone (a blank or scan looks for it again).
    static bool InstrumentReachable();
    // A blank ended: the instrument's refusal is kept for the banner, which
    // asks for the blank again with it (a blank that was done clears it).
    void NoteBlank(bool ok);
    // The banner of a window whose blank is not done.
    QString BlankBanner() const;

    // The space bar: true when it acted (the key is consumed).
    bool SpaceBar();
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void WriteWindowState();
    bool SaveToFile(const std::function<bool(const QString &name, int filterIndex)> &saveFile);

    QString section_;
    QString blankRefusal_;
    JournalWriter journal_;
    bool journalSaid_ = false;
    bool quitting_ = false;
    void JournalFailed(const std::string &reason);
    QLabel *panel1_;
    QLabel *panel2_;
    bool activatedSinceShow_ = false;
    bool stateRead_ = false;
};

} // namespace vandoral

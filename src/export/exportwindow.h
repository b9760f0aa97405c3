// The hidden export window: builds the data blocks of the three windows, puts
// them on the clipboard, hands them to the analysis program and writes the
// data files.
#pragma once

#include "datafile.h"
#include "ddelink.h"
#include "exportblock.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace vandoral {

class TConstanteDlg;

// Where the analysis program is: the registry on Windows (QSettings' native
// storage elsewhere), "Path" of "Software\Tabvista", then of its subkey
// "Tabvista"; else the program name found through the search path.
QString LocateTabvista();

class TFormDDE : public QWidget {
    Q_OBJECT
public:
    explicit TFormDDE(TConstanteDlg *constante, QWidget *parent = nullptr);
    ~TFormDDE() override;
    // The page-information dialog, created after this window.
    void SetConstante(TConstanteDlg *constante) { constante_ = constante; }

    // The blocks of a session's data, drawn as `style` says, to the clipboard
    // and, with `versTabvista`, to the analysis program; a kinetics run that
    // followed a second wavelength (its data's Two) has a third column.
    // False, after a message saying that the data are on the clipboard, when
    // the analysis program could not be reached or refused the macro.
    bool ExportSpectre(const TDataSeries &data, const BlockStyle &style, bool versTabvista);
    bool ExportCinetique(const TDataSeries &data, const BlockStyle &style, bool versTabvista);
    bool ExportBeer(const TDataSeries &data, const BlockStyle &style, bool versTabvista);
    bool EnvoieMacro(const QString &macro);
    void LanceTabvista();
    // A macro from the analysis program: one line focuses the current mode's
    // window; other requests are ignored.
    bool ExecuteMacro(const QStringList &lines);

    // Data files; false (after an error box) when the file could not be written.
    // `extra`: what a file may carry besides the points (the spectrum's
    // instrument and date, the Beer-Lambert wavelength and unknowns).
    bool SauveSpectre(const TDataSeries &data, const QString &nomFichier, int filterIndex,
                      const FileRequest *extra = nullptr);
    bool SauveCinetique(const TDataSeries &data, const QString &nomFichier, int filterIndex);
    bool SauveBeer(const TDataSeries &data, const QString &nomFichier, int filterIndex,
                   const FileRequest *extra = nullptr);

    // ClientDDE's service program path.
    QString ServiceApplication;
    // Gives the focus to the window of a mode (0 main, 1 spectrum, 2 kinetics).
    std::function<void()> FocusCurrentMode;
    // Blocking waits of the hand-over (1000 and 2000 ms).
    std::function<void(int ms)> Wait;
    // The block last put on the clipboard (Windows-1252).
    std::string LastBlock;

private:
    bool Export(MeasureMode kind, const TDataSeries &data, const BlockStyle &style, bool versTabvista);
    bool TermineExport(const std::vector<std::string> &lignes, bool versTabvista);
    bool Sauve(MeasureMode kind, const TDataSeries &data, const QString &nomFichier, int filterIndex,
               const FileRequest *extra = nullptr);
    std::string DateTimeText() const;

    TConstanteDlg *constante_;
    DdeServer server_;
};

extern TFormDDE *FormDDE;

} // namespace vandoral

// Every modal interaction of the program goes through here, so tests can
// answer it: message boxes, questions, the save and open dialogs.
#pragma once

#include "dictionary.h"

#include <QString>

class QDialog;
class QPrinter;
class QWidget;

namespace vandoral {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Every text in the interface's language, then asked of the dialogs in
    // use.
    // Error box with an OK button.
    void Error(QWidget *parent, const QString &text) { ShowError(parent, Tr(text)); }
    // Plain message box with an OK button.
    void Message(QWidget *parent, const QString &text) { ShowMessage(parent, Tr(text)); }
    // Yes/no question; true for yes.
    bool Question(QWidget *parent, const QString &text) { return Ask(parent, Tr(text)); }
    // Confirmation with OK and "Annuler"; true for OK.
    bool Confirm(QWidget *parent, const QString &title, const QString &text)
    {
        return AskConfirm(parent, Tr(title), Tr(text));
    }
    // Shows a modal dialog of the program's; true when closed with OK.
    virtual bool Execute(QDialog &dialog);
    // The save-file dialog: `filter` as "Name|*.ext|Name|*.ext", filter
    // indexes from 1. Empty when the user cancels.
    virtual QString SaveFileName(QWidget *parent, const QString &filter, int &filterIndex);
    // The open-file dialog: `filter` as for SaveFileName. Empty when the
    // user cancels.
    virtual QString OpenFileName(QWidget *parent, const QString &filter);
    // Points `printer` at the default printer; false, after an error box,
    // when there is none.
    virtual bool SetUpPrinter(QWidget *parent, QPrinter &printer);

protected:
    virtual void ShowError(QWidget *parent, const QString &text);
    virtual void ShowMessage(QWidget *parent, const QString &text);
    virtual bool Ask(QWidget *parent, const QString &text);
    virtual bool AskConfirm(QWidget *parent, const QString &title, const QString &text);
};

// The application's title, shown on message boxes.
QString ApplicationTitle();
void SetApplicationTitle(const QString &title);

// The dialogs in use; the interactive ones unless a test installed others.
Dialogs &CurrentDialogs();
// Installs `dialogs` (not owned); null restores the interactive ones.
void SetDialogs(Dialogs *dialogs);

} // namespace vandoral

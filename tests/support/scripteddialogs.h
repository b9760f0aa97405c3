// Answers the program's dialogs from a script and records what was asked.
#pragma once

#include "dialogs.h"

#include <QDialog>

#include <functional>
#include <QPrinter>
#include <QStringList>

class ScriptedDialogs : public vandoral::Dialogs {
public:
    ScriptedDialogs() { vandoral::SetDialogs(this); }
    ~ScriptedDialogs() override { vandoral::SetDialogs(nullptr); }

    void ShowError(QWidget *, const QString &text) override { asked << "error:" + text; }
    void ShowMessage(QWidget *, const QString &text) override { asked << "message:" + text; }
    bool Ask(QWidget *, const QString &text) override
    {
        asked << "question:" + text;
        return Next();
    }
    bool AskConfirm(QWidget *, const QString &title, const QString &text) override
    {
        asked << "confirm:" + title + ":" + text;
        return Next();
    }

    bool Execute(QDialog &dialog) override
    {
        asked << "dialog:" + dialog.objectName();
        if (execute)
            return execute(dialog);
        return Next();
    }
    // Fills a dialog's fields and answers for it, when set.
    std::function<bool(QDialog &)> execute;
    QString SaveFileName(QWidget *, const QString &filter, int &filterIndex) override
    {
        asked << "save:" + filter;
        filterIndex = saveFilterIndex;
        return saveName;
    }

    QString OpenFileName(QWidget *, const QString &filter) override
    {
        asked << "open:" + filter;
        return openName;
    }

    // Print jobs go to a PDF file; none when `printFile` is empty.
    bool SetUpPrinter(QWidget *, QPrinter &printer) override
    {
        asked << "printer";
        if (printFile.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printFile);
        printer.setPageOrientation(printOrientation);
        return true;
    }

    QStringList asked;
    QString printFile;
    QPageLayout::Orientation printOrientation = QPageLayout::Portrait;
    QString saveName;       // the name the save dialog returns
    QString openName;       // the name the open dialog returns
    int saveFilterIndex = 1;
    QList<bool> answers; // taken in order; "no" when empty

private:
    bool Next() { return answers.isEmpty() ? false : answers.takeFirst(); }
};

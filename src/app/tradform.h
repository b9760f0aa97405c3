// Interface translation: a dictionary of texts with one column per language,
// a translator that replaces the texts of a window's controls, and the base
// class of translatable windows.
#pragma once

#include "hint.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>

namespace vandoral {

class TDictionary {
public:
    enum Language { Native = 0, French = 1, Spanish = 2, English = 3 };

    // Reads the rows shipped with the program (tab-separated, UTF-8).
    bool Load(const QString &path = QStringLiteral(":/vandoral/dictionary.tsv"));
    // The text in the current language; the native text where the
    // dictionary has no translation.
    QString Translate(const QString &native) const;
    // The native text of a text shown in any language (itself when unknown).
    QString NativeOf(const QString &text) const;
    int Current() const { return current_; }
    void SetCurrent(int language);

    static QStringList LanguageNames(); // "Native", "French", "Spanish", "English"
    static QStringList DisplayNames();  // as shown to the user

private:
    QHash<QString, QStringList> rows_;
    QHash<QString, QString> natives_; // translation -> native text
    int current_ = Native;
};

// The program's dictionary, owned by the main window's module.
TDictionary &Dictionary();

// Qt's own texts (the buttons of the message boxes and dialogs) in the
// interface language: French for the native texts and French, Spanish, or
// Qt's English. False when the translation file could not be loaded (Qt's
// texts then stay English).
bool InstallQtTranslations(int language);

// Numbered texts the program builds at run time.
enum ResText {
    rsRechercheSurCom,
    rsRechercheEnCours,
    rsRecommencer,
    rsNonDetecte,
    rsConnection,
    rsDeconnection,
    rsDeconnect,
    rsPrendControle,
    rsReactivation,
    rsImpossibleAcceder,
};
QString Res(ResText id);

// Replaces, on a window and every control in it, the caption, text, hint,
// items and lines by their translation in the current language.
class TTranslator {
public:
    explicit TTranslator(QWidget *window) : window_(window) {}
    void Translate();

private:
    QWidget *window_;
};

class TTradForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TTradForm(QWidget *parent = nullptr);
    void Translate() { Translator.Translate(); }

    TTranslator Translator;
};


} // namespace vandoral

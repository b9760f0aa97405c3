// Interface translation: a dictionary of texts with one column per language
// (French, the native texts, then Spanish and English), and a translator
// that shows a window's texts in the current language. The rows may hold
// %1, %2... for texts built at run time ("Spectre ouvert : %1 (%2 points)"):
// such a text is translated as its pattern, its arguments translated too.
// Hand-made rather than Qt's tr(): the texts are French texts, many built
// at run time below Qt (the core's Windows-1252 messages), and a teacher
// edits this table in any spreadsheet.
#pragma once

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include <vector>

class QWidget;

namespace vandoral {

class TDictionary {
public:
    enum Language { Native = 0, French = 1, Spanish = 2, English = 3 };

    // Reads the rows shipped with the program (tab-separated, UTF-8; the
    // first line names the languages, "#" starts a comment line, "\n" in a
    // cell is a line break). A file named by VANDORAL_DICTIONARY, when set,
    // replaces them (a translator's work in progress).
    bool Load(const QString &path = QString());
    // The text in the current language; the native text where the
    // dictionary has no translation.
    QString Translate(const QString &native) const;
    // The native text of a text shown in any language (itself when unknown).
    QString NativeOf(const QString &text) const;
    int Current() const { return current_; }
    void SetCurrent(int language);
    // Whether any text shows otherwise than written: not in the native
    // language, nor in French while the French column is empty (the native
    // texts are French), which keeps every look-up off the painting then.
    bool Active() const { return current_ != Native && (current_ != French || frenchCells_); }
    // Whether `native` is a row of the dictionary or matches a pattern row.
    bool Knows(const QString &native) const;
    // Every row: the native text and its translations, in file order.
    const std::vector<QStringList> &Rows() const { return ordered_; }

    static QStringList LanguageNames(); // "Native", "French", "Spanish", "English"
    static QStringList DisplayNames();  // as shown to the user

private:
    struct Pattern {
        QRegularExpression re;
        QStringList cells; // the row's four cells, then the arguments' order
    };
    QString ByPattern(const QString &native, int language) const;
    QHash<QString, QStringList> rows_;
    QHash<QString, QString> natives_; // translation -> native text
    std::vector<Pattern> patterns_;
    std::vector<QStringList> ordered_;
    mutable QHash<QString, QString> cache_; // pattern results, current language
    int current_ = Native;
    bool frenchCells_ = false;
};

// The program's dictionary.
TDictionary &Dictionary();
// A text in the current language.
QString Tr(const QString &native);

// Qt's own texts (the buttons of the message boxes and dialogs) in the
// interface language. False when the translation file could not be loaded
// (Qt's texts then stay English).
bool InstallQtTranslations(int language);

// Shows `window` and every control in it (captions, texts, hints, accessible
// names, items, menu entries, table headings, status messages) in the
// current language; a text set since in another language is taken back to
// its native text first.
void TranslateWindow(QWidget *window);

// From now on every widget of the program is shown in the current language
// as it is painted: the texts windows set at run time, questions and
// messages included. Installed once on the application.
void TranslateAsPainted();

} // namespace vandoral

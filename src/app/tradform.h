// Interface translation: a dictionary of texts with one column per language,
// a translator that replaces the texts of a window's controls, and the base
// class of translatable windows.
#pragma once

#include "dictionary.h"
#include "hint.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>

namespace vandoral {

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

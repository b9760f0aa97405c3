#include "tradform.h"

namespace vandoral {

QString Res(ResText id)
{
    static const char *const natives[] = {
        "Recherche en cours sur COM",
        "Recherche en cours ...",
        "Recommencer la recherche",
        "Spectrophotomètre Vandoral non détecté",
        "Connection",
        "Déconnection",
        "Déconnect.",
        "L'ordinateur prend le controle du spectro",
        "Réactivation des touches du spectro",
        "Impossible d'accéder à ",
    };
    return Dictionary().Translate(QString::fromUtf8(natives[id]));
}

void TTranslator::Translate()
{
    TranslateWindow(window_);
}

TTradForm::TTradForm(QWidget *parent) : QMainWindow(parent), Translator(this)
{
    QFont f = font();
    f.setFamily(QStringLiteral("Tahoma"));
    setFont(f);
}

} // namespace vandoral

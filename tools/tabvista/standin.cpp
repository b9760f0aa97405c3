#include "standin.h"

#include "qtext.h"

#include <QClipboard>
#include <QGuiApplication>

namespace vandoral {

TabvistaStandin::TabvistaStandin(QObject *parent) : QObject(parent) {}

bool TabvistaStandin::Start()
{
    return server_.Listen(QStringLiteral("Tabvista"), QStringLiteral("ServeurDDE"), [this](const QStringList &lines) {
        const QString macro = lines.join(QLatin1Char('\n'));
        macros << macro;
        emit macroReceived(macro);
        if (refuse)
            return false;
        if (macro == QLatin1String("CLIP|LOAD()") || macro == QLatin1String("CLIP|ADD()")) {
            blocks.push_back(ToCp(QGuiApplication::clipboard()->text()));
            emit blockRead(QByteArray::fromStdString(blocks.back()));
        }
        return true;
    });
}

} // namespace vandoral

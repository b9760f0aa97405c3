#include "tradform.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVariant>

// The dictionary is built into this static library: its resources must be
// registered by hand.
static void InitAppResources()
{
    Q_INIT_RESOURCE(app);
}

namespace vandoral {

bool TDictionary::Load(const QString &path)
{
    InitAppResources();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    rows_.clear();
    natives_.clear();
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (int i = 1; i < lines.size(); ++i) { // line 0 names the languages
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        QStringList cells = line.split(QLatin1Char('\t'));
        while (cells.size() < 4)
            cells << QString();
        rows_.insert(cells.at(0), cells);
        for (int l = French; l <= English; ++l)
            if (!cells.at(l).isEmpty() && !natives_.contains(cells.at(l)))
                natives_.insert(cells.at(l), cells.at(0));
    }
    return true;
}

QString TDictionary::NativeOf(const QString &text) const
{
    if (rows_.contains(text))
        return text;
    return natives_.value(text, text);
}

QString TDictionary::Translate(const QString &native) const
{
    if (current_ == Native)
        return native;
    const auto it = rows_.find(native);
    if (it == rows_.end())
        return native;
    const QString &cell = it.value().at(current_);
    return cell.isEmpty() ? native : cell;
}

bool InstallQtTranslations(int language)
{
    static QTranslator *installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    if (language == TDictionary::English)
        return true;
    const QString name = language == TDictionary::Spanish ? QStringLiteral("qtbase_es") : QStringLiteral("qtbase_fr");
    auto *t = new QTranslator;
    if (!t->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    installed = t;
    return true;
}

void TDictionary::SetCurrent(int language)
{
    current_ = language >= Native && language <= English ? language : Native;
}

QStringList TDictionary::LanguageNames()
{
    return {QStringLiteral("Native"), QStringLiteral("French"), QStringLiteral("Spanish"),
            QStringLiteral("English")};
}

QStringList TDictionary::DisplayNames()
{
    return {QStringLiteral("Native"), QStringLiteral("français"), QStringLiteral("español"),
            QStringLiteral("English")};
}

TDictionary &Dictionary()
{
    static TDictionary dictionary;
    return dictionary;
}

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

namespace {

// Translates one text property, remembering the native text so that the
// window can be translated again into another language. A text the program
// changed since the last translation is taken as the new native text.
template <class Get, class Set>
void TranslateText(QObject *o, const char *key, Get get, Set set)
{
    const QByteArray nativeKey = QByteArray("_native_") + key;
    const QByteArray shownKey = QByteArray("_shown_") + key;
    const QString current = get();
    QString native = o->property(nativeKey).toString();
    // A text set by the program in the language shown until now (a run-time
    // text) is brought back to its native text, so it follows the change.
    if (!o->property(nativeKey).isValid() || current != o->property(shownKey).toString())
        native = Dictionary().NativeOf(current);
    const QString shown = Dictionary().Translate(native);
    if (shown != current)
        set(shown);
    o->setProperty(nativeKey, native);
    o->setProperty(shownKey, shown);
}

void TranslateWidget(QWidget *w)
{
    TranslateText(w, "tip", [w] { return w->toolTip(); }, [w](const QString &s) { w->setToolTip(s); });
    TranslateText(w, "status", [w] { return w->statusTip(); }, [w](const QString &s) { w->setStatusTip(s); });
    if (w->isWindow())
        TranslateText(w, "title", [w] { return w->windowTitle(); }, [w](const QString &s) { w->setWindowTitle(s); });
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        TranslateText(b, "text", [b] { return b->text(); }, [b](const QString &s) { b->setText(s); });
    else if (auto *l = qobject_cast<QLabel *>(w))
        TranslateText(l, "text", [l] { return l->text(); }, [l](const QString &s) { l->setText(s); });
    else if (auto *g = qobject_cast<QGroupBox *>(w))
        TranslateText(g, "text", [g] { return g->title(); }, [g](const QString &s) { g->setTitle(s); });
    else if (auto *e = qobject_cast<QPlainTextEdit *>(w)) {
        TranslateText(e, "lines", [e] { return e->toPlainText(); }, [e](const QString &s) { e->setPlainText(s); });
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        for (int i = 0; i < c->count(); ++i) {
            const QByteArray key = "item" + QByteArray::number(i);
            TranslateText(c, key, [c, i] { return c->itemText(i); }, [c, i](const QString &s) { c->setItemText(i, s); });
        }
    } else if (auto *list = qobject_cast<QListWidget *>(w)) {
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem *item = list->item(i);
            const QByteArray key = "item" + QByteArray::number(i);
            TranslateText(list, key, [item] { return item->text(); }, [item](const QString &s) { item->setText(s); });
        }
    } else if (auto *tabs = qobject_cast<QTabWidget *>(w)) {
        for (int i = 0; i < tabs->count(); ++i) {
            const QByteArray key = "page" + QByteArray::number(i);
            TranslateText(tabs, key, [tabs, i] { return tabs->tabText(i); }, [tabs, i](const QString &s) { tabs->setTabText(i, s); });
        }
    }
    for (QAction *a : w->actions()) {
        TranslateText(a, "text", [a] { return a->text(); }, [a](const QString &s) { a->setText(s); });
        TranslateText(a, "tip", [a] { return a->toolTip(); }, [a](const QString &s) { a->setToolTip(s); });
    }
}

} // namespace

void TTranslator::Translate()
{
    TranslateWidget(window_);
    for (QWidget *w : window_->findChildren<QWidget *>())
        TranslateWidget(w);
}

TTradForm::TTradForm(QWidget *parent) : QMainWindow(parent), Translator(this)
{
    QFont f = font();
    f.setFamily(QStringLiteral("Tahoma"));
    setFont(f);
}

} // namespace vandoral

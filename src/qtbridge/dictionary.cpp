#include "dictionary.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTranslator>
#include <QVariant>

// The dictionary is built into this static library: its resources must be
// registered by hand.
static void InitLangResources()
{
    Q_INIT_RESOURCE(lang);
}

namespace vandoral {

namespace {

// "%1 : ordre 1, k = %2" as a regular expression whose groups are the
// arguments, in the order they appear.
QRegularExpression PatternOf(const QString &native, QList<int> &order)
{
    static const QRegularExpression arg(QStringLiteral("%(\\d)"));
    QString re = QStringLiteral("^");
    qsizetype last = 0;
    auto it = arg.globalMatch(native);
    while (it.hasNext()) {
        const auto m = it.next();
        re += QRegularExpression::escape(native.mid(last, m.capturedStart() - last));
        re += QStringLiteral("(.*?)");
        order << m.captured(1).toInt();
        last = m.capturedEnd();
    }
    re += QRegularExpression::escape(native.mid(last)) + QStringLiteral("$");
    // An argument spans lines only where the pattern itself does.
    return QRegularExpression(re, native.contains(QLatin1Char('\n')) ? QRegularExpression::DotMatchesEverythingOption
                                                                       : QRegularExpression::NoPatternOption);
}

} // namespace

bool TDictionary::Load(const QString &path)
{
    InitLangResources();
    QString file = path;
    if (file.isEmpty())
        file = qEnvironmentVariableIsEmpty("VANDORAL_DICTIONARY") ? QStringLiteral(":/vandoral/dictionary.tsv")
                                                                   : qEnvironmentVariable("VANDORAL_DICTIONARY");
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    rows_.clear();
    natives_.clear();
    patterns_.clear();
    ordered_.clear();
    cache_.clear();
    frenchCells_ = false;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (int i = 1; i < lines.size(); ++i) { // line 0 names the languages
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        // "\n" in a cell stands for a line break.
        QStringList cells = line.split(QLatin1Char('\t'));
        for (QString &c : cells)
            c.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        while (cells.size() < 4)
            cells << QString();
        rows_.insert(cells.at(0), cells);
        ordered_.push_back(cells);
        frenchCells_ = frenchCells_ || !cells.at(French).isEmpty();
        for (int l = French; l <= English; ++l)
            if (!cells.at(l).isEmpty() && !natives_.contains(cells.at(l)))
                natives_.insert(cells.at(l), cells.at(0));
        if (cells.at(0).contains(QRegularExpression(QStringLiteral("%\\d")))) {
            QList<int> order;
            Pattern p{PatternOf(cells.at(0), order), cells};
            p.cells << QString(); // the arguments' order, below
            QStringList o;
            for (int n : order)
                o << QString::number(n);
            p.cells[4] = o.join(QLatin1Char(','));
            patterns_.push_back(p);
        }
    }
    return true;
}

QString TDictionary::ByPattern(const QString &native, int language) const
{
    for (const Pattern &p : patterns_) {
        const auto m = p.re.match(native);
        if (!m.hasMatch())
            continue;
        const QString &target = p.cells.at(language);
        if (target.isEmpty())
            return native;
        QString out = target;
        const QStringList order = p.cells.at(4).split(QLatin1Char(','));
        // Arguments back in their places, each translated in its turn (a
        // reason given inside a message).
        for (int g = order.size(); g >= 1; --g) {
            const QString argument = m.captured(g);
            const QString shown = rows_.contains(argument) || argument.contains(QLatin1Char(' '))
                                      ? Translate(argument)
                                      : argument;
            out.replace(QLatin1Char('%') + order.at(g - 1), shown);
        }
        return out;
    }
    return QString();
}

QString TDictionary::Translate(const QString &native) const
{
    if (!Active() || native.isEmpty())
        return native;
    const auto it = rows_.find(native);
    if (it != rows_.end()) {
        const QString &cell = it.value().at(current_);
        return cell.isEmpty() ? native : cell;
    }
    const auto cached = cache_.find(native);
    if (cached != cache_.end())
        return cached.value();
    QString shown = ByPattern(native, current_);
    if (shown.isEmpty() && native.contains(QLatin1Char('\n'))) {
        // Lines shown together (statistics, a message and its reason): each
        // in its turn.
        QStringList lines = native.split(QLatin1Char('\n'));
        for (QString &l : lines)
            l = Translate(l);
        shown = lines.join(QLatin1Char('\n'));
    }
    if (shown.isEmpty())
        shown = native;
    if (cache_.size() > 4096)
        cache_.clear();
    cache_.insert(native, shown);
    return shown;
}

bool TDictionary::Knows(const QString &native) const
{
    if (rows_.contains(native))
        return true;
    for (const Pattern &p : patterns_)
        if (p.re.match(native).hasMatch())
            return true;
    return false;
}

QString TDictionary::NativeOf(const QString &text) const
{
    if (rows_.contains(text))
        return text;
    return natives_.value(text, text);
}

void TDictionary::SetCurrent(int language)
{
    current_ = language >= Native && language <= English ? language : Native;
    cache_.clear();
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

QString Tr(const QString &native)
{
    return Dictionary().Translate(native);
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

namespace {

// Translates one text property, remembering the native text so that the
// window can be translated again into another language. A text the program
// changed since the last translation is taken as the new native text.
template <class Get, class Set>
void TranslateText(QObject *o, const QByteArray &key, Get get, Set set)
{
    const QByteArray nativeKey = QByteArray("_native_") + key;
    const QByteArray shownKey = QByteArray("_shown_") + key;
    const QString current = get();
    if (current.isEmpty() && !o->property(nativeKey).isValid())
        return;
    QString native = o->property(nativeKey).toString();
    // A text set by the program in the language shown until now (a run-time
    // text) is brought back to its native text, so it follows the change.
    if (!o->property(nativeKey).isValid() || current != o->property(shownKey).toString())
        native = Dictionary().NativeOf(current);
    const QString shown = Dictionary().Translate(native);
    if (shown != current)
        set(shown);
    // Set only when they change: each setting is an event to the object,
    // and this runs at every painting.
    if (o->property(nativeKey).toString() != native || !o->property(nativeKey).isValid())
        o->setProperty(nativeKey, native);
    if (o->property(shownKey).toString() != shown || !o->property(shownKey).isValid())
        o->setProperty(shownKey, shown);
}

// A grid's cells: headings, names and marks such as "(hors gamme)"; cells
// without letters (the values) are left alone. A grid may hold thousands of
// cells: no native text is kept for them, the dictionary's reverse look-up
// gives it back.
void TranslateItems(QTableWidget *t)
{
    static const QRegularExpression letter(QStringLiteral("[A-Za-zÀ-ÿ]"));
    auto item = [](QTableWidgetItem *i) {
        if (!i)
            return;
        const QString text = i->text();
        if (!text.contains(letter))
            return;
        const QString shown = Tr(Dictionary().NativeOf(text));
        if (shown != text)
            i->setText(shown);
    };
    for (int c = 0; c < t->columnCount(); ++c)
        item(t->horizontalHeaderItem(c));
    for (int r = 0; r < t->rowCount(); ++r)
        for (int c = 0; c < t->columnCount(); ++c)
            item(t->item(r, c));
}

void TranslateWidget(QWidget *w)
{
    TranslateText(w, "tip", [w] { return w->toolTip(); }, [w](const QString &s) { w->setToolTip(s); });
    TranslateText(w, "status", [w] { return w->statusTip(); }, [w](const QString &s) { w->setStatusTip(s); });
    TranslateText(w, "name", [w] { return w->accessibleName(); }, [w](const QString &s) { w->setAccessibleName(s); });
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
    } else if (auto *table = qobject_cast<QTableWidget *>(w)) {
        TranslateItems(table);
    } else if (auto *bar = qobject_cast<QStatusBar *>(w)) {
        const QString message = bar->currentMessage();
        const QString shown = Tr(Dictionary().NativeOf(message));
        if (shown != message)
            bar->showMessage(shown);
    }
    for (QAction *a : w->actions()) {
        TranslateText(a, "text", [a] { return a->text(); }, [a](const QString &s) { a->setText(s); });
        TranslateText(a, "tip", [a] { return a->toolTip(); }, [a](const QString &s) { a->setToolTip(s); });
        TranslateText(a, "status", [a] { return a->statusTip(); }, [a](const QString &s) { a->setStatusTip(s); });
    }
}

// Translates each widget just before it is painted or shown.
class PaintTranslator : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if ((e->type() == QEvent::Paint || e->type() == QEvent::Show || e->type() == QEvent::Polish)
            && o->isWidgetType() && Dictionary().Active() && !busy_) {
            busy_ = true;
            auto *w = static_cast<QWidget *>(o);
            TranslateWidget(w);
            // A grid paints through its viewport.
            if (auto *table = qobject_cast<QTableWidget *>(w->parentWidget()); table && table->viewport() == w)
                TranslateItems(table);
            busy_ = false;
        }
        return false;
    }

private:
    bool busy_ = false;
};

} // namespace

void TranslateWindow(QWidget *window)
{
    TranslateWidget(window);
    for (QWidget *w : window->findChildren<QWidget *>())
        TranslateWidget(w);
    // Menus are windows of their own, reached through their buttons' actions.
    for (QMenu *m : window->findChildren<QMenu *>())
        TranslateWidget(m);
}

void TranslateAsPainted()
{
    static PaintTranslator *installed = nullptr;
    if (installed || !qApp)
        return;
    installed = new PaintTranslator(qApp);
    qApp->installEventFilter(installed);
}

} // namespace vandoral

// The whole interface in each language: every window and dialog walked in
// Spanish and English, at rest and after measurements, with no French text
// left and no empty caption; every text the program shows in French has its
// Spanish and English translations in the dictionary.
#include "about.h"
#include "beeroptions.h"
#include "beerwindow.h"
#include "dictionary.h"
#include "fileio.h"
#include "inifile.h"
#include "startup.h"
#include "kineticswindow.h"
#include "mainwindow.h"
#include "modebench.h"
#include "pagedialog.h"
#include "tracewindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <functional>
#include <map>

using namespace vandoral;

namespace {

// A text a user reads, and where it was seen.
struct Seen {
    QString text, where;
};

void Add(std::vector<Seen> &out, const QString &text, const QString &where)
{
    for (const QString &line : text.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            out.push_back({line.trimmed(), where});
}

// Every text of a window: captions, hints, names read out, items, menu
// entries, table headings and cells, the status bar.
std::vector<Seen> TextsOf(QWidget *window)
{
    TranslateWindow(window);
    std::vector<Seen> out;
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *w : widgets) {
        const QString where = window->objectName() + QLatin1Char('/') + w->objectName();
        if (w->isWindow())
            Add(out, w->windowTitle(), where + "/title");
        Add(out, w->toolTip(), where + "/tip");
        Add(out, w->statusTip(), where + "/status");
        Add(out, w->accessibleName(), where + "/name");
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            Add(out, b->text(), where);
        else if (auto *l = qobject_cast<QLabel *>(w))
            Add(out, l->text(), where);
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            Add(out, g->title(), where);
        else if (auto *c = qobject_cast<QComboBox *>(w))
            for (int i = 0; i < c->count(); ++i)
                Add(out, c->itemText(i), where);
        else if (auto *t = qobject_cast<QTableWidget *>(w)) {
            for (int r = 0; r < t->rowCount(); ++r)
                for (int c = 0; c < t->columnCount(); ++c)
                    if (t->item(r, c))
                        Add(out, t->item(r, c)->text(), where + "/cell");
        } else if (auto *s = qobject_cast<QStatusBar *>(w))
            Add(out, s->currentMessage(), where + "/message");
        for (QAction *a : w->actions()) {
            Add(out, a->text(), where + "/action");
            Add(out, a->toolTip(), where + "/action-tip");
        }
    }
    return out;
}

// Texts that are the same in every language: symbols, units, numbers,
// names of programs and models.
bool Neutral(const QString &text)
{
    static const QRegularExpression letters(QStringLiteral("[A-Za-zÀ-ÿ]{3,}"));
    if (!letters.match(text).hasMatch())
        return true;
    static const QStringList names{"Tabvista", "Vandoral", "Lambda", "Orbis", "Copyright", "Auto",
                                   "Test", "Mini", "Maxi", "Version", "OK", "Native", "français", "español",
                                   "English", "Delta", "Connect", "mmol", "mol/L", "Absorbance", "concentration",
                                   "Lambda2", "JCAMP", "Tahoma", "support@", "Cancel", "Help", "Edit1"};
    for (const QString &n : names)
        if (text.startsWith(n) || text == n)
            return true;
    return false;
}

} // namespace

class TestLanguages : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyRowIsTranslated();
    void aMissingTranslationShowsTheFrenchText();
    void everyWindowInEachLanguage_data();
    void everyWindowInEachLanguage();
    void aSpectrumInSpanish();

private:
    // Builds the program's windows and dialogs over the simulator, measures
    // in them, and calls `look` with each at several moments.
    void Walk(const std::function<void(QWidget *, const QString &moment)> &look);
};

void TestLanguages::init()
{
    QVERIFY(Dictionary().Load());
    TranslateAsPainted();
}

void TestLanguages::cleanup()
{
    Dictionary().SetCurrent(TDictionary::French);
}

void TestLanguages::everyRowIsTranslated()
{
    QStringList missing;
    for (const QStringList &row : Dictionary().Rows())
        for (int l : {TDictionary::Spanish, TDictionary::English})
            if (row.at(l).trimmed().isEmpty())
                missing << TDictionary::LanguageNames().at(l) + ": " + row.at(0);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join('\n')));
}

void TestLanguages::aMissingTranslationShowsTheFrenchText()
{
    QTemporaryDir dir;
    QFile f(dir.filePath("dictionary.tsv"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("Native\tFrench\tSpanish\tEnglish\n"
            "Blanc\t\tBlanco\t\n"
            "Spectre ouvert : %1 (%2 points)\t\t\tSpectrum opened: %1 (%2 points)\n");
    f.close();
    TDictionary d;
    QVERIFY(d.Load(f.fileName()));
    d.SetCurrent(TDictionary::English);
    QCOMPARE(d.Translate("Blanc"), QStringLiteral("Blanc")); // never an empty caption
    QCOMPARE(d.Translate("Spectre ouvert : a.jdx (471 points)"), QStringLiteral("Spectrum opened: a.jdx (471 points)"));
    d.SetCurrent(TDictionary::Spanish);
    QCOMPARE(d.Translate("Blanc"), QStringLiteral("Blanco"));
    QCOMPARE(d.Translate("Spectre ouvert : a.jdx (471 points)"), QStringLiteral("Spectre ouvert : a.jdx (471 points)"));
    QCOMPARE(d.Translate(QString()), QString());
}

void TestLanguages::Walk(const std::function<void(QWidget *, const QString &)> &look)
{
    ModeBench b(
        [](sim::SimOptions &o) { o.levels = {0.10, 0.21, 0.29, 0.15}; o.levelLambda = 545; });
    QVERIFY(b.started);
    TAboutBox about;
    look(&about, "at rest");
    TModeBeerDlg options;
    look(&options, "at rest");
    look(b.constante.get(), "at rest");

    TTraceSpectre trace;
    b.Attach(trace);
    trace.show();
    QVERIFY(QTest::qWaitForWindowExposed(&trace));
    look(&trace, "at rest");
    trace.BlancBtnClick();
    QVERIFY(b.WaitIdle());
    trace.SpectreBtnClick();
    QVERIFY(b.WaitIdle());
    look(&trace, "after a spectrum");
    b.dialogs.answers = {false};
    trace.BlancBtnClick(); // "Le spectre n'est pas enregistré. L'effacer ?"
    trace.close();

    TCinetiqueForm kinetics;
    b.Attach(kinetics);
    kinetics.show();
    QVERIFY(QTest::qWaitForWindowExposed(&kinetics));
    look(&kinetics, "at rest");
    kinetics.BlancBtnClick();
    QVERIFY(b.WaitIdle());
    look(&kinetics, "after the blank");
    kinetics.close();

    b.spectro->Actif = true;
    b.spectro->LambdaBeer = 545;
    b.spectro->Mini = 0;
    b.spectro->Maxi = 10;
    TBeerForm beer;
    b.Attach(beer);
    beer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&beer));
    look(&beer, "at rest");
    beer.ZeroBtnClick();
    QVERIFY(b.WaitIdle());
    for (int i = 0; i < 3; ++i) {
        QVERIFY(beer.Session.MeasureStandard(i, i + 1.0));
        QVERIFY(b.WaitIdle());
    }
    beer.EnregistreBtnClick();
    QVERIFY(b.WaitIdle());
    beer.RepaintPlot();
    look(&beer, "after three standards and an unknown");
    b.dialogs.answers = {false};
    beer.ResetBtnClick(); // "Les étalons ne sont pas enregistrés. Tout effacer ?"
    beer.close();
    // The main window, last: it takes over the driver's events.
    {
        TFormMain main(b.ini); // not shown: no search
        look(&main, "before the search");
    }
    // The questions asked on the way, as the seam received them.
    QStringList texts;
    for (const QString &a : b.dialogs.asked)
        texts << a.section(QLatin1Char(':'), 1);
    QLabel asked(texts.join('\n'));
    asked.setObjectName("questions");
    look(&asked, "questions asked");
}

void TestLanguages::everyWindowInEachLanguage_data()
{
    QTest::addColumn<int>("language");
    QTest::newRow("French: every text has its translations") << int(TDictionary::French);
    QTest::newRow("Spanish") << int(TDictionary::Spanish);
    QTest::newRow("English") << int(TDictionary::English);
}

void TestLanguages::everyWindowInEachLanguage()
{
    QFETCH(int, language);
    Dictionary().SetCurrent(language);
    QStringList faults;
    std::map<QString, bool> reported;
    Walk([&](QWidget *w, const QString &moment) {
        for (const Seen &s : TextsOf(w)) {
            QString fault;
            if (language == TDictionary::French) {
                // What the program shows must be in the dictionary (or the
                // same in every language).
                if (!Neutral(s.text) && !Dictionary().Knows(s.text))
                    fault = "no translation";
            } else if (Dictionary().Knows(s.text) && !Neutral(s.text)) {
                // Still a French text: a row or a pattern matched it.
                const int shown = Dictionary().Current();
                Dictionary().SetCurrent(language);
                if (Dictionary().Translate(s.text) != s.text)
                    fault = "left in French";
                Dictionary().SetCurrent(shown);
            }
            if (!fault.isEmpty() && !reported[s.text]) {
                reported[s.text] = true;
                faults << QStringLiteral("%1 (%2, %3): %4").arg(fault, s.where, moment, s.text);
            }
        }
    });
    for (const QString &f : faults)
        qWarning().noquote() << f;
    QVERIFY2(faults.isEmpty(), qPrintable(QString::number(faults.size()) + " texts (listed above)"));
}

void TestLanguages::aSpectrumInSpanish()
{
    // Chosen in the settings file, as the About box stores it, and read back
    // at the next start.
    ModeBench b;
    QVERIFY(b.started);
    StoreLanguage(b.ini, TDictionary::Spanish);
    IniImage settings;
    QCOMPARE(settings.Load(ToPath(b.ini)), FileState::Read);
    QCOMPARE(StoredLanguage(settings), int(TDictionary::Spanish));
    Dictionary().SetCurrent(StoredLanguage(settings));

    TTraceSpectre w;
    b.Attach(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(w.BlancBtn->text(), QStringLiteral("Blanco")); // as painted
    QCOMPARE(w.SpectreBtn->text(), QStringLiteral("Espectro"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Trazado de espectro"));
    w.BlancBtnClick();
    QVERIFY(b.WaitIdle());
    w.SpectreBtnClick();
    QVERIFY(b.WaitIdle());
    QCOMPARE(w.Session.Spectrum.Count(), 471);
    QTRY_COMPARE(w.Label1->text(), QString::fromUtf8("Coloque la muestra y haga clic en el botón \"Espectro\""));
    // The peaks' line keeps the system's decimal separator.
    QTRY_VERIFY(w.PeaksLabel->text().startsWith(QStringLiteral("λmax: ")));
    // The data file keeps its French headers: the analysis program and
    // stored files rely on them.
    b.dialogs.saveName = b.dir.filePath("espectro.txt");
    w.FileM->trigger();
    QFile saved(b.dialogs.saveName);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("Lambda\tA\r\nnm\t\r\nLongueur d'onde\t\r\n"));
    // Another spectrum, unsaved: closing asks in Spanish; "No" discards.
    w.SpectreBtnClick();
    QVERIFY(b.WaitIdle());
    b.dialogs.asked.clear();
    b.dialogs.answers = {false};
    QVERIFY(w.close());
    QCOMPARE(b.dialogs.asked, QStringList{QString::fromUtf8("question:¿Guardar?")});
}

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"

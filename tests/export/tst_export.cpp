// Export through the clipboard and the analysis program (the stand-in), the
// requests the analysis program sends back, and the data files with their
// error box.
#include "numtext.h"
#include "qtext.h"
#include "samplegraphs.h"
#include "scripteddialogs.h"
#include "separator.h"
#include "pagedialog.h"
#include "exportwindow.h"
#include "standin.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocalSocket>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace vandoral;

namespace {

// The export window with its dialog, waits recorded instead of slept.
struct Exporter {
    Exporter() : dde(&constante)
    {
        dde.SpectreGraph = &graph;
        dde.CinetiqueGraph = &graph;
        dde.BeerGraph = &graph;
        dde.Wait = [this](int ms) { waits << ms; };
        dde.ServiceApplication = QStringLiteral("/nonexistent/tabvista");
        constante.EditComm->setText(QString::fromUtf8("essai à 20 °C"));
    }
    ScriptedDialogs dialogs;
    Tgraphe graph = SampleSpectrum();
    TConstanteDlg constante;
    TFormDDE dde;
    QList<int> waits;
};

QStringList Lines(const std::string &block)
{
    return FromCp(block).split(QStringLiteral("\r\n"));
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void clipboardCarriesTheBlock_data();
    void clipboardCarriesTheBlock();
    void firstSendLoadsThenAdds();
    void refusedMacro();
    void noAnalysisProgram();
    void analysisProgramIsStarted();
    void requestsFromTheAnalysisProgram();
    void dataFiles();
    void locateTabvista();
    void pageDialog();

private:
    QTemporaryDir runtime_;
};

void TestExport::initTestCase()
{
    // Services and the analysis program's marker live in a private runtime folder.
    qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", runtime_.filePath("config").toLocal8Bit());
}

void TestExport::clipboardCarriesTheBlock_data()
{
    QTest::addColumn<char>("sep");
    QTest::newRow("point") << '.';
    QTest::newRow("comma") << ',';
}

void TestExport::clipboardCarriesTheBlock()
{
    QFETCH(char, sep);
    SeparatorScope scope(sep);
    Exporter e;
    e.dde.ExportSpectre(false);
    const QString clip = QGuiApplication::clipboard()->text();
    QCOMPARE(ToCp(clip), e.dde.LastBlock); // accents survive the trip
    const QStringList lines = Lines(e.dde.LastBlock);
    QVERIFY(lines[0].startsWith("Spectre "));
    QCOMPARE(lines[1], QString::fromUtf8("essai à 20 °C"));
    QCOMPARE(lines[2], QString("Lambda\tA"));
    QCOMPARE(lines[5], sep == ',' ? QString("512,0\t0,523") : QString("512.0\t0.523"));
    QVERIFY(e.dialogs.asked.isEmpty()); // the clipboard alone: no hand-over
    QVERIFY(e.waits.isEmpty());
}

void TestExport::firstSendLoadsThenAdds()
{
    TabvistaStandin tabvista;
    QVERIFY(tabvista.Start());
    Exporter e;
    QElapsedTimer t;
    t.start();
    e.dde.ExportSpectre(true);
    QCOMPARE(tabvista.macros, QStringList{"CLIP|LOAD()"});
    QCOMPARE(e.constante.NewPage(), 1);
    // The analysis program read the same bytes, lambda's 0x88 included.
    QCOMPARE(tabvista.blocks.size(), std::size_t(1));
    QCOMPARE(tabvista.blocks[0], e.dde.LastBlock);
    const QStringList lines = Lines(e.dde.LastBlock);
    QCOMPARE(lines[0], QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    QCOMPARE(ToCp(lines[3]), std::string("\x88\tA"));

    e.dde.ExportCinetique(true);
    QCOMPARE(tabvista.macros, (QStringList{"CLIP|LOAD()", "CLIP|ADD()"}));
    e.constante.SetNewPage(0); // "Nouveau fichier" again, as a mode selection does
    e.dde.ExportBeer(true);
    QCOMPARE(tabvista.macros.last(), QString("CLIP|LOAD()"));
    // Already running: no start and no waiting.
    QVERIFY(e.waits.isEmpty());
    QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
    QVERIFY(e.dialogs.asked.isEmpty());
}

void TestExport::refusedMacro()
{
    TabvistaStandin tabvista;
    tabvista.refuse = true;
    QVERIFY(tabvista.Start());
    Exporter e;
    e.dde.ExportSpectre(true);
    QCOMPARE(e.dialogs.asked, QStringList{QString::fromUtf8("message:CLIP|LOAD() non exécuté")});
    QCOMPARE(e.constante.NewPage(), 1);
    QCOMPARE(ToCp(QGuiApplication::clipboard()->text()), e.dde.LastBlock);
}

void TestExport::noAnalysisProgram()
{
    Exporter e; // nothing listens and the command cannot start
    e.dde.ExportSpectre(true);
    QCOMPARE(e.dialogs.asked, QStringList{"message:Impossible de lancer Tabvista"});
    QCOMPARE(e.waits, QList<int>{1000}); // the retry's wait; no start, so no 2000 ms
    QVERIFY(!e.dde.LastBlock.empty());
    QCOMPARE(ToCp(QGuiApplication::clipboard()->text()), e.dde.LastBlock); // the data stay there
    QCOMPARE(e.constante.NewPage(), 1);
}

void TestExport::analysisProgramIsStarted()
{
    QVERIFY(!TabvistaRunning());
    Exporter e;
    const QString log = runtime_.filePath("tabvista.log");
    e.dde.ServiceApplication = QStringLiteral("\"%1/tabvista\" --log \"%2\" --exit-after 15")
                                   .arg(qEnvironmentVariable("VANDORAL_BIN"), log);
    e.dde.Wait = [&](int ms) {
        e.waits << ms;
        QThread::msleep(ulong(ms));
    };
    e.dde.ExportSpectre(true);
    QCOMPARE(e.waits, QList<int>{2000});
    QVERIFY(e.dialogs.asked.isEmpty());
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("CLIP|LOAD()\n"));
    QVERIFY(TabvistaRunning());
    // Running now: the next send starts nothing.
    e.waits.clear();
    e.dde.ExportSpectre(true);
    QVERIFY(e.waits.isEmpty());
    f.seek(0);
    QCOMPARE(f.readAll(), QByteArray("CLIP|LOAD()\nCLIP|ADD()\n"));
}

void TestExport::requestsFromTheAnalysisProgram()
{
    Exporter e;
    int focused = 0;
    e.dde.FocusCurrentMode = [&] { ++focused; };
    const QString service = QFileInfo(QCoreApplication::applicationFilePath()).fileName().section('.', 0, 0);
    for (const QByteArray &macro : {QByteArray("[Focus()]"), QByteArray("a\r\nb\r\n")}) {
        std::unique_ptr<DdeClient> link = MakeDdeClient();
        bool accepted = false;
        QThread *thread = QThread::create([&] {
            QVERIFY(link->OpenLink(service, "ServeurDDE", "ServeurItem", "/nonexistent"));
            accepted = link->ExecuteMacro(macro);
            link->CloseLink();
        });
        thread->start();
        QTRY_VERIFY(thread->isFinished());
        delete thread;
        QVERIFY(accepted);
    }
    QCOMPARE(focused, 1); // only the one-line request
}

void TestExport::dataFiles()
{
    Exporter e;
    QTemporaryDir dir;
    QVERIFY(e.dde.SauveSpectre(dir.filePath("s"), CsvFilter));
    QFile f(dir.filePath("s.CSV"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readLine(), QString::fromUtf8("essai à 20 °C\n").toLatin1());
    QVERIFY(e.dialogs.asked.isEmpty());

    // The folder is a regular file: an error box naming the file, false.
    QVERIFY(!e.dde.SauveBeer(dir.filePath("s.CSV/b.txt"), TextFilter));
    QCOMPARE(e.dialogs.asked.size(), 1);
    QVERIFY(e.dialogs.asked[0].startsWith("error:Impossible d'enregistrer le fichier "));
    QVERIFY(e.dialogs.asked[0].contains("b.txt"));
}

void TestExport::locateTabvista()
{
    QSettings key(QSettings::NativeFormat, QSettings::UserScope, "Tabvista");
    key.clear();
    key.sync();
    QCOMPARE(LocateTabvista(), QString("tabvista"));
    key.setValue("Path", "/opt/tabvista/tabvista");
    key.sync();
    QCOMPARE(LocateTabvista(), QString("/opt/tabvista/tabvista"));
    key.setValue("Tabvista/Path", "/opt/tabvista2/tabvista");
    key.sync();
    QCOMPARE(LocateTabvista(), QString("/opt/tabvista2/tabvista"));
    key.clear();
    key.sync();
}

void TestExport::pageDialog()
{
    ScriptedDialogs dialogs;
    TConstanteDlg dlg;
    dlg.NomConstEdit->setText("abcdefghijk");
    dlg.UniteConstEdit->setText("mol/L");
    dlg.ValeurConstEdit->setText("pas un nombre");
    QCOMPARE(dlg.Page().symbol, std::string("abcdefgh"));
    QCOMPARE(dlg.Page().value, std::string("pas un nombre"));
    QCOMPARE(dlg.NewPage(), 0);
    dialogs.answers = {true, false};
    QVERIFY(dlg.Execute());
    QVERIFY(!dlg.Execute());
    QCOMPARE(dialogs.asked, (QStringList{"dialog:ConstanteDlg", "dialog:ConstanteDlg"}));
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"

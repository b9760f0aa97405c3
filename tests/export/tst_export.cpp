// Export through the clipboard and the analysis program (the stand-in), the
// requests the analysis program sends back, and the data files with their
// error box.
#include "numtext.h"
#include "qtext.h"
#include "samplegraphs.h"
#include "scripteddialogs.h"
#include "separator.h"
#include "localescope.h"
#include "pagedialog.h"
#include "exportwindow.h"
#include "fileio.h"
#include "standin.h"
#include "xlsxfile.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocalSocket>
#include <QSettings>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace vandoral;

namespace {

// The export window with its dialog, waits recorded instead of slept.
struct Exporter {
    Exporter() : dde(&constante)
    {
        dde.Wait = [this](int ms) { waits << ms; };
        dde.ServiceApplication = QStringLiteral("/nonexistent/tabvista");
        constante.EditComm->setText(QString::fromUtf8("essai à 20 °C"));
    }
    ScriptedDialogs dialogs;
    TDataSeries data = DataOf(SampleSpectrum());
    BlockStyle style = StyleOf(SampleSpectrum());
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
    void workbooks_data();
    void workbooks();
    void workbookThatCannotBeWritten_data();
    void workbookThatCannotBeWritten();
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
    e.dde.ExportSpectre(e.data, e.style, false);
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
    QSignalSpy read(&tabvista, &TabvistaStandin::blockRead);
    Exporter e;
    QElapsedTimer t;
    t.start();
    e.dde.ExportSpectre(e.data, e.style, true);
    QCOMPARE(tabvista.macros, QStringList{"CLIP|LOAD()"});
    QCOMPARE(e.constante.NewPage(), 1);
    // The analysis program read the same bytes, lambda's 0x88 included, and
    // hands them to its log.
    QCOMPARE(tabvista.blocks.size(), std::size_t(1));
    QCOMPARE(tabvista.blocks[0], e.dde.LastBlock);
    QCOMPARE(read.count(), 1);
    QCOMPARE(read.at(0).at(0).toByteArray(), QByteArray::fromStdString(e.dde.LastBlock));
    const QStringList lines = Lines(e.dde.LastBlock);
    QCOMPARE(lines[0], QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    QCOMPARE(ToCp(lines[3]), std::string("\x88\tA"));

    e.dde.ExportCinetique(e.data, e.style, true);
    QCOMPARE(tabvista.macros, (QStringList{"CLIP|LOAD()", "CLIP|ADD()"}));
    e.constante.SetNewPage(0); // "Nouveau fichier" again, as a mode selection does
    e.dde.ExportBeer(e.data, e.style, true);
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
    // Twice: a refused send does not use up the first send's "CLIP|LOAD()".
    QVERIFY(!e.dde.ExportSpectre(e.data, e.style, true));
    QVERIFY(!e.dde.ExportSpectre(e.data, e.style, true));
    QCOMPARE(e.dialogs.asked, (QStringList{QString::fromUtf8("message:CLIP|LOAD() non exécuté\nLes données sont "
                                                             "dans le presse-papiers."),
                                           QString::fromUtf8("message:CLIP|LOAD() non exécuté\nLes données sont "
                                                             "dans le presse-papiers.")}));
    // A send that failed does not use up the choice of a new file.
    QCOMPARE(e.constante.NewPage(), 0);
    QCOMPARE(ToCp(QGuiApplication::clipboard()->text()), e.dde.LastBlock);
}

void TestExport::noAnalysisProgram()
{
    Exporter e; // nothing listens and the command cannot start
    QVERIFY(!e.dde.ExportSpectre(e.data, e.style, true));
    QCOMPARE(e.dialogs.asked,
             QStringList{QString::fromUtf8("message:Impossible de lancer Tabvista\nLes données sont dans le presse-papiers.")});
    QCOMPARE(e.waits, QList<int>{1000}); // the retry's wait; no start, so no 2000 ms
    QVERIFY(!e.dde.LastBlock.empty());
    QCOMPARE(ToCp(QGuiApplication::clipboard()->text()), e.dde.LastBlock); // the data stay there
    QCOMPARE(e.constante.NewPage(), 0);
}

void TestExport::analysisProgramIsStarted()
{
    QVERIFY(!TabvistaRunning());
    Exporter e;
    const QString log = runtime_.filePath("tabvista.log");
    // The registered path is one program path, in a folder with a blank: it
    // starts the stand-in with its options.
    const QString folder = runtime_.filePath("Program Files/Tabvista");
    QVERIFY(QDir().mkpath(folder));
    QFile script(folder + "/tabvista");
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nexec \"%1/tabvista\" --log \"%2\" --exit-after 15\n")
                     .arg(qEnvironmentVariable("VANDORAL_BIN"), log)
                     .toUtf8());
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    e.dde.ServiceApplication = script.fileName();
    e.dde.Wait = [&](int ms) {
        e.waits << ms;
        QThread::msleep(ulong(ms));
    };
    e.dde.ExportSpectre(e.data, e.style, true);
    QCOMPARE(e.waits, QList<int>{2000});
    QVERIFY(e.dialogs.asked.isEmpty());
    // The log shows each macro and the block it read. (Each offscreen
    // process has a clipboard of its own: the block's bytes are compared in
    // firstSendLoadsThenAdds, with the stand-in in this process.)
    const QRegularExpression logged("^CLIP\\|LOAD\\(\\)\n--- block \\(\\d+ bytes\\)\n(.|\n)*--- end\n$");
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(logged.match(QString::fromLatin1(f.readAll())).hasMatch());
    QVERIFY(TabvistaRunning());
    // Running now: the next send starts nothing.
    e.waits.clear();
    e.dde.ExportSpectre(e.data, e.style, true);
    QVERIFY(e.waits.isEmpty());
    f.seek(0);
    QCOMPARE(f.readAll().count("CLIP|ADD()\n--- block ("), 1);
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
    QTemporaryDir tmp;
    // A French user's folders: the names reach the file system as they are.
    const QString dir = tmp.filePath(QString::fromUtf8("Données été"));
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(e.dde.SauveSpectre(e.data, dir + QString::fromUtf8("/mesure_été"), CsvFilter));
    QFile f(dir + QString::fromUtf8("/mesure_été.CSV"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readLine(), QString::fromUtf8("essai à 20 °C\n").toLatin1()); // contents stay Windows-1252
    QVERIFY(e.dialogs.asked.isEmpty());
    QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{QString::fromUtf8("mesure_été.CSV")});

    // The folder is a regular file: an error box naming the user's file (not
    // the temporary one) and the reason, in French; false.
    const QString target = dir + QString::fromUtf8("/mesure_été.CSV/b");
    QVERIFY(!e.dde.SauveBeer(e.data, target, TextFilter));
    QCOMPARE(e.dialogs.asked,
             QStringList{QString::fromUtf8("error:Impossible d'enregistrer le fichier %1.TXT : "
                                           "un élément du chemin n'est pas un dossier")
                             .arg(QDir::toNativeSeparators(target))});
}

namespace {

// A member of a workbook (a zip file), read with unzip.
QString Member(const QString &book, const QString &member)
{
    QProcess p;
    p.start("unzip", {"-p", book, member});
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

void TestExport::workbooks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("locale");
    QTest::newRow("the workbook filter adds .xlsx") << "mesure" << int(XlsxFilter) << "mesure.xlsx" << "C";
    QTest::newRow("a name ending in .XLSX, any filter") << "Mesure.XLSX" << int(TextFilter) << "Mesure.XLSX" << "C";
    QTest::newRow("mixed case") << "m.XlSx" << int(CsvFilter) << "m.XlSx" << "C";
    // printf follows the user's locale, which writes "0,523".
    QTest::newRow("a French user") << "mesure" << int(XlsxFilter) << "mesure.xlsx" << "fr_FR.UTF-8";
}

void TestExport::workbooks()
{
    QFETCH(QString, name);
    QFETCH(int, filter);
    QFETCH(QString, written);
    QFETCH(QString, locale);
    if (QStandardPaths::findExecutable("unzip").isEmpty())
        QSKIP("unzip is not installed");
    LocaleScope user(locale.toLatin1().constData());
    QVERIFY2(user.ok(), qPrintable(locale + " is not installed (scripts/test.sh generates it)"));
    Exporter e;
    SeparatorScope comma(','); // whatever the locale, numbers stay numbers
    e.data.A[1] = MissingValue;
    QTemporaryDir tmp;
    QVERIFY(e.dde.SauveSpectre(e.data, tmp.filePath(name), filter));
    const QString book = tmp.filePath(written);
    QVERIFY(QFile::exists(book));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files), QStringList{written}); // no temporary left
    const QString sheet = Member(book, "xl/worksheets/sheet1.xml");
    const QString strings = Member(book, "xl/sharedStrings.xml");
    // The texts of the text file's lines as text cells.
    for (const char *text : {"Lambda", "nm", "Longueur d'onde"})
        QVERIFY2(strings.contains(QString(">%1<").arg(text)), qPrintable(strings));
    QVERIFY(strings.contains(QString::fromUtf8("essai à 20 °C"))); // the comment, in UTF-8
    // Values as numbers (the measured value, not its text), the missing one
    // as no cell at all, absorbances with three decimals.
    QVERIFY2(sheet.contains(QRegularExpression("<c r=\"A5\"[^>]*><v>512</v></c>")), qPrintable(sheet));
    QVERIFY(sheet.contains(QRegularExpression("<c r=\"B5\" s=\"(\\d+)\"><v>0.523</v></c>")));
    QVERIFY(sheet.contains(QRegularExpression("<c r=\"A6\"[^>]*><v>513</v></c>")));
    QVERIFY(!sheet.contains("r=\"B6\""));
    QVERIFY(sheet.contains(QRegularExpression("<c r=\"B7\" s=\"\\d+\"><v>-0.012</v></c>")));
    // No decimal comma anywhere in the sheet's numbers, its column widths
    // included.
    QVERIFY2(!sheet.contains(QRegularExpression("<v>[^<]*,")), qPrintable(sheet));
    QVERIFY2(!sheet.contains(QRegularExpression("width=\"[0-9]+,")), qPrintable(sheet));
    QVERIFY(Member(book, "xl/styles.xml").contains("formatCode=\"0.000\""));
    QVERIFY(e.dialogs.asked.isEmpty());
}

void TestExport::workbookThatCannotBeWritten_data()
{
    QTest::addColumn<bool>("libraryMissing");
    QTest::addColumn<QString>("reason");
    QTest::newRow("the file cannot replace the old one") << false << QString();
    // Loaded when first needed: a library that cannot be loaded is a
    // message, not a crash, and a later workbook tries again.
    QTest::newRow("the workbook library cannot be loaded")
        << true << QString::fromUtf8("la bibliothèque des classeurs (libvandoral-absente.so.9) ne peut pas être chargée");
}

void TestExport::workbookThatCannotBeWritten()
{
    // The old file stays when the new one cannot be written, and the box
    // says why in French.
    QFETCH(bool, libraryMissing);
    QFETCH(QString, reason);
    Exporter e;
    QTemporaryDir tmp;
    const QString book = tmp.filePath("mesure.xlsx");
    {
        QFile old(book);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    if (libraryMissing)
        SetWorkbookLibrary(QStringLiteral("libvandoral-absente.so.9"));
    else
        InjectWriteFailure(100); // the next replacement only
    QVERIFY(!e.dde.SauveSpectre(e.data, book, XlsxFilter));
    SetWorkbookLibrary(QString());
    QFile old(book);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old"));
    QCOMPARE(e.dialogs.asked.size(), 1);
    QVERIFY2(e.dialogs.asked[0].startsWith(QString::fromUtf8("error:Impossible d'enregistrer le fichier %1 : ")
                                               .arg(QDir::toNativeSeparators(book))),
             qPrintable(e.dialogs.asked[0]));
    QVERIFY2(e.dialogs.asked[0].contains(reason), qPrintable(e.dialogs.asked[0]));
    QCOMPARE(QDir(tmp.path()).entryList(QDir::Files), QStringList{"mesure.xlsx"});
    if (libraryMissing) {
        QVERIFY(e.dde.SauveSpectre(e.data, book, XlsxFilter));
        QVERIFY(QFileInfo(book).size() > 1000);
    }
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

// The spectrum window against the simulated instrument on a pseudo-terminal:
// blank and scan by the space bar, the live curve and the colour band on the
// backing image, the scales, the cross-hair readout, saving and the closing
// question, printing, faults in the middle of a scan, and the window state.
#include "analysistext.h"
#include "graphbox.h"
#include "pagedialog.h"
#include "pdftext.h"
#include "printgraph.h"
#include "inifile.h"
#include "kineticswindow.h"
#include "modebench.h"
#include "qtcanvas.h"
#include "numtext.h"
#include "pinnedfont.h"
#include "qtserialline.h"
#include "separator.h"
#include "tracewindow.h"
#include "fileio.h"
#include "journal.h"
#include "modejournal.h"
#include "standin.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QXmlStreamReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QToolButton>

#include <set>

using namespace vandoral;
using vandoral::sim::SimOptions;

namespace {

// Shows the window at a known size; its activation runs.
void Show(TTraceSpectre &w)
{
    w.setWindowState(Qt::WindowNoState);
    w.setGeometry(20, 30, 900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_VERIFY(!w.Label1->text().isEmpty());
    QCoreApplication::processEvents();
}

// Blank, then a scan, through the space bar; waits for both.
void BlankAndScan(ModeBench &b, TTraceSpectre &w)
{
    QTest::keyClick(&w, Qt::Key_Space);
    QVERIFY(b.spectro->Busy);
    QVERIFY(b.WaitIdle());
    QVERIFY(w.Session.BlancFait);
    QTest::keyClick(&w, Qt::Key_Space);
    QVERIFY(b.spectro->Busy);
    QVERIFY(b.WaitIdle());
}

QPoint Pixel(const Tgraphe &g, double x, double y)
{
    int px, py;
    g.WorldToPixel(x, y, px, py);
    return {px, py};
}

bool IsCurveBlue(QRgb c)
{
    return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60;
}

// A small spectrum without the instrument, for the readout and the scales.
void Fill(TTraceSpectre &w, const QList<double> &values, int first = 530)
{
    w.Session.Spectrum.Clear();
    for (int i = 0; i < values.size(); ++i)
        w.Session.Spectrum.Append(first + i, values[i]);
    w.ActualiseBoutons();
}

// The lines of a block that carry a wavelength and a value.
int DataLines(const std::string &block)
{
    static const QRegularExpression data("^\\d+([.,]\\d+)?\t");
    int n = 0;
    for (const QString &line : QString::fromLatin1(block.c_str()).split("\r\n"))
        n += data.match(line).hasMatch();
    return n;
}

} // namespace

class TestTrace : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void spaceBarBlankThenScan();
    void refusedBlankIsAskedAgain_data();
    void refusedBlankIsAskedAgain();
    void wideModelGives911Points();
    void valueAboveTheTopRaisesIt();
    void autoScale_data();
    void autoScale();
    void crossHairReadout_data();
    void crossHairReadout();
    void missingValueBreaksTheLine();
    void saving_data();
    void saving();
    void closingQuestions();
    void journalOfASpectrum();
    void failedHandOverStaysUnsaved();
    void secondSaveWithoutExtensionAsks();
    void faultsMidScan_data();
    void faultsMidScan();
    void refusedRequestLeavesTheWindow();
    void kineticsWindowOpenedDuringATextScan();
    void valuesPastTheGraphAreCut();
    void printing();
    void peaksOfAMeasuredSpectrum();
    void referencesUnderTheLiveSpectrum();
    void printedPageCarriesTheFigures();
    void toolBarFitsA1024PixelScreen();
    void windowStateSurvivesARestart();
    void aSpectrumCutByALossThenAnother();
    void aDeviceGoneAndBackUnderItsName();
    void aSavedSpectrumOpenedBack();
    void thePageAndThePlotLeaveAsFiles();
};

void TestTrace::initTestCase()
{
    QVERIFY(PinTestFont());
}

void TestTrace::spaceBarBlankThenScan()
{
    ModeBench b;
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    QVERIFY(!w.SpectreBtn->isEnabled());
    QVERIFY(w.BlancBtn->isEnabled());
    QVERIFY(w.Label1->text().startsWith("Faire d'abord le blanc"));
    BlankAndScan(b, w);
    QCOMPARE(b.sim->Commands(), (std::vector<std::string>{"SETREF", "SCANTXT"}));
    QCOMPARE(w.Label1->text(), QString::fromUtf8("Insérez l'échantillon et cliquez sur le bouton \"Spectre\""));
    QCOMPARE(int(w.Session.Spectrum.Count()), 471);
    for (int i = 0; i < 471; ++i)
        QCOMPARE(w.Session.Spectrum.X[i], 330.0 + i);
    QVERIFY(w.RegSaveBtn->isEnabled() && w.PrintBtn->isEnabled() && w.ReticuleBtn->isEnabled());
    QVERIFY(w.Label3->isHidden());
    QVERIFY(!w.Session.Sauve);

    // The curve on the backing image, drawn point by point.
    const QImage &img = w.PaintBox->Image();
    int blue = 0;
    for (int i : {50, 215, 400}) {
        const QPoint p = Pixel(w.Session.Graphe, w.Session.Spectrum.X[i], w.Session.Spectrum.A[i]);
        blue += IsCurveBlue(img.pixel(p));
    }
    QCOMPARE(blue, 3);
    // The band: black in the ultraviolet, green under 530 nm, red under 700,
    // each column under its wavelength.
    const QImage band = w.CouleursPB->grab().toImage();
    auto bandAt = [&](double nm) { return band.pixel(Pixel(w.Session.Graphe, nm, 0).x(), band.height() / 2); };
    QCOMPARE(bandAt(340), qRgb(0, 0, 0));
    QVERIFY(qGreen(bandAt(530)) > 200 && qBlue(bandAt(530)) == 0);
    QVERIFY(qRed(bandAt(700)) > 200 && qGreen(bandAt(700)) == 0);
    QCOMPARE(w.CouleursPB->width(), w.PaintBox->width());
}

void TestTrace::refusedBlankIsAskedAgain_data()
{
    RefusedBlankRows();
}

void TestTrace::refusedBlankIsAskedAgain()
{
    QFETCH(QString, status);
    QFETCH(QString, message);
    ModeBench b([&](SimOptions &o) { o.errors["SETREF"] = {status.toStdString(), 1}; });
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    w.BlancBtn->click();
    QVERIFY(b.WaitIdle());
    // No reference was taken: no scan, and the banner says why and what to do.
    QVERIFY(!w.Session.BlancFait);
    QVERIFY(!w.SpectreBtn->isEnabled());
    QCOMPARE(w.StatusText(), message);
    QVERIFY(w.Label1->text().contains(message));
    QVERIFY(w.Label1->text().contains(QStringLiteral("\"Blanc\"")));
    // The space bar takes the blank again, which the instrument now does.
    QTest::keyClick(&w, Qt::Key_Space);
    QVERIFY(b.WaitIdle());
    QCOMPARE(b.sim->CountOf("SETREF"), 2);
    QVERIFY(w.Session.BlancFait);
    QVERIFY(w.SpectreBtn->isEnabled());
    QVERIFY(w.Label1->text().startsWith(QString::fromUtf8("Insérez l'échantillon")));
}

void TestTrace::wideModelGives911Points()
{
    ModeBench b([](SimOptions &o) {
        o.modelCode = "6022";
        o.lambdaMin = 190;
        o.lambdaMax = 1100;
    });
    QVERIFY(b.started);
    QCOMPARE(b.spectro->LambdaMin, 190);
    TTraceSpectre w; // created before the identification would change nothing: activation applies it
    b.Attach(w);
    Show(w);
    QCOMPARE(w.Session.Graphe.WorldX.Min, 190.0);
    QCOMPARE(w.Session.Graphe.WorldX.Max, 1100.0);
    BlankAndScan(b, w);
    QCOMPARE(int(w.Session.Spectrum.Count()), 911);
    QCOMPARE(w.Session.Spectrum.X[910], 1100.0);
    QCOMPARE(w.Session.Graphe.WorldY.Max, 3.0); // the model's AbsMax
}

void TestTrace::valueAboveTheTopRaisesIt()
{
    ModeBench b;
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    w.Session.Graphe.WorldY.Max = 2.0;
    w.Session.ValeurRecue(330, 1.0);
    w.Session.ValeurRecue(331, 1.2);
    w.Session.ValeurRecue(332, 2.3);
    QCOMPARE(w.Session.Graphe.WorldY.Max, 2.415);
    // Redrawn whole at the new scale: an earlier value sits where it now maps.
    const QPoint p = Pixel(w.Session.Graphe, 331, 1.2);
    QVERIFY(IsCurveBlue(w.PaintBox->Image().pixel(p)));
    w.Session.ValeurRecue(333, MissingValue); // never raises the top
    QCOMPARE(w.Session.Graphe.WorldY.Max, 2.415);
}

void TestTrace::autoScale_data()
{
    QTest::addColumn<double>("largest");
    QTest::addColumn<double>("top");
    QTest::newRow("small spectrum: at least 0.2") << 0.1 << 0.2;
    QTest::newRow("1.05 times the largest") << 1.0 << 1.05;
    QTest::newRow("never above AbsMax") << 3.0 << 2.5;
}

void TestTrace::autoScale()
{
    QFETCH(double, largest);
    ModeBench b;
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    Fill(w, {0.05, largest, 0.02});
    w.ZoomBtn->click();
    QTEST(w.Session.Graphe.WorldY.Max, "top");
    QCOMPARE(w.Session.Graphe.WorldX.Min, 330.0);
    // Released: the instrument's full range again.
    w.Session.Graphe.WorldX.Min = 500;
    w.ZoomBtn->click();
    QCOMPARE(w.Session.Graphe.WorldY.Max, 2.5);
    QCOMPARE(w.Session.Graphe.WorldX.Min, 330.0);
    QCOMPARE(w.Session.Graphe.WorldX.Max, 800.0);
    // Re-activation drops an automatic scale too.
    w.ZoomBtn->click();
    w.hide();
    w.show();
    QTRY_VERIFY(!w.ZoomBtn->isChecked());
    QCOMPARE(w.Session.Graphe.WorldY.Max, 2.5);
}

void TestTrace::crossHairReadout_data()
{
    QTest::addColumn<char>("sep");
    QTest::newRow("comma") << ',';
    QTest::newRow("point") << '.';
}

void TestTrace::crossHairReadout()
{
    QFETCH(char, sep);
    SeparatorScope scope(sep);
    ModeBench b;
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    Fill(w, {0.40, 0.42, 0.450, 0.462, 0.47, 0.48});
    // A narrow world: a pixel is a small fraction of a nanometre.
    w.Session.Graphe.SetWorld(529, -0.5, 536, 1.0);
    w.RepaintGraph();
    const QImage before = w.PaintBox->Image();
    w.ReticuleBtn->click();
    QVERIFY(w.ReticuleBtn->isChecked());
    const QString s(QChar::fromLatin1(sep));

    // Between two wavelengths: the straight line between their values.
    QPoint p = Pixel(w.Session.Graphe, 532.5, 0.9);
    w.PaintBoxMouseMove(p.x(), p.y());
    QCOMPARE(w.Label4->text(), "Lambda=532 nm ; A= 0" + s + "456"); // 532.5 rounds to even
    // The cross-hair's horizontal line sits on the curve, not on the mouse.
    QCOMPARE(w.Session.Graphe.CursorY, Pixel(w.Session.Graphe, 532.5, 0.456).y());

    // Left of the first wavelength: the value under the mouse.
    p = Pixel(w.Session.Graphe, 529.5, -0.2);
    w.PaintBoxMouseMove(p.x(), p.y());
    double lambda, a;
    w.Session.Graphe.PixelToWorld(p.x(), p.y(), lambda, a);
    QVERIFY(a < 0);
    QCOMPARE(w.Label4->text(), QString("Lambda=%1 nm ; A= %2").arg(std::nearbyint(lambda)).arg(FromCp(FormatAbs(a))));
    QCOMPARE(w.Session.Graphe.CursorY, p.y());

    // Leaving the box empties the readout; the cross-hair stays.
    w.PaintBoxMouseLeave();
    QVERIFY(w.Label4->text().isEmpty());
    // Released: every pixel back as it was.
    w.ReticuleBtn->click();
    QCOMPARE(w.PaintBox->Image(), before);
}

void TestTrace::missingValueBreaksTheLine()
{
    ModeBench b([](SimOptions &o) { o.unreadableAt = 200; });
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    BlankAndScan(b, w);
    QCOMPARE(int(w.Session.Spectrum.Count()), 471);
    QCOMPARE(w.Session.Spectrum.A[200], MissingValue);
    QCOMPARE(w.Session.Spectrum.X[201], 531.0);
    // No spike: nothing blue in the upper part of the plot.
    const QImage &img = w.PaintBox->Image();
    const int x = Pixel(w.Session.Graphe, 530, 0).x();
    const int top = w.Session.Graphe.PlotRect.Top + 2, limit = Pixel(w.Session.Graphe, 0, 2.0).y();
    for (int y = top; y < limit; ++y)
        QVERIFY2(!IsCurveBlue(img.pixel(x, y)), qPrintable(QString::number(y)));
    // Nor after a full repaint (Auto, a resize, an activation).
    w.RepaintGraph();
    const QImage &again = w.PaintBox->Image();
    for (int y = top; y < limit; ++y)
        QVERIFY2(!IsCurveBlue(again.pixel(x, y)), qPrintable(QString::number(y)));
    // The file keeps the wavelength's row with an empty value.
    b.dialogs.saveName = b.dir.filePath("manque");
    w.FileM->trigger();
    QFile f(b.dir.filePath("manque.TXT"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    const QList<QByteArray> lines = data.split('\n');
    QVERIFY(QRegularExpression("^530[.,]0\t\r$").match(QString::fromLatin1(lines.value(4 + 200))).hasMatch());
    QVERIFY(!data.contains("1E-0026"));
    // The readout says there is no value there.
    w.ReticuleBtn->click();
    const QPoint p = Pixel(w.Session.Graphe, 530, 1.0);
    w.PaintBoxMouseMove(p.x(), p.y());
    QVERIFY2(w.Label4->text().endsWith("A= ?"), qPrintable(w.Label4->text()));
}

void TestTrace::saving_data()
{
    QTest::addColumn<int>("tag");
    QTest::newRow("to the analysis program") << 0;
    QTest::newRow("to the clipboard") << 1;
    QTest::newRow("to a file") << 2;
}

void TestTrace::saving()
{
    QFETCH(int, tag);
    ModeBench b;
    QVERIFY(b.started);
    TabvistaStandin tabvista;
    QVERIFY(tabvista.Start());
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    BlankAndScan(b, w);
    QVERIFY(!w.Session.Sauve);
    b.dialogs.answers = {true};                        // the page dialog's OK
    b.dialogs.saveName = b.dir.filePath("mesure");     // the save dialog's name
    QAction *items[] = {w.TabvistaM, w.ClipM, w.FileM};
    items[tag]->trigger(); // checked, and the save runs at once
    QVERIFY(w.Session.Sauve);
    const char *captions[] = {"Tabvista", "Copier", "Sauver"};
    QCOMPARE(w.RegSaveBtn->text(), QString(captions[tag]));
    if (tag == 0) {
        QCOMPARE(tabvista.macros, QStringList{"CLIP|LOAD()"});
        QCOMPARE(b.constante->NewPage(), 1);
    } else if (tag == 2) {
        QFile f(b.dir.filePath("mesure.TXT"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count("\r\n"), 4 + 471);
    }
    // Saved: closing asks nothing.
    b.dialogs.asked.clear();
    QVERIFY(w.close());
    QVERIFY(!b.dialogs.asked.contains("question:Sauvegarde ?"));
}

void TestTrace::closingQuestions()
{
    ModeBench b([](SimOptions &o) { o.charMicros = 1e6 / 960.0 / 8; }); // a scan takes ~0.5 s
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    w.BlancBtn->click();
    QVERIFY(b.WaitIdle());
    w.SpectreBtn->click();
    QTRY_VERIFY(w.Session.Spectrum.Count() > 0);
    // During the scan: refused, nothing asked, and the connect button waits too.
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    QVERIFY(b.dialogs.asked.isEmpty());
    QVERIFY(!w.ConnectBtn->isEnabled());
    QVERIFY(b.WaitIdle());
    QVERIFY(w.ConnectBtn->isEnabled());
    // Unsaved spectrum: asked once; "no" closes.
    QVERIFY(w.close());
    QCOMPARE(b.dialogs.asked, QStringList{"question:Sauvegarde ?"});
    QVERIFY(!w.isVisible());
}

void TestTrace::journalOfASpectrum()
{
    ModeBench b([](SimOptions &o) { o.unreadableAt = 10; });
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    BlankAndScan(b, w);
    std::string bytes;
    QCOMPARE(ReadWholeFile(ToPath(w.JournalPath()), bytes), FileState::Read);
    TTraceSession back(*b.spectro, b.spectro.get());
    QVERIFY(RestoreSpectrum(ParseJournal(bytes), back));
    QCOMPARE(int(back.Spectrum.Count()), 471);
    QCOMPARE(back.Spectrum.A[10], MissingValue);
    QCOMPARE(back.Spectrum.A[300], w.Session.Spectrum.A[300]);
    // A new blank or scan over the unsaved spectrum asks first: "Non" keeps
    // it, its journal and the instrument untouched.
    const QString asked = QString::fromUtf8("question:Le spectre n'est pas enregistré. L'effacer ?");
    const int setrefs = b.sim->CountOf("SETREF"), scans = b.sim->CountOf("SCANTXT");
    b.dialogs.asked.clear();
    b.dialogs.answers = {false, false};
    w.BlancBtnClick();
    w.SpectreBtnClick();
    QTest::keyClick(&w, Qt::Key_Space); // the space bar's scan, the same way
    QCOMPARE(b.dialogs.asked, (QStringList{asked, asked, asked}));
    QVERIFY(b.WaitIdle());
    QCOMPARE(b.sim->CountOf("SETREF"), setrefs);
    QCOMPARE(b.sim->CountOf("SCANTXT"), scans);
    QCOMPARE(w.Session.Spectrum.Count(), 471);
    QVERIFY(QFile::exists(w.JournalPath()));
    // "Oui": the spectrum and its journal are discarded knowingly.
    b.dialogs.answers = {true};
    w.BlancBtnClick();
    QVERIFY(b.WaitIdle());
    QCOMPARE(w.Session.Spectrum.Count(), 0);
    QVERIFY(!QFile::exists(w.JournalPath()));
    // A saved spectrum is replaced without a question.
    w.SpectreBtnClick();
    QVERIFY(b.WaitIdle());
    w.Session.Sauve = true;
    b.dialogs.asked.clear();
    w.SpectreBtnClick();
    QVERIFY(b.WaitIdle());
    QVERIFY(b.dialogs.asked.isEmpty());
}

void TestTrace::failedHandOverStaysUnsaved()
{
    ModeBench b; // no analysis program: nothing listens, none can start
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    BlankAndScan(b, w);
    b.dialogs.asked.clear();
    b.dialogs.answers = {true}; // the page dialog's OK
    w.TabvistaM->trigger();
    QVERIFY(b.dialogs.asked.contains(
        QString::fromUtf8("message:Impossible de lancer Tabvista\nLes données sont dans le presse-papiers.")));
    QVERIFY(!w.Session.Sauve);
    QCOMPARE(b.constante->NewPage(), 0); // the next send still loads a new file
    // Closing asks, since nothing was handed over ("Non" closes).
    b.dialogs.asked.clear();
    b.dialogs.answers = {false};
    QVERIFY(w.close());
    QCOMPARE(b.dialogs.asked, QStringList{"question:Sauvegarde ?"});
}

void TestTrace::secondSaveWithoutExtensionAsks()
{
    ModeBench b;
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    BlankAndScan(b, w);
    b.dialogs.saveName = b.dir.filePath("spectre");
    w.FileM->trigger();
    const QString file = b.dir.filePath("spectre.TXT");
    QVERIFY(QFile::exists(file));
    // The same name again: the file written would be spectre.TXT, which the
    // dialog did not see. "Non" writes nothing.
    QFile mark(file);
    QVERIFY(mark.open(QIODevice::WriteOnly));
    mark.write("old\r\n");
    mark.close();
    w.Session.Sauve = false;
    b.dialogs.asked.clear();
    b.dialogs.answers = {false};
    w.RegSaveBtnClick();
    QCOMPARE(b.dialogs.asked.filter("question:"),
             QStringList{QString::fromUtf8("question:Le fichier %1 existe déjà. Le remplacer ?")
                             .arg(QDir::toNativeSeparators(file))});
    QVERIFY(!w.Session.Sauve);
    QVERIFY(mark.open(QIODevice::ReadOnly));
    QCOMPARE(mark.readAll(), QByteArray("old\r\n"));
    mark.close();
    // "Oui" replaces it.
    b.dialogs.answers = {true};
    w.RegSaveBtnClick();
    QVERIFY(w.Session.Sauve);
    QVERIFY(mark.open(QIODevice::ReadOnly));
    QCOMPARE(mark.readAll().count("\r\n"), 4 + 471);
}

void TestTrace::faultsMidScan_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("binary");
    QTest::addColumn<int>("points");
    QTest::newRow("device vanishes") << "vanish" << false << -1; // some of the first 100
    QTest::newRow("scan cut, no status") << "cut" << false << 100;
    QTest::newRow("unreadable text value") << "unreadable" << false << 471;
    QTest::newRow("unreadable hexadecimal value") << "unreadable" << true << 471;
    QTest::newRow("SCANTXT never answered") << "silent" << false << 0;
    QTest::newRow("SCANBIN never answered") << "silent" << true << 0;
}

void TestTrace::faultsMidScan()
{
    QFETCH(QString, fault);
    QFETCH(bool, binary);
    QFETCH(int, points);
    ModeBench b([&](SimOptions &o) {
        if (fault == "vanish")
            o.vanishAfter = 100;
        if (fault == "cut")
            o.cutAfter = 100;
        if (fault == "unreadable")
            o.unreadableAt = 10;
        if (fault == "silent")
            o.silent.insert(binary ? "SCANBIN" : "SCANTXT");
    });
    QVERIFY(b.started);
    b.spectro->SilenceMs = 500; // 30 s in the program
    b.spectro->BinaryScan = binary;
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    w.BlancBtn->click();
    QVERIFY(b.WaitIdle());
    w.SpectreBtn->click();
    QVERIFY(b.WaitIdle(5000));
    if (points < 0) {
        QVERIFY(w.Session.Spectrum.Count() <= 100); // what arrived before the line went
        points = w.Session.Spectrum.Count();
    }
    QCOMPARE(int(w.Session.Spectrum.Count()), points);
    if (fault == "unreadable") {
        QCOMPARE(w.Session.Spectrum.A[10], MissingValue);
        QVERIFY(w.StatusText().isEmpty());
    } else {
        QCOMPARE(w.StatusText(), QString::fromUtf8("Le spectro ne répond plus"));
    }
    // The window is usable: the points stay, can be saved, and it closes.
    QVERIFY(w.Label3->isHidden());
    QCOMPARE(w.RegSaveBtn->isEnabled(), points > 0);
    // A line gone too: a blank looks for the instrument again by itself.
    QVERIFY(w.BlancBtn->isEnabled());
    if (points > 0) {
        w.ClipM->trigger();
        QVERIFY(w.Session.Sauve);
        QCOMPARE(DataLines(b.dde->LastBlock), points);
    }
    QVERIFY(w.close());
}

void TestTrace::refusedRequestLeavesTheWindow()
{
    ModeBench b([](SimOptions &o) { o.cutAfter = 5; });
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    w.BlancBtnClick();
    QVERIFY(b.WaitIdle());
    Fill(w, {0.1, 0.2, 0.3});
    w.Session.Sauve = true; // replaced without a question, were the instrument free
    // Another window's scan is under way (it stays busy: no status line).
    QVERIFY(b.spectro->Scan([](std::int32_t, double) {}, [] {}));
    w.SpectreBtnClick();
    QCOMPARE(int(w.Session.Spectrum.Count()), 3); // the spectrum shown is kept
    QCOMPARE(w.StatusText(), QString::fromUtf8("Le spectro est occupé : attendre la fin de la mesure en cours"));
    QVERIFY(w.Label3->isHidden());
    w.BlancBtnClick();
    QCOMPARE(int(w.Session.Spectrum.Count()), 3);
    QTRY_COMPARE(b.sim->CountOf("SCANTXT"), 1);
    QCOMPARE(b.sim->CountOf("SETREF"), 1);
}

void TestTrace::kineticsWindowOpenedDuringATextScan()
{
    ModeBench b([](SimOptions &o) { o.charMicros = 1e6 / 960.0 / 8; });
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    w.BlancBtnClick();
    QVERIFY(b.WaitIdle());
    w.SpectreBtnClick();
    QTRY_VERIFY(w.Session.Spectrum.Count() > 10);
    // The kinetics window's activation chooses the hexadecimal format.
    TCinetiqueForm kinetics;
    kinetics.IniName = b.ini;
    kinetics.show();
    QTRY_VERIFY(b.spectro->BinaryScan);
    QVERIFY(b.WaitIdle());
    QCOMPARE(int(w.Session.Spectrum.Count()), 471);
    QCOMPARE(w.Session.Spectrum.X[470], 800.0);
    QVERIFY(w.StatusText().isEmpty()); // the status line was recognised
    QCOMPARE(b.sim->Commands(), (std::vector<std::string>{"SETREF", "SCANTXT"}));
}

void TestTrace::valuesPastTheGraphAreCut()
{
    ModeBench b([](SimOptions &o) { o.extraValues = 1100; }); // 1571 values
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    BlankAndScan(b, w);
    QCOMPARE(int(w.Session.Spectrum.Count()), GraphCapacity);
    QCOMPARE(w.Session.Spectrum.X[GraphCapacity - 1], 330.0 + GraphCapacity - 1);
    QVERIFY(w.Session.Truncated());
    QCOMPARE(w.StatusText(), QString::fromUtf8("Spectre tronqué : seules les 1501 premières valeurs sont gardées"));
}

void TestTrace::printing()
{
    ModeBench b;
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    Fill(w, {0.2, 0.5, 0.9, 0.4});
    w.RepaintGraph();
    const TRect screen = w.Session.Graphe.Bounds;
    const TRect plot = w.Session.Graphe.PlotRect;
    b.dialogs.printFile = b.dir.filePath("spectre.pdf");
    w.PrintBtnClick();
    QCOMPARE(b.dialogs.asked, QStringList{"printer"}); // no confirmation
    QFile pdf(b.dialogs.printFile);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.readAll().startsWith("%PDF"));
    // The screen's geometry is back at once.
    QCOMPARE(w.Session.Graphe.Bounds.Right, screen.Right);
    QCOMPARE(w.Session.Graphe.Bounds.Bottom, screen.Bottom);
    QCOMPARE(w.Session.Graphe.PlotRect.Left, plot.Left);
    QCOMPARE(w.Session.Graphe.PlotRect.Bottom, plot.Bottom);
    // No printer: nothing printed, the error box comes from the seam.
    b.dialogs.printFile.clear();
    w.PrintBtnClick();
    QCOMPARE(w.Session.Graphe.Bounds.Right, screen.Right);
}

void TestTrace::peaksOfAMeasuredSpectrum()
{
    ModeBench b;
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    QVERIFY(w.PeaksLabel->text().isEmpty());
    BlankAndScan(b, w);
    // The simulator's dye, without its noise: the highest absorbance lies
    // where a plain search over its own formula finds it.
    vandoral::sim::SimEngine engine{SimOptions()};
    int top = 330;
    for (int l = 330; l <= 800; ++l)
        if (engine.Absorbance(l, 0) > engine.Absorbance(top, 0))
            top = l;
    const std::vector<Peak> peaks = w.Session.Peaks();
    QCOMPARE(int(peaks.size()), 1);
    QVERIFY2(std::fabs(peaks[0].Lambda - top) <= 2, qPrintable(QString("%1 against %2").arg(peaks[0].Lambda).arg(top)));
    const QString line = w.PeaksLabel->text();
    QVERIFY2(line.startsWith(QString::fromUtf8("λmax : %1 nm (A = ").arg(peaks[0].Lambda)), qPrintable(line));
    QVERIFY(line.contains(Formats().decimalSeparator == ',' ? ',' : '.'));
    // Marked on the plot: a black tick over the peak.
    const QPoint p = Pixel(w.Session.Graphe, peaks[0].Lambda, peaks[0].A);
    const QImage &img = w.PaintBox->Image();
    int black = 0;
    for (int y = p.y() - 3 * w.Session.Graphe.Margin; y < p.y() - w.Session.Graphe.Margin; ++y)
        black += img.pixel(p.x(), y) == qRgb(0, 0, 0);
    QVERIFY2(black >= w.Session.Graphe.Margin, qPrintable(QString::number(black)));
    // A new blank discards the spectrum and its peaks' line ("Oui" to
    // clearing it unsaved).
    b.dialogs.answers = {true};
    w.BlancBtnClick();
    QVERIFY(w.PeaksLabel->text().isEmpty());
    QVERIFY(b.WaitIdle());
}

void TestTrace::referencesUnderTheLiveSpectrum()
{
    ModeBench b;
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    // Nothing to keep yet; a file may be opened as a reference.
    QVERIFY(!w.KeepRefM->isEnabled() && !w.ClearRefM->isEnabled());
    QVERIFY(w.RefBtn->isEnabled() && w.OpenRefM->isEnabled());
    BlankAndScan(b, w);
    QVERIFY(w.KeepRefM->isEnabled());
    QVERIFY(!w.ClearRefM->isEnabled());
    b.constante->EditComm->setText(QStringLiteral("Témoin"));
    QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier); // "Garder comme référence"
    QCOMPARE(int(w.Session.References().size()), 1);
    QCOMPARE(QString::fromLatin1(w.Session.References()[0].Legend.c_str()), QString::fromLatin1("T\xE9moin"));
    const TColor muted = w.Session.References()[0].Color;
    // Another spectrum: the reference stays, drawn in its own colour where
    // the live curve is not.
    b.dialogs.answers = {true}; // the live spectrum was not saved
    w.BlancBtnClick();
    QVERIFY(b.WaitIdle());
    QCOMPARE(int(w.Session.Spectrum.Count()), 0);
    const Tgraphe &g = w.Session.Graphe;
    const auto &ref = w.Session.References()[0];
    const QPoint p = Pixel(g, ref.X[215], ref.Y[215]);
    const QColor want = ToQColor(muted);
    QCOMPARE(QColor(w.PaintBox->Image().pixel(p)), want);
    // Handing over concerns the current spectrum only.
    QTest::keyClick(&w, Qt::Key_Space);
    QVERIFY(b.WaitIdle());
    QCOMPARE(w.Session.Spectrum.Count(), 471);
    b.dialogs.answers = {true};
    w.ClipM->trigger();
    QCOMPARE(DataLines(QApplication::clipboard()->text().toStdString()), 471);
    // Eight at most, then a message; cleared in one go.
    for (int i = 1; i < 8; ++i)
        w.KeepRefM->trigger();
    QCOMPARE(int(w.Session.References().size()), 8);
    QVERIFY(!w.KeepRefM->isEnabled());
    QCOMPARE(w.Session.KeepReference("x"), TTraceSession::Keep::Full);
    std::set<TColor> colours;
    for (const auto &r : w.Session.References())
        colours.insert(r.Color);
    QCOMPARE(int(colours.size()), 8);
    QVERIFY(w.ClearRefM->isEnabled());
    w.ClearRefM->trigger();
    QVERIFY(w.Session.References().empty());
    QVERIFY(!w.ClearRefM->isEnabled());
}

void TestTrace::printedPageCarriesTheFigures()
{
    ModeBench b;
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    BlankAndScan(b, w);
    w.KeepRefM->trigger();
    // On a 300 dpi page: the curve at least 0.35 mm thick, the grid lighter.
    QImage page(3300, 2550, QImage::Format_RGB32);
    {
        QPainter painter(&page);
        PageReport report;
        report.Caption = w.windowTitle();
        report.Model = QStringLiteral("Vandoral 6004");
        report.When = QStringLiteral("10/12/2026 14:05");
        report.Lines = {PeaksLine(w.Session.Peaks())};
        report.Overlay = [&w] { w.Session.DrawPeaks(); };
        report.SpectrumPage = true;
        DrawReportPage(w.Session.Graphe, painter, page.rect(), 300, report);
    }
    const Tgraphe &g = w.Session.Graphe;
    const QPoint p = Pixel(g, w.Session.Spectrum.X[100], w.Session.Spectrum.A[100]);
    int thick = 0;
    for (int y = p.y() - 20; y <= p.y() + 20; ++y)
        thick += IsCurveBlue(page.pixel(p.x(), y));
    QVERIFY2(thick >= std::ceil(0.35 * 300 / 25.4), qPrintable(QString::number(thick)));
    QCOMPARE(g.CurvePen, 1); // the screen's pen again
    const int gx = g.WorldX.ToPixel(g.WorldX.FirstTick + g.WorldX.Step);
    int gridDots = 0;
    for (int y = g.PlotRect.Top + 1; y < g.PlotRect.Bottom; ++y) {
        const QRgb c = page.pixel(gx, y);
        QVERIFY2(qGray(c) > 150 || IsCurveBlue(c) || qGray(c) == 0, qPrintable(QString::number(y)));
        gridDots += qGray(c) > 150 && qGray(c) < 255;
    }
    QVERIFY(gridDots > 0);

    // Through the printer seam: the PDF holds the header and the peaks.
    b.dialogs.printFile = b.dir.filePath("page.pdf");
    b.constante->EditComm->setText(QStringLiteral("Groupe 3"));
    w.PrintBtnClick();
    const QString text = PdfText(b.dialogs.printFile);
    if (text.isNull())
        QSKIP("pdftotext is not installed");
    QVERIFY2(text.contains(QString::fromUtf8("Tracé de spectre")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Groupe 3")));
    QVERIFY(text.contains(QString::fromStdString(b.spectro->ModelName)));
    QVERIFY(text.contains(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))));
    QVERIFY2(text.contains(QString::fromUtf8("λmax : ")), qPrintable(text));
}

void TestTrace::toolBarFitsA1024PixelScreen()
{
    ModeBench b;
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    BlankAndScan(b, w);
    w.setGeometry(0, 0, 1024, 700);
    QTest::qWait(50);
    int shown = 0;
    const QString problem = ToolBarProblem(w, shown);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(shown, 9);
}

void TestTrace::windowStateSurvivesARestart()
{
    ModeBench b;
    IniWriteString(ToPath(b.ini), "Spectro", "Com", "1"); // the settings file exists
    {
        TTraceSpectre w;
        b.Attach(w);
        Show(w);
        w.setGeometry(40, 50, 1000, 520);
        QCoreApplication::processEvents();
        QVERIFY(w.close());
    }
    QCOMPARE(IniReadInteger(ToPath(b.ini), "WindowS", "State", -1), 0);
    QCOMPARE(IniReadInteger(ToPath(b.ini), "WindowS", "Width", -1), 1000);
    QCOMPARE(IniReadInteger(ToPath(b.ini), "WindowS", "Left", -1), 40);
    TTraceSpectre again;
    b.Attach(again);
    again.show();
    QTRY_VERIFY(!again.Label1->text().isEmpty());
    QTRY_COMPARE(again.geometry(), QRect(40, 50, 1000, 520));
    QVERIFY(!(again.windowState() & Qt::WindowMaximized));
    // Maximised, it comes back maximised, and restores to the same place.
    again.showMaximized();
    QVERIFY(again.close());
    QCOMPARE(IniReadInteger(ToPath(b.ini), "WindowS", "State", -1), 2);
    TTraceSpectre third;
    b.Attach(third);
    third.show();
    QTRY_VERIFY(third.windowState() & Qt::WindowMaximized);
    third.showNormal();
    QTRY_COMPARE(third.geometry(), QRect(40, 50, 1000, 520));
}

void TestTrace::aSpectrumCutByALossThenAnother()
{
    // The instrument switched off halfway through a scan, then on again.
    ModeBench b([](SimOptions &o) { o.charMicros = 1e6 / 960.0 / 8; }); // a scan in about half a second
    QVERIFY(b.started);
    b.spectro->SilenceMs = 300; // 30 s in the program
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    w.BlancBtnClick();
    QVERIFY(b.WaitIdle());
    w.SpectreBtnClick();
    QTRY_VERIFY_WITH_TIMEOUT(w.Session.Spectrum.Count() > 100, 5000);
    b.sim->SetOff(true);
    QVERIFY(b.WaitIdle());
    const int kept = w.Session.Spectrum.Count();
    QVERIFY2(kept > 100 && kept < 471, qPrintable(QString::number(kept)));
    QCOMPARE(w.StatusText(), QString::fromUtf8("Le spectro ne répond plus"));
    // What arrived is kept, saveable, in the journal.
    QVERIFY(w.RegSaveBtn->isEnabled());
    QVERIFY(w.Session.AsksSave());
    std::string bytes;
    QCOMPARE(ReadWholeFile(ToPath(w.JournalPath()), bytes), FileState::Read);
    QCOMPARE(JournalCount(ParseJournal(bytes)), 1);
    // Back on: a new spectrum from the window itself ("Oui" to clearing the
    // unsaved one), whole.
    b.sim->SetOff(false);
    QVERIFY(w.SpectreBtn->isEnabled());
    b.dialogs.answers = {true};
    w.SpectreBtnClick();
    QVERIFY(b.WaitIdle());
    QCOMPARE(w.Session.Spectrum.Count(), 471);
}

void TestTrace::aDeviceGoneAndBackUnderItsName()
{
    // An adapter unplugged in the middle of a scan, then plugged in again:
    // the same name (here a link to the pseudo-terminal), a new device
    // behind it. The window measures again by itself, no "Test" needed.
    ModeBench b([](SimOptions &o) { o.vanishAfter = 100; });
    QVERIFY(b.started);
    const QString link = b.dir.filePath("ttyVANDORAL");
    QVERIFY(QFile::link(QString::fromStdString(b.sim->DevicePath()), link));
    QtSerialLine line([link](int) { return link; });
    b.line->Close();
    QVERIFY(line.Open());
    b.spectro->Port = &line;
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    w.BlancBtnClick();
    QVERIFY(b.WaitIdle());
    QVERIFY(w.Session.BlancFait);
    w.SpectreBtnClick();
    QVERIFY(b.WaitIdle());
    QCOMPARE(w.StatusText(), QString::fromUtf8("Le spectro ne répond plus"));
    QVERIFY(!b.spectro->Controlled);
    const int kept = w.Session.Spectrum.Count();
    QVERIFY2(kept > 0 && kept <= 100, qPrintable(QString::number(kept)));
    // Still unplugged (its name gone, as an adapter's is): the window tries,
    // says so, and keeps what it has.
    QVERIFY(QFile::remove(link));
    QVERIFY(w.SpectreBtn->isEnabled());
    b.dialogs.answers = {true, true}; // "L'effacer ?" for the part kept, each time
    w.SpectreBtnClick();
    QCOMPARE(w.StatusText(),
             QString::fromUtf8("Le spectro ne répond toujours pas : vérifiez son câble et qu'il est allumé"));
    // Plugged in again.
    sim::SimOptions o;
    o.charMicros = 0;
    sim::PtySimulator again(o);
    QVERIFY(again.Start());
    QVERIFY(QFile::link(QString::fromStdString(again.DevicePath()), link));
    w.SpectreBtnClick();
    QVERIFY(b.WaitIdle());
    QCOMPARE(w.Session.Spectrum.Count(), 471);
    QVERIFY(b.spectro->Controlled);
    QCOMPARE(again.CountOf("ID?"), 1);
    QCOMPARE(again.CountOf("CONTROL"), 1);
    b.spectro->Port = b.line.get(); // before the line goes
}

void TestTrace::aSavedSpectrumOpenedBack()
{
    // A spectrum saved as JCAMP-DX, laid under the next one as a reference,
    // then opened as the current spectrum; files that cannot be opened leave
    // the window as it was.
    ModeBench b;
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    BlankAndScan(b, w);
    const std::vector<double> first = w.Session.Spectrum.A;
    b.dialogs.saveName = b.dir.filePath("matin.jdx");
    b.dialogs.saveFilterIndex = 4;
    w.FileM->trigger();
    QVERIFY(b.dialogs.asked.contains(QStringLiteral("save:Tableur texte|*.txt|Tableur CSV|*.csv|Classeur Excel|*.xlsx|JCAMP-DX|*.jdx")));
    QVERIFY(w.Session.Sauve);
    QFile jdx(b.dialogs.saveName);
    QVERIFY(jdx.open(QIODevice::ReadOnly));
    const QByteArray text = jdx.readAll();
    QVERIFY2(text.startsWith("##TITLE=") && text.contains("\r\n##JCAMP-DX=4.24\r\n") && text.contains("##NPOINTS=471"),
             text.left(400).constData());
    QVERIFY(text.contains("##SPECTROMETER/DATA SYSTEM=" + QByteArray(b.spectro->ModelName.c_str())));

    b.dialogs.openName = b.dialogs.saveName;
    w.OpenRefM->trigger();
    QCOMPARE(int(w.Session.References().size()), 1);
    QCOMPARE(QString::fromStdString(w.Session.References()[0].Legend), QStringLiteral("matin.jdx"));
    for (int i = 0; i < 471; ++i)
        QVERIFY(std::fabs(w.Session.References()[0].Y[i] - first[i]) < 1e-4);
    w.SpectreBtnClick();
    QVERIFY(b.WaitIdle());
    QVERIFY(!w.Session.Sauve);

    // The file as the current spectrum: the new one is unsaved, hence the
    // question first; "Non" keeps it.
    b.dialogs.asked.clear();
    b.dialogs.answers = {false};
    w.OpenM->trigger();
    QCOMPARE(b.dialogs.asked.last(), QString::fromUtf8("question:Le spectre n'est pas enregistré. L'effacer ?"));
    QVERIFY(!w.Session.Sauve);
    b.dialogs.answers = {true};
    w.OpenM->trigger();
    QVERIFY(w.Session.Sauve);
    QVERIFY(!w.Session.AsksSave()); // closing asks nothing
    QCOMPARE(w.Session.Spectrum.Count(), 471);
    for (int i = 0; i < 471; ++i)
        QVERIFY(std::fabs(w.Session.Spectrum.A[i] - first[i]) < 1e-4);
    QVERIFY(w.StatusText().contains(QStringLiteral("matin.jdx")));
    QVERIFY(!w.PeaksLabel->text().isEmpty());
    QVERIFY(w.PrintBtn->isEnabled() && w.ReticuleBtn->isEnabled());

    // A damaged file, another mode's file: an error box that says why, the
    // spectrum untouched.
    const std::vector<double> shown = w.Session.Spectrum.A;
    QFile bad(b.dir.filePath("abime.jdx"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("##TITLE=x\n##NPOINTS=5\n##FIRSTX=400\n##LASTX=404\n##XYDATA=(X++(Y..Y))\n400 1 2\n");
    bad.close();
    QFile run(b.dir.filePath("run.txt"));
    QVERIFY(run.open(QIODevice::WriteOnly));
    run.write("Essai\r\nt\tA\r\ns\t\r\ntemps\tAbsorbance\r\n0\t0,5\r\n");
    run.close();
    for (const QString &name : {bad.fileName(), run.fileName()}) {
        b.dialogs.asked.clear();
        b.dialogs.openName = name;
        w.OpenM->trigger();
        QCOMPARE(b.dialogs.asked.size(), 2);
        QVERIFY(b.dialogs.asked.at(1).startsWith(QStringLiteral("error:Impossible d'ouvrir le fichier")));
        QVERIFY(w.Session.Spectrum.A == shown);
    }
    QVERIFY(b.dialogs.asked.at(1).contains(QString::fromUtf8("une cinétique, pas un spectre")));
    b.dialogs.asked.clear();
    b.dialogs.openName.clear(); // cancelled
    w.OpenM->trigger();
    QVERIFY(w.Session.Spectrum.A == shown);
}

void TestTrace::thePageAndThePlotLeaveAsFiles()
{
    // The print button's drop-down: the page as a PDF with its words as
    // text, the plot as PNG and SVG, on the clipboard, and the preview,
    // which prints nothing.
    ModeBench b;
    QVERIFY(b.started);
    TTraceSpectre w;
    b.Attach(w);
    Show(w);
    BlankAndScan(b, w);
    b.constante->EditComm->setText(QString::fromUtf8("TP permanganate, groupe 3"));
    QCOMPARE(w.PrintBtn->popupMode(), QToolButton::MenuButtonPopup);
    QStringList captions;
    for (QAction *a : w.PrintPopupMenu->actions())
        captions << a->text();
    QCOMPARE(captions, (QStringList{QString::fromUtf8("Aperçu avant impression"), QString::fromUtf8("Exporter en PDF…"),
                                    QStringLiteral("Copier le graphe"), QString::fromUtf8("Enregistrer le graphe…")}));

    b.dialogs.saveName = b.dir.filePath("rapport"); // no extension: ".pdf" added
    w.PdfM->trigger();
    QVERIFY(b.dialogs.asked.contains(QStringLiteral("save:Document PDF|*.pdf")));
    const QString text = PdfText(b.dir.filePath("rapport.pdf"));
    QVERIFY2(!text.isNull(), "pdftotext reads the page");
    for (const QString &want : {w.windowTitle(), FromCp(b.spectro->ModelName), QString::fromUtf8("TP permanganate, groupe 3"),
                                PeaksLine(w.Session.Peaks()), QStringLiteral("Lambda/nm")})
        QVERIFY2(text.contains(want), qPrintable(want + " not in: " + text));
    QVERIFY(!b.dialogs.asked.contains(QStringLiteral("printer")));
    QCOMPARE(w.Session.Graphe.Bounds.Right, w.PaintBox->width()); // the screen's bounds again

    b.dialogs.saveName = b.dir.filePath("graphe.PNG");
    w.SaveGraphM->trigger();
    QImage png(b.dialogs.saveName);
    QVERIFY(!png.isNull());
    QVERIFY(png.width() >= w.PaintBox->width() && png.height() >= w.PaintBox->height());
    // The curve's blue in most of the plot's columns.
    const Tgraphe &g = w.Session.Graphe;
    int columns = 0, blue = 0;
    for (int x = g.PlotRect.Left + 2; x < g.PlotRect.Right - 2; x += 3, ++columns)
        for (int y = g.PlotRect.Top; y < g.PlotRect.Bottom; ++y)
            if (IsCurveBlue(png.pixel(x, y))) {
                ++blue;
                break;
            }
    QVERIFY2(blue > columns * 3 / 4, qPrintable(QStringLiteral("%1 of %2").arg(blue).arg(columns)));

    b.dialogs.saveName = b.dir.filePath("graphe");
    b.dialogs.saveFilterIndex = 2; // SVG
    w.SaveGraphM->trigger();
    QFile svg(b.dir.filePath("graphe.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&svg);
    QStringList texts;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
            texts << xml.readElementText().simplified();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(texts.contains(QStringLiteral("Lambda/nm")) && texts.contains(QStringLiteral("A")), qPrintable(texts.join('|')));
    QVERIFY(texts.contains(QStringLiteral("500")));

    QGuiApplication::clipboard()->clear();
    w.CopyGraphM->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), w.PaintBox->size());

    b.dialogs.asked.clear();
    int pages = 0;
    b.dialogs.execute = [&pages](QDialog &d) {
        // The preview draws the page it shows; closed without printing.
        auto *preview = qobject_cast<QPrintPreviewDialog *>(&d);
        if (!preview)
            return false;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QDir::temp().filePath(QStringLiteral("vandoral-preview-%1.pdf").arg(QCoreApplication::applicationPid())));
        emit preview->paintRequested(&printer);
        pages = 1;
        QFile::remove(printer.outputFileName());
        return false;
    };
    w.PreviewM->trigger();
    QCOMPARE(b.dialogs.asked, QStringList{QStringLiteral("dialog:PreviewDialog")});
    QCOMPARE(pages, 1);
    b.dialogs.execute = nullptr;
}

QTEST_MAIN(TestTrace)
#include "tst_trace.moc"

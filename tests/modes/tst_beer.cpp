// The Beer-Lambert window against the simulated instrument, whose samples
// read known absorbances at the working wavelength: the fit and its
// precision, the unknowns, the range question and the options, corrections
// and undo, faulty readings, the plot's range rules, saving, and a lost
// instrument.
#include "analysistext.h"
#include "dictionary.h"
#include "beerwindow.h"
#include "pdftext.h"
#include "printgraph.h"
#include "fileio.h"
#include "journal.h"
#include "modejournal.h"
#include "scanpanel.h"
#include "graphbox.h"
#include "modebench.h"
#include "qtcanvas.h"
#include "numtext.h"
#include "openfile.h"
#include "pinnedfont.h"
#include "separator.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

using namespace vandoral;
using vandoral::sim::SimOptions;

namespace {

std::function<void(SimOptions &)> Levels(const std::vector<double> &levels,
                                         const std::function<void(SimOptions &)> &more = {})
{
    return [levels, more](SimOptions &o) {
        o.levels = levels;
        o.levelLambda = 545;
        if (more)
            more(o);
    };
}

// The window shown, the working wavelength at 545 nm, the blank done.
struct Beer {
    explicit Beer(ModeBench &b, bool blank = true) : bench(b)
    {
        b.spectro->Mini = 0;
        b.spectro->Maxi = 10;
        b.spectro->Actif = true;
        b.spectro->LambdaBeer = 545;
        w = std::make_unique<TBeerForm>();
        b.Attach(*w);
        w->setWindowState(Qt::WindowNoState);
        w->setGeometry(10, 10, 1100, 650);
        w->show();
        ok = QTest::qWaitForWindowExposed(w.get());
        QCoreApplication::processEvents();
        if (blank) {
            w->ZeroBtnClick();
            ok = ok && b.WaitIdle() && w->Session.BlancFait;
        }
    }
    // Types a concentration on the entry row (or on `row`) and validates it
    // with Enter, as at the keyboard; waits for the measurement.
    bool Standard(const QString &text, int row = -1)
    {
        // The window settles first (a repaint puts the current row back on
        // the entry row), as before a user's click.
        QTest::qWait(20);
        if (row >= 0)
            w->BeerMesureGrid->setCurrentCell(row, 0);
        w->BeerMesureGrid->setFocus();
        w->BeerMesureGrid->editItem(w->BeerMesureGrid->currentItem());
        QCoreApplication::processEvents();
        QLineEdit *editor = nullptr;
        for (QLineEdit *e : w->BeerMesureGrid->findChildren<QLineEdit *>())
            if (e->isVisible())
                editor = e;
        if (!editor)
            return false;
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        return bench.WaitIdle();
    }
    bool Unknown()
    {
        w->EnregistreBtnClick();
        return bench.WaitIdle();
    }
    ModeBench &bench;
    std::unique_ptr<TBeerForm> w;
    bool ok = false;
};

QString Cell(QTableWidget *g, int row, int col)
{
    return g->item(row, col) ? g->item(row, col)->text() : QString();
}

} // namespace

class TestBeer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fitAndPrecision_data();
    void fitAndPrecision();
    void unknownsAndTheOption();
    void outOfRangeAndOptions();
    void correctionsAndUndo();
    void keysTypedInACellBelongToIt_data();
    void keysTypedInACellBelongToIt();
    void rowIsFixedWhileMeasuring();
    void listActionsWaitForAMeasurement_data();
    void listActionsWaitForAMeasurement();
    void resetAsksForAnUnsavedSeries();
    void toolBarFitsA1024PixelScreen_data();
    void toolBarFitsA1024PixelScreen();
    void refusedBlankIsAskedAgain_data();
    void refusedBlankIsAskedAgain();
    void wavelengthIsFixedWhileMeasuring();
    void unreadableAbsorbance();
    void unknownWithoutFit();
    void rangeRules();
    void steepLineEndsAtTheTop();
    void savingSortsByConcentration();
    void instrumentLostDuringAStandard();
    void limitsFollowTheInstrument();
    void statisticsAndThePrintedPage();
    void theTeachersCalibrationReused();
};

void TestBeer::initTestCase()
{
    QVERIFY(PinTestFont());
}

void TestBeer::fitAndPrecision_data()
{
    QTest::addColumn<char>("sep");
    QTest::addColumn<QString>("precision");
    QTest::newRow("comma") << ',' << QString::fromUtf8("Précision de l'ajustement sur A : 0,008");
    QTest::newRow("point") << '.' << QString::fromUtf8("Précision de l'ajustement sur A : 0.008");
}

void TestBeer::fitAndPrecision()
{
    QFETCH(char, sep);
    SeparatorScope scope(sep);
    ModeBench b(Levels({0.10, 0.21, 0.29}));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    QVERIFY(w.BeerMesureGrid->isEnabled() && w.PanelBlanc->isHidden());
    QVERIFY(beer.Standard("1"));
    QVERIFY(beer.Standard("2"));
    // Two standards: no fit, no unknown button.
    QCOMPARE(int(w.Session.Data.Count()), 2);
    QVERIFY(!w.EnregistreBtn->isEnabled());
    QVERIFY(w.Session.PrecisionText.empty());
    QVERIFY(!w.LambdaSE->isEnabled()); // the wavelength is fixed by the standards
    QVERIFY(beer.Standard(sep == ',' ? "3,0" : "3.0"));
    QCOMPARE(int(w.Session.Data.Count()), 3);
    QCOMPARE(w.Session.Data.A[1], 0.21);
    QVERIFY(w.EnregistreBtn->isEnabled());
    QVERIFY(std::fabs(w.Session.Slope - 0.1) < 1e-12);
    QTEST(QString::fromLatin1(w.Session.PrecisionText.c_str()), "precision");
    QCOMPARE(Cell(w.BeerMesureGrid, 3, 0), QString("2"));
    QCOMPARE(Cell(w.BeerMesureGrid, 3, 1), sep == ',' ? QString("0,21") : QString("0.21"));
    QCOMPARE(w.EnregistreBtn->text(), QString("c ?"));
    QCOMPARE(w.EntryRow, 5); // the editor waits on the first empty row
    QCOMPARE(b.sim->CountOf("SCANTXT"), 3);
}

void TestBeer::unknownsAndTheOption()
{
    ModeBench b(Levels({0.10, 0.21, 0.29, 0.15, 0.40}));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    for (const char *c : {"1", "2", "3"})
        QVERIFY(beer.Standard(c));
    QVERIFY(beer.Unknown());
    QVERIFY(beer.Unknown());
    QCOMPARE(w.Session.UnknownCount(), 2);
    QCOMPARE(w.Session.Unknowns[0].Conc, 0.15 / 0.1);
    // k = 0.6 / 6 = 0.1, residuals 0, 0.01, -0.01, s = 0.01,
    // u(k) = 0.01·√3 / 6; for A₀ = 0.40: u(c₀) = 4·√((0.01/0.4)² + (u(k)/0.1)²)
    // = 0.153, U = 0.31 (by hand).
    // A = 0.40 lies above the standards' 0.10 to 0.29: an extrapolation.
    QCOMPARE(Cell(w.beerCalcGrid, 1, 0), QString::fromUtf8("4.0 ± 0.3 (hors gamme)"));
    QVERIFY(!Cell(w.beerCalcGrid, 0, 0).contains("(")); // A = 0.15, among them
    QCOMPARE(Cell(w.BeerMesureGrid, 2, 2), QString("0.000")); // 0.10 - 0.1·1: the table's precision
    QCOMPARE(Cell(w.BeerMesureGrid, 3, 2), QString("0.010"));
    QCOMPARE(Cell(w.BeerMesureGrid, 4, 2), QString("-0.010"));
    QTRY_VERIFY(w.StatsLabel->isVisible());
    QVERIFY2(w.StatsLabel->text().startsWith(QString::fromUtf8("Droite par l'origine (3 étalons) : k = 0.1 ; s = 0.01")),
             qPrintable(w.StatsLabel->text()));
    QVERIFY(w.beerCalcGrid->isVisible());
    // The unknowns are red discs on the plot.
    int px, py;
    w.Session.BeerGraph.WorldToPixel(w.Session.Unknowns[1].Conc, w.Session.Unknowns[1].Abs, px, py);
    QCOMPARE(QColor(w.Oscillo->Image().pixel(px, py)), QColor(Qt::red));
    // Off: no fit, no unknown button, the unknowns kept; back when on again.
    b.dialogs.execute = [](QDialog &d) {
        auto &dlg = static_cast<TModeBeerDlg &>(d);
        dlg.BeerCB->setChecked(false);
        return dlg.OKBtnClick();
    };
    w.AcquisitionItemClick();
    QVERIFY(!b.spectro->Actif);
    QVERIFY(!w.EnregistreBtn->isVisible());
    QVERIFY(!w.beerCalcGrid->isVisible());
    QVERIFY(w.Session.PrecisionText.empty());
    QCOMPARE(w.Session.UnknownCount(), 2);
    b.dialogs.execute = [](QDialog &d) {
        auto &dlg = static_cast<TModeBeerDlg &>(d);
        dlg.BeerCB->setChecked(true);
        return dlg.OKBtnClick();
    };
    w.AcquisitionItemClick();
    QVERIFY(w.beerCalcGrid->isVisible());
    QCOMPARE(Cell(w.beerCalcGrid, 1, 0), QString::fromUtf8("4.0 ± 0.3 (hors gamme)"));
    QVERIFY(!w.Session.PrecisionText.empty());
}

void TestBeer::outOfRangeAndOptions()
{
    ModeBench b(Levels({0.5}));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    b.dialogs.answers = {true};
    QVERIFY(beer.Standard("12"));
    QCOMPARE(b.dialogs.asked, QStringList{"question:12 avec mini=0 et maxi=10\r\n    Vous confirmez ?"});
    QCOMPARE(w.Session.BeerGraph.WorldX.Max, 12.0);
    QCOMPARE(int(w.Session.Data.Count()), 1);
    // "no" measures nothing.
    b.dialogs.asked.clear();
    QVERIFY(beer.Standard("-3"));
    QCOMPARE(b.dialogs.asked.size(), 1);
    QCOMPARE(int(w.Session.Data.Count()), 1);
    QCOMPARE(b.sim->CountOf("SCANTXT"), 1);
    // Not a number (letters other than an exponent or prefix are not even
    // taken by the cell): "Nombre mal écrit", nothing measured.
    b.dialogs.asked.clear();
    QVERIFY(beer.Standard("abE"));
    QCOMPARE(b.dialogs.asked, QStringList{QString::fromUtf8("message:Nombre mal écrit")});
    QCOMPARE(b.sim->CountOf("SCANTXT"), 1);
    // The options dialog (cancelled) brings the axis back to Maxi.
    b.dialogs.asked.clear();
    w.AcquisitionItemClick();
    QCOMPARE(b.dialogs.asked, QStringList{"dialog:ModeBeerDlg"});
    QCOMPARE(w.Session.BeerGraph.WorldX.Max, 10.0);
    // OK with Mini 5 and Maxi 1: stored swapped, and shown so next time.
    b.dialogs.execute = [](QDialog &d) {
        auto &dlg = static_cast<TModeBeerDlg &>(d);
        dlg.EditMin->setText("5");
        dlg.EditMax->setText("1");
        dlg.EditNom->setText("C");
        return dlg.OKBtnClick();
    };
    w.AcquisitionItemClick();
    QCOMPARE(b.spectro->Mini, 1.0);
    QCOMPARE(b.spectro->Maxi, 5.0);
    QCOMPARE(w.Session.BeerGraph.WorldX.Min, 1.0);
    QCOMPARE(w.EnregistreBtn->text(), QString("C ?"));
    w.ModeBeerDlg->FormActivate();
    QCOMPARE(w.ModeBeerDlg->EditMin->text(), QString("1"));
    // Equal bounds are refused with a message, nothing stored.
    w.ModeBeerDlg->EditMin->setText("2");
    w.ModeBeerDlg->EditMax->setText("2m");
    QVERIFY(w.ModeBeerDlg->OKBtnClick()); // 2m is 0.002: Mini and Maxi swapped, not equal
    QCOMPARE(b.spectro->Maxi, 2.0);
    w.ModeBeerDlg->EditMin->setText("3");
    w.ModeBeerDlg->EditMax->setText("3");
    b.dialogs.asked.clear();
    QVERIFY(!w.ModeBeerDlg->OKBtnClick());
    QCOMPARE(b.dialogs.asked.size(), 1);
    QCOMPARE(b.spectro->Maxi, 2.0);
    // A bound typed wrongly takes its fallback.
    w.ModeBeerDlg->EditMin->setText("x");
    w.ModeBeerDlg->EditMax->setText("y");
    QVERIFY(w.ModeBeerDlg->OKBtnClick());
    QCOMPARE(b.spectro->Mini, 0.0);
    QCOMPARE(b.spectro->Maxi, 0.01);
}

void TestBeer::correctionsAndUndo()
{
    ModeBench b(Levels({0.10, 0.20, 0.30, 0.25, 0.5, 0.6, 0.7}));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    for (const char *c : {"1", "2", "3"})
        QVERIFY(beer.Standard(c));
    // A typo in standard 2's concentration corrected: the question, "Non",
    // and the absorbance stays, nothing measured (another cuvette may be in).
    int scans = b.sim->CountOf("SCANTXT");
    b.dialogs.asked.clear();
    b.dialogs.answers = {false};
    QVERIFY(beer.Standard("2,2", 3));
    QCOMPARE(b.dialogs.asked, QStringList{QString::fromUtf8("question:Remesurer l'absorbance de l'étalon 2 ?")});
    QCOMPARE(b.sim->CountOf("SCANTXT"), scans);
    QCOMPARE(w.Session.Data.X[1], 2.2);
    QCOMPARE(w.Session.Data.A[1], 0.2);
    QVERIFY(!w.Session.Sauve);
    std::string journal;
    QCOMPARE(ReadWholeFile(ToPath(w.JournalPath()), journal), FileState::Read);
    QVERIFY(journal.find("etalon 1 2.2 0.2\n") != std::string::npos);
    // "Oui": standard 2 measured again, replaced, the count unchanged.
    b.dialogs.answers = {true};
    QVERIFY(beer.Standard("2,5", 3));
    QCOMPARE(int(w.Session.Data.Count()), 3);
    QCOMPARE(w.Session.Data.X[1], 2.5);
    QCOMPARE(w.Session.Data.A[1], 0.25);
    // Two rows below the last: nothing added, nothing measured.
    scans = b.sim->CountOf("SCANTXT");
    QVERIFY(beer.Standard("4", 6));
    QCOMPARE(int(w.Session.Data.Count()), 3);
    QCOMPARE(b.sim->CountOf("SCANTXT"), scans);
    // Undo on the empty entry row removes nothing, and says so by being
    // disabled.
    w.RepaintPlot();
    QVERIFY(!w.UndoBtn->isEnabled());
    w.UndoBtnClick();
    QCOMPARE(int(w.Session.Data.Count()), 3);
    // Three unknowns; clicking unknown 2 then "Défaire" removes unknown 2.
    for (int i = 0; i < 3; ++i)
        QVERIFY(beer.Unknown());
    QCOMPARE(w.Session.UnknownCount(), 3);
    w.beerCalcGrid->setCurrentCell(2, 0);
    emit w.beerCalcGrid->cellPressed(2, 0);
    QVERIFY(w.CalcGridActive);
    QVERIFY(w.UndoBtn->isEnabled());
    w.UndoBtnClick();
    QCOMPARE(w.Session.UnknownCount(), 2);
    QCOMPARE(w.Session.Unknowns[0].Abs, 0.5);
    QCOMPARE(w.Session.Unknowns[1].Abs, 0.6);
    // A standard's row clicked after the last repaint, then "Défaire".
    w.BeerMesureGrid->setCurrentCell(2, 0);
    QVERIFY(!w.CalcGridActive);
    QVERIFY(w.UndoBtn->isEnabled());
    w.UndoBtnClick();
    QCOMPARE(int(w.Session.Data.Count()), 2);
    QCOMPARE(w.Session.Data.X[0], 2.5);
}

void TestBeer::keysTypedInACellBelongToIt_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("conc");
    QTest::newRow("an SI prefix: 4 mmol/L in mol/L") << "4m" << 0.004;
    QTest::newRow("the micro sign") << QString::fromUtf8("5µ") << 5e-6;
    QTest::newRow("an exponent") << "2e-3" << 0.002;
    // Three standards make the space bar measure unknowns, but not from a
    // cell being edited.
    QTest::newRow("a leading space") << " 5" << 5.0;
}

void TestBeer::keysTypedInACellBelongToIt()
{
    QFETCH(QString, typed);
    QFETCH(double, conc);
    ModeBench b(Levels({0.1, 0.2, 0.3, 0.4}));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    for (const char *c : {"1", "2", "3"})
        QVERIFY(beer.Standard(c));
    QVERIFY(w.Session.CanMeasureUnknown());
    const int scans = b.sim->CountOf("SCANTXT");
    b.dialogs.asked.clear();
    QVERIFY(beer.Standard(typed)); // typed key by key in the cell's editor
    QCOMPARE(b.sim->CountOf("SCANTXT"), scans + 1); // the standard's scan, no other
    QCOMPARE(w.Session.UnknownCount(), 0);
    QCOMPARE(w.Session.StandardCount(), 4);
    QVERIFY2(std::fabs(w.Session.Standards[3].Conc - conc) <= 1e-12 * conc,
             qPrintable(QString::number(w.Session.Standards[3].Conc)));
    QVERIFY(b.dialogs.asked.isEmpty());
    // Outside a cell the space bar measures an unknown, as before.
    w.setFocus();
    QTest::keyClick(&w, Qt::Key_Space);
    QVERIFY(b.WaitIdle());
    QCOMPARE(w.Session.UnknownCount(), 1);
}

void TestBeer::rowIsFixedWhileMeasuring()
{
    ModeBench b(Levels({0.1, 0.2, 0.3, 0.9}, [](SimOptions &o) { o.charMicros = 1e6 / 960.0 / 4; }));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    for (const char *c : {"1", "2", "3"})
        QVERIFY(beer.Standard(QString(c)));
    // A correction of standard 3 starts; meanwhile the user clicks standard 1
    // and validates again.
    w.BeerMesureGrid->setCurrentCell(4, 0);
    w.BeerMesureGrid->item(4, 0)->setText("3,5");
    b.dialogs.answers = {true}; // measured again
    w.ValidateEntry();
    QVERIFY(b.spectro->Busy);
    QCOMPARE(w.Session.MeasuredIndex(), 2); // the third standard, row 4 of the grid
    w.BeerMesureGrid->setCurrentCell(2, 0);
    w.BeerMesureGrid->item(2, 0)->setText("7");
    w.ValidateEntry(); // refused while measuring
    QCOMPARE(w.StatusText(), QString::fromUtf8("Attendre la fin de la mesure en cours"));
    QVERIFY(b.WaitIdle());
    QCOMPARE(w.Session.Data.X[0], 1.0); // standard 1 untouched
    QCOMPARE(w.Session.Data.A[0], 0.1);
    QCOMPARE(w.Session.Data.X[2], 3.5); // standard 3 corrected
    QCOMPARE(w.Session.Data.A[2], 0.9);
    QCOMPARE(int(w.Session.Data.Count()), 3);
}

void TestBeer::listActionsWaitForAMeasurement_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("Défaire") << "undo";
    QTest::newRow("the save (which sorts)") << "save";
    QTest::newRow("RàZ") << "reset";
    QTest::newRow("Options") << "options";
}

void TestBeer::listActionsWaitForAMeasurement()
{
    // While standard 1 is corrected, an action on the list would move its
    // result to another standard or drop it: refused, the status bar says so.
    QFETCH(QString, action);
    ModeBench b(Levels({0.3, 0.1, 0.9}, [](SimOptions &o) { o.charMicros = 1e6 / 960.0 / 8; }));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    for (const char *c : {"3", "1"})
        QVERIFY(beer.Standard(QString(c)));
    w.BeerMesureGrid->setCurrentCell(2, 0); // standard 1 (concentration 3)
    w.BeerMesureGrid->item(2, 0)->setText("3,5");
    b.dialogs.answers = {true}; // measured again
    w.ValidateEntry();
    QVERIFY(b.spectro->Busy);
    b.dialogs.asked.clear();
    b.dialogs.answers = {true, true};
    b.dialogs.saveName = b.dir.filePath("serie");
    if (action == "undo") {
        w.BeerMesureGrid->setCurrentCell(3, 0);
        w.UndoBtnClick();
    } else if (action == "save") {
        w.FileM->trigger();
    } else if (action == "reset") {
        w.ResetBtnClick();
    } else {
        w.AcquisitionItemClick();
    }
    QCOMPARE(w.StatusText(), QString::fromUtf8("Le spectro est occupé : attendre la fin de la mesure en cours"));
    QVERIFY(b.dialogs.asked.isEmpty());
    QVERIFY(!QFile::exists(b.dir.filePath("serie.TXT")));
    QVERIFY(b.WaitIdle());
    // The corrected standard is the one whose row was validated.
    QCOMPARE(int(w.Session.Data.Count()), 2);
    QCOMPARE(w.Session.Data.X[0], 3.5);
    QCOMPARE(w.Session.Data.A[0], 0.9);
    QCOMPARE(w.Session.Data.X[1], 1.0);
    QCOMPARE(w.Session.Data.A[1], 0.1);
}

void TestBeer::resetAsksForAnUnsavedSeries()
{
    ModeBench b(Levels({0.1, 0.2, 0.3}));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    for (const char *c : {"1", "2", "3"})
        QVERIFY(beer.Standard(QString(c)));
    b.dialogs.asked.clear();
    b.dialogs.answers = {false};
    w.ResetBtn->click();
    QCOMPARE(b.dialogs.asked,
             QStringList{QString::fromUtf8("question:Les étalons ne sont pas enregistrés. Tout effacer ?")});
    QCOMPARE(w.Session.StandardCount(), 3); // "Non": nothing changes
    // The series is in its journal, as it stands.
    std::string bytes;
    QCOMPARE(ReadWholeFile(ToPath(w.JournalPath()), bytes), FileState::Read);
    TBeerSeries back(*b.spectro, *b.spectro);
    QVERIFY(RestoreBeer(ParseJournal(bytes), back));
    QCOMPARE(back.StandardCount(), 3);
    QCOMPARE(back.Standards[1].Conc, 2.0);
    QCOMPARE(back.Standards[1].Abs, 0.2);
    // Saved: nothing to ask, the series goes.
    w.ClipM->trigger();
    QVERIFY(w.Session.Sauve);
    QVERIFY(!QFile::exists(w.JournalPath())); // saved: the journal ended
    b.dialogs.asked.clear();
    QVERIFY(w.UndoBtn->isVisible() && w.RegSaveBtn->isVisible());
    w.ResetBtn->click();
    QVERIFY(b.dialogs.asked.isEmpty());
    QCOMPARE(w.Session.StandardCount(), 0);
    // Nothing to undo or save: the two buttons go, and stay gone once the
    // tool bar has been laid out again.
    QTest::qWait(50);
    QVERIFY(!w.UndoBtn->isVisible());
    QVERIFY(!w.RegSaveBtn->isVisible());
}

void TestBeer::toolBarFitsA1024PixelScreen_data()
{
    // The longest tool bar of the program, in each language (Spanish
    // captions are the longest).
    QTest::addColumn<int>("language");
    QTest::newRow("French") << int(TDictionary::French);
    QTest::newRow("Spanish") << int(TDictionary::Spanish);
    QTest::newRow("English") << int(TDictionary::English);
}

void TestBeer::toolBarFitsA1024PixelScreen()
{
    // Every button shown (three standards and unknowns on), whole, on a
    // window as wide as a 1024-pixel screen.
    QFETCH(int, language);
    QVERIFY(Dictionary().Load());
    Dictionary().SetCurrent(language);
    struct Back {
        ~Back() { Dictionary().SetCurrent(TDictionary::French); }
    } back;
    ModeBench b(Levels({0.1, 0.2, 0.3}));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    for (const char *c : {"1", "2", "3"})
        QVERIFY(beer.Standard(QString(c)));
    TranslateWindow(&w);
    QCOMPARE(w.ZeroBtn->text(), Dictionary().Translate(QStringLiteral("Blanc")));
    w.setGeometry(0, 0, 1024, 700);
    QTest::qWait(50);
    int shown = 0;
    const QString problem = ToolBarProblem(w, shown);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(shown, 11);
}

void TestBeer::refusedBlankIsAskedAgain_data()
{
    RefusedBlankRows();
}

void TestBeer::refusedBlankIsAskedAgain()
{
    QFETCH(QString, status);
    QFETCH(QString, message);
    ModeBench b(Levels({0.2}, [&](SimOptions &o) { o.errors["SETREF"] = {status.toStdString(), 1}; }));
    QVERIFY(b.started);
    Beer beer(b, false);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    w.ZeroBtnClick();
    QVERIFY(b.WaitIdle());
    QVERIFY(!w.Session.BlancFait);
    QVERIFY(!w.BeerMesureGrid->isEnabled());
    QVERIFY(w.PanelBlanc->isVisible());
    QVERIFY(w.PanelBlanc->text().contains(message));
    QTest::keyClick(&w, Qt::Key_Space); // the blank again, which the instrument does now
    QVERIFY(b.WaitIdle());
    QCOMPARE(b.sim->CountOf("SETREF"), 2);
    QVERIFY(w.Session.BlancFait);
    QVERIFY(w.BeerMesureGrid->isEnabled());
    QVERIFY(!w.PanelBlanc->isVisible());
}

void TestBeer::wavelengthIsFixedWhileMeasuring()
{
    ModeBench b(Levels({0.25}, [](SimOptions &o) { o.charMicros = 1e6 / 960.0 / 4; }));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    w.BeerMesureGrid->item(2, 0)->setText("1");
    w.ValidateEntry();
    QVERIFY(b.spectro->Busy);
    // The panel and the spin box wait; even a change made another way does
    // not move the measurement.
    QVERIFY(!w.SpectrePB->isEnabled());
    QVERIFY(!w.LambdaSE->isEnabled());
    w.LambdaSE->setValue(400);
    QVERIFY(b.WaitIdle());
    QCOMPARE(int(w.Session.Data.Count()), 1);
    QCOMPARE(w.Session.Data.A[0], 0.25); // read at 545 nm, where it started
}

void TestBeer::unreadableAbsorbance()
{
    // The third scan cannot be read at 545 nm (index 215).
    ModeBench b(Levels({0.1, 0.2}, [](SimOptions &o) {
        o.unreadableAt = 545 - 330;
        o.faultsFromScan = 2;
    }));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    QVERIFY(beer.Standard("1"));
    QVERIFY(beer.Standard("2"));
    b.dialogs.asked.clear();
    // Correcting standard 2, measured again: its old value stays whole.
    b.dialogs.answers = {true};
    QVERIFY(beer.Standard("5", 3));
    QCOMPARE(b.dialogs.asked, (QStringList{QString::fromUtf8("question:Remesurer l'absorbance de l'étalon 2 ?"),
                                           QString::fromUtf8("message:Blanc à faire ?")}));
    QCOMPARE(w.Label3->text(), QString("Absorbance lue incorrecte"));
    QCOMPARE(w.Session.Data.X[1], 2.0);
    QCOMPARE(w.Session.Data.A[1], 0.2);
    // A new one is not added.
    QVERIFY(beer.Standard("3"));
    QCOMPARE(int(w.Session.Data.Count()), 2);
}

void TestBeer::unknownWithoutFit()
{
    // Absorbances of 0 take no part in the slope.
    ModeBench b(Levels({0.0, 0.0, 0.0, 0.3}));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    for (const char *c : {"1", "2", "3"})
        QVERIFY(beer.Standard(c));
    QVERIFY(w.EnregistreBtn->isEnabled());
    b.dialogs.asked.clear();
    QVERIFY(beer.Unknown());
    QCOMPARE(b.dialogs.asked, QStringList{QString::fromUtf8("message:Données incorrectes")});
    QCOMPARE(w.Session.Slope, MissingValue);
    QCOMPARE(w.Session.UnknownCount(), 1);
    QCOMPARE(Cell(w.beerCalcGrid, 0, 0), QString("?"));
    w.RepaintPlot();
    QCOMPARE(Cell(w.beerCalcGrid, 0, 0), QString("?"));
    QVERIFY(w.Session.PrecisionText.empty());
}

void TestBeer::rangeRules()
{
    ModeBench b(Levels({0.03, 0.05, 2.0}));
    QVERIFY(b.started);
    b.spectro->AbsMax = 3.0;
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    // No standard: the top is 1.0 whatever it was.
    w.Session.BeerGraph.WorldY.Max = 2.5;
    w.RepaintPlot();
    QCOMPARE(w.Session.BeerGraph.WorldY.Max, 1.0);
    QVERIFY(beer.Standard("1"));
    QVERIFY(beer.Standard("2"));
    w.Session.BeerGraph.WorldY.Max = 0.2;
    w.RepaintPlot();
    QCOMPARE(w.Session.BeerGraph.WorldY.Max, 1.0); // 1.05 x 0.05 < 0.1
    QVERIFY(beer.Standard("3"));
    w.ZoomBtn->click();
    QCOMPARE(w.Session.BeerGraph.WorldY.Max, 2.1);
    w.ZoomBtn->click();
    QCOMPARE(w.Session.BeerGraph.WorldY.Max, 3.0);
    w.RepaintPlot();
    QCOMPARE(w.Session.BeerGraph.WorldY.Max, 3.0); // the paint never lowers it
}

void TestBeer::steepLineEndsAtTheTop()
{
    ModeBench b(Levels({0.2, 0.4, 0.6}));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    for (const char *c : {"0,1", "0,2", "0,3"})
        QVERIFY(beer.Standard(c));
    QVERIFY(std::fabs(w.Session.Slope - 2.0) < 1e-12);
    // At c = 10 the line would reach A = 20: it ends at the top (A = 1) instead.
    const QImage &img = w.Oscillo->Image();
    int x, y;
    w.Session.BeerGraph.WorldToPixel(w.Session.BeerGraph.WorldY.Max / 2.0 * 0.98, w.Session.BeerGraph.WorldY.Max * 0.98, x, y);
    bool line = false;
    for (int dx = -2; dx <= 2 && !line; ++dx)
        line = QColor(img.pixel(x + dx, y)) == QColor(Qt::blue);
    QVERIFY(line);
    w.Session.BeerGraph.WorldToPixel(w.Session.BeerGraph.WorldX.Max / 2, w.Session.BeerGraph.WorldY.Max / 2, x, y);
    QVERIFY(QColor(img.pixel(x, y)) != QColor(Qt::blue)); // nothing far right of the end
}

void TestBeer::savingSortsByConcentration()
{
    ModeBench b(Levels({0.3, 0.1, 0.2}));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    for (const char *c : {"3", "1", "2"})
        QVERIFY(beer.Standard(c));
    QVERIFY(!w.Session.Sauve);
    b.dialogs.saveName = b.dir.filePath("beer");
    w.FileM->trigger();
    QVERIFY(w.Session.Sauve);
    QFile f(b.dir.filePath("beer.TXT"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QVERIFY(lines[0].startsWith("Loi de Beer-Lambert "));
    QVERIFY(lines[4].startsWith("1.0\t0.1"));
    QVERIFY(lines[5].startsWith("2.0\t0.2"));
    QVERIFY(lines[6].startsWith("3.0\t0.3"));
    // The grid follows the new order at once.
    QCOMPARE(Cell(w.BeerMesureGrid, 2, 0), QString("1"));
    QCOMPARE(Cell(w.BeerMesureGrid, 4, 1), QString("0.3"));
    // Saved: closing asks nothing. The clipboard block is the same data.
    w.ClipM->trigger();
    QVERIFY(QString::fromLatin1(b.dde->LastBlock.c_str()).contains("1.0\t0.1"));
    b.dialogs.asked.clear();
    QVERIFY(w.close());
    QVERIFY(b.dialogs.asked.isEmpty());
}

void TestBeer::instrumentLostDuringAStandard()
{
    ModeBench b(Levels({0.1, 0.2}, [](SimOptions &o) {
        o.vanishAfter = 100;
        o.faultsFromScan = 1;
    }));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    QVERIFY(beer.Standard("1"));
    QVERIFY(beer.Standard("2"));
    QTRY_VERIFY(w.Label3->text().isEmpty());
    QCOMPARE(int(w.Session.Data.Count()), 1); // the first one intact
    QCOMPARE(w.Session.Data.A[0], 0.1);
    QCOMPARE(w.StatusText(), QString::fromUtf8("Le spectro ne répond plus"));
    QVERIFY(w.ZeroBtn->isEnabled()); // usable, nothing waits
    QVERIFY(w.close());
}

void TestBeer::limitsFollowTheInstrument()
{
    ModeBench b([](SimOptions &o) {
        o.modelCode = "6022";
        o.lambdaMin = 190;
        o.lambdaMax = 1100;
    });
    QVERIFY(b.started);
    // Created before the identification, as at start-up, with 900 stored.
    b.spectro->LambdaMin = 330;
    b.spectro->LambdaMax = 800;
    b.spectro->LambdaBeer = 900;
    TBeerForm w;
    QCOMPARE(int(b.spectro->LambdaBeer), 900); // not cut to 800
    b.spectro->Identify();
    b.Attach(w);
    w.show();
    QTRY_COMPARE(w.LambdaSE->maximum(), 1100);
    QCOMPARE(w.LambdaSE->minimum(), 190);
    QCOMPARE(w.LambdaSE->value(), 900);
    QCOMPARE(w.Session.SpectrumGraph.WorldX.Max, 1100.0);
}


void TestBeer::statisticsAndThePrintedPage()
{
    // Three standards on A = 0.05 + 0.1·c exactly: the line with an
    // intercept misses the origin with no scatter, hence the warning.
    ModeBench b(Levels({0.15, 0.25, 0.35, 0.20}));
    QVERIFY(b.started);
    Beer beer(b);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    QVERIFY(beer.Standard("1"));
    QTRY_VERIFY(w.StatsLabel->isVisible());
    QCOMPARE(w.StatsLabel->text(), QString::fromUtf8("Statistiques : à partir de deux étalons"));
    for (const char *c : {"2", "3"})
        QVERIFY(beer.Standard(c));
    QVERIFY(beer.Unknown());
    QTRY_VERIFY(w.StatsLabel->text().contains(MissesOriginText()));
    QVERIFY2(w.StatsLabel->text().contains(QString::fromUtf8("Droite A = a + b·c : a = 0.05 (u = 0) ; b = 0.1 (u = 0) ; R² = 1")), qPrintable(w.StatsLabel->text()));
    // Folded, then open again.
    w.StatsBtn->click();
    QTRY_VERIFY(w.StatsLabel->isHidden());
    QVERIFY(w.StatsBtn->isVisible());
    w.StatsBtn->click();
    QTRY_VERIFY(w.StatsLabel->isVisible());

    // The page shows what the window shows: the line, the unknown, the
    // precision text and the statistics.
    b.dialogs.printFile = b.dir.filePath("beer.pdf");
    b.dialogs.answers = {true}; // "Impression ?"
    w.ToolButton1->click();
    // "Exporter en PDF…" writes that same page, its words as text.
    b.dialogs.saveName = b.dir.filePath("serie.pdf");
    w.PdfM->trigger();
    for (const QString &file : {b.dialogs.printFile, b.dialogs.saveName}) {
        const QString text = PdfText(file);
        QVERIFY2(!text.isNull(), qPrintable(file));
        for (const QString &want : {QString::fromUtf8("Loi de Beer-Lambert"), QString::fromUtf8("Précision de l'ajustement sur A"),
                                    QString::fromUtf8("Droite par l'origine (3 étalons)"), MissesOriginText(),
                                    QString::fromUtf8("Inconnue 1 : A = 0.2")})
            QVERIFY2(text.contains(want), qPrintable(want + " in " + file + ": " + text));
    }
    QImage page(3300, 2550, QImage::Format_RGB32);
    {
        QPainter painter(&page);
        PageReport report;
        report.Overlay = [&w] { w.Session.DrawFit(true); };
        DrawReportPage(w.Session.BeerGraph, painter, page.rect(), 300, report);
    }
    const Tgraphe &g = w.Session.BeerGraph;
    const double c = 0.5 * g.WorldX.Max;
    int px, py;
    g.WorldToPixel(c, w.Session.Slope * c, px, py);
    const QColor line = ToQColor(g.Curve1.Color);
    int on = 0;
    for (int y = py - 10; y <= py + 10; ++y)
        on += QColor(page.pixel(px, y)) == line;
    QVERIFY2(on >= 5, qPrintable(QString::number(on))); // 0.35 mm at 300 dpi
    w.RepaintPlot();
}

void TestBeer::theTeachersCalibrationReused()
{
    // Three standards measured and saved in the morning; in the afternoon,
    // another start of the program at another wavelength: the file opened,
    // a blank, an unknown measured on the morning's line.
    QTemporaryDir dir;
    const QString file = dir.filePath("etalonnage.TXT");
    double k = 0;
    {
        ModeBench b(Levels({0.10, 0.21, 0.29}));
        QVERIFY(b.started);
        Beer beer(b);
        QVERIFY(beer.ok);
        for (const char *c : {"1", "2", "3"})
            QVERIFY(beer.Standard(QString::fromLatin1(c)));
        k = beer.w->Session.Slope;
        QVERIFY(k > 0);
        b.dialogs.saveName = dir.filePath("etalonnage");
        beer.w->FileM->trigger();
        QVERIFY(beer.w->Session.Sauve);
    }
    ModeBench b(Levels({0.35}));
    QVERIFY(b.started);
    Beer beer(b, false);
    QVERIFY(beer.ok);
    TBeerForm &w = *beer.w;
    b.spectro->LambdaBeer = 600;
    w.LambdaSE->setValue(600);
    b.dialogs.openName = file;
    w.OpenM->trigger();
    QVERIFY2(b.dialogs.asked == QStringList{QStringLiteral("open:") + OpenFilter(MeasureMode::Beer)},
             qPrintable(b.dialogs.asked.join('\n')));
    QCOMPARE(w.Session.StandardCount(), 3);
    QCOMPARE(w.Session.Slope, k);
    QCOMPARE(int(b.spectro->LambdaBeer), 545);
    QCOMPARE(w.LambdaSE->value(), 545);
    QVERIFY(w.StatusText().contains(QStringLiteral("545 nm")));
    QVERIFY(!w.Session.AsksSave());
    QCOMPARE(Cell(w.BeerMesureGrid, 2, 0), QStringLiteral("1"));
    w.ZeroBtnClick();
    QVERIFY(b.WaitIdle());
    QVERIFY(beer.Unknown());
    QCOMPARE(w.Session.UnknownCount(), 1);
    const BeerUnknown &u = w.Session.Unknowns[0];
    QVERIFY(std::fabs(u.Abs - 0.35) < 0.002);
    QVERIFY(std::fabs(u.Conc - u.Abs / k) < 1e-9);
    QCOMPARE(b.sim->CountOf("SCANTXT") + b.sim->CountOf("SCANBIN"), 1);
    // More standards can be added to the reused line.
    QVERIFY(w.BeerMesureGrid->isEnabled());
}

QTEST_MAIN(TestBeer)
#include "tst_beer.moc"

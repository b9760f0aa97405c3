// The journals a session that did not end left, offered back at start-up:
// "Oui" opens the window with the data as they were, unsaved and saveable;
// "Non" moves the journal to "abandonnes"; a newer format is left alone; a
// journal another copy of the program is writing is never offered, moved or
// written, and is offered once that copy is gone.
#include "beeroptions.h"
#include "beerwindow.h"
#include "fileio.h"
#include "kineticswindow.h"
#include "modebench.h"
#include "modejournal.h"
#include "recovery.h"
#include "tracewindow.h"

#include <QDir>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>

using namespace vandoral;

namespace {

void Write(const QString &path, const std::string &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), qint64(bytes.size()));
}

std::string KineticsJournal()
{
    std::string bytes = FormatJournalHeader({{"mode", "cinetique"}, {"debut", "10/12/2026 10:12:05"},
                                             {"lambda", "545"}, {"lambdabis", "420"}, {"deux", "0"},
                                             {"deltat", "8"}, {"nombre", "5"}});
    for (int k = 0; k < 3; ++k)
        bytes += FormatJournalRecord({"point", {JournalNumber(8.0 * k), JournalNumber(0.5 - 0.01 * k), "-"}});
    return bytes + "point 24 0.4"; // torn by the crash
}

struct Windows {
    explicit Windows(ModeBench &b)
    {
        for (TModeForm *w : std::initializer_list<TModeForm *>{&spectre, &cinetique, &beer})
            b.Attach(*w);
    }
    TTraceSpectre spectre;
    TCinetiqueForm cinetique;
    TBeerForm beer;
};

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT
private slots:
    void yesBringsTheRunBack();
    void noMovesTheJournalAway();
    void measuredDataComeBack_data();
    void measuredDataComeBack();
    void newerFormatIsLeftAlone();
    void anotherCopysJournalIsLeftAlone();
};

void TestRecovery::yesBringsTheRunBack()
{
    ModeBench b;
    Windows w(b);
    Write(w.cinetique.JournalPath(), KineticsJournal());
    b.dialogs.answers = {true};
    OfferJournals(nullptr, w.spectre, w.cinetique, w.beer);
    QCOMPARE(b.dialogs.asked, QStringList{QString::fromUtf8(
                                  "question:Une cinétique de 3 points (10/12/2026 10:12) n'a pas été enregistrée. "
                                  "La récupérer ?")});
    QVERIFY(w.cinetique.isVisible());
    const TDataSeries &g = w.cinetique.Session.Points;
    QCOMPARE(g.Count(), 3);
    QCOMPARE(g.X[2], 16.0);
    QCOMPARE(g.A[1], 0.49);
    QCOMPARE(int(w.cinetique.Session.Etat), int(EtatCinetique::Arrete));
    QCOMPARE(w.cinetique.DureeEdit->text(), QString("00:00:40")); // the run's own plan
    // Unsaved, and saveable though it has fewer than 4 points.
    QVERIFY(w.cinetique.RegSaveBtn->isEnabled());
    b.dialogs.asked.clear();
    b.dialogs.saveName = b.dir.filePath("recup");
    w.cinetique.FileM->trigger();
    QVERIFY(w.cinetique.Session.Sauve);
    QFile f(b.dir.filePath("recup.TXT"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count("\r\n"), 4 + 3);
    // Saved: the journal ended; the next start asks nothing.
    QVERIFY(!QFile::exists(w.cinetique.JournalPath()));
    Windows next(b);
    b.dialogs.asked.clear();
    OfferJournals(nullptr, next.spectre, next.cinetique, next.beer);
    QVERIFY(b.dialogs.asked.isEmpty());
}

void TestRecovery::noMovesTheJournalAway()
{
    ModeBench b;
    Windows w(b);
    std::string beer = FormatJournalHeader({{"mode", "beer"}, {"debut", "10/12/2026 09:00:00"}, {"nom", "c"}});
    for (int i = 0; i < 3; ++i)
        beer += FormatJournalRecord({"etalon", {std::to_string(i), JournalNumber(i + 1.0), JournalNumber(0.1 * (i + 1))}});
    Write(w.beer.JournalPath(), beer);
    b.dialogs.answers = {false};
    OfferJournals(nullptr, w.spectre, w.cinetique, w.beer);
    QCOMPARE(b.dialogs.asked.size(), 1);
    QVERIFY(!w.beer.isVisible());
    QCOMPARE(w.beer.Session.StandardCount(), 0);
    QVERIFY(!QFile::exists(w.beer.JournalPath()));
    const QStringList moved = QDir(AbandonedFolder(w.beer.JournalPath())).entryList(QDir::Files);
    QCOMPARE(moved.size(), 1);
    QVERIFY(moved[0].startsWith("WindowB-"));
    b.dialogs.asked.clear();
    OfferJournals(nullptr, w.spectre, w.cinetique, w.beer);
    QVERIFY(b.dialogs.asked.isEmpty()); // never offered again
}

void TestRecovery::measuredDataComeBack_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("a spectrum") << "spectre";
    QTest::newRow("a series of three standards") << "beer";
    QTest::newRow("a series whose unit was changed") << "beer, unit";
}

void TestRecovery::measuredDataComeBack()
{
    // Measured by real windows over the simulator, which then go away without
    // ending their journals (as the program killed); windows of a new start
    // get the data back.
    QFETCH(QString, mode);
    ModeBench b([](sim::SimOptions &o) {
        o.levels = {0.1, 0.2, 0.3};
        o.levelLambda = 545;
    });
    QVERIFY(b.started);
    b.spectro->Mini = 0;
    b.spectro->Maxi = 10;
    b.spectro->LambdaBeer = 545;
    std::vector<double> measured;
    {
        Windows first(b);
        if (mode == "spectre") {
            first.spectre.show();
            first.spectre.BlancBtnClick();
            QVERIFY(b.WaitIdle());
            first.spectre.SpectreBtnClick();
            QVERIFY(b.WaitIdle());
            for (int i = 0; i < first.spectre.Session.Spectrum.Count(); ++i)
                measured.push_back(first.spectre.Session.Spectrum.A[i]);
        } else {
            first.beer.show();
            first.beer.ZeroBtnClick();
            QVERIFY(b.WaitIdle());
            for (int i = 0; i < 3; ++i) {
                first.beer.EntryRow = i + 2;
                first.beer.BeerMesureGrid->item(i + 2, 0)->setText(QString::number(i + 1));
                first.beer.ValidateEntry();
                QVERIFY(b.WaitIdle());
                measured.push_back(first.beer.Session.Standards[std::size_t(i)].Abs);
            }
            if (mode == "beer, unit") {
                // The quantity and its range changed after the standards.
                b.dialogs.execute = [](QDialog &d) {
                    auto &dlg = static_cast<TModeBeerDlg &>(d);
                    dlg.EditNom->setText("C");
                    dlg.EditUnite->setText("mmol/L");
                    dlg.EditMax->setText("20");
                    return dlg.OKBtnClick();
                };
                first.beer.AcquisitionItemClick();
                QCOMPARE(first.beer.Session.BeerGraph.WorldX.Unit, std::string("mmol/L"));
            }
        }
    }
    QCOMPARE(int(measured.size()), mode == "spectre" ? 471 : 3);
    Windows next(b);
    b.dialogs.asked.clear();
    b.dialogs.answers = {true};
    OfferJournals(nullptr, next.spectre, next.cinetique, next.beer);
    QCOMPARE(b.dialogs.asked.size(), 1);
    if (mode == "spectre") {
        QVERIFY(b.dialogs.asked[0].contains(QString::fromUtf8("Un spectre (")));
        QVERIFY(next.spectre.isVisible());
        QCOMPARE(int(next.spectre.Session.Spectrum.Count()), 471);
        for (int i = 0; i < 471; ++i)
            QCOMPARE(next.spectre.Session.Spectrum.A[i], measured[std::size_t(i)]);
        QVERIFY(next.spectre.Session.AsksSave());
    } else {
        QVERIFY(b.dialogs.asked[0].contains(QString::fromUtf8("Une série de 3 étalons (")));
        QVERIFY(next.beer.isVisible());
        QCOMPARE(next.beer.Session.StandardCount(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(next.beer.Session.Standards[std::size_t(i)].Conc, double(i + 1));
            QCOMPARE(next.beer.Session.Standards[std::size_t(i)].Abs, measured[std::size_t(i)]);
        }
        QVERIFY(next.beer.Session.AsksSave());
        const Tmonde &x = next.beer.Session.BeerGraph.WorldX;
        if (mode == "beer, unit") {
            QCOMPARE(x.Name, std::string("C"));
            QCOMPARE(x.Unit, std::string("mmol/L"));
            QCOMPARE(x.Max, 20.0);
        } else {
            QCOMPARE(x.Unit, std::string("mol/L"));
        }
    }
}

void TestRecovery::newerFormatIsLeftAlone()
{
    ModeBench b;
    Windows w(b);
    Write(w.spectre.JournalPath(), "Journal Vandoral 9\nmode spectre\n---\nnouveau 1\n");
    OfferJournals(nullptr, w.spectre, w.cinetique, w.beer);
    QCOMPARE(b.dialogs.asked.size(), 1);
    QVERIFY(b.dialogs.asked[0].startsWith("message:Le journal de secours"));
    QVERIFY(QFile::exists(w.spectre.JournalPath()));
    QVERIFY(!w.spectre.isVisible());
}

void TestRecovery::anotherCopysJournalIsLeftAlone()
{
    // Two copies of the program share one journal folder (a teacher's home
    // on two computers): the other copy is writing a kinetics run.
    ModeBench b;
    Windows w(b);
    const QString common = TModeForm::JournalPathOf(QStringLiteral("WindowC"));
    Write(common, KineticsJournal());
    JournalWriter other;
    std::string error;
    QVERIFY2(other.Reopen(ToPath(common), &error), error.c_str());
    std::string before;
    QCOMPARE(ReadWholeFile(ToPath(common), before), FileState::Read);
    other.Close();
    QVERIFY(other.Reopen(ToPath(common), &error)); // held again, as it was
    OfferJournals(nullptr, w.spectre, w.cinetique, w.beer);
    QVERIFY(b.dialogs.asked.isEmpty());
    QVERIFY(!w.cinetique.isVisible());
    QVERIFY(!QDir(AbandonedFolder(common)).exists());
    // This copy's kinetics window writes a journal of its own beside it.
    const QString mine = w.cinetique.JournalPath();
    QVERIFY(mine != common);
    QVERIFY2(mine.endsWith(QStringLiteral("-%1.journal").arg(QCoreApplication::applicationPid())), qPrintable(mine));
    // The other copy dies: its run is offered to the next start, once, and
    // taken back there, its journal going on in that window.
    other.Close();
    std::string after;
    QCOMPARE(ReadWholeFile(ToPath(common), after), FileState::Read);
    QCOMPARE(after, before);
    Windows next(b);
    b.dialogs.answers = {true};
    OfferJournals(nullptr, next.spectre, next.cinetique, next.beer);
    QCOMPARE(b.dialogs.asked.size(), 1);
    QVERIFY(b.dialogs.asked[0].contains(QString::fromUtf8("Une cinétique de 3 points")));
    QCOMPARE(int(next.cinetique.Session.Points.Count()), 3);
    QCOMPARE(next.cinetique.JournalFile(), common);
    QVERIFY(JournalWriter::InUse(ToPath(common)));
    // A journal a dead copy wrote under its own name is offered as well.
    Write(TModeForm::JournalFolderPath() + QStringLiteral("/WindowS-poste2-4242.journal"),
          FormatJournalHeader({{"mode", "spectre"}, {"debut", "10/12/2026 11:00:00"}})
              + FormatJournalRecord({"spectre", {"330", "0.1", "0.2", "0.3"}}));
    Windows third(b);
    b.dialogs.asked.clear();
    b.dialogs.answers = {true};
    OfferJournals(nullptr, third.spectre, third.cinetique, third.beer);
    QCOMPARE(b.dialogs.asked.size(), 1);
    QVERIFY(b.dialogs.asked[0].contains(QString::fromUtf8("Un spectre (")));
    QCOMPARE(int(third.spectre.Session.Spectrum.Count()), 3);
}

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"

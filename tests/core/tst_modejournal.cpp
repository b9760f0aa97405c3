// Each mode's crash journal: the records a session's data give, the data a
// journal gives back to a new session (the same doubles), a journal torn at
// every byte, and the question that offers it back.
#include "beerseries.h"
#include "driver.h"
#include "kineticsrun.h"
#include "modejournal.h"
#include "numtext.h"
#include "scriptedinstrument.h"
#include "tracesession.h"

#include "coretest.h"

#include <cstring>
#include <memory>

using namespace vandoral;

namespace {

const std::string Start = "10/12/2026 10:12:05";

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A kinetics run of three points at two wavelengths on a hand clock, its
// journal written as the points end.
struct KineticsJournal {
    KineticsJournal()
    {
        spectro.Nombre = 2;
        spectro.Deltat = 8;
        spectro.Lambda = 545;
        spectro.LambdaBis = 420;
        spectro.ModelName = "Orbis K2";
        REQUIRE(run.StartBlank());
        instrument.Finish(true);
        run.LambdaBisSuivie = true;
        bytes = FormatJournalHeader(KineticsJournalHeader(spectro, true, Start, "essai"));
        run.Start();
        const double a[] = {0.523, 1.0 / 3, 0.1 + 0.2};
        for (int k = 0; k < 3; ++k) {
            if (k > 0) {
                now += run.SecondsToTick();
                run.TimerFired();
            }
            REQUIRE(instrument.Running == ScriptedInstrument::Op::Scan);
            for (int l = spectro.LambdaMin; l <= spectro.LambdaMax; ++l)
                instrument.Value(l, l == 545 ? a[k] : l == 420 && k != 1 ? 0.7 : 0.05);
            instrument.Finish();
            bytes += FormatJournalRecord(KineticsPointRecord(run.Points, k));
        }
        REQUIRE(run.Etat == EtatCinetique::Arrete);
    }
    TspectroVandoral spectro;
    ScriptedInstrument instrument;
    double now = 50;
    TCinetiqueRun run{spectro, instrument, [this] { return now; }};
    std::string bytes;
};

} // namespace

TEST_CASE_FIXTURE(KineticsJournal, "a kinetics run comes back as a finished, unsaved run")
{
    const JournalContents j = ParseJournal(bytes);
    REQUIRE(JournalMode(j) == MeasureMode::Cinetique);
    REQUIRE(JournalCount(j) == 3);
    REQUIRE(RecoveryQuestion(j)
            == "Une cin\xE9tique de 3 points (10/12/2026 10:12) n'a pas \xE9t\xE9 enregistr\xE9" "e. La r\xE9"
               "cup\xE9rer ?");
    TspectroVandoral other; // no instrument, other settings
    TCinetiqueRun back(other, other, [] { return 0.0; });
    REQUIRE(RestoreKinetics(j, back));
    const Tgraphe &g = back.GrapheCinetique;
    const TDataSeries &gp = back.Points, &op = run.Points;
    REQUIRE(gp.Count() == 3);
    for (int k = 0; k < 3; ++k) {
        REQUIRE(SameBits(gp.X[k], op.X[k]));
        REQUIRE(SameBits(gp.A[k], op.A[k]));
        REQUIRE(SameBits(gp.A2[k], op.A2[k]));
    }
    REQUIRE(gp.X[2] == 16.0);
    REQUIRE(gp.A2[1] == 0.05); // what the scan gave at 420 nm then
    REQUIRE(back.Etat == EtatCinetique::Arrete);
    REQUIRE(!back.Sauve);
    REQUIRE(back.LambdaBisSuivie);
    REQUIRE(g.Curve1.Color == LambdaColor(545));
    REQUIRE(g.Curve2.Color == LambdaColor(420));
    REQUIRE(!back.TimerRunning()); // no measurement is resumed
    REQUIRE(!RestoreBeer(j, *std::make_unique<TBeerSeries>(other, other)));
}

TEST_CASE_FIXTURE(KineticsJournal, "a kinetics journal torn at every byte gives back its complete points")
{
    const std::size_t header = FormatJournalHeader(KineticsJournalHeader(spectro, true, Start, "essai")).size();
    for (std::size_t cut = header; cut <= bytes.size(); ++cut) {
        CAPTURE(cut);
        const JournalContents j = ParseJournal(bytes.substr(0, cut));
        std::size_t complete = 0, end = header;
        for (int k = 0; k < 3; ++k)
            if ((end += FormatJournalRecord(KineticsPointRecord(run.Points, k)).size()) <= cut)
                ++complete;
        TCinetiqueRun back(spectro, spectro, [] { return 0.0; });
        REQUIRE(RestoreKinetics(j, back));
        REQUIRE(back.Points.Count() == complete);
        for (std::size_t k = 0; k < complete; ++k)
            REQUIRE(SameBits(back.Points.A[k], run.Points.A[k]));
    }
}

TEST_CASE("a Beer-Lambert series comes back with its corrections and undos")
{
    TspectroVandoral spectro;
    spectro.Mini = 0;
    spectro.Maxi = 10;
    spectro.Nom = "C";
    spectro.Unite = "mmol/L";
    TBeerSeries series(spectro, spectro);
    series.ApplyOptions();
    series.Widen(12);
    std::string bytes = FormatJournalHeader(BeerJournalHeader(spectro, series, Start));
    const std::vector<JournalRecord> records = {
        StandardRecord(0, 3, 0.3),  StandardRecord(1, 1, 0.1),     StandardRecord(2, 2, 0.21),
        StandardRecord(2, 2, 0.2),  StandardRecord(3, 12, 1.2),    IndexRecord("defaire-etalon", 3),
        UnknownRecord(0.15, 1.5),   UnknownRecord(0.25, 2.5),      IndexRecord("defaire-inconnue", 0),
        {"tri", {}}};
    for (const JournalRecord &r : records)
        bytes += FormatJournalRecord(r);
    const JournalContents j = ParseJournal(bytes);
    REQUIRE(!j.damaged);
    REQUIRE(JournalCount(j) == 3);
    REQUIRE(RecoveryQuestion(j)
            == "Une s\xE9rie de 3 \xE9talons (10/12/2026 10:12) n'a pas \xE9t\xE9 enregistr\xE9" "e. La r\xE9"
               "cup\xE9rer ?");
    TspectroVandoral other;
    TBeerSeries back(other, other);
    REQUIRE(RestoreBeer(j, back));
    REQUIRE(back.StandardCount() == 3);
    const double conc[] = {1, 2, 3}, abs[] = {0.1, 0.2, 0.3}; // sorted, standard 2 corrected
    for (int i = 0; i < 3; ++i) {
        REQUIRE(back.Standards[std::size_t(i)].Conc == conc[i]);
        REQUIRE(back.Standards[std::size_t(i)].Abs == abs[i]);
        REQUIRE(back.Data.X[i] == conc[i]);
    }
    REQUIRE(back.UnknownCount() == 1);
    REQUIRE(back.Unknowns[0].Abs == 0.25);
    REQUIRE(back.BeerGraph.WorldX.Name == "C");
    REQUIRE(back.BeerGraph.WorldX.Unit == "mmol/L");
    REQUIRE(back.BeerGraph.WorldX.Max == 12.0); // the axis as it was, widening included
    REQUIRE(!back.Sauve);
    REQUIRE(back.AsksSave());
    // A reset in the journal leaves nothing to offer back.
    const JournalContents emptied = ParseJournal(bytes + FormatJournalRecord({"raz", {}}));
    REQUIRE(JournalCount(emptied) == 0);
}

TEST_CASE("a spectrum comes back, missing values included")
{
    TspectroVandoral spectro;
    TTraceSession s(spectro, &spectro);
    s.Restore(330, {});
    for (int i = 0; i < 471; ++i)
        s.AddValue(330 + i, i == 200 ? MissingValue : 0.001 * i + 1.0 / 7);
    const std::string bytes = FormatJournalHeader(SpectrumJournalHeader(spectro, Start, ""))
                              + FormatJournalRecord(SpectrumRecord(s.Spectrum));
    const JournalContents j = ParseJournal(bytes);
    REQUIRE(RecoveryQuestion(j)
            == "Un spectre (10/12/2026 10:12) n'a pas \xE9t\xE9 enregistr\xE9. Le r\xE9" "cup\xE9rer ?");
    TTraceSession back(spectro, &spectro);
    REQUIRE(RestoreSpectrum(j, back));
    REQUIRE(back.Spectrum.Count() == 471);
    for (int i = 0; i < 471; ++i) {
        REQUIRE(back.Spectrum.X[i] == s.Spectrum.X[i]);
        REQUIRE(SameBits(back.Spectrum.A[i], s.Spectrum.A[i]));
    }
    REQUIRE(back.AsksSave());
    // A spectrum torn in its line gives nothing back.
    const JournalContents torn = ParseJournal(bytes.substr(0, bytes.size() - 10));
    REQUIRE(JournalCount(torn) == 0);
    REQUIRE(!RestoreSpectrum(torn, back));
}

TEST_CASE("a journal of no known mode")
{
    const JournalContents j = ParseJournal("Journal Vandoral 1\nmode autre\n---\n");
    REQUIRE(JournalMode(j) == MeasureMode::None);
    REQUIRE(JournalCount(j) == 0);
    REQUIRE(RecoveryQuestion(j).empty());
}

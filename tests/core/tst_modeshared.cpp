// The save policy of the three modes: for every mode, destination, success
// or failure, and moment (while the program goes on, or at "Quitter"),
// whether the data now count as saved and whether their crash journal ends.
#include "modeshared.h"

#include "coretest.h"

using namespace vandoral;

namespace {

const char *Name(MeasureMode m)
{
    switch (m) {
    case MeasureMode::Spectre: return "spectre";
    case MeasureMode::Cinetique: return "cinetique";
    case MeasureMode::Beer: return "beer";
    case MeasureMode::None: break;
    }
    return "none";
}

const char *Name(SaveTarget t)
{
    switch (t) {
    case SaveTarget::Tabvista: return "Tabvista";
    case SaveTarget::Clipboard: return "clipboard";
    case SaveTarget::File: return "file";
    }
    return "?";
}

} // namespace

TEST_CASE("the save policy")
{
    struct Row {
        MeasureMode mode;
        SaveTarget checked;
        bool succeeded;
        SaveMoment moment;
        SaveTarget used; // where the data actually go
        bool saved;
        bool journalEnds;
    };
    const SaveMoment during = SaveMoment::During, quitting = SaveMoment::Quitting;
    const SaveTarget tab = SaveTarget::Tabvista, clip = SaveTarget::Clipboard, file = SaveTarget::File;
    std::vector<Row> rows;
    for (MeasureMode m : {MeasureMode::Spectre, MeasureMode::Cinetique, MeasureMode::Beer}) {
        for (SaveMoment moment : {during, quitting}) {
            // A hand-over that reached the analysis program, a file written:
            // saved, the journal ends.
            rows.push_back({m, tab, true, moment, tab, true, true});
            rows.push_back({m, file, true, moment, file, true, true});
            // A hand-over that did not reach it (the data are on the
            // clipboard), a file that failed, a dialog cancelled: unsaved,
            // the journal kept.
            rows.push_back({m, tab, false, moment, tab, false, false});
            rows.push_back({m, file, false, moment, file, false, false});
        }
        // A copy to the clipboard at "Quitter" would end with the program:
        // the data go to a file instead, or stay in their journal.
        rows.push_back({m, clip, true, quitting, file, true, true});
        rows.push_back({m, clip, false, quitting, file, false, false});
        rows.push_back({m, clip, false, during, clip, false, false});
    }
    // Copied while the program goes on: the spectrum and the standards count
    // as saved; a kinetics run stays unsaved, and so keeps its journal.
    rows.push_back({MeasureMode::Spectre, clip, true, during, clip, true, true});
    rows.push_back({MeasureMode::Beer, clip, true, during, clip, true, true});
    rows.push_back({MeasureMode::Cinetique, clip, true, during, clip, false, false});
    for (const Row &row : rows) {
        CAPTURE(Name(row.mode));
        CAPTURE(Name(row.checked));
        CAPTURE(row.succeeded);
        CAPTURE(row.moment == quitting);
        const SaveTarget used = TargetAt(row.checked, row.moment);
        REQUIRE(used == row.used);
        const SaveOutcome o = SavePolicy(row.mode, used, row.succeeded, row.moment);
        REQUIRE(o.Saved == row.saved);
        REQUIRE(o.JournalEnds == row.journalEnds);
        // Never a journal ended over data that are not saved.
        REQUIRE((!o.JournalEnds || o.Saved));
    }
}

#include "recovery.h"

#include "beerwindow.h"
#include "dialogs.h"
#include "fileio.h"
#include "journal.h"
#include "kineticswindow.h"
#include "modejournal.h"
#include "qtext.h"
#include "tracewindow.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vandoral {

QString AbandonedFolder(const QString &journalPath)
{
    return QFileInfo(journalPath).absolutePath() + QStringLiteral("/abandonnes");
}

namespace {

void Abandon(const QString &path)
{
    const QString folder = AbandonedFolder(path);
    QDir().mkpath(folder);
    const QString name = QFileInfo(path).completeBaseName() + QLatin1Char('-')
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))
                         + QStringLiteral(".journal");
    if (!QFile::rename(path, folder + QLatin1Char('/') + name))
        QFile::remove(path); // never offered again, whatever happens
}

// One journal of a window: offered back, moved away, or left alone. True
// when the window took its data.
template <class Window>
bool Offer(QWidget *parent, const QString &path, const std::function<Window &()> &window)
{
    // Another copy of the program is writing it (a second copy, or another
    // computer sharing this folder): not ours to offer, move or touch.
    if (JournalWriter::InUse(ToPath(path)))
        return false;
    std::string bytes;
    if (ReadWholeFile(ToPath(path), bytes) != FileState::Read)
        return false;
    const JournalContents j = ParseJournal(bytes);
    if (j.state == JournalContents::State::NewerFormat) {
        CurrentDialogs().Message(parent, QStringLiteral("Le journal de secours %1 vient d'une version plus récente "
                                                        "du programme : il est laissé tel quel.")
                                             .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    if (j.state == JournalContents::State::NotAJournal)
        return false;
    // Nothing measured in it (a header, a torn first record): nothing to ask.
    if (JournalCount(j) == 0) {
        QFile::remove(path);
        return false;
    }
    if (!CurrentDialogs().Question(parent, FromCp(RecoveryQuestion(j)))) {
        Abandon(path);
        return false;
    }
    Window &w = window();
    if (!w.Recover(j, path))
        return false;
    // In front and active, not behind the main window.
    w.show();
    w.raise();
    w.activateWindow();
    return true;
}

// A window's journals: the common one, and those a copy of the program wrote
// beside it while another copy held the common one. A window takes one back
// at a time; the others wait for the next start.
template <class Window>
void OfferAll(QWidget *parent, const QString &section, const std::function<Window &()> &window)
{
    const QString common = TModeForm::JournalPathOf(section);
    QStringList paths{common};
    const QDir folder(QFileInfo(common).absolutePath());
    for (const QString &name : folder.entryList({section + QStringLiteral("-*.journal")}, QDir::Files, QDir::Name))
        paths << folder.filePath(name);
    for (const QString &path : paths)
        if (Offer(parent, path, window))
            return;
}

} // namespace

void OfferJournals(QWidget *parent, const std::function<TTraceSpectre &()> &spectre,
                   const std::function<TCinetiqueForm &()> &cinetique, const std::function<TBeerForm &()> &beer)
{
    OfferAll(parent, QStringLiteral("WindowC"), cinetique);
    OfferAll(parent, QStringLiteral("WindowB"), beer);
    OfferAll(parent, QStringLiteral("WindowS"), spectre);
}

void OfferJournals(QWidget *parent, TTraceSpectre &spectre, TCinetiqueForm &cinetique, TBeerForm &beer)
{
    OfferJournals(
        parent, [&spectre]() -> TTraceSpectre & { return spectre; },
        [&cinetique]() -> TCinetiqueForm & { return cinetique; }, [&beer]() -> TBeerForm & { return beer; });
}

} // namespace vandoral

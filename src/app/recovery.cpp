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

// One window's journal: offered back, moved away, or left alone.
template <class Window> void Offer(QWidget *parent, const QString &section, const std::function<Window &()> &window)
{
    const QString path = TModeForm::JournalPathOf(section);
    std::string bytes;
    if (ReadWholeFile(ToPath(path), bytes) != FileState::Read)
        return;
    const JournalContents j = ParseJournal(bytes);
    if (j.state == JournalContents::State::NewerFormat) {
        CurrentDialogs().Message(parent, QStringLiteral("Le journal de secours %1 vient d'une version plus récente "
                                                        "du programme : il est laissé tel quel.")
                                             .arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (j.state == JournalContents::State::NotAJournal)
        return;
    // Nothing measured in it (a header, a torn first record): nothing to ask.
    if (JournalCount(j) == 0) {
        QFile::remove(path);
        return;
    }
    if (!CurrentDialogs().Question(parent, FromCp(RecoveryQuestion(j)))) {
        Abandon(path);
        return;
    }
    Window &w = window();
    if (w.Recover(j))
        w.show();
}

} // namespace

void OfferJournals(QWidget *parent, const std::function<TTraceSpectre &()> &spectre,
                   const std::function<TCinetiqueForm &()> &cinetique, const std::function<TBeerForm &()> &beer)
{
    Offer(parent, QStringLiteral("WindowC"), cinetique);
    Offer(parent, QStringLiteral("WindowB"), beer);
    Offer(parent, QStringLiteral("WindowS"), spectre);
}

void OfferJournals(QWidget *parent, TTraceSpectre &spectre, TCinetiqueForm &cinetique, TBeerForm &beer)
{
    OfferJournals(
        parent, [&spectre]() -> TTraceSpectre & { return spectre; },
        [&cinetique]() -> TCinetiqueForm & { return cinetique; }, [&beer]() -> TBeerForm & { return beer; });
}

} // namespace vandoral

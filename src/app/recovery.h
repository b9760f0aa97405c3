// At start-up, the crash journals a session that did not end left behind:
// each offered back with one question ("Oui" opens its window with the data
// as they were, unsaved; "Non" moves it to "abandonnes", never offered again).
#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace vandoral {

class TBeerForm;
class TCinetiqueForm;
class TTraceSpectre;

// The folder where refused journals go, beside the journals.
QString AbandonedFolder(const QString &journalPath);

void OfferJournals(QWidget *parent, TTraceSpectre &spectre, TCinetiqueForm &cinetique, TBeerForm &beer);
// The same with windows built only when a journal is taken back.
void OfferJournals(QWidget *parent, const std::function<TTraceSpectre &()> &spectre,
                   const std::function<TCinetiqueForm &()> &cinetique, const std::function<TBeerForm &()> &beer);

} // namespace vandoral

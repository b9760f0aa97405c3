// What each mode writes in its crash journal, and how a journal left by a
// session that did not end gives its data back: the headers and records of a
// kinetics run, a Beer-Lambert series and a spectrum, the question that offers
// a journal back, and the data rebuilt in the mode's session.
#pragma once

#include "journal.h"
#include "modeshared.h"

#include <string>

namespace vandoral {

struct TDataSeries;
class TBeerSeries;
class TCinetiqueRun;
class TTraceSession;
class TspectroVandoral;

// The mode a journal belongs to (None for another file).
MeasureMode JournalMode(const JournalContents &journal);

// Headers: the mode, `start` (the date and time the data began, as shown to
// the user), the instrument's model and what rebuilding the data needs.
JournalHeader KineticsJournalHeader(const TspectroVandoral &spectro, bool two, const std::string &start,
                                    const std::string &comment);
JournalHeader BeerJournalHeader(const TspectroVandoral &spectro, const TBeerSeries &series, const std::string &start);
JournalHeader SpectrumJournalHeader(const TspectroVandoral &spectro, const std::string &start,
                                    const std::string &comment);

// Records.
JournalRecord KineticsPointRecord(const TDataSeries &points, int index);
JournalRecord StandardRecord(int index, double conc, double abs);
JournalRecord UnknownRecord(double abs, double conc);
JournalRecord IndexRecord(const char *kind, int index); // "defaire-etalon", "defaire-inconnue"
JournalRecord SpectrumRecord(const TDataSeries &spectrum);
// The Beer-Lambert quantity and range as the options left them.
JournalRecord AxisRecord(const TBeerSeries &series);

// How many measurements a journal holds (points, standards, spectra): none
// means nothing to offer back.
int JournalCount(const JournalContents &journal);
// "Une cinétique de 3 points (10/12/2026 10:12) n'a pas été enregistrée. La
// récupérer ?", and the same for a series of standards and a spectrum.
std::string RecoveryQuestion(const JournalContents &journal);

// The data rebuilt in a session, unsaved; false when the journal is not of
// that mode.
bool RestoreKinetics(const JournalContents &journal, TCinetiqueRun &run);
bool RestoreBeer(const JournalContents &journal, TBeerSeries &series);
bool RestoreSpectrum(const JournalContents &journal, TTraceSession &session);

} // namespace vandoral

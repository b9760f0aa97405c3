#include "modejournal.h"

#include "beerseries.h"
#include "driver.h"
#include "kineticsrun.h"
#include "numtext.h"
#include "tracesession.h"

#include <algorithm>
#include <charconv>

namespace vandoral {

namespace {

double Number(const std::string &text)
{
    double v = MissingValue;
    ReadJournalNumber(text, v);
    return v;
}

int Integer(const std::string &text, int fallback = 0)
{
    int v = fallback;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    return r.ec == std::errc() ? v : fallback;
}

// "10/12/2026 10:12" of "10/12/2026 10:12:05".
std::string ShortStart(const std::string &start)
{
    const std::size_t colon = start.rfind(':');
    return colon != std::string::npos && start.find(':') != colon ? start.substr(0, colon) : start;
}

} // namespace

MeasureMode JournalMode(const JournalContents &j)
{
    if (j.state != JournalContents::State::Read)
        return MeasureMode::None;
    const std::string mode = j.Value("mode");
    if (mode == "cinetique")
        return MeasureMode::Cinetique;
    if (mode == "beer")
        return MeasureMode::Beer;
    if (mode == "spectre")
        return MeasureMode::Spectre;
    return MeasureMode::None;
}

JournalHeader KineticsJournalHeader(const TspectroVandoral &s, bool two, const std::string &start,
                                    const std::string &comment)
{
    return {{"mode", "cinetique"},
            {"debut", start},
            {"modele", s.ModelName},
            {"lambda", std::to_string(s.Lambda)},
            {"lambdabis", std::to_string(s.LambdaBis)},
            {"deux", two ? "1" : "0"},
            {"deltat", std::to_string(s.Deltat)},
            {"nombre", std::to_string(s.Nombre)},
            {"commentaire", comment}};
}

JournalHeader BeerJournalHeader(const TspectroVandoral &s, const TBeerSeries &series, const std::string &start)
{
    const Tmonde &x = series.BeerGraph.WorldX; // the range, widened or not
    return {{"mode", "beer"},
            {"debut", start},
            {"modele", s.ModelName},
            {"lambda", std::to_string(s.LambdaBeer)},
            {"nom", series.Data.XAxis.Name},
            {"unite", series.Data.XAxis.Unit},
            {"signif", series.Data.XAxis.LongName},
            {"mini", JournalNumber(x.Min)},
            {"maxi", JournalNumber(x.Max)}};
}

JournalHeader SpectrumJournalHeader(const TspectroVandoral &s, const std::string &start, const std::string &comment)
{
    return {{"mode", "spectre"}, {"debut", start}, {"modele", s.ModelName}, {"commentaire", comment}};
}

JournalRecord KineticsPointRecord(const TDataSeries &points, int k)
{
    const std::size_t i = std::size_t(k);
    return {"point", {JournalNumber(points.X[i]), JournalNumber(points.A[i]), JournalNumber(points.A2[i])}};
}

JournalRecord StandardRecord(int index, double conc, double abs)
{
    return {"etalon", {std::to_string(index), JournalNumber(conc), JournalNumber(abs)}};
}

JournalRecord UnknownRecord(double abs, double conc)
{
    return {"inconnue", {JournalNumber(abs), JournalNumber(conc)}};
}

JournalRecord IndexRecord(const char *kind, int index)
{
    return {kind, {std::to_string(index)}};
}

JournalRecord AxisRecord(const TBeerSeries &series)
{
    const Tmonde &x = series.BeerGraph.WorldX;
    const TAxisNames &names = series.Data.XAxis;
    return {"axe", {JournalNumber(x.Min), JournalNumber(x.Max), JournalText(names.Name), JournalText(names.Unit),
                    JournalText(names.LongName)}};
}

JournalRecord SpectrumRecord(const TDataSeries &spectrum)
{
    JournalRecord r{"spectre", {std::to_string(spectrum.Empty() ? 0 : int(spectrum.X[0]))}};
    for (double a : spectrum.A)
        r.fields.push_back(JournalNumber(a));
    return r;
}

namespace {

// The concentration axis of a series: its quantity and range.
struct BeerAxis {
    std::string nom, unite, signif;
    double mini = 0, maxi = 0;
};

// The series the records of a Beer-Lambert journal leave, on the axis the
// last change of the options left.
void ReplayBeer(const JournalContents &j, std::vector<BeerStandard> &standards, std::vector<BeerUnknown> &unknowns,
                BeerAxis *axis = nullptr)
{
    for (const JournalRecord &r : j.records) {
        if (r.kind == "axe") {
            if (axis) {
                axis->mini = Number(r.fields[0]);
                axis->maxi = Number(r.fields[1]);
                ReadJournalText(r.fields[2], axis->nom);
                ReadJournalText(r.fields[3], axis->unite);
                ReadJournalText(r.fields[4], axis->signif);
            }
        } else if (r.kind == "etalon") {
            const std::size_t i = std::size_t(Integer(r.fields[0]));
            const BeerStandard s{Number(r.fields[1]), Number(r.fields[2])};
            if (i < standards.size())
                standards[i] = s;
            else
                standards.push_back(s);
        } else if (r.kind == "defaire-etalon") {
            const std::size_t i = std::size_t(Integer(r.fields[0]));
            if (i < standards.size())
                standards.erase(standards.begin() + std::ptrdiff_t(i));
        } else if (r.kind == "inconnue") {
            unknowns.push_back({Number(r.fields[0]), Number(r.fields[1])});
        } else if (r.kind == "defaire-inconnue") {
            const std::size_t j2 = std::size_t(Integer(r.fields[0]));
            if (j2 < unknowns.size())
                unknowns.erase(unknowns.begin() + std::ptrdiff_t(j2));
        } else if (r.kind == "raz") {
            standards.clear();
            unknowns.clear();
        } else if (r.kind == "tri") {
            std::stable_sort(standards.begin(), standards.end(),
                             [](const BeerStandard &a, const BeerStandard &b) { return a.Conc < b.Conc; });
        }
    }
}

const JournalRecord *LastSpectrum(const JournalContents &j)
{
    for (auto it = j.records.rbegin(); it != j.records.rend(); ++it)
        if (it->kind == "spectre")
            return &*it;
    return nullptr;
}

} // namespace

int JournalCount(const JournalContents &j)
{
    switch (JournalMode(j)) {
    case MeasureMode::Cinetique:
        return int(std::count_if(j.records.begin(), j.records.end(),
                                 [](const JournalRecord &r) { return r.kind == "point"; }));
    case MeasureMode::Beer: {
        std::vector<BeerStandard> standards;
        std::vector<BeerUnknown> unknowns;
        ReplayBeer(j, standards, unknowns);
        return int(standards.size());
    }
    case MeasureMode::Spectre: return LastSpectrum(j) ? 1 : 0;
    case MeasureMode::None: break;
    }
    return 0;
}

std::string RecoveryQuestion(const JournalContents &j)
{
    const int n = JournalCount(j);
    const std::string when = " (" + ShortStart(j.Value("debut")) + ")";
    switch (JournalMode(j)) {
    case MeasureMode::Cinetique:
        return "Une cin\xE9tique de " + std::to_string(n) + (n > 1 ? " points" : " point") + when
               + " n'a pas \xE9t\xE9 enregistr\xE9" "e. La r\xE9" "cup\xE9rer ?";
    case MeasureMode::Beer:
        return "Une s\xE9rie de " + std::to_string(n) + (n > 1 ? " \xE9talons" : " \xE9talon") + when
               + " n'a pas \xE9t\xE9 enregistr\xE9" "e. La r\xE9" "cup\xE9rer ?";
    case MeasureMode::Spectre:
        return "Un spectre" + when + " n'a pas \xE9t\xE9 enregistr\xE9. Le r\xE9" "cup\xE9rer ?";
    case MeasureMode::None: break;
    }
    return std::string();
}

bool RestoreKinetics(const JournalContents &j, TCinetiqueRun &run)
{
    if (JournalMode(j) != MeasureMode::Cinetique)
        return false;
    std::vector<TCinetiqueRun::Point> points;
    for (const JournalRecord &r : j.records)
        if (r.kind == "point")
            points.push_back({Number(r.fields[0]), Number(r.fields[1]), Number(r.fields[2])});
    run.Restore(points, Integer(j.Value("lambda"), 500), Integer(j.Value("lambdabis"), 500), j.Value("deux") == "1");
    return true;
}

bool RestoreBeer(const JournalContents &j, TBeerSeries &series)
{
    if (JournalMode(j) != MeasureMode::Beer)
        return false;
    std::vector<BeerStandard> standards;
    std::vector<BeerUnknown> unknowns;
    BeerAxis axis{j.Value("nom"), j.Value("unite"), j.Value("signif"), Number(j.Value("mini")),
                  Number(j.Value("maxi"))};
    ReplayBeer(j, standards, unknowns, &axis);
    series.Restore(std::move(standards), std::move(unknowns), axis.nom, axis.unite, axis.signif, axis.mini,
                   axis.maxi);
    return true;
}

bool RestoreSpectrum(const JournalContents &j, TTraceSession &session)
{
    const JournalRecord *r = LastSpectrum(j);
    if (JournalMode(j) != MeasureMode::Spectre || !r)
        return false;
    std::vector<double> values;
    for (std::size_t i = 1; i < r->fields.size(); ++i)
        values.push_back(Number(r->fields[i]));
    session.Restore(Integer(r->fields[0]), values);
    return true;
}

} // namespace vandoral

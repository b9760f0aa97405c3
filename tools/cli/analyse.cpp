#include "analyse.h"

#include "analysis.h"
#include "analysistext.h"
#include "fileio.h"
#include "openfile.h"
#include "numtext.h"
#include "qtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace vandoral {

namespace {

void Line(FILE *to, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fputc('\n', to);
}

int Fail(const QString &file, const QString &why)
{
    Line(stderr, QStringLiteral("vandoral-cli: %1 : %2").arg(file, why));
    return 1;
}

QJsonValue Number(const std::optional<double> &v)
{
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

int Spectrum(const AnalyseOptions &o, const DataTable &t, QJsonObject &json, QStringList &lines)
{
    if (t.Columns.size() < 2 || PresentCount(t.Columns[1].data(), t.Rows()) < 3)
        return Fail(o.file, QStringLiteral("trop peu de points pour chercher des pics (au moins 3)"));
    const auto peaks = FindPeaks(t.Columns[0].data(), t.Columns[1].data(), t.Rows());
    QJsonArray list;
    for (const Peak &p : peaks)
        list.append(QJsonObject{{QStringLiteral("lambda"), p.Lambda}, {QStringLiteral("a"), p.A}});
    json.insert(QStringLiteral("mode"), QStringLiteral("spectrum"));
    json.insert(QStringLiteral("peaks"), list);
    lines << PeaksLine(peaks);
    return 0;
}

int Kinetics(const AnalyseOptions &o, const DataTable &t, QJsonObject &json, QStringList &lines)
{
    QJsonArray columns;
    bool enough = false;
    for (std::size_t c = 1; c < t.Columns.size(); ++c) {
        const double *time = t.Columns[0].data(), *a = t.Columns[c].data();
        if (PresentCount(a, t.Rows()) < 5)
            continue;
        enough = true;
        const QString name = c < t.Names.size() && !t.Names[c].empty() ? FromCp(t.Names[c])
                                                                        : QStringLiteral("A%1").arg(c);
        const auto fit = FitFirstOrder(time, a, t.Rows());
        const auto rate = InitialRate(time, a, t.Rows());
        QJsonValue first(QJsonValue::Null);
        if (fit)
            first = QJsonObject{{QStringLiteral("k"), fit->K},       {QStringLiteral("a0"), fit->A0},
                                {QStringLiteral("a_inf"), fit->AInf}, {QStringLiteral("t_half"), fit->THalf},
                                {QStringLiteral("r2"), fit->R2}};
        columns.append(QJsonObject{{QStringLiteral("name"), name},
                                   {QStringLiteral("first_order"), first},
                                   {QStringLiteral("initial_rate"), Number(rate)}});
        lines << KineticsLines(name, fit, rate);
    }
    if (!enough)
        return Fail(o.file, QStringLiteral("trop peu de points pour un ajustement (au moins 5 par longueur d'onde)"));
    json.insert(QStringLiteral("mode"), QStringLiteral("kinetics"));
    json.insert(QStringLiteral("columns"), columns);
    return 0;
}

int Beer(const AnalyseOptions &o, const DataTable &t, QJsonObject &json, QStringList &lines)
{
    const auto st = t.Columns.size() < 2 ? std::nullopt
                                         : ComputeBeerStats(t.Columns[0].data(), t.Columns[1].data(), t.Rows());
    if (!st)
        return Fail(o.file, QStringLiteral("il faut au moins deux étalons de concentration et d'absorbance positives"));
    json.insert(QStringLiteral("mode"), QStringLiteral("beer"));
    json.insert(QStringLiteral("origin"), QJsonObject{{QStringLiteral("k"), st->K},
                                                      {QStringLiteral("s"), Number(st->S)},
                                                      {QStringLiteral("r2"), Number(st->R2Origin)}});
    QJsonValue intercept(QJsonValue::Null);
    if (st->HasIntercept)
        intercept = QJsonObject{{QStringLiteral("a"), st->A},          {QStringLiteral("b"), st->B},
                                {QStringLiteral("u_a"), Number(st->UA)}, {QStringLiteral("u_b"), Number(st->UB)},
                                {QStringLiteral("r2"), Number(st->R2Intercept)}};
    json.insert(QStringLiteral("intercept"), intercept);
    lines << BeerStatsLines(*st);
    QJsonArray unknowns;
    for (double a : o.unknowns) {
        const UnknownEstimate e = EstimateUnknown(*st, a);
        const char *range = e.Range == UnknownRange::Inside ? "inside" : "outside"; // a file has no top of scale
        unknowns.append(QJsonObject{{QStringLiteral("a"), a}, {QStringLiteral("c"), e.C},
                                    {QStringLiteral("u_c"), Number(e.U ? std::optional<double>(*e.U / 2) : std::nullopt)},
                                    {QStringLiteral("range"), QString::fromLatin1(range)}});
        lines << QStringLiteral("A = %1 : c = %2")
                     .arg(FromCp(FormatAbs(a)), FromCp(ValueWithUncertainty(e.C, e.U) + RangeMark(e.Range)));
    }
    json.insert(QStringLiteral("unknowns"), unknowns);
    return 0;
}

} // namespace

int Analyse(const AnalyseOptions &o)
{
    std::string error;
    DataTable table;
    if (!ReadTableFile(o.file, table, &error))
        return Fail(o.file, FromCp(error));
    const MeasureMode mode = o.mode != MeasureMode::None ? o.mode : table.Mode;
    QJsonObject json;
    QStringList lines;
    int status = 1;
    switch (mode) {
    case MeasureMode::Spectre: status = Spectrum(o, table, json, lines); break;
    case MeasureMode::Cinetique: status = Kinetics(o, table, json, lines); break;
    case MeasureMode::Beer: status = Beer(o, table, json, lines); break;
    case MeasureMode::None:
        return Fail(o.file, QStringLiteral("mode du fichier inconnu : indiquez --mode spectrum, kinetics ou beer"));
    }
    if (status != 0)
        return status;
    if (o.json) {
        std::fputs(QJsonDocument(json).toJson(QJsonDocument::Indented).constData(), stdout);
    } else {
        for (const QString &l : lines)
            Line(stdout, l);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace vandoral

#include "analysistext.h"

#include "numtext.h"
#include "qtext.h"

namespace vandoral {

QString Figure(double value, int digits)
{
    return FromCp(GeneralFormat(value, digits, 0, Formats().decimalSeparator));
}

QString PeaksLine(const std::vector<Peak> &peaks)
{
    if (peaks.empty())
        return QStringLiteral("λmax : aucun pic");
    return QStringLiteral("λmax : ") + FromCp(PeakListText(peaks));
}

QString MissesOriginText()
{
    return QStringLiteral("La droite ne passe pas par l'origine : vérifiez le blanc");
}

QStringList BeerStatsLines(const BeerStats &st)
{
    QStringList lines;
    QString origin = QStringLiteral("Droite par l'origine (%1 étalons) : k = %2").arg(st.N).arg(Figure(st.K));
    if (st.S)
        origin += QStringLiteral(" ; s = ") + Figure(*st.S, 2);
    if (st.UK)
        origin += QStringLiteral(" ; u(k) = ") + Figure(*st.UK, 2);
    if (st.R2Origin)
        origin += QStringLiteral(" ; R² = ") + Figure(*st.R2Origin, 5);
    lines << origin;
    if (st.HasIntercept) {
        QString line = QStringLiteral("Droite A = a + b·c : a = ") + Figure(st.A, 3);
        if (st.UA)
            line += QStringLiteral(" (u = ") + Figure(*st.UA, 2) + QLatin1Char(')');
        line += QStringLiteral(" ; b = ") + Figure(st.B);
        if (st.UB)
            line += QStringLiteral(" (u = ") + Figure(*st.UB, 2) + QLatin1Char(')');
        if (st.R2Intercept)
            line += QStringLiteral(" ; R² = ") + Figure(*st.R2Intercept, 5);
        lines << line;
    } else {
        lines << QStringLiteral("Droite A = a + b·c : non définie (concentrations égales)");
    }
    if (st.MissesOrigin)
        lines << MissesOriginText();
    return lines;
}

QString NotFirstOrderText()
{
    return QStringLiteral("Pas de cinétique d'ordre 1 reconnaissable");
}

QStringList KineticsLines(const QString &column, const std::optional<FirstOrderFit> &fit,
                          const std::optional<double> &rate)
{
    QStringList lines;
    if (fit)
        lines << QStringLiteral("%1 : ordre 1, k = %2 s⁻¹ ; t½ = %3 s ; A₀ = %4 ; A∞ = %5 ; R² = %6")
                     .arg(column, Figure(fit->K), Figure(fit->THalf, 3), FromCp(FormatAbs(fit->A0)),
                          FromCp(FormatAbs(fit->AInf)), Figure(fit->R2, 5));
    else
        lines << column + QStringLiteral(" : ") + NotFirstOrderText();
    if (rate)
        lines << QStringLiteral("%1 : vitesse initiale = %2 A·s⁻¹").arg(column, Figure(*rate, 3));
    return lines;
}

QStringList KineticsFigureLines(const std::vector<TCinetiqueRun::CurveFigures> &figures)
{
    QStringList lines;
    for (std::size_t i = 0; i < figures.size(); ++i) {
        const TCinetiqueRun::CurveFigures &f = figures[i];
        const QString column = f.Lambda > 0 ? QStringLiteral("A (%1 nm)").arg(f.Lambda)
                                            : i == 0 ? QStringLiteral("A") : QStringLiteral("A2");
        if (!f.Enough)
            lines << column + QStringLiteral(" : trop peu de points pour un ajustement (au moins 5)");
        else
            lines << KineticsLines(column, f.Fit, f.Rate);
    }
    return lines;
}

QStringList BeerStatsOrWhy(const TBeerSeries &series, bool unknownsOn)
{
    if (series.Stats)
        return BeerStatsLines(*series.Stats);
    if (unknownsOn && series.StandardCount() > 0)
        return {QStringLiteral("Statistiques : à partir de deux étalons")};
    return {};
}

QStringList BeerPageLines(const TBeerSeries &series, bool unknownsOn, const std::function<QString(double)> &absText)
{
    QStringList lines = BeerStatsOrWhy(series, unknownsOn);
    if (!series.HasLine())
        return lines;
    for (int j = 0; j < series.UnknownCount(); ++j) {
        const BeerUnknown &u = series.Unknowns[std::size_t(j)];
        const UnknownEstimate e = series.Estimate(u);
        lines << QStringLiteral("Inconnue %1 : A = %2 ; %3 = %4")
                     .arg(j + 1)
                     .arg(absText(u.Abs), FromCp(series.Data.XAxis.Name),
                          FromCp(ValueWithUncertainty(e.C, e.U) + RangeMark(e.Range)));
    }
    return lines;
}

} // namespace vandoral

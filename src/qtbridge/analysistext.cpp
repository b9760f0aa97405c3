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

} // namespace vandoral

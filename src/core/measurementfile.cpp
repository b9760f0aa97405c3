#include "measurementfile.h"

#include "graphker.h"
#include "jcampdx.h"

#include <cmath>

namespace vandoral {

namespace {

bool Fail(std::string *error, const std::string &message)
{
    if (error)
        *error = message;
    return false;
}

bool Present(double v)
{
    return v != MissingValue;
}

bool Blank(const std::string &s)
{
    return s.find_first_not_of(" \t\r") == std::string::npos;
}

TAxisNames AxisAt(const DataTable &t, std::size_t column, const TAxisNames &fallback)
{
    const auto &h = t.HeaderLines;
    if (h.size() < 4)
        return fallback;
    const std::size_t n = h.size();
    auto field = [&](std::size_t line) {
        const std::vector<std::string> f = SplitFields(h[line], t.Separator);
        return column < f.size() ? f[column] : std::string();
    };
    return {Cut(field(n - 3), 20), Cut(field(n - 2), 20), Cut(field(n - 1), 255)};
}

} // namespace

std::string ModeNoun(MeasureMode mode)
{
    switch (mode) {
    case MeasureMode::Spectre: return "un spectre";
    case MeasureMode::Cinetique: return "une cin\xE9tique";
    case MeasureMode::Beer: return "une s\xE9rie de Beer-Lambert";
    case MeasureMode::None: break;
    }
    return "des donn\xE9" "es d'un mode inconnu";
}

bool TableFromJcamp(const std::string &bytes, DataTable &table, std::string *error)
{
    JcampSpectrum s;
    if (!ReadJcamp(bytes, s, error))
        return false;
    table = DataTable();
    table.Mode = MeasureMode::Spectre;
    table.HeaderLines = {s.title, "Lambda\tA", "nm\t", "Longueur d'onde\t"};
    table.Names = {"Lambda", "A"};
    table.Columns = {s.points.X, s.points.A};
    return true;
}

bool MeasurementFromTable(const DataTable &t, MeasureMode wanted, LoadedMeasurement &m, std::string *error)
{
    m = LoadedMeasurement();
    if (t.Mode == MeasureMode::None)
        return Fail(error, "Ce fichier n'est pas un fichier de donn\xE9" "es du programme : ses lignes d'en-t\xEAte "
                           "ne disent pas s'il tient un spectre, une cin\xE9tique ou une s\xE9rie de Beer-Lambert");
    if (wanted != MeasureMode::None && t.Mode != wanted)
        return Fail(error, "Ce fichier contient " + ModeNoun(t.Mode) + ", pas " + ModeNoun(wanted)
                               + " : ouvrez-le dans la fen\xEAtre de son mode");
    if (t.IrregularLine > 0)
        return Fail(error, "Ligne " + std::to_string(t.IrregularLine)
                               + " : le nombre de colonnes change, le fichier est endommag\xE9");
    const int rows = t.Rows();
    if (rows > GraphCapacity)
        return Fail(error, "Le fichier a " + std::to_string(rows) + " points : " + std::to_string(GraphCapacity)
                               + " au plus tiennent sur un graphe, rien n'est charg\xE9");
    m.Mode = t.Mode;
    m.Title = t.HeaderLines.empty() ? std::string() : SplitFields(t.HeaderLines.front(), t.Separator).front();
    const auto &x = t.Columns[0];
    const auto &a = t.Columns[1];
    for (int i = 0; i < rows; ++i)
        if (!Present(x[i]) || !std::isfinite(x[i]))
            return Fail(error, "Le point " + std::to_string(i + 1) + " n'a pas d'abscisse");
    // What follows the values: only a Beer-Lambert file has lines there.
    if (t.Mode != MeasureMode::Beer) {
        for (std::size_t k = 0; k < t.Trailer.size(); ++k)
            if (!Blank(t.Trailer[k]))
                return Fail(error, "Ligne " + std::to_string(t.TrailerLine + int(k)) + " : \xAB "
                                       + Cut(t.Trailer[k], 40) + " \xBB n'est pas une ligne de valeurs");
    }
    TDataSeries &d = m.Data;
    d.YAxis = AbsorbanceAxis;
    switch (t.Mode) {
    case MeasureMode::Spectre:
        d.XAxis = {"Lambda", "nm", "Longueur d'onde"};
        for (int i = 0; i < rows; ++i) {
            if (x[i] < 100 || x[i] > 3000)
                return Fail(error, "Le point " + std::to_string(i + 1) + " est hors de 100-3000 nm");
            d.Append(x[i], a[i]);
        }
        break;
    case MeasureMode::Cinetique:
        d.XAxis = AxisAt(t, 0, {"t", "s", "temps"});
        d.YAxis = AxisAt(t, 1, AbsorbanceAxis);
        d.Two = t.Columns.size() >= 3;
        for (int i = 0; i < rows; ++i)
            d.Append(x[i], a[i], d.Two ? t.Columns[2][i] : MissingValue);
        break;
    case MeasureMode::Beer: {
        d.XAxis = AxisAt(t, 0, {"c", "", "concentration"});
        d.YAxis = AxisAt(t, 1, AbsorbanceAxis);
        for (int i = 0; i < rows; ++i)
            d.Append(x[i], a[i]);
        bool inUnknowns = false;
        for (std::size_t k = 0; k < t.Trailer.size(); ++k) {
            const std::string &line = t.Trailer[k];
            if (Blank(line))
                continue;
            const std::vector<std::string> f = SplitFields(line, t.Separator);
            const std::string where = "Ligne " + std::to_string(t.TrailerLine + int(k)) + " : ";
            double v = 0;
            if (f[0] == BeerLambdaLabel) {
                if (f.size() < 2 || !ReadNumberField(f[1], v) || !(v >= 100 && v <= 3000) || v != std::floor(v))
                    return Fail(error, where + "longueur d'onde illisible");
                m.Lambda = int(v);
            } else if (f[0] == BeerUnknownsLabel) {
                inUnknowns = true;
            } else if (inUnknowns) {
                double abs = 0, conc = 0;
                if (f.size() < 3 || !ReadNumberField(f[0], v) || !ReadNumberField(f[1], abs)
                    || !ReadNumberField(f[2], conc))
                    return Fail(error, where + "inconnue illisible");
                if (int(m.Unknowns.size()) >= GraphCapacity)
                    return Fail(error, where + "trop d'inconnues");
                m.Unknowns.push_back({abs, conc});
            } else {
                return Fail(error, where + "\xAB " + Cut(line, 40) + " \xBB n'est pas une ligne de valeurs");
            }
        }
        break;
    }
    case MeasureMode::None: break;
    }
    return true;
}

FileRequest RequestOf(const LoadedMeasurement &m)
{
    FileRequest r;
    r.kind = m.Mode;
    r.data = &m.Data;
    r.twoCurves = m.Data.Two;
    r.comment = m.Title;
    const std::string beerLine = "Loi de Beer-Lambert ";
    r.dateTime = m.Title.rfind(beerLine, 0) == 0 ? m.Title.substr(beerLine.size()) : m.Title;
    r.lambda = m.Lambda;
    r.unknowns = m.Unknowns;
    return r;
}

} // namespace vandoral

#include "exportblock.h"

#include "numtext.h"

namespace vandoral {

namespace {

constexpr std::size_t TwoColumnLimit = 41; // two number texts and a TAB

std::string Num(double value, bool versTabvista)
{
    return versTabvista ? TexteNombre(value) : TexteNombreLocal(value);
}

} // namespace

BlockStyle StyleOf(const Tgraphe &g)
{
    return {g.MarkerSize, g.Grid, g.Curve1.Color, g.Curve2.Color, g.DrawMode};
}

std::string LigneValue(int drawMode)
{
    switch (drawMode) {
    case 2: return "1";
    case 3: return "3";
    default: return "2";
    }
}

std::vector<std::string> BuildBlock(const BlockRequest &r, const PageInfo &page)
{
    std::vector<std::string> lines;
    const TDataSeries &d = *r.data;
    const bool kinetics = r.kind == MeasureMode::Cinetique;
    const bool two = kinetics && r.twoCurves;
    // The kinetics block's lines may hold three columns; the others two.
    const std::size_t limit = kinetics ? TextLimit : TwoColumnLimit;
    auto add = [&](const std::string &line, std::size_t max) { lines.push_back(Cut(line, max)); };

    if (r.versTabvista)
        add(r.programPath, TextLimit);
    switch (r.kind) {
    case MeasureMode::None: // no request is made without a mode: a spectrum's lines
    case MeasureMode::Spectre: add("Spectre " + r.dateTime, TextLimit); break;
    case MeasureMode::Cinetique: add("Cin\xE9tique  " + r.dateTime, TextLimit); break;
    case MeasureMode::Beer: add("Loi de Beer-Lambert " + r.dateTime, TextLimit); break;
    }
    add(page.comment, TextLimit);

    const std::string xName = Cut(d.XAxis.Name, ShortTextLimit), yName = Cut(d.YAxis.Name, ShortTextLimit);
    const std::string xUnit = Cut(d.XAxis.Unit, ShortTextLimit), yUnit = Cut(d.YAxis.Unit, ShortTextLimit);
    const std::string xLong = Cut(d.XAxis.LongName, TextLimit), yLong = Cut(d.YAxis.LongName, TextLimit);
    if (r.kind == MeasureMode::Spectre) {
        add(std::string(r.versTabvista ? std::string(1, LambdaMark) : std::string("Lambda")) + "\tA", limit);
        add("nm\t", limit);
        add("Longueur d'onde\t", limit);
    } else {
        add(xName + "\t" + yName + (two ? "\t" + yName + "2" : ""), limit);
        add(xUnit + "\t" + yUnit + (two ? "\t" + yUnit : ""), limit);
        if (kinetics)
            add(xLong + "\t" + yLong + (two ? "\t" + yLong : ""), limit);
    }
    for (int i = 0; i < d.Count(); ++i) {
        std::string line = Num(d.X[i], r.versTabvista) + "\t" + Num(d.A[i], r.versTabvista);
        if (two)
            line += "\t" + Num(d.A2[i], r.versTabvista);
        add(line, limit);
    }
    if (r.versTabvista) {
        AjouteConstante(lines, page);
        AjouteOptions(lines, r);
    }
    return lines;
}

std::string JoinBlock(const std::vector<std::string> &lines)
{
    std::size_t size = 0;
    for (const auto &l : lines)
        size += l.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto &l : lines) {
        text += l;
        text += "\r\n";
    }
    return text;
}

void AjouteConstante(std::vector<std::string> &lines, const PageInfo &page)
{
    const std::string symbol = Cut(page.symbol, 8);
    if (symbol.empty())
        return;
    lines.emplace_back();
    lines.push_back(symbol);
    lines.push_back(Cut(page.unit, ShortTextLimit));
    lines.push_back(Cut(page.value, TextLimit));
}

void AjouteOptions(std::vector<std::string> &lines, const BlockRequest &r)
{
    const TDataSeries &d = *r.data;
    const BlockStyle &g = r.style;
    const bool two = r.kind == MeasureMode::Cinetique && r.twoCurves;
    auto option = [&](const char *keyword, std::initializer_list<std::string> values) {
        lines.push_back(std::string(1, MarqueEntete) + keyword);
        for (const auto &v : values)
            lines.push_back(v);
    };
    const std::string xName = Cut(d.XAxis.Name, ShortTextLimit), yName = Cut(d.YAxis.Name, ShortTextLimit);
    const std::string ligne = LigneValue(g.drawMode);
    const std::string motif = r.kind == MeasureMode::Spectre ? "0" : "5";
    if (two) {
        option("2 NOMX", {xName, xName});
        option("2 NOMY", {yName, yName + "2"});
    } else {
        option("1 NOMX", {xName});
        option("1 NOMY", {yName});
    }
    option("1 DIMPOINT", {std::to_string(g.markerSize)});
    option("1 GRILLE", {g.grid ? "1" : "0"});
    if (two) {
        option("2 COULEUR", {std::to_string(g.color1), std::to_string(g.color2)});
        option("2 MOTIF", {motif, motif});
        option("2 LIGNE", {ligne, ligne});
    } else {
        option("1 COULEUR", {std::to_string(g.color1)});
        option("1 MOTIF", {motif});
        option("1 LIGNE", {ligne});
    }
    if (r.kind == MeasureMode::Spectre)
        option("1 ZEROX", {"0"});
}

} // namespace vandoral

#include "datafile.h"

#include "fileio.h"
#include "numtext.h"

namespace vandoral {

std::string UpperExtension(const std::string &fileName)
{
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos)
        return std::string();
    if (fileName.find_first_of("\\/:", dot) != std::string::npos)
        return std::string();
    std::string ext = fileName.substr(dot);
    for (char &c : ext)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return ext;
}

std::string FinalFileName(const std::string &nomFichier, int filterIndex)
{
    if (!UpperExtension(nomFichier).empty())
        return nomFichier;
    return nomFichier + (filterIndex == CsvFilter ? ".CSV" : ".TXT");
}

void DataFile::OuvreFichier(const std::string &nomFichier, int filterIndex)
{
    FileName = FinalFileName(nomFichier, filterIndex);
    FormatCSV = UpperExtension(FileName) == ".CSV";
    if (!FormatCSV)
        Separateur = '\t';
    else
        Separateur = Formats().decimalSeparator != '.' ? ';' : ',';
    Contents.clear();
}

void DataFile::EcritLigne(const std::string &ligne)
{
    Contents += Cut(ligne, TextLimit);
    Contents += FormatCSV ? "\n" : "\r\n";
}

bool DataFile::Ferme(std::string *error)
{
    return WriteFileReplacing(FileName, Contents, error);
}

void DataFile::EcritDonnees(const FileRequest &r)
{
    const Tgraphe &g = *r.graph;
    const std::string s(1, Separateur);
    const bool two = r.kind == BlockKind::Cinetique && r.twoCurves;
    switch (r.kind) {
    case BlockKind::Spectre:
        EcritLigne(r.comment);
        EcritLigne("Lambda" + s + "A");
        EcritLigne("nm" + s);
        EcritLigne("Longueur d'onde" + s);
        break;
    case BlockKind::Cinetique:
        EcritLigne(r.comment);
        EcritLigne(g.WorldX.Name + s + g.WorldY.Name + (two ? s + g.WorldY.Name + "2" : ""));
        EcritLigne(g.WorldX.Unit + s + g.WorldY.Unit + (two ? s + g.WorldY.Unit : ""));
        EcritLigne(g.WorldX.LongName + s + g.WorldY.LongName + (two ? s + g.WorldY.LongName : ""));
        break;
    case BlockKind::Beer:
        EcritLigne("Loi de Beer-Lambert " + r.dateTime);
        EcritLigne(g.WorldX.Name + s + g.WorldY.Name);
        EcritLigne(g.WorldX.Unit + s + g.WorldY.Unit);
        EcritLigne(g.WorldX.LongName + s + g.WorldY.LongName);
        break;
    }
    // A value that did not arrive leaves its field empty: a spreadsheet reads
    // it as missing, not as an absorbance of 0. The row keeps its abscissa.
    auto field = [](double v) { return v == MissingValue ? std::string() : TexteNombreLocal(v); };
    for (int i = 0; i < g.PointCount; ++i) {
        std::string line = field(g.X[i]) + s + field(g.Curve1.Y[i]);
        if (two)
            line += s + field(g.Curve2.Y[i]);
        EcritLigne(line);
    }
}

bool SauveFichier(const std::string &nomFichier, int filterIndex, const FileRequest &r,
                  std::string *finalName, std::string *error)
{
    DataFile f;
    f.OuvreFichier(nomFichier, filterIndex);
    if (finalName)
        *finalName = f.FileName;
    f.EcritDonnees(r);
    return f.Ferme(error);
}

} // namespace vandoral

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
    if (filterIndex == XlsxFilter)
        return nomFichier + ".xlsx";
    if (filterIndex == JcampFilter)
        return nomFichier + ".jdx";
    return nomFichier + (filterIndex == CsvFilter ? ".CSV" : ".TXT");
}

bool IsWorkbookName(const std::string &fileName)
{
    return UpperExtension(fileName) == ".XLSX";
}

bool IsJcampName(const std::string &fileName)
{
    const std::string ext = UpperExtension(fileName);
    return ext == ".JDX" || ext == ".DX" || ext == ".JCAMP";
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

DataSheet SheetOf(const FileRequest &r)
{
    const TDataSeries &d = *r.data;
    const bool two = r.kind == MeasureMode::Cinetique && r.twoCurves;
    DataSheet sheet;
    auto texts = [&sheet](std::initializer_list<std::string> cells) {
        std::vector<DataCell> row;
        for (const std::string &t : cells)
            row.push_back(t.empty() ? DataCell{} : DataCell{DataCell::Kind::Text, t, 0, false});
        sheet.push_back(row);
    };
    switch (r.kind) {
    case MeasureMode::None: // no request is made without a mode: a spectrum's lines
    case MeasureMode::Spectre:
        texts({r.comment});
        texts({"Lambda", "A"});
        texts({"nm", ""});
        texts({"Longueur d'onde", ""});
        break;
    case MeasureMode::Cinetique:
        texts({r.comment});
        if (two) {
            texts({d.XAxis.Name, d.YAxis.Name, d.YAxis.Name + "2"});
            texts({d.XAxis.Unit, d.YAxis.Unit, d.YAxis.Unit});
            texts({d.XAxis.LongName, d.YAxis.LongName, d.YAxis.LongName});
        } else {
            texts({d.XAxis.Name, d.YAxis.Name});
            texts({d.XAxis.Unit, d.YAxis.Unit});
            texts({d.XAxis.LongName, d.YAxis.LongName});
        }
        break;
    case MeasureMode::Beer:
        texts({"Loi de Beer-Lambert " + r.dateTime});
        texts({d.XAxis.Name, d.YAxis.Name});
        texts({d.XAxis.Unit, d.YAxis.Unit});
        texts({d.XAxis.LongName, d.YAxis.LongName});
        break;
    }
    // A value that did not arrive leaves its field empty: a spreadsheet reads
    // it as missing, not as an absorbance of 0. The row keeps its abscissa.
    auto field = [](double v, bool absorbance) {
        return v == MissingValue ? DataCell{} : DataCell{DataCell::Kind::Number, TexteNombreLocal(v), v, absorbance};
    };
    for (int i = 0; i < d.Count(); ++i) {
        std::vector<DataCell> row{field(d.X[i], false), field(d.A[i], true)};
        if (two)
            row.push_back(field(d.A2[i], true));
        sheet.push_back(row);
    }
    if (r.kind == MeasureMode::Beer && r.lambda > 0) {
        sheet.emplace_back();
        sheet.push_back({DataCell{DataCell::Kind::Text, BeerLambdaLabel, 0, false}, field(r.lambda, false),
                         DataCell{DataCell::Kind::Text, "nm", 0, false}});
        if (!r.unknowns.empty()) {
            texts({BeerUnknownsLabel, d.YAxis.Name, d.XAxis.Name});
            for (std::size_t j = 0; j < r.unknowns.size(); ++j)
                sheet.push_back({field(double(j + 1), false), field(r.unknowns[j].abs, true),
                                 field(r.unknowns[j].conc, false)});
        }
    }
    return sheet;
}

void DataFile::EcritDonnees(const FileRequest &r)
{
    for (const std::vector<DataCell> &row : SheetOf(r)) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c)
            line += (c ? std::string(1, Separateur) : std::string()) + row[c].text;
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

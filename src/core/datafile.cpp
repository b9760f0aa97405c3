#include "datafile.h"

#include "inifile.h"
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

void DataFile::OuvreFichier(const std::string &nomFichier, int filterIndex)
{
    FileName = nomFichier;
    std::string ext = UpperExtension(nomFichier);
    if (ext.empty()) {
        ext = filterIndex == CsvFilter ? ".CSV" : ".TXT";
        FileName += ext;
    }
    FormatCSV = ext == ".CSV";
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

bool SauveSpectreFichier(const std::string &nomFichier, int filterIndex,
                         const std::string &comment, const std::vector<double> &x,
                         const std::vector<double> &y, std::string *finalName,
                         std::string *error)
{
    DataFile f;
    f.OuvreFichier(nomFichier, filterIndex);
    if (finalName)
        *finalName = f.FileName;
    const std::string s(1, f.Separateur);
    f.EcritLigne(comment);
    f.EcritLigne("Lambda" + s + "A");
    f.EcritLigne("nm" + s);
    f.EcritLigne("Longueur d'onde" + s);
    const std::size_t n = x.size() < y.size() ? x.size() : y.size();
    for (std::size_t i = 0; i < n; ++i)
        f.EcritLigne(TexteNombreLocal(x[i]) + s + TexteNombreLocal(y[i]));
    return f.Ferme(error);
}

} // namespace vandoral

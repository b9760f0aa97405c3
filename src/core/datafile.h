// Text and CSV data files. A file is collected in memory and written in one
// piece through a temporary file, so a failed save never destroys the file it
// was replacing.
#pragma once

#include "exportblock.h"

#include <string>
#include <vector>

namespace vandoral {

// Filter indexes of the save dialog.
enum : int { TextFilter = 1, CsvFilter = 2, XlsxFilter = 3, JcampFilter = 4 };

// The extension in upper case, dot included, when no "\", "/" or ":" follows
// the last dot; else empty.
std::string UpperExtension(const std::string &fileName);

// The name a file is written under: ".TXT", ".CSV", ".xlsx" or ".jdx" added
// by the filter index when the name has no extension.
std::string FinalFileName(const std::string &nomFichier, int filterIndex);

struct FileRequest {
    MeasureMode kind = MeasureMode::Spectre;
    const TDataSeries *data = nullptr;
    bool twoCurves = false;  // kinetics with a second wavelength
    std::string comment;     // line 1 of spectrum and kinetics files
    std::string dateTime;    // in the Beer-Lambert file's line 1
    // Beer-Lambert: the working wavelength and the unknowns (absorbance,
    // concentration), after the standards, so that the file opens back as
    // the series it was; none written while `lambda` is 0.
    int lambda = 0;
    struct Unknown {
        double abs, conc;
    };
    std::vector<Unknown> unknowns;
    // Spectrum: the instrument, and the measurement's date (YY/MM/DD) and
    // time, for a JCAMP-DX file.
    std::string model, date, time;
};

// The lines after a Beer-Lambert file's standards.
inline const char *const BeerLambdaLabel = "Longueur d'onde";
inline const char *const BeerUnknownsLabel = "Inconnue";

// One cell of a data file's lines: a text, a measured value (with its text
// as the text file writes it), or nothing (a value that did not arrive).
struct DataCell {
    enum class Kind { Empty, Text, Number };
    Kind kind = Kind::Empty;
    std::string text;
    double value = 0;
    bool absorbance = false; // shown with three decimals in a workbook
};
using DataSheet = std::vector<std::vector<DataCell>>;

// The lines of a spectrum, kinetics or Beer-Lambert file, cell by cell.
DataSheet SheetOf(const FileRequest &request);

// A name that ends in ".xlsx", in any case: written as a workbook.
bool IsWorkbookName(const std::string &fileName);
// A name that ends in ".jdx", ".dx" or ".jcamp", in any case: JCAMP-DX.
bool IsJcampName(const std::string &fileName);

class DataFile {
public:
    // Chooses the final name (".TXT" or ".CSV" added by the filter index when
    // the name has no extension), the format and the separator.
    void OuvreFichier(const std::string &nomFichier, int filterIndex);
    // One line, at most 255 characters, then LF (CSV) or CR LF (text).
    void EcritLigne(const std::string &ligne);
    // The lines of a spectrum, kinetics or Beer-Lambert file.
    void EcritDonnees(const FileRequest &request);
    // Writes the collected lines. False, with the reason, on failure.
    bool Ferme(std::string *error);

    std::string FileName;
    bool FormatCSV = false;
    char Separateur = '\t';
    std::string Contents;
};


// Writes the file of a spectrum, a kinetics run or Beer-Lambert standards.
// `nomFichier` is a path (a file-system name). `finalName` receives the name
// actually written; on failure `error` says why (the caller names the file)
// and the old file of that name is left as it was.
bool SauveFichier(const std::string &nomFichier, int filterIndex, const FileRequest &request,
                  std::string *finalName, std::string *error);

} // namespace vandoral

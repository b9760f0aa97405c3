// Data files as spreadsheet workbooks (.xlsx): the lines of the text file,
// texts as text cells and measured values as numeric cells, so that any
// spreadsheet reads the numbers whatever its locale.
#pragma once

#include "datafile.h"

#include <string>

class QString;

namespace vandoral {

// Writes `sheet` as a workbook at `path` (a file-system name). As safe as the
// other files: written whole first, then put in place of the old file; on
// failure the old file stays and `error` says why, in French (Windows-1252).
bool WriteWorkbook(const std::string &path, const DataSheet &sheet, std::string *error);

// The library that writes workbooks, loaded by `WriteWorkbook` when first
// needed (a file name or path for QLibrary; empty: the one the program was
// built with); tests give one that is missing.
void SetWorkbookLibrary(const QString &name);

// SauveFichier, with workbooks for names ending in ".xlsx" or the workbook
// filter.
bool SaveDataFile(const std::string &nomFichier, int filterIndex, const FileRequest &request,
                  std::string *finalName, std::string *error);

} // namespace vandoral

#include "xlsxfile.h"

#include "fileio.h"
#include "qtext.h"

#include <QDir>
#include <QTemporaryDir>

#include <xlsxwriter.h>

namespace vandoral {

namespace {

std::string Utf8(const std::string &cp1252)
{
    return FromCp(cp1252).toUtf8().toStdString();
}

} // namespace

bool WriteWorkbook(const std::string &path, const DataSheet &sheet, std::string *error)
{
    // libxlsxwriter writes to a file of its own: a private temporary one,
    // whose bytes then replace the old file the way every file is replaced.
    QTemporaryDir dir;
    if (!dir.isValid()) {
        if (error)
            *error = ToCp(QStringLiteral("impossible de créer un dossier temporaire"));
        return false;
    }
    const std::string temp = ToPath(dir.filePath(QStringLiteral("classeur.xlsx")));
    lxw_workbook *book = workbook_new(temp.c_str());
    if (!book) {
        if (error)
            *error = ToCp(QStringLiteral("impossible de préparer le classeur"));
        return false;
    }
    lxw_worksheet *ws = workbook_add_worksheet(book, "Mesures");
    lxw_format *threeDecimals = workbook_add_format(book);
    format_set_num_format(threeDecimals, "0.000");
    lxw_error status = LXW_NO_ERROR;
    for (std::size_t r = 0; r < sheet.size() && status == LXW_NO_ERROR; ++r)
        for (std::size_t c = 0; c < sheet[r].size() && status == LXW_NO_ERROR; ++c) {
            const DataCell &cell = sheet[r][c];
            const auto row = static_cast<lxw_row_t>(r);
            const auto col = static_cast<lxw_col_t>(c);
            if (cell.kind == DataCell::Kind::Text)
                status = worksheet_write_string(ws, row, col, Utf8(cell.text).c_str(), nullptr);
            else if (cell.kind == DataCell::Kind::Number)
                status = worksheet_write_number(ws, row, col, cell.value, cell.absorbance ? threeDecimals : nullptr);
        }
    worksheet_set_column(ws, 0, 2, 16, nullptr);
    const lxw_error closed = workbook_close(book);
    if (status == LXW_NO_ERROR)
        status = closed;
    if (status != LXW_NO_ERROR) {
        if (error)
            *error = ToCp(QStringLiteral("le classeur n'a pas pu être écrit (%1)")
                              .arg(QString::fromLatin1(lxw_strerror(status))));
        return false;
    }
    std::string bytes;
    if (ReadWholeFile(temp, bytes, error) != FileState::Read)
        return false;
    return WriteFileReplacing(path, bytes, error);
}

bool SaveDataFile(const std::string &nomFichier, int filterIndex, const FileRequest &request,
                  std::string *finalName, std::string *error)
{
    const std::string name = FinalFileName(nomFichier, filterIndex);
    if (!IsWorkbookName(name))
        return SauveFichier(nomFichier, filterIndex, request, finalName, error);
    if (finalName)
        *finalName = name;
    return WriteWorkbook(name, SheetOf(request), error);
}

} // namespace vandoral

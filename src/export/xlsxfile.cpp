#include "xlsxfile.h"

#include "fileio.h"
#include "jcampdx.h"
#include "qtext.h"

#include <QDir>
#include <QLibrary>
#include <QTemporaryDir>

#include <clocale>
#include <locale.h>
#include <string>

#include <xlsxwriter.h>

namespace vandoral {

namespace {

QString &LibraryName()
{
    static QString name = QStringLiteral(VANDORAL_XLSXWRITER_LIBRARY);
    return name;
}

// libxlsxwriter, and the cryptography and zip libraries it needs, are loaded
// when the first workbook is written: linked to the program, they would be
// loaded and relocated at every start for a file type seldom chosen.
struct XlsxWriterApi {
    decltype(&::workbook_new) workbook_new = nullptr;
    decltype(&::workbook_add_worksheet) workbook_add_worksheet = nullptr;
    decltype(&::workbook_add_format) workbook_add_format = nullptr;
    decltype(&::format_set_num_format) format_set_num_format = nullptr;
    decltype(&::worksheet_write_string) worksheet_write_string = nullptr;
    decltype(&::worksheet_write_number) worksheet_write_number = nullptr;
    decltype(&::worksheet_set_column) worksheet_set_column = nullptr;
    decltype(&::workbook_close) workbook_close = nullptr;
    decltype(&::lxw_strerror) lxw_strerror = nullptr;
    bool loaded = false;
};

// Null with a French reason when the library cannot be loaded; tried again
// at the next workbook.
const XlsxWriterApi *LoadXlsxWriter(std::string *error)
{
    static XlsxWriterApi api;
    static QString loadedFrom;
    if (api.loaded && loadedFrom == LibraryName())
        return &api;
    api = XlsxWriterApi();
    QLibrary library(LibraryName());
    if (!library.load()) {
        if (error)
            *error = ToCp(QStringLiteral("la bibliothèque des classeurs (%1) ne peut pas être chargée")
                              .arg(LibraryName()));
        return nullptr;
    }
    bool all = true;
    auto resolve = [&](auto &fn, const char *symbol) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(library.resolve(symbol));
        all = all && fn;
    };
    resolve(api.workbook_new, "workbook_new");
    resolve(api.workbook_add_worksheet, "workbook_add_worksheet");
    resolve(api.workbook_add_format, "workbook_add_format");
    resolve(api.format_set_num_format, "format_set_num_format");
    resolve(api.worksheet_write_string, "worksheet_write_string");
    resolve(api.worksheet_write_number, "worksheet_write_number");
    resolve(api.worksheet_set_column, "worksheet_set_column");
    resolve(api.workbook_close, "workbook_close");
    resolve(api.lxw_strerror, "lxw_strerror");
    if (!all) {
        if (error)
            *error = ToCp(QStringLiteral("la bibliothèque des classeurs (%1) est incomplète").arg(LibraryName()));
        return nullptr;
    }
    // Kept loaded for the program's life (QLibrary leaves it loaded).
    api.loaded = true;
    loadedFrom = LibraryName();
    return &api;
}

std::string Utf8(const std::string &cp1252)
{
    return FromCp(cp1252).toUtf8().toStdString();
}

// The C library formats the workbook's numbers (libxlsxwriter writes them
// with printf), and printf follows LC_NUMERIC, which Qt sets to the user's
// locale: under a French one "0,05" would land in the XML, a number no
// spreadsheet reads. The writing thread alone uses "C" for the write.
class CNumericScope {
public:
    CNumericScope()
    {
#ifdef _WIN32
        perThread_ = _configthreadlocale(_ENABLE_PER_THREAD_LOCALE);
        const char *current = std::setlocale(LC_NUMERIC, nullptr);
        saved_ = current ? current : "C";
        std::setlocale(LC_NUMERIC, "C");
#else
        // The user's locale for everything but the numbers.
        const locale_t base = duplocale(LC_GLOBAL_LOCALE);
        if (base)
            c_ = newlocale(LC_NUMERIC_MASK, "C", base);
        if (c_)
            previous_ = uselocale(c_);
        else if (base)
            freelocale(base);
#endif
    }
    ~CNumericScope()
    {
#ifdef _WIN32
        std::setlocale(LC_NUMERIC, saved_.c_str());
        _configthreadlocale(perThread_);
#else
        if (c_) {
            uselocale(previous_);
            freelocale(c_);
        }
#endif
    }
    CNumericScope(const CNumericScope &) = delete;
    CNumericScope &operator=(const CNumericScope &) = delete;

private:
#ifdef _WIN32
    int perThread_ = 0;
    std::string saved_;
#else
    locale_t c_ = static_cast<locale_t>(0);
    locale_t previous_ = static_cast<locale_t>(0);
#endif
};

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
    const XlsxWriterApi *lxw = LoadXlsxWriter(error);
    if (!lxw)
        return false;
    const std::string temp = ToPath(dir.filePath(QStringLiteral("classeur.xlsx")));
    const CNumericScope numbers; // points in the workbook's numbers, whatever the user's locale
    lxw_workbook *book = lxw->workbook_new(temp.c_str());
    if (!book) {
        if (error)
            *error = ToCp(QStringLiteral("impossible de préparer le classeur"));
        return false;
    }
    lxw_worksheet *ws = lxw->workbook_add_worksheet(book, "Mesures");
    lxw_format *threeDecimals = lxw->workbook_add_format(book);
    lxw->format_set_num_format(threeDecimals, "0.000");
    lxw_error status = LXW_NO_ERROR;
    for (std::size_t r = 0; r < sheet.size() && status == LXW_NO_ERROR; ++r)
        for (std::size_t c = 0; c < sheet[r].size() && status == LXW_NO_ERROR; ++c) {
            const DataCell &cell = sheet[r][c];
            const auto row = static_cast<lxw_row_t>(r);
            const auto col = static_cast<lxw_col_t>(c);
            if (cell.kind == DataCell::Kind::Text)
                status = lxw->worksheet_write_string(ws, row, col, Utf8(cell.text).c_str(), nullptr);
            else if (cell.kind == DataCell::Kind::Number)
                status = lxw->worksheet_write_number(ws, row, col, cell.value, cell.absorbance ? threeDecimals : nullptr);
        }
    lxw->worksheet_set_column(ws, 0, 2, 16, nullptr);
    const lxw_error closed = lxw->workbook_close(book);
    if (status == LXW_NO_ERROR)
        status = closed;
    if (status != LXW_NO_ERROR) {
        if (error)
            *error = ToCp(QStringLiteral("le classeur n'a pas pu être écrit (%1)")
                              .arg(QString::fromLatin1(lxw->lxw_strerror(status))));
        return false;
    }
    std::string bytes;
    if (ReadWholeFile(temp, bytes, error) != FileState::Read)
        return false;
    return WriteFileReplacing(path, bytes, error);
}

void SetWorkbookLibrary(const QString &name)
{
    LibraryName() = name.isEmpty() ? QStringLiteral(VANDORAL_XLSXWRITER_LIBRARY) : name;
}

bool SaveDataFile(const std::string &nomFichier, int filterIndex, const FileRequest &request,
                  std::string *finalName, std::string *error)
{
    const std::string name = FinalFileName(nomFichier, filterIndex);
    if (IsJcampName(name)) {
        if (finalName)
            *finalName = name;
        if (request.kind != MeasureMode::Spectre) {
            if (error)
                *error = "Le format JCAMP-DX ne tient que des spectres";
            return false;
        }
        return WriteFileReplacing(name, WriteJcamp(*request.data, {request.comment, request.model, request.date, request.time}),
                                  error);
    }
    if (!IsWorkbookName(name))
        return SauveFichier(nomFichier, filterIndex, request, finalName, error);
    if (finalName)
        *finalName = name;
    return WriteWorkbook(name, SheetOf(request), error);
}

} // namespace vandoral

#include "openfile.h"

#include "fileio.h"
#include "qtext.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>
#include <charconv>
#include <map>

#include <unzip.h>

namespace vandoral {

namespace {

bool Fail(std::string *error, const std::string &message)
{
    if (error)
        *error = message;
    return false;
}

// One member of a workbook's zip archive, at most `limit` bytes.
bool ZipMember(unzFile zip, const char *name, QByteArray &bytes, std::string *error)
{
    constexpr uLong limit = 32u * 1024 * 1024;
    if (unzLocateFile(zip, name, 0) != UNZ_OK)
        return Fail(error, std::string("Classeur incomplet : ") + name + " manque");
    unz_file_info info;
    if (unzGetCurrentFileInfo(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK
        || info.uncompressed_size > limit)
        return Fail(error, std::string("Classeur illisible : ") + name);
    if (unzOpenCurrentFile(zip) != UNZ_OK)
        return Fail(error, std::string("Classeur illisible : ") + name);
    bytes.resize(static_cast<qsizetype>(info.uncompressed_size));
    const int n = bytes.isEmpty() ? 0 : unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
    const bool crcOk = unzCloseCurrentFile(zip) == UNZ_OK;
    if (n != bytes.size() || !crcOk)
        return Fail(error, std::string("Classeur endommag\xE9 : ") + name);
    return true;
}

// "B12" -> column 1.
int ColumnOf(QStringView ref)
{
    int column = 0;
    for (QChar c : ref) {
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            break;
        column = column * 26 + (c.unicode() - 'A' + 1);
        if (column > 16384)
            return -1;
    }
    return column - 1;
}

std::string NumberText(double v)
{
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// The first sheet of a workbook as the tab-separated lines of a text file,
// numbers with a decimal point.
bool WorkbookText(const QString &path, std::string &text, std::string *error)
{
    unzFile zip = unzOpen(QFile::encodeName(path).constData());
    if (!zip)
        return Fail(error, "Ce fichier n'est pas un classeur .xlsx lisible");
    QByteArray shared, sheet;
    const bool hasShared = unzLocateFile(zip, "xl/sharedStrings.xml", 0) == UNZ_OK;
    const bool ok = (!hasShared || ZipMember(zip, "xl/sharedStrings.xml", shared, error))
                    && ZipMember(zip, "xl/worksheets/sheet1.xml", sheet, error);
    unzClose(zip);
    if (!ok)
        return false;

    std::vector<QString> strings;
    {
        QXmlStreamReader xml(shared);
        QString current;
        int depth = 0;
        while (hasShared && !xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("si")) {
                current.clear();
                depth = 1;
            } else if (xml.isStartElement() && depth && xml.name() == QLatin1String("t")) {
                current += xml.readElementText();
            } else if (xml.isEndElement() && xml.name() == QLatin1String("si")) {
                strings.push_back(current);
                depth = 0;
                if (strings.size() > 1000000)
                    break;
            }
        }
        if (xml.hasError())
            return Fail(error, "Classeur endommag\xE9 : textes illisibles");
    }

    std::map<int, std::map<int, std::string>> rows;
    QXmlStreamReader xml(sheet);
    int row = -1, column = -1;
    QString type;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("row")) {
            bool okRow = false;
            row = xml.attributes().value(QLatin1String("r")).toInt(&okRow) - 1;
            if (!okRow || row < 0 || row > 1048576)
                return Fail(error, "Classeur endommag\xE9 : ligne sans num\xE9ro");
        } else if (name == QLatin1String("c")) {
            column = ColumnOf(xml.attributes().value(QLatin1String("r")));
            type = xml.attributes().value(QLatin1String("t")).toString();
            if (column < 0 || row < 0)
                return Fail(error, "Classeur endommag\xE9 : cellule sans place");
        } else if (name == QLatin1String("v") || name == QLatin1String("t")) {
            const QString value = xml.readElementText();
            if (column < 0 || row < 0)
                continue;
            std::string &cell = rows[row][column];
            if (type == QLatin1String("s")) {
                bool okIndex = false;
                const int index = value.toInt(&okIndex);
                if (!okIndex || index < 0 || std::size_t(index) >= strings.size())
                    return Fail(error, "Classeur endommag\xE9 : texte introuvable");
                cell = ToCp(strings[std::size_t(index)]);
            } else if (type == QLatin1String("inlineStr") || type == QLatin1String("str")) {
                cell = ToCp(value);
            } else {
                bool okNumber = false;
                const double v = value.toDouble(&okNumber);
                cell = okNumber ? NumberText(v) : ToCp(value);
            }
            if (rows.size() > 1000000)
                return Fail(error, "Classeur trop grand");
        }
    }
    if (xml.hasError())
        return Fail(error, "Classeur endommag\xE9 : feuille illisible");
    // Every line as wide as the widest: an empty cell at a row's end is a
    // missing value, as an empty field is in a text file.
    int width = 0;
    for (const auto &entry : rows)
        if (!entry.second.empty())
            width = std::max(width, entry.second.rbegin()->first + 1);
    int next = 0;
    for (const auto &[r, cells] : rows) {
        for (; next < r; ++next)
            text += "\n";
        std::string line;
        int c = 0;
        for (const auto &[col, value] : cells) {
            for (; c < col; ++c)
                line += '\t';
            line += value;
        }
        for (++c; c < width; ++c)
            line += '\t';
        text += line + "\n";
        next = r + 1;
    }
    return true;
}

} // namespace

bool ReadTableFile(const QString &path, DataTable &table, std::string *error)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Fail(error, "Fichier introuvable");
    if (info.isDir())
        return Fail(error, "C'est un dossier, pas un fichier");
    if (std::size_t(info.size()) > MaxMeasurementFileSize)
        return Fail(error, "Le fichier est trop grand (plus de 4 Mo) pour \xEAtre un fichier de mesures du programme");
    const std::string name = ToPath(path);
    if (IsWorkbookName(name)) {
        std::string text;
        return WorkbookText(path, text, error) && ReadDataTable(text, table, error);
    }
    std::string bytes;
    if (ReadWholeFile(name, bytes, error) != FileState::Read)
        return Fail(error, error && !error->empty() ? *error : std::string("Fichier illisible"));
    if (IsJcampName(name))
        return TableFromJcamp(bytes, table, error);
    if (bytes.find('\0') != std::string::npos)
        return Fail(error, "Ce fichier n'est pas un fichier texte (il contient des octets binaires)");
    return ReadDataTable(bytes, table, error);
}

bool OpenMeasurementFile(const QString &path, MeasureMode wanted, LoadedMeasurement &m, std::string *error)
{
    DataTable table;
    return ReadTableFile(path, table, error) && MeasurementFromTable(table, wanted, m, error);
}

QString OpenFilter(MeasureMode mode)
{
    QString all = QStringLiteral("*.txt *.csv *.xlsx");
    QString filter = QStringLiteral("|Tableur texte|*.txt|Tableur CSV|*.csv|Classeur Excel|*.xlsx");
    if (mode == MeasureMode::Spectre || mode == MeasureMode::None) {
        all += QStringLiteral(" *.jdx *.dx *.jcamp");
        filter += QStringLiteral("|JCAMP-DX|*.jdx *.dx *.jcamp");
    }
    return QStringLiteral("Fichiers de mesures|") + all + filter;
}

} // namespace vandoral

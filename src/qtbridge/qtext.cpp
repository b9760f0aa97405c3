#include "qtext.h"

#include "cp1252.h"

#include <QFile>

namespace vandoral {

// Qt 6 no longer ships a Windows-1252 codec on every platform, hence the table.
QString FromCp(const std::string &text)
{
    QString out;
    out.reserve(static_cast<qsizetype>(text.size()));
    for (unsigned char c : text)
        out += QChar(static_cast<char16_t>(Cp1252ToUnicode(c)));
    return out;
}

std::string ToCp(const QString &text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text)
        out += static_cast<char>(UnicodeToCp1252(c.unicode()));
    return out;
}

std::string ToPath(const QString &path)
{
#ifdef Q_OS_WIN
    return path.toStdString(); // UTF-8, widened by the core's file calls
#else
    return QFile::encodeName(path).toStdString();
#endif
}

QString FromPath(const std::string &path)
{
#ifdef Q_OS_WIN
    return QString::fromStdString(path);
#else
    return QFile::decodeName(QByteArray::fromStdString(path));
#endif
}

} // namespace vandoral

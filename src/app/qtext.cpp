#include "qtext.h"

#include "cp1252.h"

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

} // namespace vandoral

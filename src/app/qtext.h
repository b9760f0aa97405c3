// Conversions between the program's Windows-1252 texts and QString.
#pragma once

#include <QString>

#include <string>

namespace vandoral {

QString FromCp(const std::string &text);
std::string ToCp(const QString &text);

} // namespace vandoral

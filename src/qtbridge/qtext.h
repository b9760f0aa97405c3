// Conversions between the program's Windows-1252 texts and QString.
#pragma once

#include <QString>

#include <string>

namespace vandoral {

QString FromCp(const std::string &text);
std::string ToCp(const QString &text);

// A path as the core's file calls take it (a file-system name, not a text:
// UTF-8 on Windows, the platform's encoding elsewhere), and back.
std::string ToPath(const QString &path);
QString FromPath(const std::string &path);

} // namespace vandoral

// Text measured in tests uses DejaVu Sans (Debian's fonts-dejavu-core) in
// place of Tahoma, so metrics do not depend on the machine's fonts.
#pragma once

#include <QFont>
#include <QFontDatabase>

inline bool PinTestFont()
{
    const int id = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"));
    return id >= 0;
}

// What every executable of the program shares at start-up: the settings
// file's place and the user's number formats.
#pragma once

#include <QString>

namespace vandoral {

// The executable's name, which names the settings file.
constexpr const char *ProgramName = "vandoral";

// "vandoral.INI" beside the program when its folder is writable (and not a
// system folder such as /usr/bin), else in the
// user's configuration folder.
QString SettingsFilePath();
// Same rule for a given program folder.
QString SettingsFilePathIn(const QString &programFolder);
// A folder the system's packages install programs in (/usr/...).
bool SystemProgramFolder(const QString &programFolder);

// Fills the process-wide format settings from the system locale.
void InitFormatsFromSystem();
// A time format without its time-zone fields ("HH:mm:ss t" -> "HH:mm:ss"):
// the Windows long time format the data blocks follow has no zone.
QString TimeFormatWithoutZone(const QString &format);

} // namespace vandoral

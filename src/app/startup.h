// The program's start-up sequence and its end.
#pragma once

#include <QString>

#include <string>

namespace vandoral {

class IniImage;

// The "Tabvista" folders in the user's documents and the shared application
// data, created when missing; failures are ignored.
void EnsureTabvistaFolders();
// The all-users application-data folder.
QString CommonDataFolder();

// Says, in an error box, when the settings file exists but cannot be read:
// it is then left as it is (nothing is written over it). False in that case.
bool CheckSettingsFile(const QString &iniName);
void SayUnreadableSettings(const QString &iniName, const std::string &reason);

// The language stored in the settings file ("Interface"/"Langue").
int StoredLanguage(const IniImage &settings);
void StoreLanguage(const QString &iniName, int language);

int RunVandoral(int argc, char **argv);

} // namespace vandoral

#include "frame.h"

#include "numtext.h"
#include "qtext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace vandoral {

bool SystemProgramFolder(const QString &programFolder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(programFolder);
    return false;
#else
    // Installed by the system's packages: never a place for a user's
    // settings, even when an administrator could write there.
    const QString path = QDir::cleanPath(QDir(programFolder).absolutePath());
    return path == QLatin1String("/usr") || path.startsWith(QLatin1String("/usr/"));
#endif
}

QString SettingsFilePathIn(const QString &programFolder)
{
    const QString name = QString::fromLatin1(ProgramName) + QStringLiteral(".INI");
    const QFileInfo folder(programFolder);
    if (folder.isDir() && folder.isWritable() && !SystemProgramFolder(programFolder))
        return QDir(programFolder).filePath(name);
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::homePath();
    const QString dir = QDir(config).filePath(QString::fromLatin1(ProgramName));
    QDir().mkpath(dir);
    return QDir(dir).filePath(name);
}

QString SettingsFilePath()
{
    return SettingsFilePathIn(QCoreApplication::applicationDirPath());
}

void InitFormatsFromSystem()
{
    const QLocale locale = QLocale::system();
    FormatSettings &f = Formats();
    const QString sep = locale.decimalPoint();
    f.decimalSeparator = sep.size() == 1 && sep.at(0).unicode() < 0x80
                             ? static_cast<char>(sep.at(0).unicode())
                             : '.';
    f.shortDateFormat = ToCp(locale.dateFormat(QLocale::ShortFormat));
    f.longTimeFormat = ToCp(TimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
}

QString TimeFormatWithoutZone(const QString &format)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == QLatin1Char('t')) {
            // The zone field and the blanks before it.
            while (out.endsWith(QLatin1Char(' ')))
                out.chop(1);
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

} // namespace vandoral

// The text of a PDF file, as poppler's pdftotext reads it; a null string
// when the tool is not installed or the file is not a PDF it can read.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

inline QString PdfText(const QString &file)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return QString();
    QProcess p;
    p.start(tool, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    // The fonts' ligatures come back as single characters.
    return QString::fromUtf8(p.readAllStandardOutput())
        .replace(QChar(0xFB01), QStringLiteral("fi"))
        .replace(QChar(0xFB02), QStringLiteral("fl"));
}

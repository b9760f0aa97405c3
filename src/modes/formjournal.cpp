// The mode windows' crash journals: where each window's journal lives (a
// file of this copy's own while another copy of the program writes the
// common one), and its beginning, records, end and failures.
#include "modeform.h"

#include "fileio.h"
#include "pagedialog.h"
#include "qtext.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStandardPaths>

namespace vandoral {

QString TModeForm::JournalFolderPath()
{
    return JournalFolder.isEmpty()
               ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/journal")
               : JournalFolder;
}

QString TModeForm::JournalPathOf(const QString &section)
{
    return JournalFolderPath() + QLatin1Char('/') + section + QStringLiteral(".journal");
}

QString TModeForm::JournalFile() const
{
    return journal_.IsOpen() ? FromPath(journal_.Path()) : QString();
}

QString TModeForm::JournalPath() const
{
    // A journal another copy of the program is writing (a home folder shared
    // by several computers, or a second copy) is never written over: this
    // copy writes one of its own beside it.
    if (journal_.IsOpen())
        return JournalFile(); // this window's own, being written
    const QString common = JournalPathOf(section_);
    if (!JournalWriter::InUse(ToPath(common)))
        return common;
    // The computer's name as a file name can hold it on every system.
    QString computer = QString::fromLatin1(ComputerName().c_str());
    for (QChar &c : computer)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    return JournalFolderPath() + QLatin1Char('/') + section_ + QLatin1Char('-') + computer + QLatin1Char('-')
           + QString::number(CurrentProcessId()) + QStringLiteral(".journal");
}

std::string TModeForm::JournalStart()
{
    return ToCp(QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
}

std::string TModeForm::Comment()
{
    return ConstanteDlg ? ToCp(ConstanteDlg->EditComm->text().trimmed()) : std::string();
}

void TModeForm::JournalBegin(const JournalHeader &given)
{
    // The journal being replaced is this window's; its new data may go to
    // another file when another copy took the common one meanwhile.
    journal_.End();
    const QString path = JournalPath();
    JournalHeader header = given;
    header.push_back({"ordinateur", ComputerName()});
    header.push_back({"processus", std::to_string(CurrentProcessId())});
    std::string error;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        JournalFailed("dossier impossible \xE0 cr\xE9" "er");
        return;
    }
    if (!journal_.Open(ToPath(path), header, &error))
        JournalFailed(error);
}

void TModeForm::JournalAdopt(const QString &path)
{
    std::string error;
    if (!journal_.Reopen(ToPath(path.isEmpty() ? JournalPathOf(section_) : path), &error))
        JournalFailed(error);
}

void TModeForm::JournalAppend(const JournalRecord &record)
{
    std::string error;
    if (journal_.IsOpen() && !journal_.Append(record, &error))
        JournalFailed(error);
}

void TModeForm::JournalEnd()
{
    journal_.End();
}

void TModeForm::JournalFailed(const std::string &reason)
{
    // Said once; the measurement goes on without it.
    if (journalSaid_)
        return;
    journalSaid_ = true;
    // In the status bar's first panel, which the instrument's texts leave alone.
    panel1_->setText(Translate(QStringLiteral("Journal de secours impossible : %1")).arg(FromCp(reason)));
    panel1_->setToolTip(panel1_->text());
}

QString TModeForm::JournalText() const
{
    return panel1_->text();
}

} // namespace vandoral

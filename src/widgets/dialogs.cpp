#include "dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

namespace vandoral {

namespace {

Dialogs *installed = nullptr;
QString title;

// The arrow while a box is shown, whatever cursor the window had.
class ArrowCursor {
public:
    ArrowCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~ArrowCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

void Dialogs::ShowError(QWidget *parent, const QString &text)
{
    ArrowCursor arrow;
    QMessageBox::critical(parent, ApplicationTitle(), text);
}

void Dialogs::ShowMessage(QWidget *parent, const QString &text)
{
    ArrowCursor arrow;
    QMessageBox::information(parent, ApplicationTitle(), text);
}

bool Dialogs::Ask(QWidget *parent, const QString &text)
{
    ArrowCursor arrow;
    return QMessageBox::question(parent, ApplicationTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

bool Dialogs::AskConfirm(QWidget *parent, const QString &title, const QString &text)
{
    ArrowCursor arrow;
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == ok;
}

QString ApplicationTitle()
{
    return title.isEmpty() ? QApplication::applicationName() : title;
}

void SetApplicationTitle(const QString &t)
{
    title = t;
}

bool Dialogs::Execute(QDialog &dialog)
{
    ArrowCursor arrow;
    return dialog.exec() == QDialog::Accepted;
}

// "Name|*.ext|Name|*.ext" as Qt's "Name (*.ext)", "Name (*.ext)".
static QStringList NameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts.at(i) + QStringLiteral(" (") + parts.at(i + 1) + QLatin1Char(')');
    return filters;
}

QString Dialogs::SaveFileName(QWidget *parent, const QString &filter, int &filterIndex)
{
    const QStringList filters = NameFilters(filter);
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(filterIndex - 1));
    ArrowCursor arrow;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return dialog.selectedFiles().constFirst();
}

QString Dialogs::OpenFileName(QWidget *parent, const QString &filter)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFilters(filter));
    ArrowCursor arrow;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool Dialogs::SetUpPrinter(QWidget *parent, QPrinter &printer)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        Error(parent, QStringLiteral("Aucune imprimante n'est installée"));
        return false;
    }
    printer.setPrinterName(info.printerName());
    return true;
}

Dialogs &CurrentDialogs()
{
    static Dialogs interactive;
    return installed ? *installed : interactive;
}

void SetDialogs(Dialogs *dialogs)
{
    installed = dialogs;
}

} // namespace vandoral

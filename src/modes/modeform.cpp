#include "modeform.h"

#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>

namespace vandoral {

TModeForm::TModeForm(const QString &caption, QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(caption);
    resize(800, 560);
    panel1_ = new QLabel(this);
    panel1_->setMinimumWidth(300);
    panel2_ = new QLabel(this);
    panel2_->setObjectName(QStringLiteral("StatusPanel2"));
    statusBar()->addWidget(panel1_);
    statusBar()->addWidget(panel2_, 1);
}

void TModeForm::ShowStatus(const QString &text)
{
    panel2_->setText(text);
}

void TModeForm::ShowHint(const QString &text)
{
    if (text.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(text);
}

QString TModeForm::StatusText() const
{
    return panel2_->text();
}

QString TModeForm::HintText() const
{
    return statusBar()->currentMessage();
}

void TModeForm::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (OnClosed)
        OnClosed();
}

TTraceSpectre::TTraceSpectre(QWidget *parent) : TModeForm(QStringLiteral("Tracé de spectre"), parent)
{
    setObjectName(QStringLiteral("TraceSpectre"));
}

TCinetiqueForm::TCinetiqueForm(QWidget *parent)
    : TModeForm(QStringLiteral("Cinétique suivie par spectrophotométrie"), parent)
{
    setObjectName(QStringLiteral("CinetiqueForm"));
}

TBeerForm::TBeerForm(QWidget *parent) : TModeForm(QStringLiteral("Loi de Beer-Lambert"), parent)
{
    setObjectName(QStringLiteral("BeerForm"));
}

} // namespace vandoral

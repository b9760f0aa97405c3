#include "pagedialog.h"

#include "dialogs.h"
#include "qtext.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vandoral {

TConstanteDlg *ConstanteDlg = nullptr;

TConstanteDlg::TConstanteDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ConstanteDlg"));
    setWindowTitle(QStringLiteral("Renseignements sur la page courante"));
    QFont editFont(QStringLiteral("Tabvista"));
    auto edit = [&](const char *name, int limit) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setFont(editFont);
        if (limit > 0)
            e->setMaxLength(limit);
        return e;
    };
    NomConstEdit = edit("NomConstEdit", 8);
    UniteConstEdit = edit("UniteConstEdit", 20);
    SignifConstEdit = edit("SignifConstEdit", 0);
    ValeurConstEdit = edit("ValeurConstEdit", 0);
    EditComm = edit("EditComm", 0);

    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Symbole"), NomConstEdit);
    form->addRow(QStringLiteral("Unité"), UniteConstEdit);
    form->addRow(QStringLiteral("Signification"), SignifConstEdit);
    form->addRow(QStringLiteral("Valeur"), ValeurConstEdit);
    layout->addLayout(form);
    auto *comment = new QGroupBox(QStringLiteral("Commentaire"), this);
    (new QVBoxLayout(comment))->addWidget(EditComm);
    layout->addWidget(comment);

    auto *pages = new QGroupBox(QStringLiteral("Données vers Tabvista"), this);
    auto *columns = new QHBoxLayout(pages);
    NewPageCB = new QButtonGroup(this);
    NewPageCB->setObjectName(QStringLiteral("NewPageCB"));
    const QString choices[] = {QStringLiteral("Nouveau fichier"), QStringLiteral("Nouvelle page")};
    for (int i = 0; i < 2; ++i) {
        auto *radio = new QRadioButton(choices[i], pages);
        columns->addWidget(radio);
        NewPageCB->addButton(radio, i);
    }
    SetNewPage(0);
    layout->addWidget(pages);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool TConstanteDlg::Execute()
{
    return CurrentDialogs().Execute(*this);
}

PageInfo TConstanteDlg::Page() const
{
    PageInfo p;
    p.symbol = ToCp(NomConstEdit->text());
    p.unit = ToCp(UniteConstEdit->text());
    p.signif = ToCp(SignifConstEdit->text());
    p.value = ToCp(ValeurConstEdit->text());
    p.comment = ToCp(EditComm->text());
    return p;
}

int TConstanteDlg::NewPage() const
{
    return NewPageCB->checkedId() == 1 ? 1 : 0;
}

void TConstanteDlg::SetNewPage(int index)
{
    if (QAbstractButton *b = NewPageCB->button(index == 1 ? 1 : 0))
        b->setChecked(true);
}

} // namespace vandoral

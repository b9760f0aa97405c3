#include "beeroptions.h"

#include "beerseries.h"
#include "dialogs.h"
#include "driver.h"
#include "numtext.h"
#include "qtext.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vandoral {

TModeBeerDlg::TModeBeerDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ModeBeerDlg"));
    setWindowTitle(QStringLiteral("Options Beer-Lambert pour Vandoral"));
    auto *layout = new QVBoxLayout(this);
    auto *group = new QGroupBox(QStringLiteral("Grandeur entrée au clavier"), this);
    auto *form = new QFormLayout(group);
    EditNom = new QLineEdit(group);
    EditNom->setMaxLength(8);
    EditUnite = new QLineEdit(group);
    EditUnite->setMaxLength(20);
    EditMin = new QLineEdit(group);
    EditMax = new QLineEdit(group);
    EditSignif = new QLineEdit(group);
    EditSignif->setMaxLength(255);
    form->addRow(QStringLiteral("&Symbole"), EditNom);
    form->addRow(QStringLiteral("&Unité"), EditUnite);
    form->addRow(QStringLiteral("Mini"), EditMin);
    form->addRow(QStringLiteral("Maxi"), EditMax);
    form->addRow(QStringLiteral("&Signification"), EditSignif);
    layout->addWidget(group);
    BeerCB = new QCheckBox(QStringLiteral("Détermination concentration inconnue"), this);
    layout->addWidget(BeerCB);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    buttons->button(QDialogButtonBox::Help)->setText(QStringLiteral("Aide"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        CurrentDialogs().Message(this, QStringLiteral(
            "Symbole et unité : la grandeur tapée pour chaque étalon (par exemple c en mol/L).\n"
            "Mini et Maxi : l'étendue attendue des valeurs ; une valeur au-delà est demandée en confirmation.\n"
            "Signification : le nom complet de la grandeur, transmis avec les données.\n"
            "Détermination concentration inconnue : mesure des inconnues à partir de la droite A = k.c."));
    });
    buttons->button(QDialogButtonBox::Ok)->setFocus();
}

void TModeBeerDlg::FormActivate()
{
    const char sep = Formats().decimalSeparator;
    EditNom->setText(FromCp(Spectro->Nom));
    EditUnite->setText(FromCp(Spectro->Unite));
    EditSignif->setText(FromCp(Spectro->Signif));
    EditMax->setText(FromCp(GeneralFormat(Spectro->Maxi, 15, 0, sep)));
    EditMin->setText(FromCp(GeneralFormat(Spectro->Mini, 15, 0, sep)));
    BeerCB->setChecked(Spectro->Actif);
}

bool TModeBeerDlg::OKBtnClick()
{
    double mini = 0, maxi = 0;
    // An axis without extent cannot be drawn: the dialog stays open.
    if (!ReadBeerBounds(ToCp(EditMin->text()), ToCp(EditMax->text()), mini, maxi)) {
        CurrentDialogs().Error(this, QStringLiteral("Mini et Maxi doivent être différents, et Maxi positif"));
        return false;
    }
    Spectro->Nom = Cut(ToCp(EditNom->text()), ShortTextLimit);
    if (Spectro->Nom.empty())
        Spectro->Nom = "c";
    Spectro->Unite = Cut(ToCp(EditUnite->text()), ShortTextLimit);
    Spectro->Signif = Cut(ToCp(EditSignif->text()), TextLimit);
    Spectro->Mini = mini;
    Spectro->Maxi = maxi;
    Spectro->Actif = BeerCB->isChecked();
    return true;
}

void TModeBeerDlg::accept()
{
    if (OKBtnClick())
        QDialog::accept();
}

bool TModeBeerDlg::Execute()
{
    FormActivate();
    return CurrentDialogs().Execute(*this);
}

} // namespace vandoral

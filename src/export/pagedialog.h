// The page-information dialog shown before a send to the analysis program.
#pragma once

#include "exportblock.h"

#include <QDialog>

class QButtonGroup;
class QLineEdit;
class QRadioButton;

namespace vandoral {

class TConstanteDlg : public QDialog {
    Q_OBJECT
public:
    explicit TConstanteDlg(QWidget *parent = nullptr);

    // Shows the dialog (through the dialog seam); true on OK.
    bool Execute();
    PageInfo Page() const;
    // "Données vers Tabvista": 0 "Nouveau fichier", 1 "Nouvelle page".
    int NewPage() const;
    void SetNewPage(int index);

    QLineEdit *NomConstEdit;
    QLineEdit *UniteConstEdit;
    QLineEdit *SignifConstEdit;
    QLineEdit *ValeurConstEdit;
    QLineEdit *EditComm;
    QButtonGroup *NewPageCB;
};

extern TConstanteDlg *ConstanteDlg;

} // namespace vandoral

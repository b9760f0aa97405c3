// The Beer-Lambert options dialog: the quantity typed for each standard, its
// range, and whether unknowns are measured.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace vandoral {

// The options dialog: the quantity typed for each standard, its range, and
// whether unknowns are measured.
class TModeBeerDlg : public QDialog {
    Q_OBJECT
public:
    explicit TModeBeerDlg(QWidget *parent = nullptr);
    // The settings into the fields.
    void FormActivate();
    // The fields into the settings; false, with a message, for bounds that
    // would leave the axis without extent (the dialog stays open).
    bool OKBtnClick();
    // Shown through the dialog seam; true on OK.
    bool Execute();

    QLineEdit *EditNom;
    QLineEdit *EditUnite;
    QLineEdit *EditMin;
    QLineEdit *EditMax;
    QLineEdit *EditSignif;
    QCheckBox *BeerCB;

protected:
    void accept() override;
};

} // namespace vandoral

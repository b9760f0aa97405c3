// The "A propos" box: version, maker, the update page, and the language of
// the interface.
#pragma once

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QUrl;

namespace vandoral {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    static QString UpdatePage();
    // Opens a web address with the system's browser; replaced by tests.
    static std::function<bool(const QUrl &)> OpenUrl;

    void BitBtn1Click();

    QLabel *Version;
    QLabel *Label3;
    QLabel *Copyright;
    QLabel *Label1;
    QLabel *Comments;
    QLabel *Label2;
    QPushButton *BitBtn1;
    QPushButton *OKButton;
    QComboBox *LangueCB;

    // The user picked another language (index in TDictionary's languages).
    std::function<void(int)> OnLanguage;
    void SetLanguage(int language);
};

} // namespace vandoral

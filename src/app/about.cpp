#include "about.h"

#include "dialogs.h"
#include "tradform.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QUrl>

namespace vandoral {

std::function<bool(const QUrl &)> TAboutBox::OpenUrl = [](const QUrl &url) {
    return QDesktopServices::openUrl(url);
};

QString TAboutBox::UpdatePage()
{
    return QStringLiteral("https://www.vandoral.example/tabvista/mise-a-jour");
}

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("A propos"));
    setFixedSize(313, 257);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(13);
    setFont(f);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(8, 8, 297, 137);
    auto *icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    icon->setGeometry(8, 8, 32, 32);
    auto label = [panel](const char *name, const QString &text, int x, int y) {
        auto *l = new QLabel(text, panel);
        l->setObjectName(QString::fromLatin1(name));
        l->move(x, y);
        return l;
    };
    Version = label("Version", QStringLiteral("Version"), 61, 18);
    Label3 = label("Label3", QStringLiteral(VANDORAL_VERSION "  - " VANDORAL_RELEASE_DATE), 113, 18);
    Copyright = label("Copyright", QStringLiteral("Copyright © Vandoral Instruments"), 16, 40);
    Label1 = label("Label1", QStringLiteral("Acquisition par spectrophotomètres Vandoral"), 16, 62);
    Comments = label("Comments", QStringLiteral("pour Tabvista"), 16, 84);
    Comments->setWordWrap(true);
    Label2 = label("Label2", QStringLiteral("support@vandoral.example"), 16, 106);

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogHelpButton),
                              QStringLiteral("Version à jour"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(64, 151, 148, 33);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(64, 190, 148, 33);
    OKButton->setDefault(true);
    LangueCB = new QComboBox(this);
    LangueCB->setObjectName(QStringLiteral("LangueCB"));
    LangueCB->setGeometry(64, 229, 148, 22);
    const QStringList names = TDictionary::DisplayNames();
    for (int i = TDictionary::French; i <= TDictionary::English; ++i)
        LangueCB->addItem(names.at(i), i);
    SetLanguage(Dictionary().Current());

    connect(BitBtn1, &QPushButton::clicked, this, &TAboutBox::BitBtn1Click);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(LangueCB, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (OnLanguage)
            OnLanguage(LangueCB->itemData(index).toInt());
    });
}

void TAboutBox::SetLanguage(int language)
{
    const int index = LangueCB->findData(language == TDictionary::Native ? int(TDictionary::French) : language);
    LangueCB->setCurrentIndex(index < 0 ? 0 : index);
}

void TAboutBox::BitBtn1Click()
{
    const QString address = UpdatePage();
    if (!OpenUrl(QUrl(address)))
        CurrentDialogs().Message(this, Res(rsImpossibleAcceder) + address);
}

} // namespace vandoral

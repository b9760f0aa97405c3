#include "mainwindow.h"

#include "about.h"
#include "dialogs.h"
#include "inifile.h"
#include "modeform.h"
#include "beerwindow.h"
#include "kineticswindow.h"
#include "tracewindow.h"
#include "qtdriverenv.h"
#include "qtext.h"
#include "search.h"
#include "driver.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace vandoral {

TFormMain *FormMain = nullptr;

namespace {

QPushButton *Button(QWidget *parent, const char *name, const QString &caption, QStyle::StandardPixmap icon)
{
    auto *b = new QPushButton(parent->style()->standardIcon(icon), caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIconSize(QSize(20, 20));
    return b;
}

} // namespace

TFormMain::TFormMain(const QString &iniName, QWidget *parent)
    : TTradForm(parent),
      VoieSerie([this](int n) { return ports_ ? ports_->Device(n) : QString(); }),
      IniName(iniName)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Vandoral"));

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    BoutonPanel = new QWidget(central);
    BoutonPanel->setFixedHeight(41);
    auto *top = new QHBoxLayout(BoutonPanel);
    top->setContentsMargins(4, 4, 4, 4);
    ExitBtn = Button(BoutonPanel, "ExitBtn", QStringLiteral("Quitter"), QStyle::SP_DialogCloseButton);
    AboutBtn = Button(BoutonPanel, "AboutBtn", QStringLiteral("A propos..."), QStyle::SP_MessageBoxInformation);
    ComBtn = Button(BoutonPanel, "ComBtn", QStringLiteral("Test"), QStyle::SP_BrowserReload);
    SetHint(ComBtn, QStringLiteral("Recommencer la recherche avec la voie série ci-dessous"));
    top->addWidget(ExitBtn);
    top->addWidget(AboutBtn);
    top->addWidget(ComBtn);
    layout->addWidget(BoutonPanel);

    ComPorts = new QComboBox(central);
    ComPorts->setObjectName(QStringLiteral("ComPorts"));
    layout->addWidget(ComPorts);
    ChercheLabel = new QLabel(QStringLiteral("Recherche en cours..."), central);
    ChercheLabel->setObjectName(QStringLiteral("ChercheLabel"));
    QFont labelFont(QStringLiteral("MS Sans Serif"));
    labelFont.setPixelSize(16);
    labelFont.setBold(true);
    ChercheLabel->setFont(labelFont);
    ChercheLabel->setStyleSheet(QStringLiteral("color: red"));
    layout->addWidget(ChercheLabel);

    CinetiqueBtn = Button(central, "CinetiqueBtn", QStringLiteral("Suivi de cinétique"), QStyle::SP_MediaPlay);
    SetHint(CinetiqueBtn, QStringLiteral("Absorbance en  fonction du temps"));
    SpectreMinMaxBtn = Button(central, "SpectreMinMaxBtn", QStringLiteral("Tracé de spectre"), QStyle::SP_FileDialogDetailedView);
    SetHint(SpectreMinMaxBtn, QStringLiteral("Acquisition de spectres"));
    BeerBtn = Button(central, "BeerBtn", QStringLiteral("Loi de Beer-Lambert"), QStyle::SP_FileDialogListView);
    SetHint(BeerBtn, QStringLiteral("Absorbance en  fonction de la concentration"));
    ConnectBtn = new QPushButton(QStringLiteral("Connect"), central);
    ConnectBtn->setObjectName(QStringLiteral("ConnectBtn"));
    for (QWidget *w : {static_cast<QWidget *>(CinetiqueBtn), static_cast<QWidget *>(SpectreMinMaxBtn),
                       static_cast<QWidget *>(BeerBtn), static_cast<QWidget *>(ConnectBtn)}) {
        layout->addWidget(w);
        w->hide();
    }
    layout->addStretch(1);
    setCentralWidget(central);

    StatusBar1 = statusBar();
    status_ = new QLabel(StatusBar1);
    status_->setObjectName(QStringLiteral("StatusText"));
    StatusBar1->addWidget(status_, 1);
    resize(398, 314);

    connect(ExitBtn, &QPushButton::clicked, this, &QWidget::close);
    connect(AboutBtn, &QPushButton::clicked, this, &TFormMain::AboutItemClick);
    connect(ComBtn, &QPushButton::clicked, this, &TFormMain::ComBtnClick);
    connect(ConnectBtn, &QPushButton::clicked, this, &TFormMain::ConnectBtnClick);
    connect(SpectreMinMaxBtn, &QPushButton::clicked, this, [this] { SelectMode(MeasureMode::Spectre); });
    connect(CinetiqueBtn, &QPushButton::clicked, this, [this] { SelectMode(MeasureMode::Cinetique); });
    connect(BeerBtn, &QPushButton::clicked, this, [this] { SelectMode(MeasureMode::Beer); });

    // The activation of the program brings its mode window forward.
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive)
            AppActivate();
        else
            cameFromElsewhere_ = true;
    });
    Mode = MeasureMode::None;
    Spectro->Port = &VoieSerie;
    Spectro->Env = &DefaultQtDriverEnv();
    const std::string ini = ToPath(IniName);
    Test = FileExists(ini) ? int(IniReadInteger(ini, "Spectro", "Test", 1)) : 0;
    Translate();
    TModeForm::Translate = [](const QString &text) { return Dictionary().Translate(text); };
    FormMain = this;
}

TFormMain::~TFormMain()
{
    qApp->removeEventFilter(this);
    VoieSerie.SetDataHandler(nullptr);
    if (Spectro && Spectro->Port == &VoieSerie)
        Spectro->Port = nullptr;
    if (FormMain == this)
        FormMain = nullptr;
}

void TFormMain::SetWindows(TModeForm *spectre, TModeForm *cinetique, TModeForm *beer, TAboutBox *about)
{
    spectre_ = spectre;
    cinetique_ = cinetique;
    beer_ = beer;
    about_ = about;
    for (TModeForm *w : {spectre, cinetique, beer})
        Adopt(w);
}

void TFormMain::Adopt(TModeForm *w) const
{
    if (!w)
        return;
    auto *self = const_cast<TFormMain *>(this);
    w->IniName = IniName;
    w->RunSaveDialog = [self](QWidget *parent, const QString &filter, int &filterIndex) {
        return self->SaveDialog(parent, filter, filterIndex);
    };
    w->OnClosed = [self] {
        if (!self->closing_)
            self->SelectMode(MeasureMode::None, false);
    };
    // A mode window starting a measurement refreshes its controls.
    w->OnRefreshed = [self] { self->ShowBusy(); };
}

TModeForm *TFormMain::ModeWindow(MeasureMode mode) const
{
    QPointer<TModeForm> *slot = nullptr;
    switch (mode) {
    case MeasureMode::Spectre: slot = &spectre_; break;
    case MeasureMode::Cinetique: slot = &cinetique_; break;
    case MeasureMode::Beer: slot = &beer_; break;
    case MeasureMode::None: return nullptr;
    }
    if (!*slot && factory_) {
        *slot = factory_(mode);
        Adopt(*slot);
        // Built after the instrument's state changed: it shows it now.
        if (*slot)
            (*slot)->RafraichitControle();
    }
    return *slot;
}

TModeForm *TFormMain::BuiltWindow(MeasureMode mode) const
{
    switch (mode) {
    case MeasureMode::Spectre: return spectre_;
    case MeasureMode::Cinetique: return cinetique_;
    case MeasureMode::Beer: return beer_;
    case MeasureMode::None: break;
    }
    return nullptr;
}

bool TFormMain::event(QEvent *e)
{
    // Activation, and the first showing (without a window manager nothing
    // activates the window).
    const bool firstShow = e->type() == QEvent::Show && firstActivation_;
    if ((e->type() == QEvent::WindowActivate || firstShow) && !activationQueued_) {
        // Out of the activation itself: a search waits on the serial line.
        activationQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            activationQueued_ = false;
            FormActivate();
        });
    }
    return TTradForm::event(e);
}

void TFormMain::FormActivate()
{
    if (closing_ || searching_)
        return;
    Spectro->OnMessage = [this](const std::string &text) { ShowStatus(FromCp(text)); };
    Spectro->OnControlChange = [this] { ControlChanged(); };
    // Search again only at start-up or when the user comes back from another
    // program: coming back from this program's own message box, the search
    // would show the box again and the user could never leave.
    const bool search = firstActivation_ || cameFromElsewhere_;
    firstActivation_ = false;
    cameFromElsewhere_ = false;
    SelectMode(MeasureMode::None, search);
}

void TFormMain::SelectMode(MeasureMode mode)
{
    SelectMode(mode, true);
}

void TFormMain::SelectMode(MeasureMode mode, bool search)
{
    if (closing_)
        return;
    if (OnSelectMode)
        OnSelectMode();
    if (!VoieSerie.IsOpen() && search && !searching_) {
        ChercheLabel->setText(Res(rsRechercheEnCours));
        ChercheLabel->show();
        // The port table read again (a device may have been attached); the
        // list of ports is filled only when the search finds nothing.
        ports_ = std::make_unique<PortTable>(ToPath(IniName));
        SearchInstrument();
        if (closing_)
            return;
    }
    // Each button takes its final visibility at once: a button hidden and
    // shown again under a click (each activation of the window comes here)
    // loses its focus, with it its pressed state, and the click is lost.
    ChercheLabel->hide();
    const bool found = VoieSerie.IsOpen() && Found;
    const bool c = found && Spectro->Controlled;
    const bool none = mode == MeasureMode::None;
    CinetiqueBtn->setVisible(c && (none || mode == MeasureMode::Cinetique));
    BeerBtn->setVisible(c && (none || mode == MeasureMode::Beer));
    SpectreMinMaxBtn->setVisible(c && (none || mode == MeasureMode::Spectre));
    ConnectBtn->setVisible(found);
    if (VoieSerie.IsOpen()) {
        if (Found) {
            Mode = mode;
            if (TModeForm *w = ModeWindow(mode)) {
                if (mode == MeasureMode::Cinetique)
                    w->showMaximized();
                else
                    w->show();
                w->raise();
                w->activateWindow();
            }
        }
        ComPorts->hide();
    }
}

void TFormMain::FillPortList()
{
    if (!ports_)
        ports_ = std::make_unique<PortTable>(ToPath(IniName));
    ComPorts->clear();
    int selected = -1;
    for (int n = 1; n <= HighestPort; ++n) {
        if (!ports_->Present(n))
            continue;
        ComPorts->addItem(QStringLiteral("COM%1").arg(n));
        if (n == Spectro->Com)
            selected = ComPorts->count() - 1;
    }
    ComPorts->setCurrentIndex(selected >= 0 ? selected : (ComPorts->count() > 0 ? 0 : -1));
}

void TFormMain::SearchInstrument()
{
    if (!ports_)
        ports_ = std::make_unique<PortTable>(ToPath(IniName));
    // "Quitter" is held back until the search and the taking of control are
    // over: a close in the middle of the CONTROL exchange would leave the
    // instrument's keys locked.
    searching_ = true;
    openFailures_.clear();
    const int stored = Spectro->Com;
    vandoral::SearchInstrument(
        stored, [this](int n) { return !quitRequested_ && ports_->Present(n); },
        [this](int n) { return !quitRequested_ && TryPort(n); });
    if (VoieSerie.IsOpen() && !quitRequested_)
        TakeControlAfterSearch();
    searching_ = false;
    if (quitRequested_) {
        // "Quitter" was pressed during the search: close now that it is over
        // (the close gives control back when it was taken).
        QTimer::singleShot(0, this, &QWidget::close);
        closing_ = true;
        return;
    }
    if (!VoieSerie.IsOpen()) {
        const QString text = Res(rsNonDetecte);
        setWindowTitle(text);
        // A port there but not to be opened is no cable fault: say which
        // and why.
        CurrentDialogs().Error(this, openFailures_.isEmpty() ? text : openFailures_.join(QLatin1Char('\n')));
        FillPortList();
        ComPorts->setVisible(ComPorts->count() > 1);
        QString hint = Res(rsRecommencer);
        if (ComPorts->isVisibleTo(this))
            hint += QStringLiteral(" avec la voie série ci-dessous");
        SetHint(ComBtn, hint);
        ConnectBtn->hide();
        return;
    }
    ShowModeButtons();
    ConnectBtn->show();
}

void TFormMain::TakeControlAfterSearch()
{
    setWindowTitle(QStringLiteral("Acquisition par ") + FromCp(Spectro->ModelName) + QStringLiteral(" ")
                   + QStringLiteral("pour Tabvista"));
    const bool wasLost = lossShown_;
    if (Spectro->TakeControl()) {
        ConnectBtn->setText(Res(rsDeconnect));
        SetHint(ConnectBtn, Res(rsReactivation));
        SetStatusText(wasLost ? FoundAgainText() : QString());
        return;
    }
    if (quitRequested_)
        return;
    CurrentDialogs().Message(this, FromCp(Spectro->LastMessage));
    if (quitRequested_)
        return;
    if (Spectro->TakeControl()) {
        ConnectBtn->setText(Res(rsDeconnection));
        SetHint(ConnectBtn, Res(rsReactivation));
    } else {
        ConnectBtn->setText(Res(rsConnection));
        SetHint(ConnectBtn, Res(rsPrendControle));
        SetStatusText(FromCp(Spectro->LastMessage));
    }
}

bool TFormMain::TryPort(int n)
{
    Found = false;
    ChercheLabel->setText(Res(rsRechercheSurCom) + QString::number(n) + QStringLiteral(" ..."));
    VoieSerie.SetPortNumber(n);
    if (!VoieSerie.Open()) {
        const QString why = VoieSerie.FailureText();
        if (!why.isEmpty() && !openFailures_.contains(why))
            openFailures_ << why;
        VoieSerie.Close();
        return false;
    }
    const std::string code = Spectro->Identify();
    if (!code.empty() && VoieSerie.IsOpen()) {
        Spectro->Com = static_cast<std::uint16_t>(n);
        Found = true;
        return true;
    }
    VoieSerie.Close();
    return false;
}

void TFormMain::ShowModeButtons()
{
    const bool on = Found && Spectro->Controlled;
    CinetiqueBtn->setVisible(on);
    SpectreMinMaxBtn->setVisible(on);
    BeerBtn->setVisible(on);
}

void TFormMain::ComBtnClick()
{
    // With no port listed there is nothing to choose: search again all the same.
    if (ComPorts->count() > 0) {
        bool ok = false;
        const int n = ComPorts->currentText().mid(3).toInt(&ok);
        if (ok)
            Spectro->Com = static_cast<std::uint16_t>(n);
    }
    SelectMode(MeasureMode::None, true);
}

void TFormMain::ConnectBtnClick()
{
    if (Spectro->Busy) {
        ShowBusy();
        return;
    }
    if (Spectro->Controlled) {
        Spectro->Release();
        ConnectBtn->setText(Res(rsConnection));
        SetHint(ConnectBtn, Res(rsPrendControle));
        SetStatusText(QString());
    } else {
        Spectro->TakeControl();
        ConnectBtn->setText(Res(rsDeconnection));
        SetHint(ConnectBtn, Res(rsReactivation));
    }
    ShowModeButtons();
}

void TFormMain::AboutItemClick()
{
    if (!about_ && aboutFactory_)
        about_ = aboutFactory_();
    if (about_)
        about_->exec();
}

void TFormMain::SetStatusText(const QString &text)
{
    status_->setText(text);
}

QString TFormMain::StatusText() const
{
    return status_->text();
}

void TFormMain::ShowStatus(const QString &untranslated)
{
    const QString text = Dictionary().Translate(untranslated);
    if (TModeForm *w = ModeWindow(Mode))
        w->ShowStatus(text);
    else
        SetStatusText(text);
}

void TFormMain::AppHint(const QString &text)
{
    if (TModeForm *w = ModeWindow(Mode))
        w->ShowHint(text);
    else
        SetStatusText(text);
}

QString TFormMain::FoundAgainText()
{
    return Dictionary().Translate(QStringLiteral("Le spectro répond de nouveau"));
}

void TFormMain::ControlChanged()
{
    // Every mode window built so far, not only the active one: each shows
    // whether it can ask the instrument for something (one built later
    // shows it when it is built).
    for (MeasureMode mode : {MeasureMode::Spectre, MeasureMode::Cinetique, MeasureMode::Beer})
        if (TModeForm *w = BuiltWindow(mode))
            w->RafraichitControle();
    ShowBusy();
    // The instrument's line gone, then found again (by a window or by
    // "Test"): said here too.
    if (Spectro->LineLost()) {
        lossShown_ = true;
        SetStatusText(Dictionary().Translate(
            QStringLiteral("Le spectro ne répond plus : vérifiez son câble et qu'il est allumé")));
    } else if (lossShown_ && Spectro->Controlled) {
        lossShown_ = false;
        SetStatusText(FoundAgainText());
    }
    // "Quitter" waited for the measurement: it goes on once the events of
    // its end have been handled.
    if (quitWhenIdle_ && !Spectro->Busy) {
        quitWhenIdle_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TFormMain::ShowBusy()
{
    // Releasing control in the middle of a blank or scan would replace its
    // reply handler and lose the measurement: the button waits.
    ConnectBtn->setEnabled(!Spectro->Busy);
}

QString TFormMain::SaveDialog(QWidget *parent, const QString &filter, int &filterIndex)
{
    return CurrentDialogs().SaveFileName(parent, filter, filterIndex);
}

void TFormMain::AppActivate()
{
    if (TModeForm *w = ModeWindow(Mode))
        w->activateWindow();
}

void TFormMain::ShowActiveMode()
{
    if (!ModeWindow(Mode))
        Mode = MeasureMode::None;
    if (TModeForm *w = ModeWindow(Mode)) {
        w->show();
        w->raise();
        w->activateWindow();
    } else {
        activateWindow();
    }
}

bool TFormMain::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::StatusTip) {
        AppHint(static_cast<QStatusTipEvent *>(e)->tip());
        return true;
    }
    return TTradForm::eventFilter(watched, e);
}

void TFormMain::closeEvent(QCloseEvent *e)
{
    if (searching_) {
        // Leave the search first; it closes the window when it returns.
        quitRequested_ = true;
        e->ignore();
        return;
    }
    // The mode windows ask their questions first (a run to stop, data to
    // save); a blank or scan under way ends before control is given back.
    // At the program's end a save cannot go to the clipboard, which ends
    // with the program: the windows know it while they ask.
    for (TModeForm *w : {spectre_.data(), cinetique_.data(), beer_.data()}) {
        if (!w || !w->isVisible())
            continue;
        w->SetQuitting(true);
        const bool closed = w->close();
        w->SetQuitting(false);
        if (!closed) {
            quitWhenIdle_ = w->CloseWaits();
            e->ignore();
            return;
        }
    }
    if (Spectro->Busy) {
        quitWhenIdle_ = true;
        SetStatusText(Dictionary().Translate(QStringLiteral("Attendre la fin de la mesure en cours")));
        e->ignore();
        return;
    }
    closing_ = true;
    if (VoieSerie.IsOpen()) {
        if (Spectro->Controlled)
            Spectro->Release();
        VoieSerie.SetDataHandler(nullptr);
        VoieSerie.DumpTrace();
        VoieSerie.DumpLog();
        IniWriteInteger(ToPath(IniName), "Spectro", "Test", Test);
    }
    for (TModeForm *w : {spectre_.data(), cinetique_.data(), beer_.data()})
        if (w)
            w->close();
    e->accept();
}

} // namespace vandoral

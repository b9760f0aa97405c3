#include "modeform.h"

#include "datafile.h"
#include "dialogs.h"
#include "driver.h"
#include "fileio.h"
#include "hint.h"
#include "inifile.h"
#include "pagedialog.h"
#include "printgraph.h"
#include "qtext.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QLocale>
#include <QMenu>
#include <QPageLayout>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace vandoral {

std::function<QString(const QString &)> TModeForm::Translate = [](const QString &text) { return text; };
QString TModeForm::JournalFolder;

namespace {

// The images of the buttons, by their number in the main window's list.
QIcon Image(const QWidget *w, int image)
{
    QStyle::StandardPixmap p = QStyle::SP_FileIcon;
    switch (image) {
    case 2: p = QStyle::SP_ArrowRight; break;          // to the analysis program
    case 3: p = QStyle::SP_DialogCloseButton; break;   // end
    case 4: p = QStyle::SP_FileDialogDetailedView; break; // print
    case 10: p = QStyle::SP_DialogResetButton; break;  // blank
    case 11: p = QStyle::SP_DialogYesButton; break;    // under control
    case 12: p = QStyle::SP_DialogNoButton; break;     // not under control
    case 13: p = QStyle::SP_ArrowUp; break;            // cross-hair
    case 14: p = QStyle::SP_MediaPlay; break;          // measure
    case 15: p = QStyle::SP_TitleBarMaxButton; break;  // automatic scale
    case 16: p = QStyle::SP_DialogSaveButton; break;   // file
    case 18: p = QStyle::SP_FileDialogNewFolder; break; // clipboard
    default: break;
    }
    return w->style()->standardIcon(p);
}

// The tool bar's gradient, from sky blue to aqua. Painted by hand: a style's
// tool bar panel does not take a gradient from the palette everywhere.
class GradientToolBar : public QToolBar {
public:
    using QToolBar::QToolBar;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QLinearGradient g(rect().topLeft(), rect().topRight());
        g.setColorAt(0, QColor(0x87, 0xCE, 0xEB));
        g.setColorAt(1, QColor(0x00, 0xFF, 0xFF));
        p.fillRect(rect(), g);
    }
};

const char *const SaveCaptions[] = {"Tabvista", "Copier", "Sauver"};
const int SaveImages[] = {2, 18, 16};

} // namespace

TModeForm::TModeForm(const QString &caption, const QString &section, QWidget *parent)
    : QMainWindow(parent), section_(section)
{
    setWindowTitle(caption);
    QFont f = font();
    f.setFamily(QStringLiteral("Tahoma"));
    f.setPixelSize(16);
    setFont(f);
    resize(721, 299);
    setWindowState(Qt::WindowMaximized);

    ToolBar1 = new GradientToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QPalette bar = ToolBar1->palette();
    bar.setColor(QPalette::WindowText, Qt::black);
    bar.setColor(QPalette::ButtonText, Qt::black);
    ToolBar1->setPalette(bar);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    panel1_ = new QLabel(this);
    panel1_->setMinimumWidth(300);
    panel2_ = new QLabel(this);
    panel2_->setObjectName(QStringLiteral("StatusPanel2"));
    panel2_->setMinimumWidth(50);
    statusBar()->addWidget(panel1_);
    statusBar()->addWidget(panel2_, 1);

    // The window sees keys before its controls.
    qApp->installEventFilter(this);
}

TModeForm::~TModeForm()
{
    qApp->removeEventFilter(this);
}

QToolButton *TModeForm::AddButton(const char *name, const QString &caption, const QString &hint, int icon,
                                  bool checkable)
{
    auto *b = new QToolButton(ToolBar1);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setIcon(Image(this, icon));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    // 54 pixels high, and as wide as its caption needs (at least 64): the
    // Beer-Lambert tool bar keeps every button whole on a 1024-pixel screen.
    b->setMinimumSize(64, 54);
    b->setCheckable(checkable);
    SetHint(b, hint);
    b->setAccessibleName(caption);
    b->setProperty("toolBarAction", QVariant::fromValue(static_cast<QObject *>(ToolBar1->addWidget(b))));
    return b;
}

void TModeForm::ShowButton(QToolButton *button, bool visible)
{
    if (auto *action = qobject_cast<QAction *>(button->property("toolBarAction").value<QObject *>()))
        action->setVisible(visible);
    button->setVisible(visible); // at once, before the tool bar's next layout
}

void TModeForm::AddSaveButton(SaveTarget checked)
{
    RegSaveBtn = AddButton("RegSaveBtn", QString(), QStringLiteral("Sauvegarde ; flèche : choix du type"), 2);
    RegSaveBtn->setPopupMode(QToolButton::MenuButtonPopup);
    SavePopupMenu = new QMenu(RegSaveBtn);
    SavePopupMenu->setObjectName(QStringLiteral("SavePopupMenu"));
    auto *group = new QActionGroup(SavePopupMenu);
    group->setExclusive(true);
    const QString texts[] = {QStringLiteral("vers Tabvista"), QStringLiteral("vers presse papiers"),
                             QStringLiteral("vers fichier")};
    QAction **items[] = {&TabvistaM, &ClipM, &FileM};
    const char *names[] = {"TabvistaM", "ClipM", "FileM"};
    for (int tag = 0; tag < 3; ++tag) {
        QAction *a = SavePopupMenu->addAction(Image(this, SaveImages[tag]), texts[tag]);
        a->setObjectName(QString::fromLatin1(names[tag]));
        a->setCheckable(true);
        a->setData(tag);
        group->addAction(a);
        *items[tag] = a;
        connect(a, &QAction::triggered, this, [this, a] { TabvistaMClick(a); });
    }
    SavePopupMenu->addSeparator();
    OpenM = SavePopupMenu->addAction(QStringLiteral("Ouvrir un fichier…"));
    OpenM->setObjectName(QStringLiteral("OpenM"));
    OpenM->setShortcut(QKeySequence::Open);
    addAction(OpenM);
    connect(OpenM, &QAction::triggered, this, &TModeForm::OpenMClick);
    RegSaveBtn->setMenu(SavePopupMenu);
    connect(RegSaveBtn, &QToolButton::clicked, this, &TModeForm::RegSaveBtnClick);
    CheckSaveItem(checked);
}

void TModeForm::AddConnectAndExit()
{
    ConnectBtn = AddButton("ConnectBtn", QStringLiteral("Déconnect."),
                           QStringLiteral("Réactivation des touches du spectro"), 11, true);
    connect(ConnectBtn, &QToolButton::clicked, this, &TModeForm::ConnectBtnClick);
    ExitBtn = AddButton("ExitBtn", QStringLiteral("Fin"), QStringLiteral("Quitter"), 3);
    connect(ExitBtn, &QToolButton::clicked, this, &QWidget::close);
}

SaveTarget TModeForm::SaveTag() const
{
    if (ClipM && ClipM->isChecked())
        return SaveTarget::Clipboard;
    if (FileM && FileM->isChecked())
        return SaveTarget::File;
    return SaveTarget::Tabvista;
}

void TModeForm::CheckSaveItem(SaveTarget target)
{
    QAction *items[] = {TabvistaM, ClipM, FileM};
    const int tag = int(target);
    if (tag > 2 || !items[tag])
        return;
    items[tag]->setChecked(true);
    RegSaveBtn->setText(QString::fromLatin1(SaveCaptions[tag]));
    RegSaveBtn->setAccessibleName(RegSaveBtn->text());
    RegSaveBtn->setIcon(Image(this, SaveImages[tag]));
}

void TModeForm::TabvistaMClick(QAction *item)
{
    CheckSaveItem(SaveTarget(item->data().toInt()));
    RegSaveBtnClick();
}

void TModeForm::RegSaveBtnClick()
{
    SaveAction(SaveTag());
}

void TModeForm::ConnectBtnClick()
{
    // Releasing control in the middle of a blank or scan would replace its
    // reply handler and lose the measurement: the button waits.
    if (Spectro->Busy) {
        RafraichitControle();
        return;
    }
    if (Spectro->Controlled)
        Spectro->Release();
    else
        Spectro->TakeControl();
    RafraichitControle();
}

void TModeForm::RafraichitControle()
{
    if (ConnectBtn) {
        const bool c = Spectro && Spectro->Controlled;
        ConnectBtn->setText(c ? QStringLiteral("Déconnect.") : QStringLiteral("Connect."));
        ConnectBtn->setAccessibleName(ConnectBtn->text());
        SetHint(ConnectBtn, c ? QStringLiteral("Réactivation des touches du spectro")
                              : QStringLiteral("L'ordinateur prend le controle du spectro"));
        ConnectBtn->setChecked(!c);
        ConnectBtn->setIcon(Image(this, c ? 11 : 12));
        ConnectBtn->setEnabled(!(Spectro && Spectro->Busy));
    }
    ShowControlState();
    if (OnRefreshed)
        OnRefreshed();
}

void TModeForm::ShowStatus(const QString &text)
{
    panel2_->setText(text);
}

void TModeForm::SayNotTaken()
{
    // Its line went away and it did not answer when looked for again.
    if (Spectro && Spectro->LineLost())
        ShowStatus(Translate(QStringLiteral("Le spectro ne répond toujours pas : vérifiez son câble et qu'il est allumé")));
    else
        SayBusy();
}

bool TModeForm::InstrumentReachable()
{
    return Spectro && (Spectro->Controlled || Spectro->LineLost());
}

void TModeForm::SayBusy()
{
    ShowStatus(Translate(QStringLiteral("Le spectro est occupé : attendre la fin de la mesure en cours")));
}

void TModeForm::NoteBlank(bool ok)
{
    blankRefusal_ = ok || !Spectro ? QString() : FromCp(Spectro->LastMessage);
}

QString TModeForm::BlankBanner() const
{
    if (blankRefusal_.isEmpty())
        return QStringLiteral("Faire d'abord le blanc : installer la cuve avec solvant dans le spectro puis cliquer "
                              "sur le bouton \"Blanc\"");
    return Translate(QStringLiteral("Blanc refusé par le spectro (%1) : refaire le blanc avec la cuve de solvant "
                                    "(bouton \"Blanc\")"))
        .arg(blankRefusal_);
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

void TModeForm::ReadWindowState()
{
    IniImage image;
    if (IniName.isEmpty() || image.Load(ToPath(IniName)) != FileState::Read)
        return;
    const std::string s = section_.toStdString();
    const int state = int(image.ReadInteger(s, "State", 2));
    const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
    const int h = int(image.ReadInteger(s, "Height", g.height()));
    const int w = int(image.ReadInteger(s, "Width", g.width()));
    const int top = int(image.ReadInteger(s, "Top", g.top()));
    const int left = int(image.ReadInteger(s, "Left", g.left()));
    ReadExtraKeys(image);
    // The normal geometry first, so that a maximised window restores to it.
    setWindowState(Qt::WindowNoState);
    if (w > 0 && h > 0)
        setGeometry(left, top, w, h);
    if (state == 1 || state == 2)
        setWindowState(state == 2 ? Qt::WindowMaximized : Qt::WindowMinimized);
}

void TModeForm::WriteWindowState()
{
    if (IniName.isEmpty())
        return;
    const std::string ini = ToPath(IniName);
    IniImage image;
    // A settings file that cannot be read is left alone; other failures are
    // swallowed: the window closes all the same.
    if (image.Load(ini) == FileState::Unreadable)
        return;
    const std::string s = section_.toStdString();
    const Qt::WindowStates st = windowState();
    image.WriteInteger(s, "State", st & Qt::WindowMaximized ? 2 : st & Qt::WindowMinimized ? 1 : 0);
    const QRect g = (st & (Qt::WindowMaximized | Qt::WindowMinimized)) && normalGeometry().isValid()
                        ? normalGeometry()
                        : geometry();
    image.WriteInteger(s, "Height", g.height());
    image.WriteInteger(s, "Width", g.width());
    image.WriteInteger(s, "Top", g.top());
    image.WriteInteger(s, "Left", g.left());
    WriteExtraKeys(image);
    image.Save(ini);
}

MeasureMode TModeForm::Mode() const
{
    if (section_ == QLatin1String("WindowS"))
        return MeasureMode::Spectre;
    if (section_ == QLatin1String("WindowC"))
        return MeasureMode::Cinetique;
    return section_ == QLatin1String("WindowB") ? MeasureMode::Beer : MeasureMode::None;
}

bool TModeForm::SaveWith(SaveTarget checked, const std::function<bool(bool)> &exportTo,
                         const std::function<bool(const QString &, int)> &saveFile)
{
    const SaveMoment moment = quitting_ ? SaveMoment::Quitting : SaveMoment::During;
    const SaveTarget target = TargetAt(checked, moment);
    bool done = false;
    switch (target) {
    case SaveTarget::Tabvista:
        if (!ConstanteDlg || !ConstanteDlg->Execute())
            return false; // cancelled: nothing happened
        done = exportTo(true);
        if (done)
            ConstanteDlg->SetNewPage(1); // "Nouvelle page" for the next send
        break;
    case SaveTarget::Clipboard: done = exportTo(false); break;
    case SaveTarget::File: done = SaveToFile(saveFile); break;
    }
    const SaveOutcome outcome = SavePolicy(Mode(), target, done, moment);
    if (outcome.JournalEnds)
        JournalEnd();
    return outcome.Saved;
}

bool TModeForm::SaveToFile(const std::function<bool(const QString &, int)> &saveFile)
{
    int filterIndex = 1;
    const QString name = RunSaveDialog ? RunSaveDialog(this, SaveFilter(), filterIndex) : QString();
    if (name.isEmpty())
        return false;
    // The dialog asked about the name typed; the file written may have an
    // extension added, and an existing one is not replaced unasked.
    const QString final = FromPath(FinalFileName(ToPath(name), filterIndex));
    if (final != name && QFileInfo::exists(final)
        && !CurrentDialogs().Question(this, Translate(QStringLiteral("Le fichier %1 existe déjà. Le remplacer ?"))
                                                .arg(QDir::toNativeSeparators(final))))
        return false;
    return saveFile(name, filterIndex);
}

void TModeForm::AskSave()
{
    if (CurrentDialogs().Question(this, QStringLiteral("Sauvegarde ?"))) {
        RegSaveBtnClick();
        return;
    }
    // Knowingly discarded: gone from the journal and from the window alike.
    JournalEnd();
    DiscardData();
}

bool TModeForm::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::WindowActivate:
        activatedSinceShow_ = true;
        FormActivate();
        break;
    case QEvent::Show:
        // The stored state and place, before the window first appears (set
        // once it is on screen, a maximised window forgets its normal place).
        if (!stateRead_) {
            stateRead_ = true;
            ReadWindowState();
        }
        // Without a window manager nothing activates the window: the
        // showing stands for the activation then.
        activatedSinceShow_ = false;
        QTimer::singleShot(0, this, [this] {
            if (!activatedSinceShow_ && isVisible()) {
                activatedSinceShow_ = true;
                FormActivate();
            }
        });
        break;
    case QEvent::Hide:
        activatedSinceShow_ = false;
        break;
    default: break;
    }
    return QMainWindow::event(e);
}

bool TModeForm::SpaceBar()
{
    switch (SpaceBarAction()) {
    case SpaceAction::Blank: SpaceBlank(); return true;
    case SpaceAction::Measure: SpaceMeasure(); return true;
    case SpaceAction::None: break;
    }
    return false;
}

namespace {

// A cell of a grid is being edited there: its keys, the space included,
// belong to the cell.
bool InCellEditor(QWidget *w)
{
    // An editor is the only widget a view puts in its viewport.
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget())
        if (auto *view = qobject_cast<QAbstractItemView *>(p))
            return w != view->viewport() && view->viewport()->isAncestorOf(w);
    return false;
}

} // namespace

bool TModeForm::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this && !InCellEditor(static_cast<QWidget *>(watched))) {
        auto *key = static_cast<QKeyEvent *>(e);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && !key->isAutoRepeat()
            && SpaceBar())
            return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void TModeForm::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    FormClose();
    WriteWindowState();
    if (OnClosed)
        OnClosed();
}

} // namespace vandoral

#include "exportwindow.h"
#include "xlsxfile.h"

#include "dialogs.h"
#include "numtext.h"
#include "qtext.h"
#include "pagedialog.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QThread>

namespace vandoral {

TFormDDE *FormDDE = nullptr;

QString LocateTabvista()
{
#ifdef Q_OS_WIN
    QSettings key(QStringLiteral("HKEY_CURRENT_USER\\Software\\Tabvista"), QSettings::NativeFormat);
#else
    QSettings key(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tabvista"));
#endif
    const QString first = key.value(QStringLiteral("Path")).toString();
    const QString path = key.value(QStringLiteral("Tabvista/Path"), first).toString();
    if (!path.isEmpty())
        return path;
#ifdef Q_OS_WIN
    return QStringLiteral("tabvista.exe");
#else
    return QStringLiteral("tabvista");
#endif
}

TFormDDE::TFormDDE(TConstanteDlg *constante, QWidget *parent)
    : QWidget(parent), constante_(constante)
{
    setObjectName(QStringLiteral("FormDDE"));
    setWindowTitle(QStringLiteral("DDE"));
    ServiceApplication = LocateTabvista();
    Wait = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    // This program's own service: its executable's name cut at the first ".".
    const QString service = QFileInfo(QCoreApplication::applicationFilePath()).fileName().section(QLatin1Char('.'), 0, 0);
    server_.Listen(service, QStringLiteral("ServeurDDE"), [this](const QStringList &lines) { return ExecuteMacro(lines); });
    FormDDE = this;
}

TFormDDE::~TFormDDE()
{
    if (FormDDE == this)
        FormDDE = nullptr;
}

std::string TFormDDE::DateTimeText() const
{
    const QString format = FromCp(Formats().shortDateFormat) + QLatin1Char(' ') + FromCp(Formats().longTimeFormat);
    return ToCp(QDateTime::currentDateTime().toString(format));
}

bool TFormDDE::Export(MeasureMode kind, const TDataSeries &data, const BlockStyle &style, bool versTabvista)
{
    BlockRequest r;
    r.kind = kind;
    r.data = &data;
    r.style = style;
    r.twoCurves = kind == MeasureMode::Cinetique && data.Two;
    r.versTabvista = versTabvista;
    r.programPath = ToCp(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()));
    r.dateTime = DateTimeText();
    return TermineExport(BuildBlock(r, constante_ ? constante_->Page() : PageInfo{}), versTabvista);
}

bool TFormDDE::ExportSpectre(const TDataSeries &data, const BlockStyle &style, bool versTabvista)
{
    return Export(MeasureMode::Spectre, data, style, versTabvista);
}

bool TFormDDE::ExportCinetique(const TDataSeries &data, const BlockStyle &style, bool versTabvista)
{
    return Export(MeasureMode::Cinetique, data, style, versTabvista);
}

bool TFormDDE::ExportBeer(const TDataSeries &data, const BlockStyle &style, bool versTabvista)
{
    return Export(MeasureMode::Beer, data, style, versTabvista);
}

bool TFormDDE::TermineExport(const std::vector<std::string> &lignes, bool versTabvista)
{
    LastBlock = JoinBlock(lignes);
    QGuiApplication::clipboard()->setText(FromCp(LastBlock));
    if (!versTabvista)
        return true;
    const bool addPage = constante_ && constante_->NewPage() == 1;
    if (!EnvoieMacro(addPage ? QStringLiteral("CLIP|ADD()") : QStringLiteral("CLIP|LOAD()")))
        return false;
    // The next send adds a page; a failed one does not use up the choice.
    if (constante_)
        constante_->SetNewPage(1);
    return true;
}

void TFormDDE::LanceTabvista()
{
    if (TabvistaRunning())
        return;
    if (StartProgram(ServiceApplication))
        Wait(2000);
}

bool TFormDDE::EnvoieMacro(const QString &macro)
{
    // The block is on the clipboard already: the user can still paste it.
    const QString onClipboard = QStringLiteral("\nLes données sont dans le presse-papiers.");
    LanceTabvista();
    const QString topic = QStringLiteral("ServeurDDE"), item = QStringLiteral("ServeurItem");
    std::unique_ptr<DdeClient> link = MakeDdeClient();
    if (!link->OpenLink(QStringLiteral("TABVISTA"), topic, item, ServiceApplication)) {
        Wait(1000);
        if (!link->OpenLink(QStringLiteral("Tabvista"), topic, item, ServiceApplication)) {
            CurrentDialogs().Message(this, QStringLiteral("Impossible de lancer Tabvista") + onClipboard);
            return false;
        }
    }
    const bool done = link->ExecuteMacro(macro.toLatin1());
    if (!done)
        CurrentDialogs().Message(this, macro + QStringLiteral(" non exécuté") + onClipboard);
    link->CloseLink();
    return done;
}

bool TFormDDE::ExecuteMacro(const QStringList &lines)
{
    // Requests of more or fewer lines are acknowledged and ignored.
    if (lines.size() == 1 && FocusCurrentMode)
        FocusCurrentMode();
    return true;
}

bool TFormDDE::Sauve(MeasureMode kind, const TDataSeries &data, const QString &nomFichier, int filterIndex,
                     const FileRequest *extra)
{
    FileRequest r = extra ? *extra : FileRequest();
    r.kind = kind;
    r.data = &data;
    r.twoCurves = kind == MeasureMode::Cinetique && data.Two;
    r.comment = constante_ ? constante_->Page().comment : std::string();
    r.dateTime = DateTimeText();
    std::string finalName, error;
    if (SaveDataFile(ToPath(nomFichier), filterIndex, r, &finalName, &error))
        return true;
    CurrentDialogs().Error(this, QStringLiteral("Impossible d'enregistrer le fichier ")
                                     + QDir::toNativeSeparators(FromPath(finalName)) + QStringLiteral(" : ")
                                     + FromCp(error));
    return false;
}

bool TFormDDE::SauveSpectre(const TDataSeries &data, const QString &nomFichier, int filterIndex,
                            const FileRequest *extra)
{
    return Sauve(MeasureMode::Spectre, data, nomFichier, filterIndex, extra);
}

bool TFormDDE::SauveCinetique(const TDataSeries &data, const QString &nomFichier, int filterIndex)
{
    return Sauve(MeasureMode::Cinetique, data, nomFichier, filterIndex);
}

bool TFormDDE::SauveBeer(const TDataSeries &data, const QString &nomFichier, int filterIndex,
                         const FileRequest *extra)
{
    return Sauve(MeasureMode::Beer, data, nomFichier, filterIndex, extra);
}

} // namespace vandoral

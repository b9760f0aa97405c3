#include "startup.h"

#include "recovery.h"

#include "about.h"
#include "catalogue.h"
#include "dialogs.h"
#include "frame.h"
#include "inifile.h"
#include "modeform.h"
#include "beerwindow.h"
#include "kineticswindow.h"
#include "tracewindow.h"
#include "oneinst.h"
#include "qtext.h"
#include "driver.h"
#include "pagedialog.h"
#include "exportwindow.h"
#include "mainwindow.h"
#include "tradform.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>
#include <memory>

#ifdef Q_OS_WIN
#include <windows.h>
#include <shlobj.h>
#endif

namespace vandoral {

QString CommonDataFolder()
{
#ifdef Q_OS_WIN
    // The all-users application data (C:\ProgramData); Qt's shared data
    // locations also list the program's own folder.
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path) == S_OK)
        return QString::fromWCharArray(path);
    return QString();
#else
    // The first system data folder (after the user's own).
    return QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation).value(1);
#endif
}

void EnsureTabvistaFolders()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty())
        QDir().mkpath(QDir(documents).filePath(QStringLiteral("Tabvista")));
    const QString common = CommonDataFolder();
    if (!common.isEmpty())
        QDir().mkpath(QDir(common).filePath(QStringLiteral("Tabvista")));
}

void SayUnreadableSettings(const QString &iniName, const std::string &reason)
{
    CurrentDialogs().Error(nullptr, QStringLiteral("Le fichier de réglages %1 ne peut pas être lu (%2). "
                                                   "Les réglages par défaut servent et ce fichier ne sera pas modifié.")
                                        .arg(QDir::toNativeSeparators(iniName), FromCp(reason)));
}

bool CheckSettingsFile(const QString &iniName)
{
    std::string bytes, error;
    if (ReadWholeFile(ToPath(iniName), bytes, &error) != FileState::Unreadable)
        return true;
    SayUnreadableSettings(iniName, error);
    return false;
}

int StoredLanguage(const IniImage &settings)
{
    const QString name = FromCp(settings.ReadString("Interface", "Langue", ""));
    const int index = TDictionary::LanguageNames().indexOf(name);
    return index < 0 ? int(TDictionary::French) : index;
}

void StoreLanguage(const QString &iniName, int language)
{
    IniWriteString(ToPath(iniName), "Interface", "Langue",
                   ToCp(TDictionary::LanguageNames().value(language)));
}

int RunVandoral(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(ProgramName));
    InitFormatsFromSystem();

    EnsureTabvistaFolders();
    const QString ini = SettingsFilePath();
    // The settings file is read once: the driver's settings, the catalogue
    // and the language come from the same image.
    IniImage settings;
    std::string unreadable;
    const FileState state = settings.Load(ToPath(ini), &unreadable);
    auto spectro = std::make_unique<TspectroVandoral>();
    spectro->SettingsPath = ToPath(ini);
    if (state == FileState::Read)
        spectro->LoadSettingsFrom(settings);
    Spectro = spectro.get();
    LoadCatalogueFrom(ListeSpectro, settings);
    Dictionary().Load();
    Dictionary().SetCurrent(StoredLanguage(settings));
    InstallQtTranslations(Dictionary().Current());
    TranslateAsPainted();

    SingleInstance guard;
    if (!guard.Start())
        return 0;

    SetApplicationTitle(QStringLiteral("Spectrophotomètres Vandoral"));
    if (state == FileState::Unreadable)
        SayUnreadableSettings(ini, unreadable);
    int status;
    {
        TFormMain main(ini);
        TFormDDE formDde(nullptr);
        TConstanteDlg constante(&main);
        ConstanteDlg = &constante;
        formDde.SetConstante(&constante);
        // The mode windows are built when first needed: the first showing
        // of the main window and the taking of control do not wait for them
        // (declared after it, they are destroyed before it).
        std::unique_ptr<TTraceSpectre> spectre;
        std::unique_ptr<TCinetiqueForm> cinetique;
        std::unique_ptr<TBeerForm> beer;
        // The About box (with the language choice) is built when first
        // opened, like the mode windows; declared after the main window, it
        // is destroyed before it.
        std::unique_ptr<TAboutBox> about;
        main.SetAboutFactory([&]() -> TAboutBox * {
            if (about)
                return about.get();
            about = std::make_unique<TAboutBox>(&main);
            TTranslator(about.get()).Translate();
            about->OnLanguage = [&](int language) {
                Dictionary().SetCurrent(language);
                InstallQtTranslations(language);
                StoreLanguage(ini, language);
                main.LangueRGClick();
                // Every window open now, the mode windows and dialogs too.
                for (QWidget *w : QApplication::topLevelWidgets())
                    TranslateWindow(w);
            };
            return about.get();
        });
        main.SetWindowFactory([&](MeasureMode mode) -> TModeForm * {
            switch (mode) {
            case MeasureMode::Spectre:
                if (!spectre)
                    spectre = std::make_unique<TTraceSpectre>();
                return spectre.get();
            case MeasureMode::Cinetique:
                if (!cinetique)
                    cinetique = std::make_unique<TCinetiqueForm>();
                return cinetique.get();
            case MeasureMode::Beer:
                if (!beer)
                    beer = std::make_unique<TBeerForm>();
                return beer.get();
            case MeasureMode::None: break;
            }
            return nullptr;
        });
        // Every mode selection starts a new file in the analysis program.
        main.OnSelectMode = [&constante] { constante.SetNewPage(0); };
        formDde.FocusCurrentMode = [&] {
            switch (main.Mode) {
            case MeasureMode::None: main.activateWindow(); break;
            case MeasureMode::Spectre:
            case MeasureMode::Cinetique: main.Window(main.Mode)->activateWindow(); break;
            case MeasureMode::Beer: break; // nothing for Beer-Lambert
            }
        };
        QObject::connect(&guard, &SingleInstance::activationRequested, &main, [&main] {
            main.showNormal();
            main.raise();
            main.activateWindow();
            main.ShowActiveMode();
        });
        // Measurements a session that did not end left in its journals.
        OfferJournals(
            &main, [&main]() -> TTraceSpectre & { return *static_cast<TTraceSpectre *>(main.Window(MeasureMode::Spectre)); },
            [&main]() -> TCinetiqueForm & { return *static_cast<TCinetiqueForm *>(main.Window(MeasureMode::Cinetique)); },
            [&main]() -> TBeerForm & { return *static_cast<TBeerForm *>(main.Window(MeasureMode::Beer)); });
        main.show();
        status = app.exec();
    }
    std::string error;
    if (!Spectro->SaveSettings(&error))
        std::fprintf(stderr, "vandoral: %s\n", error.c_str());
    ConstanteDlg = nullptr;
    Spectro = nullptr;
    spectro.reset();
    ListeSpectro.Clear();
    return status;
}

} // namespace vandoral

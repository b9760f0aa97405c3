#include "startup.h"

#include "about.h"
#include "catalogue.h"
#include "dialogs.h"
#include "frame.h"
#include "inifile.h"
#include "modeform.h"
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

namespace vandoral {

void EnsureTabvistaFolders()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty())
        QDir().mkpath(QDir(documents).filePath(QStringLiteral("Tabvista")));
    // The all-users application data: the last of the shared data folders
    // (C:\ProgramData on Windows, the first system data folder elsewhere).
    const QStringList shared = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
#ifdef Q_OS_WIN
    const QString common = shared.isEmpty() ? QString() : shared.last();
#else
    const QString common = shared.value(1);
#endif
    if (!common.isEmpty())
        QDir().mkpath(QDir(common).filePath(QStringLiteral("Tabvista")));
}

int StoredLanguage(const QString &iniName)
{
    const QString name = FromCp(IniReadString(ToCp(iniName), "Interface", "Langue", ""));
    const int index = TDictionary::LanguageNames().indexOf(name);
    return index < 0 ? int(TDictionary::French) : index;
}

void StoreLanguage(const QString &iniName, int language)
{
    IniWriteString(ToCp(iniName), "Interface", "Langue",
                   ToCp(TDictionary::LanguageNames().value(language)));
}

int RunVandoral(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(ProgramName));
    InitFormatsFromSystem();

    EnsureTabvistaFolders();
    const QString ini = SettingsFilePath();
    auto spectro = std::make_unique<TspectroVandoral>(ToCp(ini));
    Spectro = spectro.get();
    LoadCatalogue(ToCp(ini));
    Dictionary().Load();
    Dictionary().SetCurrent(StoredLanguage(ini));

    SingleInstance guard;
    if (!guard.Start())
        return 0;

    SetApplicationTitle(QStringLiteral("Spectrophotomètres Vandoral"));
    int status;
    {
        TFormMain main(ini);
        TAboutBox about(&main);
        TCinetiqueForm cinetique;
        TBeerForm beer;
        TTraceSpectre spectre;
        TFormDDE formDde(nullptr);
        TConstanteDlg constante(&main);
        ConstanteDlg = &constante;
        formDde.SetConstante(&constante);
        main.SetWindows(&spectre, &cinetique, &beer, &about);
        // Every mode selection starts a new file in the analysis program.
        main.OnSelectMode = [&constante] { constante.SetNewPage(0); };
        formDde.FocusCurrentMode = [&] {
            switch (main.Mode) {
            case 0: main.activateWindow(); break;
            case 1: spectre.activateWindow(); break;
            case 2: cinetique.activateWindow(); break;
            default: break; // nothing for Beer-Lambert
            }
        };
        TTranslator(&about).Translate();
        about.OnLanguage = [&](int language) {
            Dictionary().SetCurrent(language);
            StoreLanguage(ini, language);
            main.LangueRGClick();
            TTranslator(&about).Translate();
        };
        QObject::connect(&guard, &SingleInstance::activationRequested, &main, [&main] {
            main.showNormal();
            main.raise();
            main.activateWindow();
            main.ShowActiveMode();
        });
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

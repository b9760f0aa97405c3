// A mode window's surroundings over a simulated instrument on a real
// pseudo-terminal: the global driver identified and in control, the export
// window and the page dialog, scripted dialogs and a private settings file.
// The driver's events reach the window as the main window routes them.
#pragma once

#include "catalogue.h"
#include "exportwindow.h"
#include "modeform.h"
#include "pagedialog.h"
#include "qtdriverenv.h"
#include "qtext.h"
#include "qtserialline.h"
#include "scripteddialogs.h"
#include "siminstrument.h"
#include "driver.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

// Rows of the blank statuses an instrument refuses with, and the messages the
// windows show for them (columns "status" and "message").
// The tool bar as the window's width leaves it: every button shown with its
// whole caption, no overflow arrow. Empty when so, else what is wrong;
// `shown` counts the buttons.
inline QString ToolBarProblem(vandoral::TModeForm &w, int &shown)
{
    shown = 0;
    const QList<QToolButton *> buttons = w.ToolBar1->findChildren<QToolButton *>(QString(), Qt::FindDirectChildrenOnly);
    for (QToolButton *button : buttons) {
        if (button->objectName().startsWith("qt_")) {
            if (button->isVisible())
                return "the overflow arrow is shown"; // something hidden behind it
            continue;
        }
        if (!button->isVisible())
            return button->objectName() + " is hidden";
        const int caption = button->fontMetrics().horizontalAdvance(button->text());
        if (caption >= button->width())
            return QString("%1: caption %2 >= %3").arg(button->objectName()).arg(caption).arg(button->width());
        if (button->geometry().right() >= w.ToolBar1->width())
            return button->objectName() + " is past the tool bar's end";
        ++shown;
    }
    return QString();
}

inline void RefusedBlankRows()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("E91") << "E91" << QString::fromUtf8("Attendre la fin de l'étalonnage");
    QTest::newRow("E02") << "E02" << QString::fromUtf8("Problème de lampe UV");
    QTest::newRow("E93") << "E93" << QString::fromUtf8("Appuyer sur la touche OK (F2) du spectro");
}

struct ModeBench {
    explicit ModeBench(const std::function<void(vandoral::sim::SimOptions &)> &set = {})
    {
        vandoral::sim::SimOptions o;
        o.charMicros = 0;
        o.setrefMillis = 0;
        if (set)
            set(o);
        sim = std::make_unique<vandoral::sim::PtySimulator>(o);
        started = sim->Start();
        const QString device = QString::fromStdString(sim->DevicePath());
        line = std::make_unique<vandoral::QtSerialLine>([device](int) { return device; });
        vandoral::LoadCatalogue(catalogue, std::string());
        spectro = std::make_unique<vandoral::TspectroVandoral>();
        spectro->Catalogue = &catalogue;
        spectro->Port = line.get();
        spectro->Env = &vandoral::DefaultQtDriverEnv();
        vandoral::Spectro = spectro.get();
        ini = dir.filePath("vandoral.INI");
        // The windows' crash journals in the bench's folder.
        vandoral::TModeForm::JournalFolder = dir.filePath("journal");
        started = started && line->Open() && !spectro->Identify().empty() && spectro->TakeControl();
        sim->ClearCommands();
        constante = std::make_unique<vandoral::TConstanteDlg>();
        vandoral::ConstanteDlg = constante.get();
        dde = std::make_unique<vandoral::TFormDDE>(constante.get());
        dde->Wait = [](int) {};
        dde->ServiceApplication = QStringLiteral("/nonexistent/tabvista");
    }
    ~ModeBench()
    {
        if (vandoral::Spectro == spectro.get())
            vandoral::Spectro = nullptr;
        vandoral::ConstanteDlg = nullptr;
        line->SetDataHandler(nullptr);
        line->SetErrorHandler(nullptr);
    }

    // Routes the driver's events to `w` and gives it the settings file and a
    // save dialog, as the main window does.
    void Attach(vandoral::TModeForm &w)
    {
        w.IniName = ini;
        w.RunSaveDialog = [](QWidget *parent, const QString &filter, int &index) {
            return vandoral::CurrentDialogs().SaveFileName(parent, filter, index);
        };
        spectro->OnMessage = [&w](const std::string &text) { w.ShowStatus(vandoral::FromCp(text)); };
        spectro->OnControlChange = [&w] { w.RafraichitControle(); };
    }

    // Waits until the instrument is idle again, at most `ms`.
    bool WaitIdle(int ms = 10000)
    {
        QElapsedTimer t;
        t.start();
        while (spectro->Busy && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return !spectro->Busy;
    }

    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    QString ini;
    std::unique_ptr<vandoral::sim::PtySimulator> sim;
    std::unique_ptr<vandoral::QtSerialLine> line;
    vandoral::TlisteSpectro catalogue;
    std::unique_ptr<vandoral::TspectroVandoral> spectro;
    std::unique_ptr<vandoral::TConstanteDlg> constante;
    std::unique_ptr<vandoral::TFormDDE> dde;
    bool started = false;
};

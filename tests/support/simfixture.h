// A simulated instrument on a pseudo-terminal, reached through the program's
// own serial line and driver.
#pragma once

#include "catalogue.h"
#include "qtdriverenv.h"
#include "qtserialline.h"
#include "siminstrument.h"
#include "driver.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

struct SimFixture {
    explicit SimFixture(vandoral::sim::SimOptions options)
    {
        options.charMicros = 0; // as fast as the terminal takes it
        sim = std::make_unique<vandoral::sim::PtySimulator>(options);
        std::string error;
        started = sim->Start(std::string(), &error);
        if (!started)
            qWarning("simulator: %s", error.c_str());
        const QString device = QString::fromStdString(sim->DevicePath());
        line = std::make_unique<vandoral::QtSerialLine>([device](int) { return device; });
        spectro.Port = line.get();
        spectro.Env = &vandoral::DefaultQtDriverEnv();
        spectro.Catalogue = &catalogue;
        vandoral::LoadCatalogue(catalogue, std::string()); // the built-in models
    }

    // Waits for `done` while the events flow, at most `ms`.
    static bool WaitFor(const bool &done, int ms = 5000)
    {
        QElapsedTimer t;
        t.start();
        while (!done && t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return done;
    }

    std::unique_ptr<vandoral::sim::PtySimulator> sim;
    std::unique_ptr<vandoral::QtSerialLine> line;
    vandoral::TspectroVandoral spectro;
    vandoral::TlisteSpectro catalogue;
    bool started = false;
};

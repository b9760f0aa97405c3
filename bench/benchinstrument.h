// What the window benchmarks share: a simulated instrument on a
// pseudo-terminal reached through the program's serial line, the driver
// identified and in control, the user-interface thread's CPU clock, and an
// event loop run until a condition holds.
#pragma once

#include "catalogue.h"
#include "qtdriverenv.h"
#include "qtserialline.h"
#include "siminstrument.h"
#include "driver.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

struct BenchInstrument {
    explicit BenchInstrument(const vandoral::sim::SimOptions &options) : simulator(options)
    {
        std::string error;
        if (!simulator.Start(std::string(), &error)) {
            std::fprintf(stderr, "simulator: %s\n", error.c_str());
            return;
        }
        const QString device = QString::fromStdString(simulator.DevicePath());
        line = std::make_unique<vandoral::QtSerialLine>([device](int) { return device; });
        vandoral::LoadCatalogue(catalogue, std::string());
        spectro.Catalogue = &catalogue;
        spectro.Port = line.get();
        spectro.Env = &vandoral::DefaultQtDriverEnv();
        vandoral::Spectro = &spectro;
        ready = line->Open() && !spectro.Identify().empty() && spectro.TakeControl();
        if (!ready)
            std::fprintf(stderr, "no instrument\n");
    }
    ~BenchInstrument()
    {
        // The windows that took the events are gone by now.
        spectro.OnControlChange = nullptr;
        spectro.OnMessage = nullptr;
        if (ready)
            spectro.Release();
        vandoral::Spectro = nullptr;
    }

    vandoral::sim::PtySimulator simulator;
    std::unique_ptr<vandoral::QtSerialLine> line;
    vandoral::TlisteSpectro catalogue;
    vandoral::TspectroVandoral spectro;
    bool ready = false;
};

inline double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Runs the event loop, as the program does, until `done` holds (looked at
// every `pollMs`).
inline void RunUntil(const std::function<bool()> &done, int pollMs = 5)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(pollMs);
    loop.exec();
}

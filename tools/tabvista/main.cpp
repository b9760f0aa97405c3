// tabvista: a stand-in analysis program. Listens like the real one, logs the
// macros it receives and the blocks it read from the clipboard, and answers
// them, until interrupted or --exit-after seconds have passed.
#include "standin.h"

#include "qtext.h"

#include <QFile>
#include <QGuiApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    vandoral::TabvistaStandin standin;
    QString log;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--refuse")) {
            standin.refuse = true;
        } else if (args[i] == QLatin1String("--log") && i + 1 < args.size()) {
            log = args[++i];
        } else if (args[i] == QLatin1String("--exit-after") && i + 1 < args.size()) {
            QTimer::singleShot(args[++i].toInt() * 1000, &app, &QCoreApplication::quit);
        } else {
            std::fprintf(stderr, "usage: tabvista [--refuse] [--log FILE] [--exit-after SECONDS]\n");
            return 2;
        }
    }
    if (!standin.Start()) {
        std::fprintf(stderr, "tabvista: cannot offer the service\n");
        return 1;
    }
    auto append = [&log](const QByteArray &bytes) {
        if (log.isEmpty())
            return;
        QFile f(log);
        if (f.open(QIODevice::Append))
            f.write(bytes);
    };
    QObject::connect(&standin, &vandoral::TabvistaStandin::macroReceived, [&](const QString &macro) {
        std::printf("%s\n", macro.toLocal8Bit().constData());
        std::fflush(stdout);
        append(macro.toLatin1() + "\n");
    });
    // The block as it arrived, between two marker lines.
    QObject::connect(&standin, &vandoral::TabvistaStandin::blockRead, [&](const QByteArray &block) {
        append("--- block (" + QByteArray::number(block.size()) + " bytes)\n" + block + "--- end\n");
    });
    return app.exec();
}

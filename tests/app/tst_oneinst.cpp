// One running copy: a second start hands over to the first and ends.
#include "oneinst.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vandoral;

class TestOneInst : public QObject {
    Q_OBJECT
private slots:
    void secondCopyHandsOver();
    void crashedCopyDoesNotBlock();
    void secondProgramEndsAtOnce();
};

void TestOneInst::secondCopyHandsOver()
{
    const QString name = QStringLiteral("VandoralTest%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(name);
    QVERIFY(first.Start());
    QSignalSpy asked(&first, &SingleInstance::activationRequested);
    // The second copy asks, waits a moment for the answer and gives up; the
    // first handles the request at its event loop's next turn.
    bool secondRuns = true;
    QTimer::singleShot(0, [&] {
        SingleInstance second(name);
        secondRuns = second.Start();
    });
    QTRY_COMPARE(asked.count(), 1);
    QTRY_VERIFY(!secondRuns);
}

void TestOneInst::crashedCopyDoesNotBlock()
{
    const QString name = QStringLiteral("VandoralCrash%1").arg(QCoreApplication::applicationPid());
    SingleInstance probe(name);
    // A socket file nobody listens on, as a copy that crashed leaves it.
    const QByteArray path = probe.ServerName().toLocal8Bit();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    qstrncpy(addr.sun_path, path.constData(), sizeof addr.sun_path);
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ::close(fd);
    QVERIFY(QFile::exists(QString::fromLocal8Bit(path)));

    SingleInstance next(name);
    QVERIFY(next.Start()); // the start goes on and takes the name over
    QLocalSocket client;
    client.connectToServer(next.ServerName());
    QVERIFY(client.waitForConnected(1000));
}

void TestOneInst::secondProgramEndsAtOnce()
{
    QTemporaryDir dir;
    const QString program = dir.filePath("vandoral");
    QVERIFY(QFile::copy(qEnvironmentVariable("VANDORAL_BIN") + "/vandoral", program));
    QFile::setPermissions(program, QFile::ExeOwner | QFile::ReadOwner | QFile::WriteOwner);
    // No port at all: the first copy ends up showing the "not detected" box.
    QFile ini(dir.filePath("vandoral.INI"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    for (int n = 1; n <= 50; ++n)
        ini.write(QStringLiteral("[Ports]\r\nCOM%1=%2\r\n").arg(n).arg(dir.filePath("none")).toLocal8Bit());
    ini.close();
    QDir(dir.path()).mkpath("runtime");
    QFile::setPermissions(dir.filePath("runtime"), QFile::ExeOwner | QFile::ReadOwner | QFile::WriteOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
    env.insert("HOME", dir.path());
    env.insert("XDG_DATA_DIRS", dir.filePath("shared"));

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(program);
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("runtime/Vandoral")), 10000);

    QProcess second;
    second.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    second.start(program);
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(first.state(), QProcess::Running);
    // The start-up made the two Tabvista folders.
    QVERIFY(QDir(dir.filePath("Documents/Tabvista")).exists());
    QVERIFY(QDir(dir.filePath("shared/Tabvista")).exists());
    first.kill();
    first.waitForFinished();
}

QTEST_MAIN(TestOneInst)
#include "tst_oneinst.moc"

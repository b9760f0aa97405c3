// vandoral-cli against the simulated instrument, as a user runs it.
#include "inifile.h"
#include "siminstrument.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace vandoral;

namespace {

struct Run {
    int status = -1;
    QString out, err;
};

Run Cli(const QStringList &args, const QString &locale = "C")
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", locale);
    env.insert("LANG", locale);
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("VANDORAL_BIN") + "/vandoral-cli", args);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

sim::SimOptions Fast()
{
    sim::SimOptions o;
    o.charMicros = 0;
    return o;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void init();
    void attachThenIdentify();
    void searchStartsAtTheStoredPort();
    void scanToStandardOutput();
    void scanToCsvFile_data();
    void scanToCsvFile();
    void failures_data();
    void failures();

private:
    QTemporaryDir dir_;
    QString ini_;
    int n_ = 0;
};

void TestCli::init()
{
    ini_ = dir_.filePath(QString("v%1.INI").arg(++n_));
}

void TestCli::attachThenIdentify()
{
    sim::PtySimulator simulator(Fast());
    QVERIFY(simulator.Start());
    const QString device = QString::fromStdString(simulator.DevicePath());
    Run r = Cli({"--settings", ini_, "attach", "4", device});
    QCOMPARE(r.status, 0);
    // A new settings file keeps the built-in models beside the port table.
    QCOMPARE(IniReadString(ini_.toStdString(), "Ports", "COM4", ""), device.toStdString());
    QCOMPARE(IniReadString(ini_.toStdString(), "K2", "code", ""), std::string("6004"));

    QVERIFY(IniWriteInteger(ini_.toStdString(), "Spectro", "Com", 4));
    r = Cli({"--settings", ini_, "identify"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QString("COM4\t6004\tOrbis K2\n"));
    QCOMPARE(simulator.Commands(), std::vector<std::string>{"ID?"}); // only the stored port
}

void TestCli::searchStartsAtTheStoredPort()
{
    sim::SimOptions o = Fast();
    o.modelCode = "6022";
    sim::PtySimulator simulator(o);
    QVERIFY(simulator.Start());
    QVERIFY(IniWriteString(ini_.toStdString(), "Ports", "COM45", simulator.DevicePath()));
    QVERIFY(IniWriteString(ini_.toStdString(), "Ports", "COM44", dir_.filePath("absent").toStdString()));
    QVERIFY(IniWriteInteger(ini_.toStdString(), "Spectro", "Com", 44)); // stored port absent
    const Run r = Cli({"--settings", ini_, "identify"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QString("COM45\t6022\t\n")); // existing file without models: no name
    // The port found is stored for next time.
    QCOMPARE(IniReadInteger(ini_.toStdString(), "Spectro", "Com", 0), 45L);
}

void TestCli::scanToStandardOutput()
{
    sim::PtySimulator simulator(Fast());
    QVERIFY(simulator.Start());
    const Run r = Cli({"scan", "--device", QString::fromStdString(simulator.DevicePath()),
                       "--comment", "essai"});
    QCOMPARE(r.status, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4 + 471);
    QCOMPARE(lines.mid(0, 4), (QStringList{"essai", "Lambda\tA", "nm\t", "Longueur d'onde\t"}));
    QVERIFY(lines[4].startsWith("330.0\t0."));
    QVERIFY(lines.last().startsWith("800.0\t"));
    QCOMPARE(simulator.Commands(),
             (std::vector<std::string>{"ID?", "CONTROL", "SETREF", "SCANTXT", "RELEASE"}));
}

void TestCli::scanToCsvFile_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("binary");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("firstValue");
    QTest::newRow("point, text scan") << "C" << false << "Lambda,A" << "330.0,";
    QTest::newRow("comma, hexadecimal scan") << "fr_FR.UTF-8" << true << "Lambda;A" << "330,0;";
}

void TestCli::scanToCsvFile()
{
    QFETCH(QString, locale);
    QFETCH(bool, binary);
    sim::PtySimulator simulator(Fast());
    QVERIFY(simulator.Start());
    const QString out = dir_.filePath(QString("spectre%1.csv").arg(n_));
    QStringList args{"scan", "--device", QString::fromStdString(simulator.DevicePath()), "--out", out};
    if (binary)
        args << "--binary";
    const Run r = Cli(args, locale);
    QCOMPARE(r.status, 0);
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(!bytes.contains('\r')); // CSV lines end with LF alone
    const QList<QByteArray> lines = bytes.split('\n');
    QCOMPARE(lines.size(), 4 + 471 + 1);
    QTEST(QString(lines[1]), "names");
    QTEST(QString(lines[4]).left(6), "firstValue");
    QCOMPARE(simulator.CountOf(binary ? "SCANBIN" : "SCANTXT"), 1);
}

void TestCli::failures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("instrument silent") << "silent" << QString::fromUtf8("Spectrophotomètre Vandoral non détecté");
    QTest::newRow("scan error") << "scan-error" << "Erreur de longueur d'onde";
    QTest::newRow("blank error") << "blank-error" << QString::fromUtf8("Problème de lampe UV");
    QTest::newRow("device vanishes") << "vanish" << "liaison perdue";
    QTest::newRow("no such device") << "no-device" << QString::fromUtf8("non détecté");
}

void TestCli::failures()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    sim::SimOptions o = Fast();
    if (fault == "silent")
        o.silent.insert("ID?");
    if (fault == "scan-error")
        o.scanStatus = "E04";
    if (fault == "blank-error")
        o.errors["SETREF"] = {"E02", -1};
    if (fault == "vanish")
        o.vanishAfter = 100;
    sim::PtySimulator simulator(o);
    QVERIFY(simulator.Start());
    const QString device = fault == "no-device" ? dir_.filePath("no-such-tty")
                                                : QString::fromStdString(simulator.DevicePath());
    const QString out = dir_.filePath("failed.txt");
    const Run r = Cli({"scan", "--device", device, "--out", out}, "fr_FR.UTF-8");
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(!QFile::exists(out)); // nothing half-written
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

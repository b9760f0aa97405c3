// vandoral-cli against the simulated instrument, as a user runs it.
#include "pdftext.h"
#include "datafile.h"
#include "graphker.h"
#include "inifile.h"
#include "numtext.h"
#include "localescope.h"
#include "separator.h"
#include "siminstrument.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <QElapsedTimer>
#include <QProcess>
#include <QFileInfo>
#include <QXmlStreamReader>
#include <QImage>

#include <cmath>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace vandoral;

namespace {

struct Run {
    int status = -1;
    QString out, err;
};

Run Cli(const QStringList &args, const QString &locale = "C", const QString &openFailure = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!openFailure.isEmpty())
        env.insert("VANDORAL_TEST_OPEN_FAILURE", openFailure);
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
    void initTestCase();
    void init();
    void attachThenIdentify();
    void searchStartsAtTheStoredPort();
    void scanToStandardOutput();
    void unreadableValuesAreEmptyAndCounted();
    void scanToCsvFile_data();
    void scanToCsvFile();
    void failures_data();
    void failures();
    void standardOutputThatCannotBeWritten();
    void settingsThatCannotBeSaved();
    void unreadableSettingsAreLeftAlone();
    void accentedPaths();
    void interruptedScanGivesControlBack();
    void scanToWorkbook();
    void portThatCannotBeOpened_data();
    void portThatCannotBeOpened();
    void analyseAScannedSpectrum_data();
    void analyseAScannedSpectrum();
    void analyseKineticsAndBeerFiles();
    void analyseRefusals_data();
    void analyseRefusals();
    void convertEveryWay();
    void convertRefusals_data();
    void convertRefusals();
    void plotEveryModeAndFormat_data();
    void plotEveryModeAndFormat();

private:
    QTemporaryDir dir_;
    QString ini_;
    int n_ = 0;
};

void TestCli::initTestCase()
{
    // Several cases run the tool as a French user: without that locale they
    // would run it in C and test nothing.
    LocaleScope french("fr_FR.UTF-8");
    QVERIFY2(french.ok(), "fr_FR.UTF-8 is not installed (scripts/test.sh generates it)");
}

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
    // A file that names no model: the built-in models serve (and are written).
    QCOMPARE(r.out, QString("COM45\t6022\tOrbis P26\n"));
    QCOMPARE(IniReadString(ini_.toStdString(), "P26", "code", ""), std::string("6022"));
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
    QVERIFY(!r.err.contains("illisible"));
}

void TestCli::unreadableValuesAreEmptyAndCounted()
{
    sim::SimOptions o = Fast();
    o.unreadableAt = 10; // 340 nm
    sim::PtySimulator simulator(o);
    QVERIFY(simulator.Start());
    const Run r = Cli({"scan", "--device", QString::fromStdString(simulator.DevicePath())});
    QCOMPARE(r.status, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4 + 471);
    QCOMPARE(lines[4 + 10], QString("340.0\t"));
    QVERIFY2(r.err.contains(QString::fromUtf8("1 valeur(s) illisible(s) sur 471")), qPrintable(r.err));
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
    QTest::newRow("CONTROL unanswered") << "control-silent"
                                        << QString::fromUtf8("le spectro ne répond pas à la commande CONTROL");
    QTest::newRow("no readable value") << "garbage" << QString::fromUtf8("spectre sans aucune valeur lisible (0 reçues)");
    QTest::newRow("more values than the model's range")
        << "extra" << QString::fromUtf8("476 valeurs reçues, le modèle en attend 471 (330 à 800 nm)");
    QTest::newRow("more values than a graph holds")
        << "flood" << QString::fromUtf8("1571 valeurs reçues, le modèle en attend 471 (330 à 800 nm)");
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
    if (fault == "control-silent")
        o.silent.insert("CONTROL");
    if (fault == "garbage")
        o.garbageLines = 20;
    if (fault == "extra")
        o.extraValues = 5;
    if (fault == "flood")
        o.extraValues = 1100;
    sim::PtySimulator simulator(o);
    QVERIFY(simulator.Start());
    const QString device = fault == "no-device" ? dir_.filePath("no-such-tty")
                                                : QString::fromStdString(simulator.DevicePath());
    const QString out = dir_.filePath("failed.txt");
    QFile old(out);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("precious\r\n");
    old.close();
    const Run r = Cli({"scan", "--device", device, "--out", out, "--binary"}, "fr_FR.UTF-8");
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("precious\r\n")); // the old file is kept
    if (fault != "no-device" && fault != "silent" && fault != "control-silent" && fault != "vanish") {
        // Control was taken: it is given back.
        QTRY_COMPARE(simulator.Commands().back(), std::string("RELEASE"));
    }
}

void TestCli::standardOutputThatCannotBeWritten()
{
    sim::PtySimulator simulator(Fast());
    QVERIFY(simulator.Start());
    QProcess p;
    p.setStandardOutputFile("/dev/full");
    p.start(qEnvironmentVariable("VANDORAL_BIN") + "/vandoral-cli",
            {"scan", "--device", QString::fromStdString(simulator.DevicePath())});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains(QString::fromUtf8("sortie standard : disque plein")));
}

void TestCli::settingsThatCannotBeSaved()
{
    sim::PtySimulator simulator(Fast());
    QVERIFY(simulator.Start());
    QVERIFY(IniWriteString(ini_.toStdString(), "Ports", "COM4", simulator.DevicePath()));
    QVERIFY(IniWriteInteger(ini_.toStdString(), "Spectro", "Com", 4));
    // As root no permission is refused; an immutable file refuses replacement.
    if (QProcess::execute("chattr", {"+i", ini_}) != 0)
        QSKIP("chattr +i is not available here");
    const Run r = Cli({"--settings", ini_, "identify"}, "fr_FR.UTF-8");
    QProcess::execute("chattr", {"-i", ini_});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out, QString("COM4\t6004\tOrbis K2\n"));
    QVERIFY2(r.err.contains(QString::fromUtf8("impossible d'enregistrer les réglages dans %1 : accès refusé").arg(ini_)),
             qPrintable(r.err));
}

void TestCli::unreadableSettingsAreLeftAlone()
{
    QVERIFY(QDir().mkpath(ini_)); // a folder where the file should be
    const Run r = Cli({"--settings", ini_, "identify"}, "fr_FR.UTF-8");
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(QString::fromUtf8("le fichier de réglages %1 ne peut pas être lu : "
                                              "ce n'est pas un fichier ordinaire").arg(ini_)),
             qPrintable(r.err));
    QVERIFY(QFileInfo(ini_).isDir());
}

void TestCli::accentedPaths()
{
    // A program unpacked under ~/Téléchargements and a data folder with accents.
    const QString folder = dir_.filePath(QString::fromUtf8("Téléchargements/données été"));
    QVERIFY(QDir().mkpath(folder));
    const QString ini = folder + "/vandoral.INI";
    sim::PtySimulator simulator(Fast());
    QVERIFY(simulator.Start());
    QCOMPARE(Cli({"--settings", ini, "attach", "3", QString::fromStdString(simulator.DevicePath())}).status, 0);
    QVERIFY(QFile::exists(ini));
    QVERIFY(IniWriteInteger(ini.toStdString(), "Spectro", "Com", 3)); // the tests' paths are UTF-8 too
    const QString out = folder + QString::fromUtf8("/mesure_été");
    const Run r = Cli({"--settings", ini, "scan", "--out", out});
    QCOMPARE(r.status, 0);
    QVERIFY(QFile::exists(out + ".TXT"));
    QCOMPARE(QDir(folder).entryList(QDir::Files),
             (QStringList{QString::fromUtf8("mesure_été.TXT"), "vandoral.INI"}));
}

void TestCli::interruptedScanGivesControlBack()
{
    sim::SimOptions o; // real pacing: the scan lasts a few seconds
    o.charMicros = 1e6 / 960.0 / 2;
    o.setrefMillis = 0;
    sim::PtySimulator simulator(o);
    QVERIFY(simulator.Start());
    QProcess p;
    p.start(qEnvironmentVariable("VANDORAL_BIN") + "/vandoral-cli",
            {"scan", "--device", QString::fromStdString(simulator.DevicePath())});
    QTRY_COMPARE_WITH_TIMEOUT(simulator.CountOf("SCANTXT"), 1, 10000);
    p.terminate(); // SIGTERM in the middle of the scan
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 128 + SIGTERM);
    QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains("interrompu"));
    // The RELEASE sent before exiting is read once the scan's reply is out.
    QTRY_COMPARE_WITH_TIMEOUT(simulator.CountOf("RELEASE"), 1, 10000);
}

void TestCli::scanToWorkbook()
{
    sim::PtySimulator simulator(Fast());
    QVERIFY(simulator.Start());
    const QString out = dir_.filePath("spectre.xlsx");
    const Run r = Cli({"scan", "--device", QString::fromStdString(simulator.DevicePath()), "--out", out}, "fr_FR.UTF-8");
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.contains("471 points -> " + out), qPrintable(r.err));
    QProcess unzip;
    unzip.start("unzip", {"-p", out, "xl/worksheets/sheet1.xml"});
    QVERIFY(unzip.waitForFinished(10000));
    const QString sheet = QString::fromUtf8(unzip.readAllStandardOutput());
    // Numbers as numbers (a point in the file's XML, whatever the locale).
    QVERIFY2(sheet.contains(QRegularExpression("<c r=\"A5\"[^>]*><v>330</v></c><c r=\"B5\" s=\"\\d+\"><v>0\\.\\d+</v></c>")),
             qPrintable(sheet.left(2000)));
    QVERIFY(sheet.contains("<c r=\"A475\""));
}

void TestCli::portThatCannotBeOpened_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("byTable");
    const QString denied = QString::fromUtf8("Accès refusé à %1 : l'utilisateur doit être membre du groupe dialout");
    const QString busy = QString::fromUtf8("%1 est utilisé par un autre programme");
    QTest::newRow("denied, from the port table") << "denied" << denied << true;
    QTest::newRow("busy, from the port table") << "busy" << busy << true;
    QTest::newRow("denied, --device") << "denied" << denied << false;
}

void TestCli::portThatCannotBeOpened()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QFETCH(bool, byTable);
    sim::PtySimulator simulator(Fast());
    QVERIFY(simulator.Start());
    const QString device = QString::fromStdString(simulator.DevicePath());
    QCOMPARE(Cli({"--settings", ini_, "attach", "2", device}).status, 0);
    const QStringList args = byTable ? QStringList{"--settings", ini_, "identify"}
                                     : QStringList{"--settings", ini_, "identify", "--device", device};
    const Run r = Cli(args, "fr_FR.UTF-8", device + "=" + kind);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(message.arg(device)), qPrintable(r.err));
    QVERIFY(simulator.Commands().empty());
}

void TestCli::analyseAScannedSpectrum_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("name");
    QTest::newRow("French CSV") << "fr_FR.UTF-8" << "spectre.csv";
    QTest::newRow("text with points") << "C" << "spectre.txt";
}

void TestCli::analyseAScannedSpectrum()
{
    QFETCH(QString, locale);
    QFETCH(QString, name);
    sim::PtySimulator simulator(Fast());
    QVERIFY(simulator.Start());
    const QString out = dir_.filePath(QString::number(n_) + name);
    Run r = Cli({"scan", "--device", QString::fromStdString(simulator.DevicePath()), "--out", out}, locale);
    QCOMPARE(r.status, 0);
    // The dye's top, by a plain search over the simulator's own formula.
    sim::SimEngine engine{sim::SimOptions()};
    int top = 330;
    for (int l = 330; l <= 800; ++l)
        if (engine.Absorbance(l, 0) > engine.Absorbance(top, 0))
            top = l;
    r = Cli({"analyse", "--json", out}, locale);
    QCOMPARE(r.status, 0);
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(json.value("mode").toString(), QString("spectrum"));
    const QJsonArray peaks = json.value("peaks").toArray();
    QCOMPARE(peaks.size(), 1);
    QVERIFY(std::fabs(peaks.at(0).toObject().value("lambda").toDouble() - top) <= 2);
    QVERIFY(std::fabs(peaks.at(0).toObject().value("a").toDouble() - engine.Absorbance(top, 0)) < 0.01);
    r = Cli({"analyse", out}, locale);
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith(QString::fromUtf8("λmax : ")), qPrintable(r.out));
    QVERIFY(r.out.contains(locale == "C" ? "(A = 1." : "(A = 1,"));
}

void TestCli::analyseKineticsAndBeerFiles()
{
    // Files as the program writes them, in the French format.
    SeparatorScope comma(',');
    TDataSeries g;
    g.XAxis = {"t", "s", "temps"};
    g.YAxis = {"A", "", "Absorbance"};
    for (int i = 0; i < 30; ++i)
        g.Append(10.0 * i, 0.1 + 0.9 * std::exp(-0.02 * 10.0 * i), // k = 0.02 s⁻¹
                 0.9 - 0.01 * i);                                   // zero order
    g.A[7] = MissingValue; // a lost point: an empty field
    FileRequest kinetics;
    kinetics.kind = MeasureMode::Cinetique;
    kinetics.data = &g;
    kinetics.twoCurves = true;
    kinetics.comment = "Essai";
    const std::string kfile = dir_.filePath("cinetique.csv").toStdString();
    std::string final, error;
    QVERIFY(SauveFichier(kfile, CsvFilter, kinetics, &final, &error));
    Run r = Cli({"analyse", "--json", QString::fromStdString(final)});
    QCOMPARE(r.status, 0);
    QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(json.value("mode").toString(), QString("kinetics"));
    const QJsonArray columns = json.value("columns").toArray();
    QCOMPARE(columns.size(), 2);
    const QJsonObject first = columns.at(0).toObject().value("first_order").toObject();
    QVERIFY(std::fabs(first.value("k").toDouble() - 0.02) < 1e-6); // 7 significant digits in the file
    QVERIFY(std::fabs(first.value("t_half").toDouble() - std::log(2.0) / 0.02) < 1e-3);
    QVERIFY(std::fabs(first.value("a0").toDouble() - 1.0) < 1e-5);
    QVERIFY(std::fabs(first.value("a_inf").toDouble() - 0.1) < 1e-5);
    // The first five points: the least-squares slope of 0.1 + 0.9·e^(-0.02 t)
    // over t = 0..40 s, computed in Python: -0.0123413507.
    QVERIFY2(std::fabs(columns.at(0).toObject().value("initial_rate").toDouble() + 0.0123413507) < 1e-6, qPrintable(r.out));
    QVERIFY(columns.at(1).toObject().value("first_order").isNull());
    QVERIFY(std::fabs(columns.at(1).toObject().value("initial_rate").toDouble() + 0.001) < 1e-9);
    r = Cli({"analyse", QString::fromStdString(final)}, "fr_FR.UTF-8");
    QVERIFY2(r.out.contains(QString::fromUtf8("A : ordre 1, k = 0,02 s⁻¹ ; t½ = 34,7 s")), qPrintable(r.out));
    QVERIFY(r.out.contains(QString::fromUtf8("A2 : Pas de cinétique d'ordre 1 reconnaissable")));

    // A Beer-Lambert series (values as in the core's tables).
    TDataSeries beer;
    beer.XAxis = {"c", "mol/L", ""};
    beer.YAxis = {"A", "", ""};
    const double c[] = {1, 2, 3, 4}, a[] = {0.102, 0.198, 0.305, 0.398};
    for (int i = 0; i < 4; ++i) {
        beer.Append(c[i], a[i]);
    }
    FileRequest series;
    series.kind = MeasureMode::Beer;
    series.data = &beer;
    series.dateTime = "10/12/2026 14:05:09";
    const std::string bfile = dir_.filePath("beer").toStdString();
    QVERIFY(SauveFichier(bfile, TextFilter, series, &final, &error));
    r = Cli({"analyse", "--json", QString::fromStdString(final), "--unknown", "0,25", "--unknown", "0.3"});
    QCOMPARE(r.status, 0);
    json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(json.value("mode").toString(), QString("beer"));
    const QJsonObject origin = json.value("origin").toObject(), intercept = json.value("intercept").toObject();
    QVERIFY(std::fabs(origin.value("k").toDouble() - 0.1003) < 1e-12);
    QVERIFY(std::fabs(origin.value("s").toDouble() - 0.003497618237219901) < 1e-12);
    QVERIFY(std::fabs(origin.value("r2").toDouble() - 0.9992591059811546) < 1e-12);
    QVERIFY(std::fabs(intercept.value("b").toDouble() - 0.0995) < 1e-12);
    QVERIFY(std::fabs(intercept.value("u_a").toDouble() - 0.0050124844139408575) < 1e-12);
    QVERIFY(std::fabs(intercept.value("u_b").toDouble() - 0.0018303005217723137) < 1e-12);
    QVERIFY(std::fabs(intercept.value("r2").toDouble() - 0.9993237070945145) < 1e-12);
    const QJsonArray unknowns = json.value("unknowns").toArray();
    QCOMPARE(unknowns.size(), 2);
    QCOMPARE(unknowns.at(0).toObject().value("a").toDouble(), 0.25);
    QVERIFY(std::fabs(unknowns.at(0).toObject().value("c").toDouble() - 2.492522432701894) < 1e-12);
    QVERIFY(std::fabs(unknowns.at(0).toObject().value("u_c").toDouble() - 0.07792860644854938 / 2) < 1e-12);
    QCOMPARE(unknowns.at(0).toObject().value("range").toString(), QString("inside"));
    r = Cli({"analyse", QString::fromStdString(final), "--unknown", "0.25", "--unknown", "2,4"}, "fr_FR.UTF-8");
    QVERIFY2(r.out.contains(QString::fromUtf8("A = 0,25 : c = 2,49 ± 0,08\n")), qPrintable(r.out));
    // Far above the standards' absorbances: an extrapolation, said as such.
    QVERIFY2(r.out.contains(QRegularExpression(QString::fromUtf8("A = 2,4 : c = [0-9, ±]+ \\(hors gamme\\)"))), qPrintable(r.out));
    r = Cli({"analyse", "--json", QString::fromStdString(final), "--unknown", "2.4"});
    json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(json.value("unknowns").toArray().at(0).toObject().value("range").toString(), QString("outside"));
}

void TestCli::analyseRefusals_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");
    const QByteArray spectrum = "Essai\r\nLambda\tA\r\nnm\t\r\nLongueur d'onde\t\r\n500\t0,1\r\n501\t0,2\r\n";
    QTest::newRow("no data") << QByteArray("Essai\r\nLambda\tA\r\n") << QStringList()
                             << QString::fromUtf8("Le fichier ne contient aucune donnée");
    QTest::newRow("mode not told") << QByteArray("x;y\n1;2\n3;4\n") << QStringList()
                                   << QString("mode du fichier inconnu");
    QTest::newRow("two points of a spectrum") << spectrum << QStringList() << QString("trop peu de points");
    QTest::newRow("forced kinetics with two points") << spectrum << QStringList{"--mode", "kinetics"}
                                                     << QString("trop peu de points");
    QTest::newRow("one standard") << QByteArray("Loi de Beer-Lambert 10/12/2026\r\nc\tA\r\n\t\r\n\t\r\n1\t0,1\r\n")
                                  << QStringList() << QString::fromUtf8("il faut au moins deux étalons");
    QTest::newRow("no such file") << QByteArray() << QStringList() << QString();
}

void TestCli::analyseRefusals()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    const QString file = dir_.filePath(QString("refused%1.txt").arg(n_));
    if (!contents.isEmpty()) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contents);
    }
    const Run r = Cli(QStringList{"analyse"} + options + QStringList{file}, "fr_FR.UTF-8");
    QCOMPARE(r.status, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(message) && r.err.contains(file), qPrintable(r.err));
}

void TestCli::convertEveryWay()
{
    // A spectrum through every format the program writes, then analysed:
    // the same peaks at the end as at the start.
    QFile start(dir_.filePath("depart.txt"));
    QVERIFY(start.open(QIODevice::WriteOnly));
    start.write("Essai\r\nLambda\tA\r\nnm\t\r\nLongueur d'onde\t\r\n");
    for (int i = 0; i < 200; ++i)
        start.write(QByteArray::number(400 + 2 * i) + "\t" + QByteArray::number(0.2 + 0.5 * std::exp(-std::pow((i - 80) / 15.0, 2)), 'f', 3).replace('.', ',') + "\r\n");
    start.close();
    QString in = start.fileName();
    for (const char *ext : {"jdx", "XLSX", "csv", "dx", "TXT"}) {
        const QString out = dir_.filePath(QStringLiteral("etape.%1").arg(ext));
        const Run r = Cli({"convert", in, out}, "fr_FR.UTF-8");
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(QFile::exists(out));
        in = out;
    }
    const Run a = Cli({"analyse", "--json", in});
    QCOMPARE(a.status, 0);
    QVERIFY2(a.out.contains("\"lambda\": 560"), qPrintable(a.out));
    const Run b = Cli({"analyse", "--json", dir_.filePath("etape.jdx")});
    QCOMPARE(b.out, a.out);
}

void TestCli::convertRefusals_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");
    const QByteArray beer = "Loi de Beer-Lambert 11/12/2026 10:00:00\r\nc\tA\r\nmmol/L\t\r\nconcentration\tAbsorbance\r\n1\t0,1\r\n";
    QTest::newRow("damaged JCAMP-DX") << QByteArray("##TITLE=x\n##XYDATA=(X++(Y..Y))\n400 1\n") << "a.jdx" << "b.txt"
                                      << QStringList() << QString::fromUtf8("JCAMP-DX");
    QTest::newRow("Beer-Lambert to JCAMP-DX") << beer << "c.txt" << "d.jdx" << QStringList()
                                              << QString::fromUtf8("ne tient que des spectres");
    QTest::newRow("another mode asked") << beer << "e.txt" << "f.csv" << QStringList{"--mode", "spectrum"}
                                        << QString::fromUtf8("une série de Beer-Lambert, pas un spectre");
    QTest::newRow("binary bytes") << QByteArray("\x00\xff\x00\x12", 4) << "g.csv" << "h.txt" << QStringList()
                                  << QString::fromUtf8("binaires");
    QTest::newRow("missing file") << QByteArray() << "absent.txt" << "i.txt" << QStringList() << QString::fromUtf8("introuvable");
    QByteArray lines = "Essai\nLambda\tA\nnm\t\nLongueur d'onde\t\n";
    lines.reserve(3'600'000);
    while (lines.size() < 3'500'000)
        lines += "500\t0.1\n";
    QTest::newRow("350 000 lines") << lines << "j.txt" << "k.txt" << QStringList() << QString::fromUtf8("1501 au plus");
}

void TestCli::convertRefusals()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, in);
    QFETCH(QString, out);
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    const QString input = dir_.filePath(in), output = dir_.filePath(out);
    if (!contents.isEmpty()) {
        QFile f(input);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(contents);
    }
    // An OUT already there stays as it was.
    QFile old(output);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("ancien");
    old.close();
    QElapsedTimer t;
    t.start();
    const Run r = Cli(QStringList{"convert"} + options + QStringList{input, output}, "fr_FR.UTF-8");
    QVERIFY(t.elapsed() < 10000);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("ancien"));
    old.close();
    // None is created either.
    QVERIFY(QFile::remove(output));
    QCOMPARE(Cli(QStringList{"convert"} + options + QStringList{input, output}).status, 1);
    QVERIFY(!QFile::exists(output));
}

void TestCli::plotEveryModeAndFormat_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QStringList>("texts");
    QByteArray spectrum = "Essai\r\nLambda\tA\r\nnm\t\r\nLongueur d'onde\t\r\n";
    for (int i = 0; i < 300; ++i)
        spectrum += QByteArray::number(400 + i) + "\t" + QByteArray::number(0.1 + 0.9 * std::exp(-std::pow((i - 150) / 30.0, 2)), 'f', 3) + "\r\n";
    QByteArray kinetics = "TP iode\r\nt\tA\r\ns\t\r\ntemps\tAbsorbance\r\n";
    for (int i = 0; i < 30; ++i)
        kinetics += QByteArray::number(10 * i) + "\t" + QByteArray::number(0.9 * std::exp(-i / 8.0) + 0.1, 'f', 4) + "\r\n";
    const QByteArray beer = "Loi de Beer-Lambert 11/12/2026 10:00:00\r\nc\tA\r\nmmol/L\t\r\nconcentration\tAbsorbance\r\n"
                            "1\t0.102\r\n2\t0.198\r\n3\t0.305\r\n\r\nLongueur d'onde\t545\tnm\r\n"
                            "Inconnue\tA\tc\r\n1\t0.16\t1.58\r\n";
    for (const char *ext : {"png", "SVG", "pdf"}) {
        QTest::newRow(qPrintable(QStringLiteral("spectrum, %1").arg(ext)))
            << spectrum << QStringLiteral("s.%1").arg(ext) << QStringList{"Lambda/nm", "max : 550 nm (A = 1)"};
        QTest::newRow(qPrintable(QStringLiteral("kinetics, %1").arg(ext)))
            << kinetics << QStringLiteral("k.%1").arg(ext) << QStringList{"t/s", "A : ordre 1, k = 0.0125"};
        QTest::newRow(qPrintable(QStringLiteral("Beer-Lambert, %1").arg(ext)))
            << beer << QStringLiteral("b.%1").arg(ext) << QStringList{"c(mmol/L)", "Droite par l'origine (3 ", "Inconnue 1"};
    }
}

void TestCli::plotEveryModeAndFormat()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, out);
    QFETCH(QStringList, texts);
    const QString in = dir_.filePath("donnees.txt"), output = dir_.filePath(out);
    QFile f(in);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contents);
    f.close();
    // No display, no platform named: it finds its own.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("LC_ALL", "C");
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("VANDORAL_BIN") + "/vandoral-cli", {"plot", in, output});
    QVERIFY(p.waitForFinished(60000));
    QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAllStandardError().constData());
    const QString kind = QFileInfo(out).suffix().toLower();
    if (kind == "png") {
        const QImage image(output);
        QVERIFY(image.width() >= 1200 && image.height() >= 800);
        // The curves in their colours (blue), the text in black.
        int blue = 0, black = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2) {
                const QRgb c = image.pixel(x, y);
                blue += qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60;
                black += qBlue(c) < 40 && qRed(c) < 40 && qGreen(c) < 40;
            }
        QVERIFY(blue > 200 && black > 200);
    } else {
        QString text;
        if (kind == "pdf") {
            text = PdfText(output);
        } else {
            QFile svg(output);
            QVERIFY(svg.open(QIODevice::ReadOnly));
            QXmlStreamReader xml(&svg);
            while (!xml.atEnd())
                if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
                    text += xml.readElementText() + "\n";
            QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        }
        for (const QString &t : texts)
            QVERIFY2(text.contains(t), qPrintable(t + " not in: " + text));
    }
    // A file it cannot read: status 1, the picture left as it was.
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("rien de lisible\n");
    f.close();
    QFile picture(output);
    QVERIFY(picture.open(QIODevice::ReadOnly));
    const QByteArray before = picture.readAll();
    picture.close();
    const Run bad = Cli({"plot", in, output});
    QCOMPARE(bad.status, 1);
    QVERIFY2(bad.err.contains(QString::fromUtf8("aucune donnée")), qPrintable(bad.err));
    QVERIFY(picture.open(QIODevice::ReadOnly));
    QCOMPARE(picture.readAll(), before);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

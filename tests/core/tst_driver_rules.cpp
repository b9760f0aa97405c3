// The driver's reply rules, character by character: status decoding, the
// reference and scan handlers, and random input that must never break them.
#include "numtext.h"
#include "driver.h"

#include <QRandomGenerator>

#include <limits>
#include <stdexcept>
#include <QtTest>

using namespace vandoral;

namespace {

// Records the driver's events in the order they fire.
struct Events {
    QStringList log;
    QList<QPair<int, double>> points;
    void Attach(TspectroVandoral &s)
    {
        s.OnMessage = [this](const std::string &m) { log << "message:" + QString::fromLatin1(m.c_str()); };
        s.OnControlChange = [this] { log << "control"; };
    }
    TspectroVandoral::PointEvent Point()
    {
        return [this](std::int32_t i, double v) { points.append({i, v}); };
    }
    TspectroVandoral::Event Done()
    {
        return [this] { log << "done"; };
    }
};

void Feed(TspectroVandoral &s, const QByteArray &bytes)
{
    for (char c : bytes)
        s.HandleChar(c);
}

} // namespace

class TestSpectroRules : public QObject {
    Q_OBJECT
private slots:
    void decodeStatus_data();
    void decodeStatus();
    void textScan();
    void hexScan_data();
    void hexScan();
    void hexScanRecoversFromBadText();
    void referenceIgnoresOtherLines();
    void longLinesAreCut();
    void operationEndsOnce_data();
    void operationEndsOnce();
    void handlerExceptionsAreDropped();
    void pointIndexStopsAtItsLimit();
    void randomBytesKeepTheRules();
};

void TestSpectroRules::decodeStatus_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("E00") << QByteArray("E00") << true << QByteArray("");
    QTest::newRow("E00 and more") << QByteArray("E00 x") << false << QByteArray("");
    QTest::newRow("E01") << QByteArray("E01") << false << QByteArray("Erreur de param\xE8tre");
    QTest::newRow("E02") << QByteArray("E02") << false << QByteArray("Probl\xE8me de lampe UV");
    QTest::newRow("E03") << QByteArray("E03") << false << QByteArray("Probl\xE8me de lampe visible");
    QTest::newRow("E04") << QByteArray("E04") << false << QByteArray("Erreur de longueur d'onde");
    QTest::newRow("E05") << QByteArray("E05") << false << QByteArray("Erreur interne du spectro");
    QTest::newRow("E90") << QByteArray("E90") << false << QByteArray("Erreur nombre de param\xE8tres");
    QTest::newRow("E91") << QByteArray("E91") << false << QByteArray("Attendre la fin de l'\xE9talonnage");
    QTest::newRow("E92") << QByteArray("E92") << false << QByteArray("Commande non pr\xE9vue");
    QTest::newRow("E93") << QByteArray("E93") << false << QByteArray("Appuyer sur la touche OK (F2) du spectro");
    QTest::newRow("E94") << QByteArray("E94") << false << QByteArray("Argument invalide");
    QTest::newRow("E95") << QByteArray("E95") << false << QByteArray("Commande trop longue");
    QTest::newRow("E96 default") << QByteArray("E96") << false << QByteArray("Probl\xE8me E96");
    QTest::newRow("E97 default") << QByteArray("E97") << false << QByteArray("Probl\xE8me E97");
    QTest::newRow("E98") << QByteArray("E98") << false << QByteArray("Attendre la fin de l'\xE9talonnage");
    QTest::newRow("E99") << QByteArray("E99") << false << QByteArray("Erreur inconnue");
    QTest::newRow("one digit") << QByteArray("E7") << false << QByteArray("Probl\xE8me E7");
    QTest::newRow("letters") << QByteArray("EAB") << false << QByteArray("Probl\xE8me EAB");
    QTest::newRow("empty") << QByteArray("") << false << QByteArray("Probl\xE8me ");
    QTest::newRow("E alone") << QByteArray("E") << false << QByteArray("Probl\xE8me E");
}

void TestSpectroRules::decodeStatus()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, ok);
    QFETCH(QByteArray, message);
    TspectroVandoral s;
    QStringList fired;
    s.OnMessage = [&](const std::string &m) { fired << QString::fromLatin1(m.c_str()); };
    QCOMPARE(s.DecodeStatus(reply.toStdString()), ok);
    QCOMPARE(QByteArray::fromStdString(s.LastMessage), message);
    QCOMPARE(fired, QStringList{QString::fromLatin1(message)}); // fired once, empty text included
}

void TestSpectroRules::textScan()
{
    TspectroVandoral s;
    Events e;
    e.Attach(s);
    s.LambdaMin = 400;
    s.Scan(e.Point(), e.Done());
    QVERIFY(s.Busy);
    Feed(s, "Scanning...\r\n  0.523 \r\nabc\r\n\r\n-0.01\r\n1234567890123456789012345\r\nE00\r\n");
    QCOMPARE(e.points.size(), 4);
    QCOMPARE(e.points[0], qMakePair(400, 0.523));
    QCOMPARE(e.points[1], qMakePair(401, MissingValue)); // still a point, next wavelength
    QCOMPARE(e.points[2], qMakePair(402, -0.01));
    QCOMPARE(e.points[3], qMakePair(403, 12345678901234567890.0)); // first 20 characters
    QCOMPARE(e.log, (QStringList{"message:", "control", "done"}));
    QVERIFY(!s.Busy);
    QCOMPARE(s.PointIndex, 404);
}

void TestSpectroRules::hexScan_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QList<double>>("values");
    QTest::newRow("reference values") << QByteArray("0A3,3E8,FFF,F9B,\r\nE00\r\n")
                                 << QList<double>{0.163, 1.0, 0.0, -0.1};
    QTest::newRow("two commas in a row") << QByteArray("0A3,,3E8,\nE00\n") << QList<double>{0.163, 1.0};
    QTest::newRow("scanning line dropped") << QByteArray("Scanning\r\n001,\nE00\n") << QList<double>{0.001};
    QTest::newRow("bad value is a missing point") << QByteArray("0A3,XYZ,3E8,\nE00\n")
                                                  << QList<double>{0.163, MissingValue, 1.0};
    QTest::newRow("blanks spoil a value") << QByteArray(" 0A3,3E8,\nE00\n") << QList<double>{MissingValue, 1.0};
    QTest::newRow("F00 is the lowest") << QByteArray("F00,\nE00\n") << QList<double>{-0.255};
    QTest::newRow("more than three digits") << QByteArray("7FFFFFFF,0A3,1000,\nE00\n")
                                            << QList<double>{MissingValue, 0.163, MissingValue};
    QTest::newRow("lowercase digits, f negative") << QByteArray("f9b,fff,0a3,\nE00\n")
                                                  << QList<double>{-0.1, 0.0, 0.163};
    QTest::newRow("over-long field keeps the next wavelength")
        << (QByteArray(300, '0') + ",0A3,\nE00\n") << QList<double>{MissingValue, 0.163};
}

void TestSpectroRules::hexScan()
{
    QFETCH(QByteArray, input);
    QFETCH(QList<double>, values);
    TspectroVandoral s;
    Events e;
    e.Attach(s);
    s.BinaryScan = true;
    s.LambdaMin = 330;
    s.Scan(e.Point(), e.Done());
    Feed(s, input);
    QCOMPARE(e.points.size(), values.size());
    for (int i = 0; i < values.size(); ++i) {
        QCOMPARE(e.points[i].first, 330 + i);
        if (values[i] == MissingValue)
            QCOMPARE(e.points[i].second, MissingValue);
        else
            QVERIFY2(qAbs(e.points[i].second - values[i]) < 1e-12, qPrintable(QString::number(e.points[i].second)));
    }
    QCOMPARE(e.log, (QStringList{"message:", "control", "done"}));
}

void TestSpectroRules::hexScanRecoversFromBadText()
{
    // Text that is no value at the end of a line must not hide the status.
    TspectroVandoral s;
    Events e;
    e.Attach(s);
    s.BinaryScan = true;
    s.Scan(e.Point(), e.Done());
    Feed(s, "0A3,garbage\r\nE04\r\n");
    QCOMPARE(e.points.size(), 1);
    QCOMPARE(e.log, (QStringList{"message:Erreur de longueur d'onde", "control", "done"}));
    QVERIFY(!s.Busy);
}

void TestSpectroRules::referenceIgnoresOtherLines()
{
    TspectroVandoral s;
    Events e;
    e.Attach(s);
    s.SetRef(e.Done());
    Feed(s, "hello\r\n\r\n");
    QVERIFY(e.log.isEmpty());
    QVERIFY(s.Busy);
    Feed(s, "E02\r\n");
    QCOMPARE(e.log, (QStringList{QString::fromLatin1("message:Probl\xE8me de lampe UV"), "control", "done"}));
    QVERIFY(!s.Busy);
    QVERIFY(s.ReplyBuffer.empty());
}

void TestSpectroRules::longLinesAreCut()
{
    TspectroVandoral s;
    s.SendAndWait("", 0); // installs the collecting handler (no port: returns at once)
    Feed(s, QByteArray(300, 'x'));
    QCOMPARE(s.ReplyBuffer.size(), std::size_t(255));
    QVERIFY(!s.LineReceived);
    Feed(s, "\n");
    QVERIFY(s.LineReceived);
}

void TestSpectroRules::operationEndsOnce_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("points");
    QTest::newRow("text: stray line end after the status") << "text" << QByteArray("0.5\r\nE00\r\n\r\n") << 1;
    QTest::newRow("text: value and error after the status") << "text" << QByteArray("0.5\r\nE00\r\n0.7\r\nE04\r\n") << 1;
    QTest::newRow("hex: value and error after the status") << "hex" << QByteArray("001,\nE00\n002,\nE04\n") << 1;
    QTest::newRow("blank: second status") << "blank" << QByteArray("E00\r\nE00\r\n\r\nE04\r\n") << 0;
}

void TestSpectroRules::operationEndsOnce()
{
    QFETCH(QString, operation);
    QFETCH(QByteArray, input);
    QFETCH(int, points);
    TspectroVandoral s;
    Events e;
    e.Attach(s);
    if (operation == "blank") {
        s.SetRef(e.Done());
    } else {
        s.BinaryScan = operation == "hex";
        s.Scan(e.Point(), e.Done());
    }
    Feed(s, input);
    QCOMPARE(e.log, (QStringList{"message:", "control", "done"})); // success, reported once
    QCOMPARE(e.points.size(), points);
    QCOMPARE(s.LastMessage, std::string());
    // The next command listens again.
    s.SetRef(e.Done());
    Feed(s, "E04\r\n");
    QCOMPARE(e.log.size(), 6);
    QCOMPARE(e.log.last(), QString("done"));
}

void TestSpectroRules::handlerExceptionsAreDropped()
{
    TspectroVandoral s;
    int points = 0, done = 0;
    s.OnControlChange = [] { throw std::logic_error("window"); };
    s.Scan(
        [&](std::int32_t, double) {
            ++points;
            throw std::runtime_error("point");
        },
        [&] {
            ++done;
            throw 42;
        });
    Feed(s, "0.1\r\n0.2\r\nE00\r\n");
    QCOMPARE(points, 2);
    QCOMPARE(done, 1);
    QVERIFY(!s.Busy);
}

void TestSpectroRules::pointIndexStopsAtItsLimit()
{
    TspectroVandoral s;
    Events e;
    s.LambdaMin = std::numeric_limits<std::int32_t>::max() - 1;
    s.Scan(e.Point(), e.Done());
    Feed(s, "0.1\r\n0.2\r\n0.3\r\nE00\r\n");
    QCOMPARE(e.points.size(), 1);
    QCOMPARE(e.points[0].first, std::numeric_limits<std::int32_t>::max() - 1);
    QCOMPARE(e.log, QStringList{"done"});
}

void TestSpectroRules::randomBytesKeepTheRules()
{
    // Random bytes, biased towards the characters the rules care about, into
    // every handler. Points come only on a line feed (text) or a comma
    // (hexadecimal), with consecutive wavelengths; the end of an operation
    // comes only on a line feed, as message, control change, done.
    QRandomGenerator rng(20261210);
    const QByteArray alphabet("E0123456789ABCDEF,.- \r\n\nScanningE00E04xyz\x88\xFF");
    for (int round = 0; round < 600; ++round) {
        TspectroVandoral s;
        QStringList log;
        int points = 0;
        s.OnMessage = [&](const std::string &) { log << "m"; };
        s.OnControlChange = [&] { log << "c"; };
        auto onPoint = [&](std::int32_t index, double v) {
            QCOMPARE(index, s.LambdaMin + points);
            QVERIFY(std::isfinite(v));
            ++points;
            log << "p";
        };
        auto onDone = [&] { log << "d"; };
        const int kind = round % 4;
        if (kind == 0)
            s.SetRef(onDone);
        else if (kind == 3)
            s.SendAndWait("", 0);
        else {
            s.BinaryScan = kind == 2;
            s.Scan(onPoint, onDone);
        }
        for (int i = 0; i < 2000; ++i) {
            const char c = rng.bounded(4) == 0 ? char(rng.bounded(256))
                                               : alphabet[int(rng.bounded(alphabet.size()))];
            const int before = log.size();
            s.HandleChar(c);
            QVERIFY(s.ReplyBuffer.size() <= TspectroVandoral::ReplyLimit);
            const QStringList added = log.mid(before);
            if (added.isEmpty())
                continue;
            if (added == QStringList{"p"}) {
                QVERIFY(c == (s.BinaryScan ? ',' : '\n'));
                continue;
            }
            QCOMPARE(added, (QStringList{"m", "c", "d"}));
            QCOMPARE(c, '\n');
            QVERIFY(!s.Busy);
            QCOMPARE(log.count("d"), 1); // an operation ends once
        }
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_GUILESS_MAIN(TestSpectroRules)
#include "tst_driver_rules.moc"

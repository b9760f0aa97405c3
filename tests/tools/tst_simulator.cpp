// The simulated instrument's own behaviour, which the other tests rely on.
#include "localescope.h"
#include "siminstrument.h"

#include <QtTest>

using namespace vandoral::sim;

class TestSimulator : public QObject {
    Q_OBJECT
private slots:
    void hexValues_data();
    void hexValues();
    void reactionChangesTheSpectrum();
    void faultsAreCounted();
    void restartedInstrument();
    void numbersWithAPointUnderAFrenchLocale();
    void options();
};

void TestSimulator::hexValues_data()
{
    QTest::addColumn<double>("absorbance");
    QTest::addColumn<QString>("hex");
    QTest::newRow("0.163") << 0.163 << "0A3";
    QTest::newRow("1.0") << 1.0 << "3E8";
    QTest::newRow("0") << 0.0 << "FFF";
    QTest::newRow("-0.1") << -0.1 << "F9B";
    QTest::newRow("below the range") << -1.0 << "F00";
}

void TestSimulator::hexValues()
{
    QFETCH(double, absorbance);
    QTEST(QString::fromStdString(SimEngine::HexValue(absorbance)), "hex");
}

void TestSimulator::reactionChangesTheSpectrum()
{
    SimOptions o;
    o.rate = 0.01;
    SimEngine e(o);
    // The reactant's band fades, the product's grows, like a first-order reaction.
    QVERIFY(e.Absorbance(545, 0) > 1.0);
    QVERIFY(e.Absorbance(545, 100) < e.Absorbance(545, 0) * 0.5);
    QVERIFY(e.Absorbance(400, 300) > e.Absorbance(400, 0) + 0.4);
    const double ratio = (e.Absorbance(545, 100) - e.Absorbance(545, 1e9))
                         / (e.Absorbance(545, 0) - e.Absorbance(545, 1e9));
    QVERIFY(qAbs(ratio - std::exp(-1.0)) < 1e-9);
}

void TestSimulator::faultsAreCounted()
{
    SimOptions o;
    o.errors["CONTROL"] = {"E93", 2};
    SimEngine e(o);
    QCOMPARE(e.Respond("CONTROL", 0).chunks, std::vector<std::string>{"E93\r\n"});
    QCOMPARE(e.Respond("CONTROL", 0).chunks, std::vector<std::string>{"E93\r\n"});
    QCOMPARE(e.Respond("CONTROL", 0).chunks, std::vector<std::string>{"E00\r\n"});
    QCOMPARE(e.Respond("NOPE", 0).chunks, std::vector<std::string>{"E92\r\n"});
    const Reply scan = e.Respond("SCANTXT", 0);
    QCOMPARE(scan.chunks.front(), std::string("Scanning\r\n"));
    QCOMPARE(scan.chunks.back(), std::string("E00\r\n"));
    QCOMPARE(scan.chunks.size(), std::size_t(471 + 2));
}

void TestSimulator::restartedInstrument()
{
    // Switched off and on: no blank or scan until "CONTROL", then a
    // calibration of two replies, then measurements again.
    SimEngine e(SimOptions{});
    e.Restart();
    QCOMPARE(e.Respond("SCANTXT", 0).chunks, std::vector<std::string>{"E92\r\n"});
    QCOMPARE(e.Respond("SETREF", 0).chunks, std::vector<std::string>{"E92\r\n"});
    QVERIFY(e.Respond("ID?", 0).chunks.front().rfind("E00 6004", 0) == 0); // it answers
    QCOMPARE(e.Respond("CONTROL", 0).chunks, std::vector<std::string>{"E00\r\n"});
    QCOMPARE(e.Respond("SETREF", 0).chunks, std::vector<std::string>{"E91\r\n"});
    QCOMPARE(e.Respond("SCANTXT", 0).chunks, std::vector<std::string>{"E91\r\n"});
    // Its blank is gone: a scan now reads wrong values, until a blank.
    const double wrong = QByteArray::fromStdString(e.Respond("SCANTXT", 0).chunks[1]).trimmed().toDouble();
    QCOMPARE(e.Respond("SETREF", 0).chunks, std::vector<std::string>{"E00\r\n"});
    const double right = QByteArray::fromStdString(e.Respond("SCANTXT", 0).chunks[1]).trimmed().toDouble();
    QVERIFY2(std::fabs(wrong - right - 0.5) < 0.05, qPrintable(QString("%1 %2").arg(wrong).arg(right)));
}

void TestSimulator::numbersWithAPointUnderAFrenchLocale()
{
    // An instrument speaks with a decimal point, whatever the locale of the
    // computer playing it ("%.3f" gave "0,523" on a French desktop, which the
    // program reads as no value at all).
    LocaleScope french("fr_FR.UTF-8");
    QVERIFY2(french.ok(), "fr_FR.UTF-8 is not installed (scripts/test.sh generates it)");
    SimOptions o;
    o.levels = {0.523};
    SimEngine e(o);
    const Reply scan = e.Respond("SCANTXT", 0);
    const std::string value = scan.chunks[1 + (545 - 330)];
    QCOMPARE(value, std::string("0.523\r\n"));
    std::string device, link, error;
    QVERIFY(ParseSimOptions({"--rate", "0.5", "--off", "1.5:2"}, o, device, link, error));
    QCOMPARE(o.rate, 0.5);
    QCOMPARE(o.offFrom, 1.5);
}

void TestSimulator::options()
{
    SimOptions o;
    std::string device, link, error;
    QVERIFY(ParseSimOptions({"--model", "6022", "--error", "SETREF=E02:1", "--fast"}, o, device, link, error));
    QCOMPARE(o.lambdaMin, 190);
    QCOMPARE(o.lambdaMax, 1100);
    QCOMPARE(o.errors["SETREF"].status, std::string("E02"));
    QCOMPARE(o.errors["SETREF"].times, 1);
    QCOMPARE(o.charMicros, 0.0);
    QVERIFY(ParseSimOptions({"--off", "20:25", "--restart", "45"}, o, device, link, error));
    QCOMPARE(o.offFrom, 20.0);
    QCOMPARE(o.offFor, 25.0);
    QCOMPARE(o.restartAt, 45.0);
    QVERIFY(!ParseSimOptions({"--off", "20"}, o, device, link, error));
    QVERIFY(!ParseSimOptions({"--restart", "x"}, o, device, link, error));
    QVERIFY(!ParseSimOptions({"--cut"}, o, device, link, error));
    QVERIFY(!ParseSimOptions({"--range", "800:300"}, o, device, link, error));
    QVERIFY(!ParseSimOptions({"--bogus"}, o, device, link, error));
    QVERIFY(!error.empty());
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"

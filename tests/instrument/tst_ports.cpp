// Port numbers, their devices and the presence test.
#include "inifile.h"
#include "ports.h"
#include "search.h"
#include "siminstrument.h"

#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

using namespace vandoral;

class TestPorts : public QObject {
    Q_OBJECT
private slots:
    void portTableFromSettings();
    void presence();
    void searchOrder_data();
    void searchOrder();
};

void TestPorts::portTableFromSettings()
{
    QTemporaryDir dir;
    const std::string ini = dir.filePath("v.INI").toStdString();
    QVERIFY(IniWriteString(ini, "Ports", "COM12", "/dev/simulated"));
    QCOMPARE(PortDeviceName(12, ini), QString("/dev/simulated"));
    QCOMPARE(PortDeviceName(0, ini), QString());
    // Without an entry: the n-th device the system lists, or nothing.
    const QString fallback = PortDeviceName(HighestPort, ini);
    QVERIFY(fallback.isEmpty() || fallback.startsWith("/dev/"));
}

void TestPorts::presence()
{
    sim::SimOptions o;
    o.charMicros = 0;
    sim::PtySimulator simulator(o);
    QVERIFY(simulator.Start());
    QTemporaryDir dir;
    const std::string ini = dir.filePath("v.INI").toStdString();
    QVERIFY(IniWriteString(ini, "Ports", "COM7", simulator.DevicePath()));
    QVERIFY(IniWriteString(ini, "Ports", "COM8", dir.filePath("nothing-here").toStdString()));
    QVERIFY(PortPresent(7, ini));
    QVERIFY(!PortPresent(8, ini));

    // Held by another program (here: another port object holding the lock).
    QSerialPort holder(QString::fromStdString(simulator.DevicePath()));
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QSerialPort second(QString::fromStdString(simulator.DevicePath()));
    QVERIFY(!second.open(QIODevice::ReadWrite));
    QVERIFY(PortPresent(7, ini));
    holder.close();
    QVERIFY(PortPresent(7, ini));
}

void TestPorts::searchOrder_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QList<int>>("present");
    QTest::addColumn<int>("instrumentOn");
    QTest::addColumn<QList<int>>("tried");
    QTest::addColumn<int>("found");
    QTest::newRow("stored port answers") << 3 << QList<int>{1, 2, 3} << 3 << QList<int>{3} << 3;
    QTest::newRow("stored absent") << 9 << QList<int>{2, 4, 5} << 4 << QList<int>{2, 4} << 4;
    QTest::newRow("stored silent, tried once") << 2 << QList<int>{1, 2, 3} << 3 << QList<int>{2, 1, 3} << 3;
    QTest::newRow("nothing answers") << 1 << QList<int>{1, 50} << 0 << QList<int>{1, 50} << 0;
    QTest::newRow("no port at all") << 1 << QList<int>{} << 0 << QList<int>{} << 0;
}

void TestPorts::searchOrder()
{
    QFETCH(int, stored);
    QFETCH(QList<int>, present);
    QFETCH(int, instrumentOn);
    QList<int> tried;
    const int found = SearchInstrument(
        stored, [&](int n) { return present.contains(n); },
        [&](int n) {
            tried << n;
            return n == instrumentOn;
        });
    QTEST(tried, "tried");
    QTEST(found, "found");
}

QTEST_GUILESS_MAIN(TestPorts)
#include "tst_ports.moc"

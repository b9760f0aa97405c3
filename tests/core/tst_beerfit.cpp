// The Beer-Lambert line through the origin and its precision, as tables.
#include "beerfit.h"
#include "numtext.h"
#include "separator.h"

#include <QtTest>

using namespace vandoral;

class TestBeerFit : public QObject {
    Q_OBJECT
private slots:
    void fit_data();
    void fit();
};

void TestBeerFit::fit_data()
{
    QTest::addColumn<QList<double>>("c");
    QTest::addColumn<QList<double>>("a");
    QTest::addColumn<double>("slope");
    QTest::addColumn<QString>("text");
    QTest::newRow("three standards") << QList<double>{1, 2, 3} << QList<double>{0.10, 0.21, 0.29} << 0.1
                                     << QString::fromUtf8("Précision de l'ajustement sur A : 0,008");
    QTest::newRow("centre of gravity, not least squares")
        << QList<double>{1, 4} << QList<double>{0.2, 0.5} << 0.7 / 5 << QString::fromUtf8("Précision de l'ajustement sur A : 0,06");
    QTest::newRow("zero concentration and non-positive absorbance left out")
        << QList<double>{0, 1e-9, 1, 2, 5} << QList<double>{0.3, 0.3, 0.1, 0.2, 0.0} << 0.1
        << QString::fromUtf8("Précision de l'ajustement sur A : 0");
    QTest::newRow("tiny absorbance counts for the slope only")
        << QList<double>{1, 2, 10} << QList<double>{0.1, 0.2, 0.0005} << 0.3005 / 13
        << QString::fromUtf8("Précision de l'ajustement sur A : 0,12");
    QTest::newRow("no standard qualifies") << QList<double>{0, 1} << QList<double>{0.5, -0.1} << MissingValue << QString();
    QTest::newRow("nothing above 0.001: no precision") << QList<double>{1, 2} << QList<double>{0.0005, 0.001}
                                                       << 0.0015 / 3 << QString();
}

void TestBeerFit::fit()
{
    QFETCH(QList<double>, c);
    QFETCH(QList<double>, a);
    QFETCH(double, slope);
    SeparatorScope comma(',');
    const BeerFit f = FitThroughOrigin(c.constData(), a.constData(), int(c.size()));
    if (slope == MissingValue)
        QCOMPARE(f.Slope, MissingValue);
    else
        QVERIFY2(std::fabs(f.Slope - slope) < 1e-12, qPrintable(QString::number(f.Slope, 'g', 17)));
    QTEST(QString::fromLatin1(PrecisionText(f).c_str()), "text");
}

QTEST_GUILESS_MAIN(TestBeerFit)
#include "tst_beerfit.moc"

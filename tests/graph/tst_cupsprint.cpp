// A printed page through a real printer queue: CUPS with its PDF printer
// (cups-pdf), as a school's print server takes it. The queue is set up when
// the machine has CUPS and the test runs as root; else the test says why it
// cannot run.
#include "pdftext.h"
#include "printgraph.h"
#include "samplegraphs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <cmath>

#include <unistd.h>

using namespace vandoral;

namespace {

const QString Queue = QStringLiteral("VandoralTest");

int Run(const QString &program, const QStringList &args, QString *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "C"); // the words below are read in English
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return -1;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll()).trimmed();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// lpstat -r exits with 0 whether or not the scheduler runs: its words tell.
bool SchedulerRuns()
{
    QString out;
    return Run("lpstat", {"-r"}, &out) == 0 && out == "scheduler is running";
}

} // namespace

class TestCupsPrint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pageThroughTheQueue();
};

void TestCupsPrint::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("setting up a CUPS queue needs root");
    for (const char *tool : {"cupsd", "lpadmin", "lpstat", "pdftotext", "pdftoppm"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool), {"/usr/sbin", "/usr/bin"}).isEmpty())
            QSKIP(qPrintable(QString("%1 is not installed (cups, printer-driver-cups-pdf, poppler-utils)").arg(tool)));
    if (!QFile::exists("/usr/lib/cups/backend/cups-pdf"))
        QSKIP("the cups-pdf backend is not installed (printer-driver-cups-pdf)");
    if (!SchedulerRuns()) {
        // No scheduler yet: start one (it goes to the background itself).
        QString out;
        QVERIFY2(Run("/usr/sbin/cupsd", {}, &out) == 0, qPrintable(out));
    }
    QElapsedTimer t;
    t.start();
    while (!SchedulerRuns() && t.elapsed() < 15000)
        QTest::qWait(100);
    QVERIFY2(SchedulerRuns(), "the CUPS scheduler did not start");
    QString out;
    const int rc = Run("lpadmin", {"-p", Queue, "-E", "-v", "cups-pdf:/", "-P",
                                   "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"}, &out);
    QVERIFY2(rc == 0, qPrintable("lpadmin: " + out));
}

void TestCupsPrint::pageThroughTheQueue()
{
    // cups-pdf writes root's jobs into ~/PDF, named after the job's title.
    const QString outDir = QDir::homePath() + "/PDF";
    const QString title = QString("vandoral-%1").arg(QCoreApplication::applicationPid());
    QDir(outDir).removeRecursively();
    Tgraphe g = SampleSpectrum();
    g.SetWorld(500, 0, 600, 1.2);
    g.PointCount = 101;
    for (int i = 0; i <= 100; ++i) {
        g.X[i] = 500 + i;
        g.Curve1.Y[i] = 0.1 + std::exp(-0.5 * std::pow((i - 45) / 12.0, 2));
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(Queue);
    QVERIFY2(printer.isValid(), "Qt does not see the queue");
    printer.setDocName(title);
    printer.setPageOrientation(QPageLayout::Landscape);
    PageReport report;
    report.Caption = QString::fromUtf8("Tracé de spectre");
    report.Model = QStringLiteral("Orbis K2");
    report.When = QStringLiteral("10/12/2026 14:05");
    report.Comment = QStringLiteral("Groupe 3");
    report.Lines = {QString::fromUtf8("λmax : 545 nm (A = 1,05)")};
    report.SpectrumPage = true;
    QVERIFY(PrintReport(g, printer, nullptr, report, false));

    QString pdf;
    QElapsedTimer t;
    t.start();
    while (pdf.isEmpty() && t.elapsed() < 60000) {
        const QStringList files = QDir(outDir).entryList({title + "*.pdf"}, QDir::Files);
        if (!files.isEmpty() && QFileInfo(outDir + "/" + files.first()).size() > 0)
            pdf = outDir + "/" + files.first();
        else
            QTest::qWait(200);
    }
    QVERIFY2(!pdf.isEmpty(), "no page came out of the queue");
    QTest::qWait(500); // the backend closes the file
    // cups-pdf sets the text in Type 3 glyphs that cannot be read back as
    // text: the page itself is looked at (its picture is left in the
    // temporary folder) and measured.
    QVERIFY(PdfText(pdf).size() > 0);

    // The page at 150 dpi: the blue curve is drawn at least 0.35 mm wide
    // (2 pixels and more), not as a hairline.
    const QString png = QDir::temp().filePath(title);
    QCOMPARE(Run("pdftoppm", {"-r", "150", "-png", "-singlefile", pdf, png}), 0);
    QImage page(png + ".png");
    QVERIFY(!page.isNull());
    int widest = 0;
    for (int x = page.width() / 4; x < 3 * page.width() / 4; x += 7) {
        int run = 0;
        for (int y = 0; y < page.height(); ++y) {
            const QRgb c = page.pixel(x, y);
            run = qBlue(c) > 180 && qRed(c) < 90 && qGreen(c) < 90 ? run + 1 : 0;
            widest = std::max(widest, run);
        }
    }
    QVERIFY2(widest >= 2, qPrintable(QString::number(widest)));
    // The curve crosses the page: blue in many columns (or rows, for a page
    // the queue turned).
    int blue = 0;
    for (int y = 0; y < page.height(); y += 2)
        for (int x = 0; x < page.width(); x += 2) {
            const QRgb c = page.pixel(x, y);
            blue += qBlue(c) > 180 && qRed(c) < 90 && qGreen(c) < 90;
        }
    QVERIFY2(blue > 200, qPrintable(QString::number(blue)));
    QFile::copy(png + ".png", QDir::temp().filePath("vandoral-cups-page.png"));
    QFile::remove(png + ".png");
}

QTEST_MAIN(TestCupsPrint)
#include "tst_cupsprint.moc"

#include "plot.h"

#include "analysistext.h"
#include "beerseries.h"
#include "driver.h"
#include "fileio.h"
#include "graphpicture.h"
#include "kineticsrun.h"
#include "openfile.h"
#include "qtext.h"
#include "tracesession.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace vandoral {

namespace {

int Fail(const QString &file, const QString &why)
{
    std::fputs(QStringLiteral("vandoral-cli: %1 : %2\n").arg(file, why).toLocal8Bit().constData(), stderr);
    return 1;
}

// The abscissa's whole span, as the data give it.
void Span(Tmonde &axis, const std::vector<double> &xs)
{
    const auto [lo, hi] = std::minmax_element(xs.begin(), xs.end());
    if (lo != xs.end() && *hi > *lo) {
        axis.Min = *lo;
        axis.Max = *hi;
    }
}

} // namespace

int Plot(const QString &in, const QString &out, MeasureMode mode)
{
    const PictureFormat format = PictureFormatOf(out);
    if (format == PictureFormat::None)
        return Fail(out, QStringLiteral("format inconnu : .png, .svg ou .pdf attendu"));
    LoadedMeasurement m;
    std::string error;
    if (!OpenMeasurementFile(in, mode, m, &error))
        return Fail(in, FromCp(error));

    // The sessions draw as in the windows; this instrument never measures.
    TspectroVandoral spectro;
    spectro.Actif = true; // the Beer-Lambert line and unknowns shown
    PageReport report;
    report.Comment = FromCp(m.Title);
    report.When = QLocale(QLocale::French).toString(QFileInfo(in).lastModified(), QStringLiteral("dd/MM/yyyy HH:mm"));
    Tgraphe *graph = nullptr;
    bool landscape = true;
    std::unique_ptr<TTraceSession> trace;
    std::unique_ptr<TCinetiqueRun> run;
    std::unique_ptr<TBeerSeries> series;
    switch (m.Mode) {
    case MeasureMode::Spectre:
        trace = std::make_unique<TTraceSession>(spectro, &spectro);
        trace->Load(m.Data);
        Span(trace->Graphe.WorldX, m.Data.X);
        graph = &trace->Graphe;
        report.Caption = QStringLiteral("Tracé de spectre");
        report.Lines = {PeaksLine(trace->Peaks())};
        report.Overlay = [&] { trace->DrawPeaks(); };
        report.SpectrumPage = true;
        landscape = false;
        break;
    case MeasureMode::Cinetique:
        run = std::make_unique<TCinetiqueRun>(spectro, spectro, [] { return 0.0; });
        run->Load(m.Data);
        run->PreparePlot();
        Span(run->GrapheCinetique.WorldX, m.Data.X);
        graph = &run->GrapheCinetique;
        report.Caption = QStringLiteral("Cinétique suivie par spectrophotométrie");
        report.Lines = KineticsFigureLines(run->Figures());
        report.Overlay = [&] { run->DrawFits(); };
        break;
    case MeasureMode::Beer: {
        // The narrowest concentration axis, which the series widens to its
        // standards and unknowns.
        spectro.Mini = 0;
        spectro.Maxi = 0.01;
        series = std::make_unique<TBeerSeries>(spectro, spectro);
        series->Load(m.Data, m.Unknowns);
        series->PreparePlot();
        graph = &series->BeerGraph;
        report.Caption = QStringLiteral("Loi de Beer-Lambert");
        report.Comment.clear(); // its first line is the caption and the date
        if (m.Lambda > 0)
            report.Model = QStringLiteral("%1 nm").arg(m.Lambda);
        report.Lines = BeerPageLines(*series, true, [&spectro](double a) { return FromCp(spectro.FormatAbs(a)); });
        report.Overlay = [&] { series->DrawFit(true); };
        break;
    }
    case MeasureMode::None: return Fail(in, QStringLiteral("mode du fichier inconnu"));
    }

    QByteArray bytes;
    // A picture is all graph: the spectrum's printed page leaves its lower
    // half for notes, which a picture does not need.
    const QSize size(1500, 1000);
    if (format != PictureFormat::Pdf)
        report.SpectrumPage = false;
    if (format == PictureFormat::Pdf) {
        bytes = ReportPdf(*graph, report, landscape);
    } else if (format == PictureFormat::Svg) {
        bytes = ReportSvg(*graph, report, size);
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ReportImage(*graph, report, size).save(&buffer, "PNG");
    }
    if (bytes.isEmpty())
        return Fail(out, QStringLiteral("l'image n'a pas pu être faite"));
    if (!WriteFileReplacing(ToPath(out), std::string(bytes.constData(), std::size_t(bytes.size())), &error))
        return Fail(out, FromCp(error));
    std::fputs(QStringLiteral("%1 points -> %2\n").arg(m.Data.Count()).arg(out).toLocal8Bit().constData(), stderr);
    return 0;
}

} // namespace vandoral

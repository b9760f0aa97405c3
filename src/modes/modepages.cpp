// The mode windows' ways out and in besides the save: the printed page, its
// preview and PDF, the plot as a picture, and a saved file opened back.
#include "modeform.h"

#include "dialogs.h"
#include "driver.h"
#include "fileio.h"
#include "graphpicture.h"
#include "openfile.h"
#include "pagedialog.h"
#include "printgraph.h"
#include "qtext.h"

#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPageLayout>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QToolButton>

namespace vandoral {

QString TModeForm::SaveFilter() const
{
    QString filter = Translate(QStringLiteral("Tableur texte|*.txt|Tableur CSV|*.csv|Classeur Excel|*.xlsx"));
    if (Mode() == MeasureMode::Spectre)
        filter += QStringLiteral("|JCAMP-DX|*.jdx");
    return filter;
}

bool TModeForm::ChooseAndRead(LoadedMeasurement &m, QString &path)
{
    if (!CanOpen()) {
        SayBusy();
        return false;
    }
    path = CurrentDialogs().OpenFileName(this, Translate(OpenFilter(Mode())));
    if (path.isEmpty())
        return false;
    std::string error;
    if (!OpenMeasurementFile(path, Mode(), m, &error)) {
        CurrentDialogs().Error(this, Translate(QStringLiteral("Impossible d'ouvrir le fichier %1 :"))
                                             .arg(QDir::toNativeSeparators(path))
                                         + QLatin1Char('\n') + FromCp(error));
        return false;
    }
    return true;
}

void TModeForm::OpenMClick()
{
    LoadedMeasurement m;
    QString path;
    if (ChooseAndRead(m, path))
        OpenLoaded(m, path);
}

PageReport TModeForm::ReportOf(const PageContent &content) const
{
    PageReport report;
    report.Caption = windowTitle();
    if (Spectro && !Spectro->ModelName.empty())
        report.Model = FromCp(Spectro->ModelName);
    if (ConstanteDlg)
        report.Comment = ConstanteDlg->EditComm->text().trimmed();
    report.When = QLocale(QLocale::French).toString(QDateTime::currentDateTime(), QStringLiteral("dd/MM/yyyy HH:mm"));
    report.Lines = content.Lines;
    report.Overlay = content.Overlay;
    report.SpectrumPage = content.SpectrumPage;
    return report;
}

void TModeForm::AddPrintMenu(QToolButton *print)
{
    print->setPopupMode(QToolButton::MenuButtonPopup);
    PrintPopupMenu = new QMenu(print);
    PrintPopupMenu->setObjectName(QStringLiteral("PrintPopupMenu"));
    const struct {
        QAction **item;
        const char *name;
        QString text;
        void (TModeForm::*click)();
    } items[] = {{&PreviewM, "PreviewM", QStringLiteral("Aperçu avant impression"), &TModeForm::PreviewMClick},
                 {&PdfM, "PdfM", QStringLiteral("Exporter en PDF…"), &TModeForm::PdfMClick},
                 {&CopyGraphM, "CopyGraphM", QStringLiteral("Copier le graphe"), &TModeForm::CopyGraphMClick},
                 {&SaveGraphM, "SaveGraphM", QStringLiteral("Enregistrer le graphe…"), &TModeForm::SaveGraphMClick}};
    for (const auto &i : items) {
        QAction *a = PrintPopupMenu->addAction(i.text);
        a->setObjectName(QString::fromLatin1(i.name));
        connect(a, &QAction::triggered, this, i.click);
        *i.item = a;
    }
    print->setMenu(PrintPopupMenu);
}

void TModeForm::PreviewMClick()
{
    const PageContent content = Page();
    const PageReport report = ReportOf(content);
    QPrinter printer(QPrinter::HighResolution);
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull())
        printer.setPrinterName(info.printerName()); // the page "Imprimer" prints
    if (!content.SpectrumPage)
        printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PreviewDialog"));
    dialog.setWindowTitle(Translate(QStringLiteral("Aperçu avant impression")));
    dialog.resize(size()); // the page large enough to read, every tool shown
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter *p) {
        QPainter painter(p);
        const QRect page(QPoint(0, 0), p->pageLayout().paintRectPixels(p->resolution()).size());
        DrawReportPage(*content.Graph, painter, page, p->resolution(), report);
    });
    CurrentDialogs().Execute(dialog);
    PageDone();
}

// The name the save dialog gave, with the extension of filter `index` when
// it has none; empty when cancelled.
static QString PictureName(QWidget *parent, const QString &filter, const QStringList &extensions)
{
    int index = 1;
    QString name = CurrentDialogs().SaveFileName(parent, filter, index);
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty())
        name += extensions.value(index - 1, extensions.first());
    return name;
}

void TModeForm::PdfMClick()
{
    QString name = PictureName(this, Translate(QStringLiteral("Document PDF|*.pdf")), {QStringLiteral(".pdf")});
    if (name.isEmpty())
        return;
    if (PictureFormatOf(name) != PictureFormat::Pdf)
        name += QStringLiteral(".pdf");
    if (SavePage(name))
        ShowStatus(Translate(QStringLiteral("Page enregistrée : %1")).arg(QFileInfo(name).fileName()));
}

bool TModeForm::SavePage(const QString &name)
{
    const PageContent content = Page();
    QString why;
    const bool ok = SavePicture(*content.Graph, name, PlotWidget()->size(), ReportOf(content), !content.SpectrumPage, &why);
    PageDone();
    if (!ok)
        CurrentDialogs().Error(this, Translate(QStringLiteral("Impossible d'enregistrer le fichier %1 : %2"))
                                         .arg(QDir::toNativeSeparators(name), why));
    return ok;
}

void TModeForm::CopyGraphMClick()
{
    const PageContent content = Page();
    const QImage image = GraphImage(*content.Graph, PlotWidget()->size(), content.Overlay);
    PageDone();
    QGuiApplication::clipboard()->setImage(image);
    ShowStatus(Translate(QStringLiteral("Graphe copié dans le presse-papiers")));
}

void TModeForm::SaveGraphMClick()
{
    const QString name = PictureName(this, Translate(QStringLiteral("Image PNG|*.png|Image SVG|*.svg")),
                                     {QStringLiteral(".png"), QStringLiteral(".svg")});
    if (name.isEmpty())
        return;
    if (PictureFormatOf(name) != PictureFormat::Png && PictureFormatOf(name) != PictureFormat::Svg) {
        CurrentDialogs().Error(this, Translate(QStringLiteral("Le graphe s'enregistre en .png ou en .svg : %1"))
                                         .arg(QFileInfo(name).fileName()));
        return;
    }
    if (SavePage(name))
        ShowStatus(Translate(QStringLiteral("Graphe enregistré : %1")).arg(QFileInfo(name).fileName()));
}

void TModeForm::PrintPage(const PageContent &page)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!CurrentDialogs().SetUpPrinter(this, printer))
        return;
    if (!page.SpectrumPage)
        printer.setPageOrientation(QPageLayout::Landscape);
    QString error;
    if (!PrintReport(*page.Graph, printer, this, ReportOf(page), !page.SpectrumPage, &error) && !error.isEmpty())
        CurrentDialogs().Error(this, Translate(error));
}

} // namespace vandoral

// The Beer-Lambert window's two grids: the entry row and its key filter, the
// standards and the unknowns written into the cells.
#include "beerwindow.h"

#include "beergrid.h"
#include "driver.h"
#include "graphbox.h"
#include "numtext.h"
#include "qtext.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace vandoral {

namespace beergrid {

namespace {

// The editor of a standard's cell starts from the full value, not from the
// three digits shown.
class EntryDelegate : public QStyledItemDelegate {
public:
    EntryDelegate(const Tgraphe *graph, QObject *parent) : QStyledItemDelegate(parent), graph_(graph) {}
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *edit = qobject_cast<QLineEdit *>(editor);
        if (!edit)
            return QStyledItemDelegate::setEditorData(editor, index);
        const int i = index.row() - 2;
        QString text;
        if (i >= 0 && i < graph_->PointCount) {
            const double v = index.column() == 0 ? graph_->X[i] : graph_->Curve1.Y[i];
            text = FromCp(GeneralFormat(v, 15, 0, Formats().decimalSeparator));
        }
        edit->setText(text);
    }

private:
    const Tgraphe *graph_;
};

} // namespace

QString Sig(double v)
{
    return FromCp(FormatSig(v));
}

QString Abs(double v)
{
    return FromCp(Spectro->FormatAbs(v));
}

void SetCell(QTableWidget *grid, int row, int col, const QString &text)
{
    QTableWidgetItem *item = grid->item(row, col);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, col, item);
    }
    item->setText(text);
}

QAbstractItemDelegate *NewEntryDelegate(const Tgraphe *graph, QObject *parent)
{
    return new EntryDelegate(graph, parent);
}

} // namespace beergrid

using namespace beergrid;

void TBeerForm::PrepareEntryRow()
{
    if (!Session.BlancFait) // the grid is disabled until the blank
        return;
    const int n = Session.StandardCount();
    if (BeerMesureGrid->rowCount() < n + 3)
        BeerMesureGrid->setRowCount(n + 3);
    SetCell(BeerMesureGrid, n + 2, 0, QString());
    SetCell(BeerMesureGrid, n + 2, 1, QString());
    BeerMesureGrid->setCurrentCell(n + 2, 0);
    EntryRow = n + 2;
    // The keyboard goes to the entry cell: the first key typed opens its
    // editor.
    if (isVisible())
        BeerMesureGrid->setFocus();
}

void TBeerForm::SelectCell(int row, int col, int previousRow, int previousCol)
{
    CalcGridActive = false;
    if (col == 0 && row > 1) {
        EntryRow = row;
        return;
    }
    // Names, units and absorbances are not entered.
    if (previousRow >= 0) {
        const QSignalBlocker block(BeerMesureGrid);
        BeerMesureGrid->setCurrentCell(previousRow, previousCol);
    }
}

void TBeerForm::StoreStandard(int i)
{
    const Tgraphe &g = Session.BeerGraph;
    Oscillo->DrawPoint(static_cast<std::uint16_t>(i), g.Curve1);
    if (BeerMesureGrid->rowCount() < i + 4)
        BeerMesureGrid->setRowCount(i + 4);
    SetCell(BeerMesureGrid, i + 2, 0, Sig(g.X[i]));
    SetCell(BeerMesureGrid, i + 2, 1, Abs(g.Curve1.Y[i]));
    BeerMesureGrid->setCurrentCell(i + 3, 0);
}

void TBeerForm::FillMeasureGrid()
{
    const Tgraphe &g = Session.BeerGraph;
    const int n = g.PointCount;
    SetCell(BeerMesureGrid, 0, 0, FromCp(g.WorldX.Name));
    SetCell(BeerMesureGrid, 0, 1, FromCp(g.WorldY.Name));
    SetCell(BeerMesureGrid, 1, 0, FromCp(g.WorldX.Unit));
    SetCell(BeerMesureGrid, 1, 1, FromCp(g.WorldY.Unit));
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            BeerMesureGrid->item(r, c)->setFlags(Qt::ItemIsEnabled);
    if (BeerMesureGrid->rowCount() < n + 3)
        BeerMesureGrid->setRowCount(n + 5);
    for (int i = 0; i < n; ++i) {
        SetCell(BeerMesureGrid, i + 2, 0, Sig(g.X[i]));
        SetCell(BeerMesureGrid, i + 2, 1, Abs(g.Curve1.Y[i]));
        BeerMesureGrid->item(i + 2, 1)->setFlags(Qt::ItemIsEnabled);
    }
    for (int r = n + 2; r < BeerMesureGrid->rowCount(); ++r) {
        SetCell(BeerMesureGrid, r, 0, QString());
        SetCell(BeerMesureGrid, r, 1, QString());
        BeerMesureGrid->item(r, 1)->setFlags(Qt::ItemIsEnabled);
    }
    if (BeerMesureGrid->currentRow() != n + 2 || BeerMesureGrid->currentColumn() != 0)
        BeerMesureGrid->setCurrentCell(n + 2, 0);
}

void TBeerForm::FillCalcGrid()
{
    const int count = Session.UnknownCount();
    if (beerCalcGrid->rowCount() < count + 1)
        beerCalcGrid->setRowCount(count + 3);
    const bool line = Session.HasLine();
    for (int j = 0; j < count; ++j) {
        const BeerUnknown &u = Session.Unknowns[std::size_t(j)];
        SetCell(beerCalcGrid, j, 0, line ? Sig(u.Conc) : QStringLiteral("?"));
        SetCell(beerCalcGrid, j, 1, Abs(u.Abs));
    }
    for (int j = count; j < beerCalcGrid->rowCount(); ++j) {
        SetCell(beerCalcGrid, j, 0, QString());
        SetCell(beerCalcGrid, j, 1, QString());
    }
}

bool TBeerForm::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        if (w == BeerMesureGrid || BeerMesureGrid->isAncestorOf(w)) {
            auto *key = static_cast<QKeyEvent *>(e);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                // The editor's text into its cell, then the validation.
                if (auto *edit = qobject_cast<QLineEdit *>(w))
                    SetCell(BeerMesureGrid, BeerMesureGrid->currentRow(), BeerMesureGrid->currentColumn(), edit->text());
                ValidateEntry();
                return true;
            }
            const QString text = key->text();
            if (text.size() == 1 && text.at(0).unicode() >= 32) {
                const QChar c = text.at(0);
                auto *edit = qobject_cast<QLineEdit *>(w);
                if (edit && (c == QLatin1Char('.') || c == QLatin1Char(','))) {
                    edit->insert(QString(QChar::fromLatin1(Formats().decimalSeparator)));
                    return true;
                }
                const bool allowed = c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-')
                                     || c == QLatin1Char('E') || c == QLatin1Char('e') || c == QLatin1Char(' ')
                                     || c == QLatin1Char('.') || c == QLatin1Char(',');
                // Only the concentration column takes characters.
                if (!allowed || BeerMesureGrid->currentColumn() != 0 || BeerMesureGrid->currentRow() < 2)
                    return true;
            }
        }
    }
    return TModeForm::eventFilter(watched, e);
}

} // namespace vandoral

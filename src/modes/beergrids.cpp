// The Beer-Lambert window's two grids: the entry row and its key filter, the
// standards and the unknowns written into the cells.
#include "beerwindow.h"

#include "analysistext.h"
#include "beergrid.h"
#include "driver.h"
#include "graphbox.h"
#include "numtext.h"
#include "qtext.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace vandoral {

namespace beergrid {

namespace {

// The editor of a standard's cell starts from the full value, not from the
// three digits shown.
class EntryDelegate : public QStyledItemDelegate {
public:
    EntryDelegate(const TDataSeries *standards, QObject *parent) : QStyledItemDelegate(parent), data_(standards) {}
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *edit = qobject_cast<QLineEdit *>(editor);
        if (!edit)
            return QStyledItemDelegate::setEditorData(editor, index);
        const int i = index.row() - 2;
        QString text;
        if (i >= 0 && i < data_->Count()) {
            const double v = index.column() == 0 ? data_->X[std::size_t(i)] : data_->A[std::size_t(i)];
            text = FromCp(GeneralFormat(v, 15, 0, Formats().decimalSeparator));
        }
        edit->setText(text);
    }

private:
    const TDataSeries *data_;
};

class ResidualDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const QVariant r = index.data(ResidualRole), largest = index.data(LargestResidualRole);
        if (!r.isValid() || !largest.isValid() || !(largest.toDouble() > 0))
            return;
        const QRect cell = option.rect.adjusted(2, option.rect.height() - 5, -2, -2);
        const int half = cell.width() / 2;
        const int length = qRound(half * qBound(-1.0, r.toDouble() / largest.toDouble(), 1.0));
        const int centre = cell.left() + half;
        painter->fillRect(length >= 0 ? QRect(centre, cell.top(), length, cell.height())
                                      : QRect(centre + length, cell.top(), -length, cell.height()),
                          QColor(80, 80, 160));
        painter->fillRect(QRect(centre, cell.top() - 1, 1, cell.height() + 2), Qt::black);
    }
};

} // namespace

QAbstractItemDelegate *NewResidualDelegate(QObject *parent)
{
    return new ResidualDelegate(parent);
}

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

QAbstractItemDelegate *NewEntryDelegate(const TDataSeries *standards, QObject *parent)
{
    return new EntryDelegate(standards, parent);
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

void TBeerForm::UpdateUndo()
{
    // Enabled exactly when it would remove something: a standard's
    // concentration cell, or an unknown of the calculation grid.
    UndoBtn->setEnabled(CalcGridActive ? Session.CanUndoUnknown(beerCalcGrid->currentRow())
                                       : BeerMesureGrid->currentColumn() == 0
                                             && Session.CanUndoStandard(BeerMesureGrid->currentRow() - 2));
}

void TBeerForm::SelectCell(int row, int col, int previousRow, int previousCol)
{
    CalcGridActive = false;
    if (col == 0 && row > 1) {
        EntryRow = row;
        UpdateUndo();
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
    Oscillo->DrawPoint(static_cast<std::uint16_t>(i), Session.BeerGraph.Curve1);
    if (BeerMesureGrid->rowCount() < i + 4)
        BeerMesureGrid->setRowCount(i + 4);
    const BeerStandard &s = Session.Standards[std::size_t(i)];
    SetCell(BeerMesureGrid, i + 2, 0, Sig(s.Conc));
    SetCell(BeerMesureGrid, i + 2, 1, Abs(s.Abs));
    BeerMesureGrid->setCurrentCell(i + 3, 0);
}

void TBeerForm::FillMeasureGrid()
{
    const TDataSeries &d = Session.Data;
    const int n = d.Count();
    SetCell(BeerMesureGrid, 0, 0, FromCp(d.XAxis.Name));
    SetCell(BeerMesureGrid, 0, 1, FromCp(d.YAxis.Name));
    SetCell(BeerMesureGrid, 1, 0, FromCp(d.XAxis.Unit));
    SetCell(BeerMesureGrid, 1, 1, FromCp(d.YAxis.Unit));
    SetCell(BeerMesureGrid, 0, 2, QStringLiteral("Résidu"));
    SetCell(BeerMesureGrid, 1, 2, FromCp(d.YAxis.Unit));
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            BeerMesureGrid->item(r, c)->setFlags(Qt::ItemIsEnabled);
    // Each standard's residual from the line, while the line is shown.
    const std::vector<double> none;
    const std::vector<double> &residuals = Session.Stats ? Session.Stats->Residuals : none;
    double largest = 0;
    for (double r : residuals)
        if (r != MissingValue)
            largest = std::max(largest, std::fabs(r));
    if (BeerMesureGrid->rowCount() < n + 3)
        BeerMesureGrid->setRowCount(n + 5);
    for (int i = 0; i < n; ++i) {
        SetCell(BeerMesureGrid, i + 2, 0, Sig(d.X[std::size_t(i)]));
        SetCell(BeerMesureGrid, i + 2, 1, Abs(d.A[std::size_t(i)]));
        BeerMesureGrid->item(i + 2, 1)->setFlags(Qt::ItemIsEnabled);
        const bool has = std::size_t(i) < residuals.size() && residuals[std::size_t(i)] != MissingValue;
        // With the absorbances' three decimals: a residual of 1E-17 is 0,000.
        SetCell(BeerMesureGrid, i + 2, 2, has ? FromCp(FixedText(residuals[std::size_t(i)], 3)) : QString());
        QTableWidgetItem *cell = BeerMesureGrid->item(i + 2, 2);
        cell->setFlags(Qt::ItemIsEnabled);
        cell->setData(ResidualRole, has ? QVariant(residuals[std::size_t(i)]) : QVariant());
        cell->setData(LargestResidualRole, has ? QVariant(largest) : QVariant());
    }
    for (int r = n + 2; r < BeerMesureGrid->rowCount(); ++r) {
        SetCell(BeerMesureGrid, r, 0, QString());
        SetCell(BeerMesureGrid, r, 1, QString());
        SetCell(BeerMesureGrid, r, 2, QString());
        BeerMesureGrid->item(r, 1)->setFlags(Qt::ItemIsEnabled);
        BeerMesureGrid->item(r, 2)->setFlags(Qt::ItemIsEnabled);
        BeerMesureGrid->item(r, 2)->setData(ResidualRole, QVariant());
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
        const UnknownEstimate e = Session.Estimate(u);
        // An extrapolation, or a reading past the instrument's top, says so.
        SetCell(beerCalcGrid, j, 0,
                line ? FromCp(ValueWithUncertainty(e.C, e.U) + RangeMark(e.Range)) : QStringLiteral("?"));
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
                // Every character the number reader takes, its SI prefix
                // letters included; nothing typed is altered.
                const std::string cp = ToCp(QString(c));
                const bool allowed = cp.size() == 1 && TypedNumberCharacter(cp[0]);
                // Only the concentration column takes characters.
                if (!allowed || BeerMesureGrid->currentColumn() != 0 || BeerMesureGrid->currentRow() < 2)
                    return true;
            }
        }
    }
    return TModeForm::eventFilter(watched, e);
}

} // namespace vandoral

// The cells of the Beer-Lambert window's grids: number texts, cell writing,
// and the editor of a standard's cell.
#pragma once

#include <QString>

class QObject;
class QAbstractItemDelegate;
class QTableWidget;

namespace vandoral {

struct TDataSeries;

namespace beergrid {

// A concentration (3 significant digits) and an absorbance (the instrument's
// format), with the user's decimal separator.
QString Sig(double v);
QString Abs(double v);
void SetCell(QTableWidget *grid, int row, int col, const QString &text);
// The editor of a standard's cell starts from the full value, not from the
// three digits shown.
QAbstractItemDelegate *NewEntryDelegate(const TDataSeries *standards, QObject *parent);
// A residual's cell: its figure and a bar, left for a negative one, right
// for a positive one, as long as the residual against the largest.
QAbstractItemDelegate *NewResidualDelegate(QObject *parent);
// The roles a residual's cell keeps its value and the largest in.
constexpr int ResidualRole = 0x0100 + 1; // Qt::UserRole + 1
constexpr int LargestResidualRole = 0x0100 + 2;

} // namespace beergrid
} // namespace vandoral

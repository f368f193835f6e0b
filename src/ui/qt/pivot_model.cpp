#include "ui/qt/pivot_model.h"

#include "framework/forms/form.h"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

namespace cmp::ui {

namespace {

using CellKind = fw::DecisionGrid::CellKind;
using CellColor = fw::DecisionGrid::CellColor;

QVariant background(CellColor color)
{
    switch (color) {
    case CellColor::InfoBackground:
        return QGuiApplication::palette().color(QPalette::ToolTipBase);
    case CellColor::TotalGrey:
        return QColor(Qt::lightGray);
    case CellColor::Yellow:
        return QColor(Qt::yellow);
    case CellColor::Normal:
        break;
    }
    return {};
}

bool holdsValue(CellKind kind)
{
    return kind == CellKind::Data || kind == CellKind::RowTotal || kind == CellKind::ColumnTotal ||
           kind == CellKind::GrandTotal;
}

} // namespace

PivotModel::PivotModel(fw::DecisionGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), form_(&grid.Owner())
{
    rows_ = gridRows();
    cols_ = gridCols();
    selected_ = selectedIndex();
    observer_ =
        grid_.addObserver([this](fw::Control&, fw::Property property) { gridChanged(property); });
}

PivotModel::~PivotModel()
{
    if (fw::IsLiveForm(form_))
        grid_.removeObserver(observer_);
}

QModelIndex PivotModel::selectedIndex() const
{
    return grid_.Active() ? index(grid_.Row() - grid_.FixedRows(), grid_.Col() - grid_.FixedCols())
                          : QModelIndex();
}

bool PivotModel::select(const QModelIndex& index)
{
    return index.isValid() &&
           grid_.SelectCell(index.column() + grid_.FixedCols(), index.row() + grid_.FixedRows());
}

int PivotModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int PivotModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : cols_;
}

int PivotModel::gridRows() const
{
    return grid_.RowCount() - grid_.FixedRows();
}

int PivotModel::gridCols() const
{
    return grid_.ColCount() - grid_.FixedCols();
}

QVariant PivotModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    return cellData(index.column() + grid_.FixedCols(), index.row() + grid_.FixedRows(), role);
}

QVariant PivotModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const int count = orientation == Qt::Horizontal ? columnCount() : rowCount();
    if (section < 0 || section >= count)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return cellData(section + grid_.FixedCols(), 0, role);
    return cellData(0, section + grid_.FixedRows(), role);
}

QVariant PivotModel::cellData(int col, int row, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::BackgroundRole && role != Qt::TextAlignmentRole)
        return {};
    const fw::DecisionGrid::CellDraw& draw = drawn(col, row, role);
    switch (role) {
    case Qt::DisplayRole:
        return draw.text;
    case Qt::BackgroundRole:
        return background(draw.color);
    default:
        return holdsValue(draw.kind) ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    }
}

// A view paints a cell by asking for its text, colour and alignment in turn:
// one run of the draw hook serves them all. A role asked again is a new
// paint, which runs the hook again, since what it reads may have changed.
const fw::DecisionGrid::CellDraw& PivotModel::drawn(int col, int row, int role) const
{
    const int bit = role == Qt::DisplayRole ? 1 : role == Qt::BackgroundRole ? 2 : 4;
    if (col != drawn_.col || row != drawn_.row || (drawn_.roles & bit)) {
        // The hook takes the grid as its screen's own, so it is not const.
        drawn_ = {col, row, 0, grid_.DrawCell(col, row)};
    }
    drawn_.roles |= bit;
    return drawn_.draw;
}

void PivotModel::gridChanged(fw::Property property)
{
    drawn_ = {};
    if (property == fw::Property::Contents) {
        contentsChanged();
    } else if (property == fw::Property::Selection) {
        // The hook may paint the selected cell apart.
        refreshCell(selected_);
        selected_ = selectedIndex();
        refreshCell(selected_);
    }
}

// One cell written back repaints that cell and the totals it feeds; a
// rebuild of the same shape (a quantity typed into a cell) keeps the views'
// current cell; any other shape resets them.
void PivotModel::contentsChanged()
{
    const int rows = gridRows();
    const int cols = gridCols();
    const fw::DecisionGrid::Change& change = grid_.LastChange();
    if (rows == rows_ && cols == cols_ && !change.layout) {
        refreshCellAndTotals(change.col - grid_.FixedCols(), change.row - grid_.FixedRows());
    } else if (rows == rows_ && cols == cols_) {
        if (rows > 0 && cols > 0) {
            emit dataChanged(index(0, 0), index(rows - 1, cols - 1));
            emit headerDataChanged(Qt::Horizontal, 0, cols - 1);
            emit headerDataChanged(Qt::Vertical, 0, rows - 1);
        }
    } else {
        beginResetModel();
        rows_ = rows;
        cols_ = cols;
        endResetModel();
    }
    selected_ = selectedIndex();
}

// The totals sit in whichever row and column the grid lays them out.
void PivotModel::refreshCellAndTotals(int column, int row)
{
    int totalRow = -1;
    int totalCol = -1;
    for (int at : {0, rows_ - 1})
        if (grid_.IsTotalRow(at + grid_.FixedRows()))
            totalRow = at;
    for (int at : {0, cols_ - 1})
        if (grid_.IsTotalCol(at + grid_.FixedCols()))
            totalCol = at;
    refreshCell(index(row, column));
    if (totalCol >= 0) {
        refreshCell(index(row, totalCol));
        refreshCell(index(totalRow, totalCol));
    }
    if (totalRow >= 0)
        refreshCell(index(totalRow, column));
}

void PivotModel::refreshCell(const QModelIndex& index)
{
    if (index.isValid())
        emit dataChanged(index, index);
}

} // namespace cmp::ui

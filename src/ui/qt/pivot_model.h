#pragma once

#include "framework/forms/decision_grid.h"

#include <QAbstractTableModel>

namespace cmp::ui {

// The cross table of a decision grid: the grid's fixed row and column become
// the model's headers, so model cell (row, column) is grid cell
// (column + FixedCols, row + FixedRows). Texts and colours come from the
// grid's draw-cell hook; totals sit where the grid lays them out.
class PivotModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit PivotModel(fw::DecisionGrid& grid, QObject* parent = nullptr);
    ~PivotModel() override;

    fw::DecisionGrid& grid() const { return grid_; }
    // The model index of the grid's selected cell; invalid while it is empty.
    QModelIndex selectedIndex() const;
    // Selects the grid cell under a model index; false when the grid refused.
    bool select(const QModelIndex& index);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    int gridRows() const;
    int gridCols() const;
    QVariant cellData(int col, int row, int role) const;
    const fw::DecisionGrid::CellDraw& drawn(int col, int row, int role) const;
    void gridChanged(fw::Property property);
    void contentsChanged();
    void refreshCellAndTotals(int column, int row);
    void refreshCell(const QModelIndex& index);

    fw::DecisionGrid& grid_;
    const fw::Form* form_;
    int observer_ = -1;
    int rows_ = 0;
    int cols_ = 0;
    QPersistentModelIndex selected_;
    struct DrawnCell
    {
        int col = -1;
        int row = -1;
        int roles = 0; // the roles served from it so far, one bit each
        fw::DecisionGrid::CellDraw draw;
    };
    mutable DrawnCell drawn_;
};

} // namespace cmp::ui

#pragma once

#include "framework/forms/control.h"

#include <QVariant>

#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace cmp::fw {

class ClientDataSet;

enum class TotalPlacement
{
    Hidden,
    First,
    Last
};

// The cross table of the quantity matrices: one row per value of a row
// dimension, one column per value of a column dimension, the sum of a value
// field in each cell, a total per row and per column and a grand total.
//
// Grid coordinates include one fixed row (column headers) and one fixed
// column (row labels) once the grid holds data; a cell without any record
// shows nothing, a cell whose records hold 0 shows 0.
//
// Cells are also reached by their row and column values, in constant time,
// so an edited cell is written back without a rebuild. Totals are kept in
// millionths, so after any sequence of changes they equal those of a fresh
// build from the same records.
class DecisionGrid : public Control
{
public:
    enum class CellKind
    {
        Corner,
        ColumnLabel,
        RowLabel,
        TotalLabel,
        Data,
        RowTotal,    // in the total column
        ColumnTotal, // in the total row
        GrandTotal
    };
    enum class CellColor
    {
        Normal,
        InfoBackground, // data cells by default
        TotalGrey,
        Yellow
    };
    struct CellDraw
    {
        QString text;
        CellColor color = CellColor::Normal;
        CellKind kind = CellKind::Corner;
        bool selected = false;
    };
    using DrawCellEvent = std::function<void(DecisionGrid&, int col, int row, CellDraw&)>;

    DecisionGrid(Form& form, QString name);
    ~DecisionGrid() override;

    // Builds the table from every visible record of the set, without moving
    // it. A record with a null value places its row and column but adds no
    // data. Sorting the dimension values makes this O(n log n).
    void Build(const ClientDataSet& dataSet, const QString& rowField, const QString& colField,
               const QString& valueField);
    void Clear();
    bool Active() const;

    // Sparse rows and columns hide those without any data.
    bool SparseRows() const;
    void SetSparseRows(bool sparse);
    bool SparseCols() const;
    void SetSparseCols(bool sparse);
    TotalPlacement RowTotals() const;
    void SetRowTotals(TotalPlacement placement);
    TotalPlacement ColTotals() const;
    void SetColTotals(TotalPlacement placement);

    int FixedRows() const { return Active() ? 1 : 0; }
    int FixedCols() const { return Active() ? 1 : 0; }
    int RowCount() const;
    int ColCount() const;

    CellKind Kind(int col, int row) const;
    bool IsTotalRow(int row) const;
    bool IsTotalCol(int col) const;
    // Dimension value of a data row or column; null for totals and fixed cells.
    QVariant RowValue(int row) const;
    QVariant ColValue(int col) const;
    // Header texts: the value as text (dates "dd/mm/yyyy"), "Sum" for totals.
    QString RowLabel(int row) const;
    QString ColLabel(int col) const;
    // The sum in a data or total cell; empty when no record holds a value.
    std::optional<double> Value(int col, int row) const;
    // The grid's own text of a cell, before the draw hook.
    QString CellText(int col, int row) const;
    // Text and colour of a cell after the draw hook.
    CellDraw DrawCell(int col, int row);

    int Col() const { return col_; }
    int Row() const { return row_; }
    // Selects a non-fixed cell; false (nothing changes) for any other.
    bool SelectCell(int col, int row);

    // --- cells by their row and column values ------------------------------------
    // Empties the cell (nullopt) or replaces its value: what writing an edited
    // record back does. Totals follow; a row or column that gets its first
    // data appears in its place, one left without data hides under sparse
    // rows or columns, and the selection stays on the same row and column
    // values. Constant time unless a row or column appears or hides.
    void SetValue(const QVariant& rowValue, const QVariant& colValue, std::optional<double> value);
    // Adds to the cell's sum, as one more record would.
    void AddValue(const QVariant& rowValue, const QVariant& colValue, double amount);
    // The cell's sum; empty when no record holds a value or there is no such cell.
    std::optional<double> ValueAt(const QVariant& rowValue, const QVariant& colValue) const;
    // The grid row or column showing a value; -1 when none does.
    int RowOf(const QVariant& rowValue) const;
    int ColOf(const QVariant& colValue) const;
    // Selects the cell of those values; false when it is not shown.
    bool SelectValues(const QVariant& rowValue, const QVariant& colValue);

    // A data cell's own colour, in place of the default background; the draw
    // hook sees it and may still change it. Kept across value changes; false
    // when the grid has no such row or column value.
    bool SetCellColor(const QVariant& rowValue, const QVariant& colValue, CellColor color);
    void ClearCellColors();

    // What the last change of contents touched, so that a view repaints only
    // that: one cell (its row's and column's totals and the grand total
    // with it), or the whole layout.
    struct Change
    {
        bool layout = true;
        int col = -1;
        int row = -1;
    };
    const Change& LastChange() const { return lastChange_; }

    QString RowCaption;
    QString ColCaption;
    QString ValueFormat = "##0.000";
    int FixedColWidth = 64;
    int DefaultColWidth = 100;
    int DefaultRowHeight = 17;
    DrawCellEvent OnDrawCell;

    // Arrow keys move the selection inside the non-fixed cells.
    void keyDownDefault(Key& key, Shift shift) override;

protected:
    bool focusable() const override { return true; }

private:
    class Axis;
    class CellTable;

    int rowId(int row) const;
    int colId(int col) const;
    void placeValue(int rowId, int colId, std::optional<double> value, bool add);
    void relayOut(bool keepSelection);
    void announceCell(int rowId, int colId);

    std::unique_ptr<Axis> rows_;
    std::unique_ptr<Axis> cols_;
    std::unique_ptr<CellTable> cells_;
    qint64 grandTotal_ = 0; // millionths
    int col_ = 0;
    int row_ = 0;
    Change lastChange_;
};

} // namespace cmp::fw

#pragma once

#include "framework/forms/control.h"

#include <QVariant>

#include <functional>
#include <map>
#include <optional>
#include <utility>
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

    // Builds the table from every visible record of the set, without moving
    // it. A record with a null value places its row and column but adds no
    // data. Sorting the dimension values makes this O(n log n).
    void Build(const ClientDataSet& dataSet, const QString& rowField, const QString& colField,
               const QString& valueField);
    void Clear();
    bool Active() const { return !rows_.keys.empty(); }

    // Sparse rows and columns hide those without any data.
    bool SparseRows() const { return rows_.sparse; }
    void SetSparseRows(bool sparse);
    bool SparseCols() const { return cols_.sparse; }
    void SetSparseCols(bool sparse);
    TotalPlacement RowTotals() const { return rows_.totals; }
    void SetRowTotals(TotalPlacement placement);
    TotalPlacement ColTotals() const { return cols_.totals; }
    void SetColTotals(TotalPlacement placement);

    int FixedRows() const { return Active() ? 1 : 0; }
    int FixedCols() const { return Active() ? 1 : 0; }
    int RowCount() const { return FixedRows() + rows_.slotCount(); }
    int ColCount() const { return FixedCols() + cols_.slotCount(); }

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
    // One dimension: its sorted values, what is shown, and its totals.
    struct Axis
    {
        std::vector<QVariant> keys;
        std::vector<bool> hasData;
        std::vector<double> sums;
        std::vector<int> shown; // indexes into keys
        bool sparse = false;
        TotalPlacement totals = TotalPlacement::Last;

        struct Slot
        {
            bool valid = false;
            bool total = false;
            int key = -1;
        };
        void reset(std::vector<QVariant> sortedKeys);
        void layOut();
        int slotCount() const;
        Slot slotAt(int index) const; // index past the fixed cells
        QString label(int index) const;
    };

    Axis::Slot rowSlot(int row) const { return rows_.slotAt(row - FixedRows()); }
    Axis::Slot colSlot(int col) const { return cols_.slotAt(col - FixedCols()); }
    void relayOut();
    void addValue(int row, int col, double value);

    Axis rows_;
    Axis cols_;
    std::map<std::pair<int, int>, double> cells_; // (row key, col key) -> sum
    double grandTotal_ = 0;
    int col_ = 0;
    int row_ = 0;
};

} // namespace cmp::fw

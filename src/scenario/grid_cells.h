#pragma once

#include <QString>

namespace cmp::fw {
class Control;
class DBGrid;
class DecisionGrid;
} // namespace cmp::fw

namespace cmp::scenario {

// A cell in the coordinates its grid uses: for a data grid the record index
// from 0 and the visible column; for the cross table its grid row and column.
struct GridCell
{
    int row = 0;
    int column = 0;
};

// A data grid's row is its record number from 1, or "COLUMN=TEXT": the first
// record whose cell in that column shows the text. A data grid's cell: that
// row and a column named by its field, its title or its number from 1. A
// cross-table cell: its row and column labels ("Sum" for totals), or the
// texts the screen draws on them. Each fails when there is no such row or cell.
// The record index, from 0, of a data grid's row.
int findRecord(const fw::DBGrid& grid, const QString& row);
GridCell findCell(const fw::DBGrid& grid, const QString& row, const QString& column);
GridCell findCell(fw::DecisionGrid& grid, const QString& row, const QString& column);

// How many records a data grid shows, or how many data rows a cross table has.
int gridRowCount(const fw::Control& grid);

} // namespace cmp::scenario

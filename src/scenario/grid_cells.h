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

// A data grid's cell: the record number from 1 and a column named by its
// field, its title or its number from 1. A cross-table cell: its row and
// column labels ("Sum" for totals). Each fails when there is no such cell.
// The record index of a data grid's row, numbered from 1.
int findRecord(const fw::DBGrid& grid, const QString& row);
GridCell findCell(const fw::DBGrid& grid, const QString& row, const QString& column);
GridCell findCell(const fw::DecisionGrid& grid, const QString& row, const QString& column);

// How many records a data grid shows, or how many data rows a cross table has.
int gridRowCount(const fw::Control& grid);

} // namespace cmp::scenario

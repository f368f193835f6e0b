#include "scenario/grid_cells.h"

#include "framework/forms/data_controls.h"
#include "framework/forms/decision_grid.h"
#include "scenario/runner.h"

namespace cmp::scenario {

namespace {

int columnIndex(const fw::DBGrid& grid, const QString& column)
{
    const auto columns = grid.VisibleColumns();
    for (size_t at = 0; at < columns.size(); ++at)
        if (columns[at].FieldName.compare(column, Qt::CaseInsensitive) == 0 ||
            grid.ColumnTitle(columns[at]) == column)
            return static_cast<int>(at);
    bool ok = false;
    const int number = column.toInt(&ok);
    if (ok && number >= 1 && number <= static_cast<int>(columns.size()))
        return number - 1;
    fail(QStringLiteral("%1 has no column %2").arg(grid.Name(), column));
}

int recordShowing(const fw::DBGrid& grid, const QString& column, const QString& text)
{
    const int at = columnIndex(grid, column);
    for (int record = 0; record < grid.RowCount(); ++record)
        if (grid.CellText(record, at) == text)
            return record;
    fail(QStringLiteral("%1 has no row whose %2 shows \"%3\"").arg(grid.Name(), column, text));
}

template <class Matches> int header(int first, int count, Matches matches, const QString& what)
{
    for (int at = first; at < count; ++at)
        if (matches(at))
            return at;
    fail(what);
}

} // namespace

int findRecord(const fw::DBGrid& grid, const QString& row)
{
    if (const qsizetype equals = row.indexOf(u'='); equals > 0)
        return recordShowing(grid, row.left(equals), row.mid(equals + 1));
    bool ok = false;
    const int recNo = row.toInt(&ok);
    if (!ok || recNo < 1 || recNo > grid.RowCount())
        fail(QStringLiteral("%1 has no row %2 (it has %3)")
                 .arg(grid.Name(), row)
                 .arg(grid.RowCount()));
    return recNo - 1;
}

GridCell findCell(const fw::DBGrid& grid, const QString& row, const QString& column)
{
    return {findRecord(grid, row), columnIndex(grid, column)};
}

// A header is named by its own label or by the text the screen draws on it,
// which may hide part of the label (a product's code) or rename "Sum".
GridCell findCell(fw::DecisionGrid& grid, const QString& row, const QString& column)
{
    const int r = header(
        grid.FixedRows(), grid.RowCount(),
        [&](int at) { return grid.RowLabel(at) == row || grid.DrawCell(0, at).text == row; },
        QStringLiteral("%1 has no row %2").arg(grid.Name(), row));
    const int c = header(
        grid.FixedCols(), grid.ColCount(),
        [&](int at) { return grid.ColLabel(at) == column || grid.DrawCell(at, 0).text == column; },
        QStringLiteral("%1 has no column %2").arg(grid.Name(), column));
    return {r, c};
}

int gridRowCount(const fw::Control& grid)
{
    if (const auto* data = dynamic_cast<const fw::DBGrid*>(&grid))
        return data->RowCount();
    if (const auto* cross = dynamic_cast<const fw::DecisionGrid*>(&grid)) {
        int rows = 0;
        for (int at = cross->FixedRows(); at < cross->RowCount(); ++at)
            rows += cross->RowValue(at).isValid() ? 1 : 0;
        return rows;
    }
    fail(QStringLiteral("%1 is not a grid").arg(grid.Name()));
}

} // namespace cmp::scenario

#include "framework/forms/decision_grid.h"

#include "framework/core/formats.h"
#include "framework/data/client_dataset.h"

#include <QDateTime>

#include <algorithm>

namespace cmp::fw {

namespace {

const QString totalLabel = QStringLiteral("Sum");

bool isMoment(const QVariant& value)
{
    const int type = value.typeId();
    return type == QMetaType::QDate || type == QMetaType::QDateTime;
}

bool isNumber(const QVariant& value)
{
    const int type = value.typeId();
    return type == QMetaType::Double || type == QMetaType::Int || type == QMetaType::LongLong;
}

// One dimension holds values of one field: dates by date, numbers by value,
// anything else by its text; nulls first.
bool keyLess(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && !b.isNull();
    if (isMoment(a) && isMoment(b))
        return a.toDateTime() < b.toDateTime();
    if (isNumber(a) && isNumber(b))
        return a.toDouble() < b.toDouble();
    return QString::localeAwareCompare(a.toString(), b.toString()) < 0;
}

std::vector<QVariant> sortedUnique(std::vector<QVariant> values)
{
    std::sort(values.begin(), values.end(), keyLess);
    values.erase(std::unique(values.begin(), values.end(),
                             [](const QVariant& a, const QVariant& b) {
                                 return !keyLess(a, b) && !keyLess(b, a);
                             }),
                 values.end());
    return values;
}

int keyIndex(const std::vector<QVariant>& keys, const QVariant& value)
{
    return static_cast<int>(std::lower_bound(keys.begin(), keys.end(), value, keyLess) -
                            keys.begin());
}

QString keyText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDateTime)
        return FormatDate(value.toDateTime().date());
    if (value.typeId() == QMetaType::QDate)
        return FormatDate(value.toDate());
    return value.toString();
}

} // namespace

void DecisionGrid::Axis::reset(std::vector<QVariant> sortedKeys)
{
    keys = std::move(sortedKeys);
    hasData.assign(keys.size(), false);
    sums.assign(keys.size(), 0.0);
    layOut();
}

void DecisionGrid::Axis::layOut()
{
    shown.clear();
    for (size_t i = 0; i < keys.size(); ++i)
        if (!sparse || hasData[i])
            shown.push_back(static_cast<int>(i));
}

int DecisionGrid::Axis::slotCount() const
{
    const int count = static_cast<int>(shown.size());
    return count + (count > 0 && totals != TotalPlacement::Hidden ? 1 : 0);
}

DecisionGrid::Axis::Slot DecisionGrid::Axis::slotAt(int index) const
{
    if (index < 0 || index >= slotCount())
        return {};
    if (totals == TotalPlacement::First)
        return index == 0 ? Slot{true, true, -1} : Slot{true, false, shown[size_t(index - 1)]};
    if (index == static_cast<int>(shown.size()))
        return {true, true, -1};
    return {true, false, shown[static_cast<size_t>(index)]};
}

QString DecisionGrid::Axis::label(int index) const
{
    const Slot slot = slotAt(index);
    if (!slot.valid)
        return {};
    return slot.total ? totalLabel : keyText(keys[static_cast<size_t>(slot.key)]);
}

DecisionGrid::DecisionGrid(Form& form, QString name) : Control(form, std::move(name)) {}

void DecisionGrid::Build(const ClientDataSet& dataSet, const QString& rowField,
                         const QString& colField, const QString& valueField)
{
    const Field& rowDim = dataSet.FieldByName(rowField);
    const Field& colDim = dataSet.FieldByName(colField);
    const Field& value = dataSet.FieldByName(valueField);
    const int count = dataSet.Active() ? dataSet.RecordCount() : 0;
    std::vector<QVariant> rowValues, colValues;
    rowValues.reserve(static_cast<size_t>(count));
    colValues.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        rowValues.push_back(dataSet.ValueAt(i, rowDim));
        colValues.push_back(dataSet.ValueAt(i, colDim));
    }
    rows_.reset(sortedUnique(rowValues));
    cols_.reset(sortedUnique(colValues));
    cells_.clear();
    grandTotal_ = 0;
    for (int i = 0; i < count; ++i) {
        const QVariant amount = dataSet.ValueAt(i, value);
        if (!amount.isNull())
            addValue(keyIndex(rows_.keys, rowValues[size_t(i)]),
                     keyIndex(cols_.keys, colValues[size_t(i)]), amount.toDouble());
    }
    relayOut();
    SelectCell(FixedCols(), FixedRows());
}

void DecisionGrid::addValue(int row, int col, double value)
{
    cells_[{row, col}] += value;
    rows_.hasData[size_t(row)] = true;
    rows_.sums[size_t(row)] += value;
    cols_.hasData[size_t(col)] = true;
    cols_.sums[size_t(col)] += value;
    grandTotal_ += value;
}

void DecisionGrid::Clear()
{
    rows_.reset({});
    cols_.reset({});
    cells_.clear();
    grandTotal_ = 0;
    relayOut();
}

void DecisionGrid::relayOut()
{
    rows_.layOut();
    cols_.layOut();
    col_ = std::clamp(col_, FixedCols(), std::max(ColCount() - 1, FixedCols()));
    row_ = std::clamp(row_, FixedRows(), std::max(RowCount() - 1, FixedRows()));
    changed(Property::Contents);
}

void DecisionGrid::SetSparseRows(bool sparse)
{
    rows_.sparse = sparse;
    relayOut();
}

void DecisionGrid::SetSparseCols(bool sparse)
{
    cols_.sparse = sparse;
    relayOut();
}

void DecisionGrid::SetRowTotals(TotalPlacement placement)
{
    rows_.totals = placement;
    relayOut();
}

void DecisionGrid::SetColTotals(TotalPlacement placement)
{
    cols_.totals = placement;
    relayOut();
}

DecisionGrid::CellKind DecisionGrid::Kind(int col, int row) const
{
    const bool fixedRow = row < FixedRows();
    const bool fixedCol = col < FixedCols();
    if (fixedRow && fixedCol)
        return CellKind::Corner;
    if (fixedRow)
        return IsTotalCol(col) ? CellKind::TotalLabel : CellKind::ColumnLabel;
    if (fixedCol)
        return IsTotalRow(row) ? CellKind::TotalLabel : CellKind::RowLabel;
    if (IsTotalRow(row))
        return IsTotalCol(col) ? CellKind::GrandTotal : CellKind::ColumnTotal;
    return IsTotalCol(col) ? CellKind::RowTotal : CellKind::Data;
}

bool DecisionGrid::IsTotalRow(int row) const
{
    return rowSlot(row).total;
}

bool DecisionGrid::IsTotalCol(int col) const
{
    return colSlot(col).total;
}

QVariant DecisionGrid::RowValue(int row) const
{
    const Axis::Slot slot = rowSlot(row);
    return slot.valid && !slot.total ? rows_.keys[size_t(slot.key)] : QVariant();
}

QVariant DecisionGrid::ColValue(int col) const
{
    const Axis::Slot slot = colSlot(col);
    return slot.valid && !slot.total ? cols_.keys[size_t(slot.key)] : QVariant();
}

QString DecisionGrid::RowLabel(int row) const
{
    return rows_.label(row - FixedRows());
}

QString DecisionGrid::ColLabel(int col) const
{
    return cols_.label(col - FixedCols());
}

std::optional<double> DecisionGrid::Value(int col, int row) const
{
    const Axis::Slot r = rowSlot(row);
    const Axis::Slot c = colSlot(col);
    if (!r.valid || !c.valid)
        return std::nullopt;
    if (r.total && c.total)
        return cells_.empty() ? std::nullopt : std::optional(grandTotal_);
    if (r.total)
        return cols_.hasData[size_t(c.key)] ? std::optional(cols_.sums[size_t(c.key)])
                                            : std::nullopt;
    if (c.total)
        return rows_.hasData[size_t(r.key)] ? std::optional(rows_.sums[size_t(r.key)])
                                            : std::nullopt;
    const auto cell = cells_.find({r.key, c.key});
    return cell == cells_.end() ? std::nullopt : std::optional(cell->second);
}

QString DecisionGrid::CellText(int col, int row) const
{
    switch (Kind(col, row)) {
    case CellKind::Corner:
        return RowCaption;
    case CellKind::ColumnLabel:
    case CellKind::TotalLabel:
        return row < FixedRows() ? ColLabel(col) : RowLabel(row);
    case CellKind::RowLabel:
        return RowLabel(row);
    default: {
        const std::optional<double> value = Value(col, row);
        return value ? FormatFloat(ValueFormat, *value) : QString();
    }
    }
}

DecisionGrid::CellDraw DecisionGrid::DrawCell(int col, int row)
{
    CellDraw draw;
    draw.kind = Kind(col, row);
    draw.text = CellText(col, row);
    draw.selected = col == col_ && row == row_ && Active();
    if (draw.kind == CellKind::Data)
        draw.color = CellColor::InfoBackground;
    else if (draw.kind == CellKind::RowTotal || draw.kind == CellKind::ColumnTotal ||
             draw.kind == CellKind::GrandTotal)
        draw.color = CellColor::TotalGrey;
    if (OnDrawCell)
        OnDrawCell(*this, col, row, draw);
    return draw;
}

bool DecisionGrid::SelectCell(int col, int row)
{
    if (!Active() || col < FixedCols() || row < FixedRows() || col >= ColCount() ||
        row >= RowCount())
        return false;
    if (col != col_ || row != row_) {
        col_ = col;
        row_ = row;
        changed(Property::Selection);
    }
    return true;
}

void DecisionGrid::keyDownDefault(Key& key, Shift shift)
{
    switch (key) {
    case Qt::Key_Up:
        SelectCell(col_, row_ - 1);
        break;
    case Qt::Key_Down:
        SelectCell(col_, row_ + 1);
        break;
    case Qt::Key_Left:
        SelectCell(col_ - 1, row_);
        break;
    case Qt::Key_Right:
        SelectCell(col_ + 1, row_);
        break;
    case Qt::Key_Home:
        SelectCell(FixedCols(), row_);
        break;
    case Qt::Key_End:
        SelectCell(ColCount() - 1, row_);
        break;
    default:
        Control::keyDownDefault(key, shift);
        return;
    }
    key = 0;
}

} // namespace cmp::fw

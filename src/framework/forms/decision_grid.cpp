#include "framework/forms/decision_grid.h"

#include "framework/core/formats.h"
#include "framework/data/client_dataset.h"

#include <QCollator>
#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace cmp::fw {

namespace {

const QString totalLabel = QStringLiteral("Sum");

// Totals are whole millionths: exact, whatever order the changes come in.
qint64 scaled(double value)
{
    return std::llround(value * 1e6);
}

enum class KeyKind
{
    Null,
    Moment,
    Number,
    Text
};

KeyKind kindOf(const QVariant& value)
{
    if (value.isNull())
        return KeyKind::Null;
    switch (value.typeId()) {
    case QMetaType::QDate:
    case QMetaType::QDateTime:
        return KeyKind::Moment;
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::LongLong:
        return KeyKind::Number;
    default:
        return KeyKind::Text;
    }
}

// Wall-clock milliseconds: a date is its midnight, with no time zone lookup.
qint64 momentOf(const QVariant& value)
{
    constexpr qint64 msPerDay = 86'400'000;
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toJulianDay() * msPerDay;
    const QDateTime moment = value.toDateTime();
    return moment.date().toJulianDay() * msPerDay + moment.time().msecsSinceStartOfDay();
}

// One dimension holds values of one field: dates by date, numbers by value,
// anything else by its text; nulls first.
struct KeyHash
{
    size_t operator()(const QVariant& value) const
    {
        switch (kindOf(value)) {
        case KeyKind::Null:
            return 0;
        case KeyKind::Moment:
            return qHash(momentOf(value));
        case KeyKind::Number:
            return qHash(value.toDouble());
        case KeyKind::Text:
            break;
        }
        return qHash(value.toString());
    }
};

struct KeyEqual
{
    bool operator()(const QVariant& a, const QVariant& b) const
    {
        const KeyKind kind = kindOf(a);
        if (kind != kindOf(b))
            return false;
        switch (kind) {
        case KeyKind::Null:
            return true;
        case KeyKind::Moment:
            return momentOf(a) == momentOf(b);
        case KeyKind::Number:
            return a.toDouble() == b.toDouble();
        case KeyKind::Text:
            break;
        }
        return a.toString() == b.toString();
    }
};

QString keyText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDateTime)
        return FormatDate(value.toDateTime().date());
    if (value.typeId() == QMetaType::QDate)
        return FormatDate(value.toDate());
    return value.toString();
}

} // namespace

// One dimension. Each value gets an id when first seen, which it keeps;
// `order` lists the ids by value, `shown` those on the grid.
class DecisionGrid::Axis
{
public:
    struct Slot
    {
        bool valid = false;
        bool total = false;
        int id = -1;
    };

    bool sparse = false;
    TotalPlacement totals = TotalPlacement::Last;

    void clear()
    {
        values_.clear();
        ids_.clear();
        cells_.clear();
        sums_.clear();
        order_.clear();
        shown_.clear();
        shownAt_.clear();
    }
    bool empty() const { return values_.empty(); }
    const QVariant& value(int id) const { return values_[size_t(id)]; }
    bool hasData(int id) const { return cells_[size_t(id)] > 0; }
    qint64 sum(int id) const { return sums_[size_t(id)]; }

    int find(const QVariant& value) const
    {
        const auto found = ids_.find(value);
        return found == ids_.end() ? -1 : found->second;
    }
    // The value's id; a new value goes to its place in the order unless the
    // caller sorts everything at once afterwards.
    int idOf(const QVariant& value, bool placeInOrder)
    {
        const auto [at, added] = ids_.try_emplace(value, int(values_.size()));
        if (added) {
            values_.push_back(value);
            cells_.push_back(0);
            sums_.push_back(0);
            if (placeInOrder)
                order_.insert(std::lower_bound(order_.begin(), order_.end(), at->second,
                                               [this](int a, int b) { return less(a, b); }),
                              at->second);
        }
        return at->second;
    }
    // Orders every value at once: text values by their collation keys.
    void sortAll()
    {
        order_.resize(values_.size());
        for (size_t id = 0; id < order_.size(); ++id)
            order_[id] = int(id);
        std::vector<QCollatorSortKey> keys;
        keys.reserve(values_.size());
        for (const QVariant& value : values_)
            keys.push_back(
                collator().sortKey(kindOf(value) == KeyKind::Text ? value.toString() : QString()));
        std::sort(order_.begin(), order_.end(), [&](int a, int b) {
            const KeyKind ka = kindOf(values_[size_t(a)]);
            const KeyKind kb = kindOf(values_[size_t(b)]);
            if (ka == KeyKind::Text && kb == KeyKind::Text)
                return keys[size_t(a)].compare(keys[size_t(b)]) < 0;
            return less(a, b);
        });
    }
    // A cell of this value gained (+1) or lost (-1) its data. True when that
    // shows or hides the value.
    bool count(int id, int change, qint64 amount)
    {
        const bool had = hasData(id);
        cells_[size_t(id)] += change;
        sums_[size_t(id)] += amount;
        return sparse && had != hasData(id);
    }
    void addToSum(int id, qint64 amount) { sums_[size_t(id)] += amount; }

    void layOut()
    {
        shown_.clear();
        shownAt_.assign(values_.size(), -1);
        for (int id : order_)
            if (!sparse || hasData(id)) {
                shownAt_[size_t(id)] = int(shown_.size());
                shown_.push_back(id);
            }
    }
    int slotCount() const
    {
        const int count = int(shown_.size());
        return count + (count > 0 && totals != TotalPlacement::Hidden ? 1 : 0);
    }
    // index past the fixed cells
    Slot slotAt(int index) const
    {
        if (index < 0 || index >= slotCount())
            return {};
        if (totals == TotalPlacement::First)
            return index == 0 ? Slot{true, true, -1} : Slot{true, false, shown_[size_t(index - 1)]};
        if (index == int(shown_.size()))
            return {true, true, -1};
        return {true, false, shown_[size_t(index)]};
    }
    // Where a slot is now: the same value, or the total; -1 when hidden.
    int indexOf(const Slot& slot) const
    {
        if (!slot.valid)
            return -1;
        const int offset = totals == TotalPlacement::First ? 1 : 0;
        if (slot.total)
            return totals == TotalPlacement::Hidden || shown_.empty()
                       ? -1
                       : (totals == TotalPlacement::First ? 0 : int(shown_.size()));
        const int at = slot.id < int(shownAt_.size()) ? shownAt_[size_t(slot.id)] : -1;
        return at < 0 ? -1 : at + offset;
    }
    QString label(int index) const
    {
        const Slot slot = slotAt(index);
        if (!slot.valid)
            return {};
        return slot.total ? totalLabel : keyText(value(slot.id));
    }

private:
    static QCollator& collator()
    {
        static QCollator instance;
        return instance;
    }
    bool less(int a, int b) const
    {
        const QVariant& x = values_[size_t(a)];
        const QVariant& y = values_[size_t(b)];
        const KeyKind kx = kindOf(x);
        const KeyKind ky = kindOf(y);
        if (kx == KeyKind::Null || ky == KeyKind::Null)
            return kx == KeyKind::Null && ky != KeyKind::Null;
        if (kx == KeyKind::Moment && ky == KeyKind::Moment)
            return momentOf(x) < momentOf(y);
        if (kx == KeyKind::Number && ky == KeyKind::Number)
            return x.toDouble() < y.toDouble();
        return collator().compare(x.toString(), y.toString()) < 0;
    }

    std::vector<QVariant> values_; // by id
    std::unordered_map<QVariant, int, KeyHash, KeyEqual> ids_;
    std::vector<int> cells_;   // by id: cells holding data
    std::vector<qint64> sums_; // by id, millionths
    std::vector<int> order_;   // ids by value
    std::vector<int> shown_;   // ids on the grid, in order
    std::vector<int> shownAt_; // by id: index in shown_, -1 when hidden
};

// The cells by (row id, column id): open addressing with linear probing, one
// flat array, so a matrix of a hundred thousand cells costs a few megabytes
// and each lookup a hash and a probe or two. Cells are never removed; an
// emptied one keeps its colour.
class DecisionGrid::CellTable
{
public:
    static constexpr std::int8_t noColor = -1;
    struct Cell
    {
        quint64 key = empty;
        double value = 0;
        bool hasValue = false;
        std::int8_t color = noColor;
    };

    void clear()
    {
        cells_.assign(minimumCapacity, Cell{});
        used_ = 0;
        valued_ = 0;
    }
    void reserve(size_t count)
    {
        size_t capacity = minimumCapacity;
        while (capacity < count * 2)
            capacity *= 2;
        if (capacity > cells_.size())
            rehash(capacity);
    }
    const Cell* find(int rowId, int colId) const
    {
        if (rowId < 0 || colId < 0 || cells_.empty())
            return nullptr;
        const quint64 key = keyOf(rowId, colId);
        for (size_t at = slotOf(key);; at = (at + 1) & mask()) {
            if (cells_[at].key == key)
                return &cells_[at];
            if (cells_[at].key == empty)
                return nullptr;
        }
    }
    Cell& get(int rowId, int colId)
    {
        if ((used_ + 1) * 2 > cells_.size())
            rehash(std::max(cells_.size() * 2, minimumCapacity));
        const quint64 key = keyOf(rowId, colId);
        size_t at = slotOf(key);
        while (cells_[at].key != key && cells_[at].key != empty)
            at = (at + 1) & mask();
        if (cells_[at].key == empty) {
            cells_[at].key = key;
            ++used_;
        }
        return cells_[at];
    }
    void noteValued(bool hadValue, bool hasValue) { valued_ += int(hasValue) - int(hadValue); }
    bool anyValue() const { return valued_ > 0; }
    template <class F> void forEach(F&& visit)
    {
        for (Cell& cell : cells_)
            if (cell.key != empty)
                visit(int(cell.key >> 32), int(cell.key & 0xffffffffu), cell);
    }

private:
    static constexpr quint64 empty = ~quint64(0);
    static constexpr size_t minimumCapacity = 16;

    static quint64 keyOf(int rowId, int colId) { return quint64(rowId) << 32 | quint32(colId); }
    size_t mask() const { return cells_.size() - 1; }
    size_t slotOf(quint64 key) const
    {
        return size_t((key * 0x9E3779B97F4A7C15ull) >> 20) & mask();
    }
    void rehash(size_t capacity)
    {
        std::vector<Cell> old = std::move(cells_);
        cells_.assign(capacity, Cell{});
        for (const Cell& cell : old)
            if (cell.key != empty) {
                size_t at = slotOf(cell.key);
                while (cells_[at].key != empty)
                    at = (at + 1) & mask();
                cells_[at] = cell;
            }
    }

    std::vector<Cell> cells_;
    size_t used_ = 0;
    int valued_ = 0;
};

DecisionGrid::DecisionGrid(Form& form, QString name)
    : Control(form, std::move(name)), rows_(std::make_unique<Axis>()),
      cols_(std::make_unique<Axis>()), cells_(std::make_unique<CellTable>())
{
    cells_->clear();
}

DecisionGrid::~DecisionGrid() = default;

bool DecisionGrid::Active() const
{
    return !rows_->empty();
}

bool DecisionGrid::SparseRows() const
{
    return rows_->sparse;
}

bool DecisionGrid::SparseCols() const
{
    return cols_->sparse;
}

TotalPlacement DecisionGrid::RowTotals() const
{
    return rows_->totals;
}

TotalPlacement DecisionGrid::ColTotals() const
{
    return cols_->totals;
}

int DecisionGrid::RowCount() const
{
    return FixedRows() + rows_->slotCount();
}

int DecisionGrid::ColCount() const
{
    return FixedCols() + cols_->slotCount();
}

void DecisionGrid::Build(const ClientDataSet& dataSet, const QString& rowField,
                         const QString& colField, const QString& valueField)
{
    const Field& rowDim = dataSet.FieldByName(rowField);
    const Field& colDim = dataSet.FieldByName(colField);
    const Field& value = dataSet.FieldByName(valueField);
    const int count = dataSet.Active() ? dataSet.RecordCount() : 0;
    rows_->clear();
    cols_->clear();
    cells_->clear();
    cells_->reserve(size_t(count));
    grandTotal_ = 0;
    // Cells first, then totals from the finished cells: a cell of several
    // records adds to its totals once, rounded as an update would round it.
    for (int i = 0; i < count; ++i) {
        const int row = rows_->idOf(dataSet.ValueAt(i, rowDim), false);
        const int col = cols_->idOf(dataSet.ValueAt(i, colDim), false);
        const QVariant amount = dataSet.ValueAt(i, value);
        if (amount.isNull())
            continue;
        CellTable::Cell& cell = cells_->get(row, col);
        cells_->noteValued(cell.hasValue, true);
        cell.value += amount.toDouble();
        cell.hasValue = true;
    }
    cells_->forEach([this](int row, int col, CellTable::Cell& cell) {
        const qint64 amount = scaled(cell.value);
        rows_->count(row, +1, amount);
        cols_->count(col, +1, amount);
        grandTotal_ += amount;
    });
    rows_->sortAll();
    cols_->sortAll();
    relayOut(false);
    SelectCell(FixedCols(), FixedRows());
}

void DecisionGrid::Clear()
{
    rows_->clear();
    cols_->clear();
    cells_->clear();
    grandTotal_ = 0;
    relayOut(false);
}

void DecisionGrid::SetValue(const QVariant& rowValue, const QVariant& colValue,
                            std::optional<double> value)
{
    placeValue(rows_->idOf(rowValue, true), cols_->idOf(colValue, true), value, false);
}

void DecisionGrid::AddValue(const QVariant& rowValue, const QVariant& colValue, double amount)
{
    placeValue(rows_->idOf(rowValue, true), cols_->idOf(colValue, true), amount, true);
}

void DecisionGrid::placeValue(int rowId, int colId, std::optional<double> value, bool add)
{
    CellTable::Cell& cell = cells_->get(rowId, colId);
    const bool had = cell.hasValue;
    const qint64 before = had ? scaled(cell.value) : 0;
    if (value) {
        cell.value = add && had ? cell.value + *value : *value;
        cell.hasValue = true;
    } else {
        cell.value = 0;
        cell.hasValue = false;
    }
    cells_->noteValued(had, cell.hasValue);
    const qint64 delta = (cell.hasValue ? scaled(cell.value) : 0) - before;
    const int change = int(cell.hasValue) - int(had);
    const bool rowMoved = rows_->count(rowId, change, delta);
    const bool colMoved = cols_->count(colId, change, delta);
    grandTotal_ += delta;
    // A value seen for the first time is a new row or column even when shown
    // without data: the layout has to take it in.
    const bool appeared =
        RowOf(rows_->value(rowId)) < 0 && (!rows_->sparse || rows_->hasData(rowId));
    const bool colAppeared =
        ColOf(cols_->value(colId)) < 0 && (!cols_->sparse || cols_->hasData(colId));
    if (rowMoved || colMoved || appeared || colAppeared)
        relayOut(true);
    else
        announceCell(rowId, colId);
}

void DecisionGrid::announceCell(int rowId, int colId)
{
    lastChange_ = {false, cols_->indexOf({true, false, colId}) + FixedCols(),
                   rows_->indexOf({true, false, rowId}) + FixedRows()};
    changed(Property::Contents);
}

std::optional<double> DecisionGrid::ValueAt(const QVariant& rowValue,
                                            const QVariant& colValue) const
{
    const CellTable::Cell* cell = cells_->find(rows_->find(rowValue), cols_->find(colValue));
    return cell && cell->hasValue ? std::optional(cell->value) : std::nullopt;
}

int DecisionGrid::RowOf(const QVariant& rowValue) const
{
    const int at = rows_->indexOf({true, false, rows_->find(rowValue)});
    return at < 0 ? -1 : at + FixedRows();
}

int DecisionGrid::ColOf(const QVariant& colValue) const
{
    const int at = cols_->indexOf({true, false, cols_->find(colValue)});
    return at < 0 ? -1 : at + FixedCols();
}

bool DecisionGrid::SelectValues(const QVariant& rowValue, const QVariant& colValue)
{
    const int row = RowOf(rowValue);
    const int col = ColOf(colValue);
    return row >= 0 && col >= 0 && SelectCell(col, row);
}

bool DecisionGrid::SetCellColor(const QVariant& rowValue, const QVariant& colValue, CellColor color)
{
    const int rowId = rows_->find(rowValue);
    const int colId = cols_->find(colValue);
    if (rowId < 0 || colId < 0)
        return false;
    cells_->get(rowId, colId).color = std::int8_t(color);
    if (RowOf(rowValue) >= 0 && ColOf(colValue) >= 0)
        announceCell(rowId, colId);
    return true;
}

void DecisionGrid::ClearCellColors()
{
    cells_->forEach([](int, int, CellTable::Cell& cell) { cell.color = CellTable::noColor; });
    lastChange_ = {};
    changed(Property::Contents);
}

// Lays the axes out again. Kept, the selection follows its row and column
// values (or totals) to where they are now, and stays in place when hidden.
void DecisionGrid::relayOut(bool keepSelection)
{
    const Axis::Slot selectedRow = rows_->slotAt(row_ - FixedRows());
    const Axis::Slot selectedCol = cols_->slotAt(col_ - FixedCols());
    rows_->layOut();
    cols_->layOut();
    if (keepSelection) {
        if (const int row = rows_->indexOf(selectedRow); row >= 0)
            row_ = row + FixedRows();
        if (const int col = cols_->indexOf(selectedCol); col >= 0)
            col_ = col + FixedCols();
    }
    col_ = std::clamp(col_, FixedCols(), std::max(ColCount() - 1, FixedCols()));
    row_ = std::clamp(row_, FixedRows(), std::max(RowCount() - 1, FixedRows()));
    lastChange_ = {};
    changed(Property::Contents);
}

void DecisionGrid::SetSparseRows(bool sparse)
{
    rows_->sparse = sparse;
    relayOut(false);
}

void DecisionGrid::SetSparseCols(bool sparse)
{
    cols_->sparse = sparse;
    relayOut(false);
}

void DecisionGrid::SetRowTotals(TotalPlacement placement)
{
    rows_->totals = placement;
    relayOut(false);
}

void DecisionGrid::SetColTotals(TotalPlacement placement)
{
    cols_->totals = placement;
    relayOut(false);
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
    return rows_->slotAt(row - FixedRows()).total;
}

bool DecisionGrid::IsTotalCol(int col) const
{
    return cols_->slotAt(col - FixedCols()).total;
}

int DecisionGrid::rowId(int row) const
{
    const Axis::Slot slot = rows_->slotAt(row - FixedRows());
    return slot.valid && !slot.total ? slot.id : -1;
}

int DecisionGrid::colId(int col) const
{
    const Axis::Slot slot = cols_->slotAt(col - FixedCols());
    return slot.valid && !slot.total ? slot.id : -1;
}

QVariant DecisionGrid::RowValue(int row) const
{
    const int id = rowId(row);
    return id < 0 ? QVariant() : rows_->value(id);
}

QVariant DecisionGrid::ColValue(int col) const
{
    const int id = colId(col);
    return id < 0 ? QVariant() : cols_->value(id);
}

QString DecisionGrid::RowLabel(int row) const
{
    return rows_->label(row - FixedRows());
}

QString DecisionGrid::ColLabel(int col) const
{
    return cols_->label(col - FixedCols());
}

std::optional<double> DecisionGrid::Value(int col, int row) const
{
    const Axis::Slot r = rows_->slotAt(row - FixedRows());
    const Axis::Slot c = cols_->slotAt(col - FixedCols());
    if (!r.valid || !c.valid)
        return std::nullopt;
    if (r.total && c.total)
        return cells_->anyValue() ? std::optional(grandTotal_ / 1e6) : std::nullopt;
    if (r.total)
        return cols_->hasData(c.id) ? std::optional(cols_->sum(c.id) / 1e6) : std::nullopt;
    if (c.total)
        return rows_->hasData(r.id) ? std::optional(rows_->sum(r.id) / 1e6) : std::nullopt;
    const CellTable::Cell* cell = cells_->find(r.id, c.id);
    return cell && cell->hasValue ? std::optional(cell->value) : std::nullopt;
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
    if (draw.kind == CellKind::Data) {
        const CellTable::Cell* cell = cells_->find(rowId(row), colId(col));
        draw.color = cell && cell->color != CellTable::noColor ? CellColor(cell->color)
                                                               : CellColor::InfoBackground;
    } else if (draw.kind == CellKind::RowTotal || draw.kind == CellKind::ColumnTotal ||
               draw.kind == CellKind::GrandTotal) {
        draw.color = CellColor::TotalGrey;
    }
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

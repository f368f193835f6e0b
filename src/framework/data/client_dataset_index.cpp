// Visible order of a ClientDataSet: indexes, filter, locate.
#include "framework/data/client_dataset_index.h"

#include "framework/data/data_set_error.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>

namespace cmp::fw {

namespace {

const QString& stringOf(const QVariant& value)
{
    Q_ASSERT(value.typeId() == QMetaType::QString);
    return *static_cast<const QString*>(value.constData());
}

template <class T> int threeWay(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

QStringList splitFieldList(const QString& fieldList)
{
    QStringList names;
    for (const QString& part : fieldList.split(QLatin1Char(';')))
        if (!part.trimmed().isEmpty())
            names << part.trimmed();
    return names;
}

} // namespace

bool isStringKind(FieldType type)
{
    return type == FieldType::String || type == FieldType::FixedString || type == FieldType::Memo;
}

int compareValues(FieldType type, const QVariant& a, const QVariant& b, Qt::CaseSensitivity strings)
{
    const bool aNull = !a.isValid();
    const bool bNull = !b.isValid();
    if (aNull || bNull)
        return threeWay(!aNull, !bNull);
    switch (type) {
    case FieldType::String:
    case FieldType::FixedString:
    case FieldType::Memo: {
        const int c = QString::compare(stringOf(a), stringOf(b), strings);
        return threeWay(c, 0);
    }
    case FieldType::Date:
        return threeWay(a.toDate().toJulianDay(), b.toDate().toJulianDay());
    case FieldType::DateTime:
        return threeWay(a.toDateTime(), b.toDateTime());
    case FieldType::Float:
        return threeWay(a.toDouble(), b.toDouble());
    case FieldType::Integer:
        return threeWay(a.toLongLong(), b.toLongLong());
    case FieldType::Boolean:
        return threeWay(a.toBool(), b.toBool());
    }
    return 0;
}

// --- visible order ----------------------------------------------------------------

const std::vector<ClientDataSet::RowId>& ClientDataSet::view() const
{
    if (filtering())
        return filteredView_;
    return active_ ? active_->rows : order_;
}

void ClientDataSet::rebuildView()
{
    invalidatePositions();
    filteredView_.clear();
    if (!filtering())
        return;
    for (RowId row : active_ ? active_->rows : order_)
        if (matchesFilter(row))
            filteredView_.push_back(row);
}

int ClientDataSet::viewPosition(RowId row) const
{
    const auto& rows = view();
    if (!positionsValid_) {
        positions_.assign(status_.size(), -1);
        for (size_t i = 0; i < rows.size(); ++i)
            positions_[static_cast<size_t>(rows[i])] = static_cast<int>(i);
        positionsValid_ = true;
    }
    return row >= 0 && static_cast<size_t>(row) < positions_.size()
               ? positions_[static_cast<size_t>(row)]
               : -1;
}

bool ClientDataSet::matchesFilter(RowId row) const
{
    const Qt::CaseSensitivity strings =
        filterCaseInsensitive_ ? Qt::CaseInsensitive : Qt::CaseSensitive;
    return filter_.matches(
        [&](int field) { return valueOfRow(row, *fields_[static_cast<size_t>(field)]); }, strings);
}

// Puts a posted new record in the natural order, every built index and the
// filtered view; returns its position in the visible order, -1 when the
// filter hides it.
int ClientDataSet::placeInserted(RowId row)
{
    const bool naturalView = !filtering() && !active_;
    int naturalPosition = static_cast<int>(order_.size());
    if (insertBefore_ >= 0) {
        const auto before = naturalView ? order_.begin() + insertCursor_
                                        : std::find(order_.begin(), order_.end(), insertBefore_);
        naturalPosition = static_cast<int>(before - order_.begin());
    }
    order_.insert(order_.begin() + naturalPosition, row);
    for (auto& index : indexes_)
        if (index->built)
            indexInsert(*index, row);

    int position = naturalPosition;
    if (filtering()) {
        if (!matchesFilter(row)) {
            invalidatePositions();
            return -1;
        }
        if (active_)
            position =
                static_cast<int>(std::lower_bound(filteredView_.begin(), filteredView_.end(), row,
                                                  [&](RowId a, RowId b) {
                                                      return compareRows(*active_, a, b) < 0;
                                                  }) -
                                 filteredView_.begin());
        else
            position = insertBefore_ >= 0 ? insertCursor_ : static_cast<int>(filteredView_.size());
        filteredView_.insert(filteredView_.begin() + position, row);
    } else if (active_) {
        position = static_cast<int>(
            std::lower_bound(active_->rows.begin(), active_->rows.end(), row,
                             [&](RowId a, RowId b) { return compareRows(*active_, a, b) < 0; }) -
            active_->rows.begin());
    }
    // Appending keeps the known positions valid, so loops of Append/Locate
    // stay cheap.
    if (positionsValid_ && position == static_cast<int>(view().size()) - 1) {
        positions_.resize(status_.size(), -1);
        positions_[static_cast<size_t>(row)] = position;
    } else {
        invalidatePositions();
    }
    return position;
}

void ClientDataSet::removeFromViews(RowId row)
{
    const bool current = currentRow() == row;
    const bool naturalView = !filtering() && !active_;
    if (naturalView && current)
        order_.erase(order_.begin() + cursor_);
    else
        std::erase(order_, row);
    for (auto& index : indexes_)
        if (index->built)
            indexErase(*index, row);
    if (filtering()) {
        if (current)
            filteredView_.erase(filteredView_.begin() + cursor_);
        else
            std::erase(filteredView_, row);
    }
    invalidatePositions();
}

// Writes new values of the current record and moves it where the index and
// the filter now put it. Returns whether the visible order changed.
bool ClientDataSet::reposition(RowId row, const std::vector<QVariant>& before,
                               const std::vector<QVariant>& after)
{
    std::vector<Index*> affected;
    for (auto& index : indexes_) {
        if (!index->built)
            continue;
        const bool keyChanged =
            std::any_of(index->columns.begin(), index->columns.end(), [&](int column) {
                return before[static_cast<size_t>(column)] != after[static_cast<size_t>(column)];
            });
        if (keyChanged) {
            indexErase(*index, row);
            affected.push_back(index.get());
        }
    }
    writeRow(row, after);
    for (Index* index : affected)
        indexInsert(*index, row);

    const bool activeMoved =
        active_ && std::find(affected.begin(), affected.end(), active_) != affected.end();
    bool moved = false;
    if (filtering()) {
        const bool visible = matchesFilter(row);
        if (!visible || activeMoved) {
            filteredView_.erase(filteredView_.begin() + cursor_);
            moved = true;
            int position = std::min(cursor_, static_cast<int>(filteredView_.size()) - 1);
            if (visible) {
                const auto at = std::lower_bound(
                    filteredView_.begin(), filteredView_.end(), row,
                    [&](RowId a, RowId b) { return compareRows(*active_, a, b) < 0; });
                position = static_cast<int>(at - filteredView_.begin());
                filteredView_.insert(at, row);
            }
            setCursor(position);
        }
    } else if (activeMoved) {
        moved = true;
        const auto at =
            std::lower_bound(active_->rows.begin(), active_->rows.end(), row,
                             [&](RowId a, RowId b) { return compareRows(*active_, a, b) < 0; });
        setCursor(static_cast<int>(at - active_->rows.begin()));
    }
    if (moved)
        invalidatePositions();
    invalidateCalc();
    return moved;
}

// --- indexes ------------------------------------------------------------------------

ClientDataSet::Index* ClientDataSet::findIndex(const QString& name) const
{
    for (const auto& index : indexes_)
        if (index->named && index->def.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return index.get();
    return nullptr;
}

std::vector<int> ClientDataSet::columnsOf(const QString& fieldList) const
{
    std::vector<int> columns;
    for (const QString& name : splitFieldList(fieldList)) {
        const Field& field = FieldByName(name);
        if (field.IsCalculated())
            throw DataSetError(QStringLiteral("%1: campo calculado '%2' não pode ser chave")
                                   .arg(name_, name)
                                   .toStdString());
        columns.push_back(field.slot_);
    }
    if (columns.empty())
        throw DataSetError(QStringLiteral("%1: lista de campos vazia").arg(name_).toStdString());
    return columns;
}

int ClientDataSet::compareRows(const Index& index, RowId a, RowId b) const
{
    const Qt::CaseSensitivity strings =
        index.def.options.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (size_t k = 0; k < index.columns.size(); ++k) {
        const auto& column = columns_[static_cast<size_t>(index.columns[k])];
        int c = compareValues(index.types[k], column[static_cast<size_t>(a)],
                              column[static_cast<size_t>(b)], strings);
        if (c != 0)
            return index.def.options.descending ? -c : c;
    }
    // Row ids break ties, so every record has one exact place in the index.
    return threeWay(a, b);
}

void ClientDataSet::buildIndex(Index& index) const
{
    auto& self = const_cast<ClientDataSet&>(*this);
    index.columns = columnsOf(index.def.fields);
    index.types.clear();
    for (int column : index.columns)
        index.types.push_back(DataFieldDefs()[static_cast<size_t>(column)].type);
    index.rows = order_;
    std::sort(index.rows.begin(), index.rows.end(),
              [&](RowId a, RowId b) { return self.compareRows(index, a, b) < 0; });
    index.built = true;
    self.invalidatePositions();
}

void ClientDataSet::rebuildAllIndexes()
{
    for (auto& index : indexes_)
        if (index->built)
            buildIndex(*index);
}

void ClientDataSet::indexInsert(Index& index, RowId row)
{
    const auto at =
        std::lower_bound(index.rows.begin(), index.rows.end(), row,
                         [&](RowId a, RowId b) { return compareRows(index, a, b) < 0; });
    index.rows.insert(at, row);
}

// Must run while the record still holds the values it was indexed by.
void ClientDataSet::indexErase(Index& index, RowId row)
{
    auto at = std::lower_bound(index.rows.begin(), index.rows.end(), row,
                               [&](RowId a, RowId b) { return compareRows(index, a, b) < 0; });
    if (at == index.rows.end() || *at != row)
        at = std::find(index.rows.begin(), index.rows.end(), row);
    Q_ASSERT(at != index.rows.end()); // every live record is in every built index
    if (at != index.rows.end())
        index.rows.erase(at);
}

void ClientDataSet::AddIndex(const QString& name, const QString& fields, IndexOptions options)
{
    if (name.trimmed().isEmpty())
        throw DataSetError(QStringLiteral("%1: índice sem nome").arg(name_).toStdString());
    if (findIndex(name))
        throw DataSetError(
            QStringLiteral("%1: índice '%2' já existe").arg(name_, name).toStdString());
    if (Active())
        columnsOf(fields); // refuse unknown fields now rather than on first use
    auto index = std::make_unique<Index>();
    index->def = IndexDef{name.trimmed(), fields, options};
    indexes_.push_back(std::move(index));
}

void ClientDataSet::DeleteIndex(const QString& name)
{
    Index* index = findIndex(name);
    if (!index)
        throw DataSetError(
            QStringLiteral("%1: índice '%2' não encontrado").arg(name_, name).toStdString());
    if (index == active_)
        selectIndex(nullptr);
    std::erase_if(indexes_, [&](const auto& owned) { return owned.get() == index; });
}

bool ClientDataSet::HasIndex(const QString& name) const
{
    return findIndex(name) != nullptr;
}

std::vector<IndexDef> ClientDataSet::IndexDefs() const
{
    std::vector<IndexDef> defs;
    for (const auto& index : indexes_)
        if (index->named)
            defs.push_back(index->def);
    return defs;
}

QString ClientDataSet::IndexName() const
{
    return active_ && active_->named ? active_->def.name : QString();
}

void ClientDataSet::SetIndexName(const QString& name)
{
    if (name.trimmed().isEmpty()) {
        if (active_ && active_->named)
            selectIndex(nullptr);
        return;
    }
    Index* index = findIndex(name);
    if (!index)
        throw DataSetError(
            QStringLiteral("%1: índice '%2' não encontrado").arg(name_, name).toStdString());
    indexFieldNames_.clear();
    selectIndex(index);
}

QString ClientDataSet::IndexFieldNames() const
{
    return indexFieldNames_;
}

void ClientDataSet::SetIndexFieldNames(const QString& fields)
{
    std::erase_if(indexes_,
                  [&](const auto& index) { return !index->named && index.get() != active_; });
    Index* previous = active_ && !active_->named ? active_ : nullptr;
    indexFieldNames_ = fields.trimmed();
    Index* chosen = nullptr;
    if (!indexFieldNames_.isEmpty()) {
        auto index = std::make_unique<Index>();
        index->named = false;
        index->def = IndexDef{QString(), indexFieldNames_, {}};
        chosen = index.get();
        indexes_.push_back(std::move(index));
    }
    try {
        selectIndex(chosen);
    } catch (...) {
        std::erase_if(indexes_, [&](const auto& index) { return index.get() == chosen; });
        indexFieldNames_.clear();
        throw;
    }
    std::erase_if(indexes_, [&](const auto& index) { return index.get() == previous; });
}

// Changes the visible order, staying on the same record.
void ClientDataSet::selectIndex(Index* index)
{
    if (!Active()) {
        active_ = index;
        return;
    }
    CheckBrowseMode();
    const RowId current = currentRow();
    if (index && !index->built)
        buildIndex(*index);
    active_ = index;
    rebuildView();
    const int position = current >= 0 ? viewPosition(current) : -1;
    setCursor(position >= 0 ? position : (view().empty() ? -1 : 0));
    notify(Notify::DataSet);
}

// --- locate -------------------------------------------------------------------------

// An index fits when its leading fields are the searched ones, in order, and
// its case rule is the search's for text fields.
ClientDataSet::Index* ClientDataSet::indexForLocate(const std::vector<int>& columns,
                                                    const LocateOptions& options) const
{
    const auto types = DataFieldDefs();
    const bool hasText = std::any_of(columns.begin(), columns.end(), [&](int column) {
        return isStringKind(types[static_cast<size_t>(column)].type);
    });
    auto fits = [&](const Index& index) {
        if (index.def.options.descending)
            return false;
        if (hasText && index.def.options.caseInsensitive != options.caseInsensitive)
            return false;
        std::vector<int> keys;
        try {
            keys = index.built ? index.columns : columnsOf(index.def.fields);
        } catch (const DataSetError&) {
            return false;
        }
        return keys.size() >= columns.size() &&
               std::equal(columns.begin(), columns.end(), keys.begin());
    };
    if (active_ && fits(*active_))
        return active_;
    for (const auto& index : indexes_)
        if (fits(*index))
            return index.get();
    return nullptr;
}

bool ClientDataSet::rowMatches(RowId row, const std::vector<int>& columns,
                               const std::vector<QVariant>& values,
                               const LocateOptions& options) const
{
    const auto types = DataFieldDefs();
    const Qt::CaseSensitivity strings =
        options.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (size_t k = 0; k < columns.size(); ++k) {
        const auto column = static_cast<size_t>(columns[k]);
        const QVariant& stored = columns_[column][static_cast<size_t>(row)];
        const bool prefix =
            options.partialKey && k + 1 == columns.size() && isStringKind(types[column].type);
        if (prefix && stored.isValid() && values[k].isValid()) {
            if (!stringOf(stored).startsWith(stringOf(values[k]), strings))
                return false;
        } else if (compareValues(types[column].type, stored, values[k], strings) != 0) {
            return false;
        }
    }
    return true;
}

std::vector<QVariant> ClientDataSet::locateValues(const std::vector<int>& columns,
                                                  const QVariantList& values,
                                                  bool& convertible) const
{
    if (static_cast<size_t>(values.size()) != columns.size())
        throw DataSetError(QStringLiteral("%1: %2 valores para %3 campos de pesquisa")
                               .arg(name_)
                               .arg(values.size())
                               .arg(columns.size())
                               .toStdString());
    const auto types = DataFieldDefs();
    std::vector<QVariant> out(columns.size());
    convertible = true;
    for (size_t k = 0; k < columns.size(); ++k) {
        const FieldType type = types[static_cast<size_t>(columns[k])].type;
        if (!coerceValue(type, values[static_cast<int>(k)], out[k]))
            convertible = false;
        else if (isStringKind(type) && out[k].isValid() && stringOf(out[k]).isEmpty())
            out[k] = QVariant();
    }
    return out;
}

// The first visible record with the values; on an index, the first in its
// order among equal keys. Sets *position when the record's place in the
// visible order comes for free.
ClientDataSet::RowId ClientDataSet::findRow(const std::vector<int>& columns,
                                            const std::vector<QVariant>& values,
                                            const LocateOptions& options, int* position) const
{
    *position = -1;
    Index* index = indexForLocate(columns, options);
    if (!index) {
        const auto& rows = view();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rowMatches(rows[i], columns, values, options)) {
                *position = static_cast<int>(i);
                return rows[i];
            }
        }
        return -1;
    }
    if (!index->built)
        buildIndex(*index);
    const auto types = DataFieldDefs();
    const Qt::CaseSensitivity strings =
        options.caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    auto keyOrder = [&](RowId row) {
        for (size_t k = 0; k < columns.size(); ++k) {
            const auto column = static_cast<size_t>(columns[k]);
            QVariant stored = columns_[column][static_cast<size_t>(row)];
            const bool prefix =
                options.partialKey && k + 1 == columns.size() && isStringKind(types[column].type);
            if (prefix && stored.isValid() && values[k].isValid())
                stored = stringOf(stored).left(stringOf(values[k]).size());
            const int c = compareValues(types[column].type, stored, values[k], strings);
            if (c != 0)
                return c;
        }
        return 0;
    };
    auto at = std::partition_point(index->rows.begin(), index->rows.end(),
                                   [&](RowId row) { return keyOrder(row) < 0; });
    for (; at != index->rows.end() && keyOrder(*at) == 0; ++at) {
        if (filtering() && !matchesFilter(*at))
            continue;
        if (index == active_ && !filtering())
            *position = static_cast<int>(at - index->rows.begin());
        return *at;
    }
    return -1;
}

bool ClientDataSet::Locate(const QString& fields, const QVariantList& values, LocateOptions options)
{
    checkActive();
    CheckBrowseMode();
    const std::vector<int> columns = columnsOf(fields);
    bool convertible = false;
    const std::vector<QVariant> keys = locateValues(columns, values, convertible);
    if (!convertible)
        return false;
    int position = -1;
    const RowId row = findRow(columns, keys, options, &position);
    if (row < 0)
        return false;
    fire(BeforeScroll);
    setCursor(position >= 0 ? position : viewPosition(row));
    eof_ = bof_ = false;
    scrolled();
    return true;
}

QVariant ClientDataSet::Lookup(const QString& keyFields, const QVariantList& keyValues,
                               const QString& resultFields)
{
    checkActive();
    const std::vector<int> columns = columnsOf(keyFields);
    bool convertible = false;
    const std::vector<QVariant> keys = locateValues(columns, keyValues, convertible);
    int position = -1;
    const RowId row = convertible ? findRow(columns, keys, {}, &position) : -1;
    if (row < 0)
        return {};
    QVariantList results;
    for (const QString& name : splitFieldList(resultFields))
        results << valueOfRow(row, FieldByName(name));
    return results.size() == 1 ? results.front() : QVariant(results);
}

// --- filter -------------------------------------------------------------------------

void ClientDataSet::SetFilter(const QString& text)
{
    FilterExpression parsed;
    if (Active() && !text.trimmed().isEmpty())
        parsed = FilterExpression::parse(text, allFieldDefs());
    filterText_ = text;
    filter_ = std::move(parsed);
    if (Active() && filtered_)
        applyFilter();
}

void ClientDataSet::SetFiltered(bool filtered)
{
    if (filtered == filtered_)
        return;
    filtered_ = filtered;
    if (Active())
        applyFilter();
}

void ClientDataSet::SetFilterCaseInsensitive(bool caseInsensitive)
{
    if (caseInsensitive == filterCaseInsensitive_)
        return;
    filterCaseInsensitive_ = caseInsensitive;
    if (Active() && filtering())
        applyFilter();
}

// A new filter shows its first record, as a fresh look at the data.
void ClientDataSet::applyFilter()
{
    CheckBrowseMode();
    rebuildView();
    notify(Notify::DataSet);
    First();
}

} // namespace cmp::fw

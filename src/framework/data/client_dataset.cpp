#include "framework/data/client_dataset.h"

#include "framework/data/client_dataset_index.h"
#include "framework/data/data_set_error.h"
#include "framework/data/data_source.h"

#include <algorithm>
#include <exception>

namespace cmp::fw {

namespace {

QString upperName(const QString& name)
{
    return name.trimmed().toUpper();
}

bool isEditState(DataSetState state)
{
    return state == DataSetState::Edit || state == DataSetState::Insert;
}

// Strings are stored without trailing excess: an empty text is a null value
// and a text longer than its field is cut to the field's size.
QVariant normalised(const Field& field, const QVariant& value)
{
    QVariant out;
    if (!coerceValue(field.DataType(), value, out))
        throw DataSetError(QStringLiteral("Valor inválido para o campo '%1': '%2'")
                               .arg(field.FieldName(), value.toString())
                               .toStdString());
    if (isStringKind(field.DataType()) && !out.isNull()) {
        QString text = out.toString();
        if (text.isEmpty())
            return {};
        if (field.Size() > 0 && field.DataType() != FieldType::Memo && text.size() > field.Size())
            out = text.left(field.Size());
    }
    return out;
}

} // namespace

// Makes one record current for reading only (grids, filters), without
// events; restores everything on leaving, also when the read throws.
class ClientDataSet::PeekGuard
{
public:
    PeekGuard(const ClientDataSet& set, RowId row)
        : set_(const_cast<ClientDataSet&>(set)), savedPeek_(set_.peekRow_),
          savedCalc_(std::move(set_.calcValues_)), savedCalcValid_(set_.calcValid_)
    {
        set_.peekRow_ = row;
        set_.calcValid_ = false;
    }
    ~PeekGuard()
    {
        set_.peekRow_ = savedPeek_;
        set_.calcValues_ = std::move(savedCalc_);
        set_.calcValid_ = savedCalcValid_;
    }
    PeekGuard(const PeekGuard&) = delete;
    PeekGuard& operator=(const PeekGuard&) = delete;

private:
    ClientDataSet& set_;
    RowId savedPeek_;
    std::vector<QVariant> savedCalc_;
    bool savedCalcValid_;
};

ClientDataSet::ClientDataSet(QString name) : name_(std::move(name)) {}

ClientDataSet::~ClientDataSet()
{
    for (DataSource* source : sources_)
        source->dataSet_ = nullptr;
}

// --- fields -----------------------------------------------------------------

Field& ClientDataSet::AddField(const QString& name, FieldType type, int size)
{
    return declareField(FieldDef{name, type, size}, FieldKind::Data);
}

Field& ClientDataSet::AddCalcField(const QString& name, FieldType type, int size)
{
    return declareField(FieldDef{name, type, size}, FieldKind::Calculated);
}

Field& ClientDataSet::declareField(const FieldDef& def, FieldKind kind)
{
    if (Active())
        throw DataSetError(
            QStringLiteral("%1: campos só podem ser declarados com o conjunto fechado")
                .arg(name_)
                .toStdString());
    if (FindField(def.name))
        throw DataSetError(
            QStringLiteral("%1: campo '%2' já existe").arg(name_, def.name).toStdString());
    fields_.push_back(std::make_unique<Field>(*this, def, kind));
    fields_.back()->slot_ = kind == FieldKind::Data ? dataColumns_++ : calcSlots_++;
    rebuildFieldLookup();
    return *fields_.back();
}

Field* ClientDataSet::FindField(const QString& name) const
{
    return byName_.value(upperName(name), nullptr);
}

Field& ClientDataSet::FieldByName(const QString& name) const
{
    if (Field* field = FindField(name))
        return *field;
    throw DataSetError(
        QStringLiteral("%1: campo '%2' não encontrado").arg(name_, name).toStdString());
}

std::vector<FieldDef> ClientDataSet::DataFieldDefs() const
{
    std::vector<FieldDef> defs(static_cast<size_t>(dataColumns_));
    for (const auto& field : fields_)
        if (!field->IsCalculated())
            defs[static_cast<size_t>(field->slot_)] = field->def_;
    return defs;
}

void ClientDataSet::rebuildFieldLookup()
{
    byName_.clear();
    for (const auto& field : fields_)
        byName_.insert(upperName(field->FieldName()), field.get());
}

// Fields declared by the screen keep their objects; the packet decides the
// columns. A declared data field the packet lacks is an error; packet fields
// nobody declared become fields of their own, so nothing of the packet is
// lost when the set is sent back.
void ClientDataSet::reconcileFields(const std::vector<FieldDef>& defs)
{
    std::erase_if(fields_, [](const auto& field) { return !field->persistent_; });
    rebuildFieldLookup();
    for (const auto& field : fields_)
        if (!field->IsCalculated())
            field->slot_ = -1;
    for (size_t column = 0; column < defs.size(); ++column) {
        Field* field = FindField(defs[column].name);
        if (field && field->IsCalculated())
            throw DataSetError(QStringLiteral("%1: campo '%2' é calculado e não pode vir no pacote")
                                   .arg(name_, defs[column].name)
                                   .toStdString());
        if (!field) {
            fields_.push_back(std::make_unique<Field>(*this, defs[column], FieldKind::Data));
            field = fields_.back().get();
            field->persistent_ = false;
            byName_.insert(upperName(field->FieldName()), field);
        } else if (isStringKind(field->DataType()) && isStringKind(defs[column].type)) {
            field->def_.size = std::max(field->def_.size, defs[column].size);
        }
        field->slot_ = static_cast<int>(column);
    }
    for (const auto& field : fields_)
        if (!field->IsCalculated() && field->slot_ < 0)
            throw DataSetError(QStringLiteral("%1: campo '%2' não encontrado no pacote")
                                   .arg(name_, field->FieldName())
                                   .toStdString());
    dataColumns_ = static_cast<int>(defs.size());
}

// --- open / close / load ------------------------------------------------------

void ClientDataSet::checkActive() const
{
    if (!Active())
        throw DataSetError(
            QStringLiteral("%1: conjunto de dados fechado").arg(name_).toStdString());
}

void ClientDataSet::checkEditable(const char* operation) const
{
    checkActive();
    if (ReadOnly)
        throw DataSetError(QStringLiteral("%1: conjunto somente leitura, não é possível %2")
                               .arg(name_, QString::fromLatin1(operation))
                               .toStdString());
}

void ClientDataSet::resetStorage()
{
    columns_.assign(static_cast<size_t>(dataColumns_), {});
    status_.clear();
    originals_.clear();
    deleted_.clear();
    order_.clear();
    baseOrder_.clear();
    filteredView_.clear();
    changeCount_ = 0;
    buffer_.clear();
    modified_ = false;
    cursor_ = -1;
    eof_ = bof_ = true;
    calcValues_.clear();
    calcValid_ = false;
    invalidatePositions();
    for (auto& index : indexes_) {
        index->rows.clear();
        index->built = false;
    }
}

// After the records are in place: browse state, the chosen index and filter
// applied, cursor on the first record.
void ClientDataSet::openState()
{
    state_ = DataSetState::Browse;
    baseOrder_ = order_;
    if (active_)
        buildIndex(*active_);
    // Field positions may have changed with the packet: parse the filter
    // again. A filter that no longer fits leaves the set open, unfiltered.
    std::exception_ptr badFilter;
    filter_ = FilterExpression();
    try {
        if (!filterText_.trimmed().isEmpty())
            filter_ = FilterExpression::parse(filterText_, allFieldDefs());
    } catch (const FilterError&) {
        badFilter = std::current_exception();
    }
    rebuildView();
    setCursor(view().empty() ? -1 : 0);
    eof_ = view().empty();
    bof_ = true;
    if (badFilter)
        std::rethrow_exception(badFilter);
}

void ClientDataSet::CreateDataSet()
{
    if (Active())
        Close();
    if (fields_.empty())
        throw DataSetError(QStringLiteral("%1: nenhum campo declarado").arg(name_).toStdString());
    fire(BeforeOpen);
    reconcileFields(persistentDataDefs());
    resetStorage();
    openState();
    notify(Notify::State);
    notify(Notify::DataSet);
    fire(AfterOpen);
    fire(AfterScroll);
}

std::vector<FieldDef> ClientDataSet::persistentDataDefs() const
{
    std::vector<FieldDef> defs;
    for (const auto& field : fields_)
        if (field->persistent_ && !field->IsCalculated())
            defs.push_back(field->def_);
    return defs;
}

std::vector<FieldDef> ClientDataSet::allFieldDefs() const
{
    std::vector<FieldDef> defs;
    defs.reserve(fields_.size());
    for (const auto& field : fields_)
        defs.push_back(field->def_);
    return defs;
}

void ClientDataSet::DetachEvents()
{
    for (DataSetEvent* event :
         {&BeforeOpen,   &AfterOpen,        &BeforeClose,     &AfterClose,  &BeforeInsert,
          &AfterInsert,  &BeforeEdit,       &AfterEdit,       &BeforePost,  &AfterPost,
          &BeforeCancel, &AfterCancel,      &BeforeDelete,    &AfterDelete, &BeforeScroll,
          &AfterScroll,  &BeforeGetRecords, &AfterGetRecords, &OnNewRecord, &OnCalcFields})
        *event = nullptr;
}

void ClientDataSet::Close()
{
    if (!Active())
        return;
    fire(BeforeClose);
    resetStorage();
    state_ = DataSetState::Inactive;
    notify(Notify::State);
    notify(Notify::DataSet);
    fire(AfterClose);
}

void ClientDataSet::SetData(const DataPacket& packet)
{
    SetData(DataPacket(packet));
}

void ClientDataSet::SetData(DataPacket&& packet)
{
    Close();
    fire(BeforeOpen);
    reconcileFields(packet.fields);
    resetStorage();
    fire(BeforeGetRecords);
    loadRows(std::move(packet));
    fire(AfterGetRecords);
    openState();
    notify(Notify::State);
    notify(Notify::DataSet);
    fire(AfterOpen);
    fire(AfterScroll);
}

// Values move straight from the packet rows into the columns; only a field
// declared with another kind than the packet's converts its values.
void ClientDataSet::loadRows(DataPacket&& packet)
{
    std::vector<const Field*> converting(static_cast<size_t>(dataColumns_), nullptr);
    for (const auto& field : fields_)
        if (!field->IsCalculated() &&
            field->DataType() != packet.fields[static_cast<size_t>(field->slot_)].type)
            converting[static_cast<size_t>(field->slot_)] = field.get();
    auto store = [&](std::vector<QVariant>& values, size_t rowNumber) {
        if (values.size() != converting.size())
            throw DataSetError(
                QStringLiteral("%1: registro %2 do pacote com %3 valores, esperados %4")
                    .arg(name_)
                    .arg(rowNumber + 1)
                    .arg(values.size())
                    .arg(converting.size())
                    .toStdString());
        for (size_t column = 0; column < values.size(); ++column)
            if (converting[column])
                values[column] = normalised(*converting[column], values[column]);
    };
    const size_t count = packet.rows.size();
    for (auto& column : columns_)
        column.reserve(count);
    status_.reserve(count);
    order_.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        PacketRow& source = packet.rows[i];
        store(source.values, i);
        const RowId row = newRow(std::move(source.values));
        setStatus(row, source.status);
        if (source.status == UpdateStatus::Modified) {
            store(source.original, i);
            originals_[row] = std::move(source.original);
        }
        if (source.status == UpdateStatus::Deleted)
            deleted_.push_back(row);
        else
            order_.push_back(row);
    }
}

ClientDataSet::RowId ClientDataSet::newRow(std::vector<QVariant>&& values)
{
    const RowId row = static_cast<RowId>(status_.size());
    for (size_t column = 0; column < columns_.size(); ++column)
        columns_[column].push_back(std::move(values[column]));
    status_.push_back(UpdateStatus::Unmodified);
    return row;
}

std::vector<QVariant> ClientDataSet::rowValues(RowId row) const
{
    std::vector<QVariant> values(columns_.size());
    for (size_t column = 0; column < columns_.size(); ++column)
        values[column] = columns_[column][static_cast<size_t>(row)];
    return values;
}

void ClientDataSet::writeRow(RowId row, const std::vector<QVariant>& values)
{
    for (size_t column = 0; column < columns_.size(); ++column)
        columns_[column][static_cast<size_t>(row)] = values[column];
}

DataPacket ClientDataSet::Data() const
{
    checkActive();
    DataPacket packet{DataFieldDefs(), {}};
    packet.rows.reserve(order_.size() + deleted_.size());
    for (RowId row : order_)
        packet.rows.push_back(packetRow(row));
    for (RowId row : deleted_)
        packet.rows.push_back(packetRow(row));
    return packet;
}

DataPacket ClientDataSet::Delta() const
{
    checkActive();
    DataPacket packet{DataFieldDefs(), {}};
    for (RowId row : order_)
        if (status_[static_cast<size_t>(row)] != UpdateStatus::Unmodified)
            packet.rows.push_back(packetRow(row));
    for (RowId row : deleted_)
        packet.rows.push_back(packetRow(row));
    return packet;
}

PacketRow ClientDataSet::packetRow(RowId row) const
{
    PacketRow out;
    out.status = status_[static_cast<size_t>(row)];
    const auto original = originals_.find(row);
    if (out.status == UpdateStatus::Deleted && original != originals_.end()) {
        out.values = original->second;
    } else {
        out.values = rowValues(row);
        if (out.status == UpdateStatus::Modified)
            out.original = original->second;
    }
    return out;
}

void ClientDataSet::EmptyDataSet()
{
    checkActive();
    Cancel();
    resetStorage();
    openState();
    notify(Notify::DataSet);
}

// --- navigation ---------------------------------------------------------------

ClientDataSet::RowId ClientDataSet::currentRow() const
{
    if (peekRow_ >= 0)
        return peekRow_;
    const auto& rows = view();
    if (cursor_ < 0 || cursor_ >= static_cast<int>(rows.size()))
        return -1;
    return rows[static_cast<size_t>(cursor_)];
}

void ClientDataSet::setCursor(int position)
{
    cursor_ = position;
    invalidateCalc();
}

void ClientDataSet::scrolled()
{
    fire(AfterScroll);
    notify(Notify::Record);
}

void ClientDataSet::First()
{
    checkActive();
    CheckBrowseMode();
    fire(BeforeScroll);
    setCursor(view().empty() ? -1 : 0);
    bof_ = true;
    eof_ = view().empty();
    scrolled();
}

void ClientDataSet::Last()
{
    checkActive();
    CheckBrowseMode();
    fire(BeforeScroll);
    setCursor(static_cast<int>(view().size()) - 1);
    eof_ = true;
    bof_ = view().empty();
    scrolled();
}

int ClientDataSet::MoveBy(int distance)
{
    checkActive();
    CheckBrowseMode();
    fire(BeforeScroll);
    const int count = static_cast<int>(view().size());
    if (count == 0) {
        eof_ = bof_ = true;
        return 0;
    }
    const long wanted = static_cast<long>(cursor_) + distance;
    const int target = static_cast<int>(std::clamp<long>(wanted, 0, count - 1));
    const int moved = target - cursor_;
    eof_ = distance > 0 && wanted > count - 1;
    bof_ = distance < 0 && wanted < 0;
    if (moved != 0) {
        setCursor(target);
        scrolled();
    }
    return moved;
}

void ClientDataSet::Next()
{
    MoveBy(1);
}

void ClientDataSet::Prior()
{
    MoveBy(-1);
}

int ClientDataSet::RecNo() const
{
    if (state_ == DataSetState::Insert || currentRow() < 0)
        return 0;
    return cursor_ + 1;
}

void ClientDataSet::SetRecNo(int recNo)
{
    checkActive();
    MoveBy(std::clamp(recNo, 1, std::max(1, RecordCount())) - 1 - cursor_);
}

Bookmark ClientDataSet::GetBookmark() const
{
    return Bookmark{currentRow()};
}

bool ClientDataSet::BookmarkValid(const Bookmark& bookmark) const
{
    return Active() && bookmark.row >= 0 && bookmark.row < static_cast<int>(status_.size()) &&
           viewPosition(bookmark.row) >= 0;
}

void ClientDataSet::GotoBookmark(const Bookmark& bookmark)
{
    if (!BookmarkValid(bookmark))
        throw DataSetError(QStringLiteral("%1: registro não encontrado").arg(name_).toStdString());
    CheckBrowseMode();
    fire(BeforeScroll);
    setCursor(viewPosition(bookmark.row));
    eof_ = bof_ = false;
    scrolled();
}

// --- editing ------------------------------------------------------------------

void ClientDataSet::CheckBrowseMode()
{
    checkActive();
    if (!isEditState(state_))
        return;
    if (modified_)
        Post();
    else
        Cancel();
}

void ClientDataSet::Append()
{
    beginInsert(true);
}

void ClientDataSet::Insert()
{
    beginInsert(false);
}

void ClientDataSet::beginInsert(bool atEnd)
{
    checkEditable("inserir");
    CheckBrowseMode();
    fire(BeforeInsert);
    fire(BeforeScroll);
    insertCursor_ = cursor_;
    insertBefore_ = atEnd ? -1 : currentRow();
    buffer_.assign(static_cast<size_t>(dataColumns_), QVariant());
    state_ = DataSetState::Insert;
    invalidateCalc();
    notify(Notify::State);
    try {
        fire(OnNewRecord);
    } catch (...) {
        discardBuffer();
        throw;
    }
    modified_ = false;
    fire(AfterInsert);
    scrolled();
}

void ClientDataSet::Edit()
{
    checkActive();
    if (isEditState(state_))
        return;
    if (view().empty()) {
        Insert();
        return;
    }
    checkEditable("alterar");
    fire(BeforeEdit);
    // Filled in place: the buffer keeps its storage from one edit to the next.
    const RowId row = currentRow();
    buffer_.resize(columns_.size());
    for (size_t column = 0; column < columns_.size(); ++column)
        buffer_[column] = columns_[column][static_cast<size_t>(row)];
    modified_ = false;
    state_ = DataSetState::Edit;
    invalidateCalc();
    notify(Notify::State);
    fire(AfterEdit);
}

void ClientDataSet::checkRequired() const
{
    for (const auto& field : fields_)
        if (field->Required && !field->IsCalculated() &&
            buffer_[static_cast<size_t>(field->slot_)].isNull())
            throw DataSetError(QStringLiteral("Campo '%1' deve ser informado.")
                                   .arg(field->DisplayLabel())
                                   .toStdString());
}

void ClientDataSet::Post()
{
    checkActive();
    if (!isEditState(state_))
        return;
    fire(BeforePost);
    checkRequired();
    const bool structural = state_ == DataSetState::Insert ? postInsert() : postEdit();
    buffer_.clear();
    modified_ = false;
    state_ = DataSetState::Browse;
    invalidateCalc();
    notify(Notify::State);
    notify(structural ? Notify::DataSet : Notify::Record);
    fire(AfterPost);
}

bool ClientDataSet::postInsert()
{
    const RowId row = newRow(std::move(buffer_));
    if (logChanges_)
        setStatus(row, UpdateStatus::Inserted);
    const int position = placeInserted(row);
    if (!logChanges_)
        baseOrder_.push_back(row);
    setCursor(position >= 0
                  ? position
                  : std::min(std::max(insertCursor_, 0), static_cast<int>(view().size()) - 1));
    eof_ = bof_ = view().empty();
    return true;
}

bool ClientDataSet::postEdit()
{
    const RowId row = currentRow();
    std::vector<QVariant> before = rowValues(row);
    if (before == buffer_)
        return false;
    const bool moved = reposition(row, before, buffer_);
    logModify(row, std::move(before));
    return moved;
}

void ClientDataSet::discardBuffer()
{
    const bool wasInsert = state_ == DataSetState::Insert;
    buffer_.clear();
    modified_ = false;
    state_ = DataSetState::Browse;
    if (wasInsert)
        setCursor(std::min(insertCursor_, static_cast<int>(view().size()) - 1));
    invalidateCalc();
    notify(Notify::State);
    notify(Notify::Record);
}

void ClientDataSet::Cancel()
{
    if (!isEditState(state_))
        return;
    fire(BeforeCancel);
    discardBuffer();
    fire(AfterCancel);
}

void ClientDataSet::Delete()
{
    checkActive();
    if (state_ == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (view().empty())
        throw DataSetError(QStringLiteral("%1: não é possível excluir de um conjunto vazio")
                               .arg(name_)
                               .toStdString());
    checkEditable("excluir");
    fire(BeforeDelete);
    fire(BeforeScroll);
    const RowId row = currentRow();
    buffer_.clear();
    modified_ = false;
    state_ = DataSetState::Browse;
    removeFromViews(row);
    logDelete(row);
    setCursor(std::min(cursor_, static_cast<int>(view().size()) - 1));
    eof_ = bof_ = view().empty();
    notify(Notify::State);
    notify(Notify::DataSet);
    fire(AfterDelete);
    scrolled();
}

// --- change log -----------------------------------------------------------------

void ClientDataSet::setStatus(RowId row, UpdateStatus status)
{
    UpdateStatus& current = status_[static_cast<size_t>(row)];
    changeCount_ += (status != UpdateStatus::Unmodified) - (current != UpdateStatus::Unmodified);
    current = status;
}

void ClientDataSet::logModify(RowId row, std::vector<QVariant>&& before)
{
    const UpdateStatus status = status_[static_cast<size_t>(row)];
    if (status == UpdateStatus::Inserted)
        return;
    if (status == UpdateStatus::Unmodified) {
        if (logChanges_) {
            originals_[row] = std::move(before);
            setStatus(row, UpdateStatus::Modified);
        }
        return;
    }
    // Modified: an edit back to the original values leaves no change.
    if (originals_[row] == rowValues(row)) {
        originals_.erase(row);
        setStatus(row, UpdateStatus::Unmodified);
    }
}

void ClientDataSet::logDelete(RowId row)
{
    const UpdateStatus status = status_[static_cast<size_t>(row)];
    if (status == UpdateStatus::Inserted) {
        setStatus(row, UpdateStatus::Unmodified); // never existed outside this set
        return;
    }
    if (!logChanges_) {
        originals_.erase(row);
        setStatus(row, UpdateStatus::Unmodified);
        std::erase(baseOrder_, row);
        return;
    }
    setStatus(row, UpdateStatus::Deleted);
    deleted_.push_back(row);
}

UpdateStatus ClientDataSet::RecordUpdateStatus() const
{
    const RowId row = currentRow();
    return row < 0 ? UpdateStatus::Unmodified : status_[static_cast<size_t>(row)];
}

void ClientDataSet::MergeChangeLog()
{
    CheckBrowseMode();
    std::fill(status_.begin(), status_.end(), UpdateStatus::Unmodified);
    originals_.clear();
    deleted_.clear();
    changeCount_ = 0;
    baseOrder_ = order_;
}

void ClientDataSet::CancelUpdates()
{
    checkActive();
    Cancel();
    for (const auto& [row, values] : originals_)
        writeRow(row, values);
    std::fill(status_.begin(), status_.end(), UpdateStatus::Unmodified);
    originals_.clear();
    deleted_.clear();
    changeCount_ = 0;
    order_ = baseOrder_;
    rebuildAllIndexes();
    rebuildView();
    setCursor(view().empty() ? -1 : std::clamp(cursor_, 0, static_cast<int>(view().size()) - 1));
    eof_ = bof_ = view().empty();
    notify(Notify::DataSet);
}

void ClientDataSet::RevertRecord()
{
    checkActive();
    Cancel();
    const RowId row = currentRow();
    if (row < 0)
        return;
    const UpdateStatus status = status_[static_cast<size_t>(row)];
    if (status == UpdateStatus::Inserted) {
        removeFromViews(row);
        setStatus(row, UpdateStatus::Unmodified);
        setCursor(std::min(cursor_, static_cast<int>(view().size()) - 1));
    } else if (status == UpdateStatus::Modified) {
        const std::vector<QVariant> original = originals_[row];
        reposition(row, rowValues(row), original);
        originals_.erase(row);
        setStatus(row, UpdateStatus::Unmodified);
    }
    eof_ = bof_ = view().empty();
    invalidateCalc();
    notify(Notify::DataSet);
}

// --- field access -----------------------------------------------------------------

QVariant ClientDataSet::fieldValue(const Field& field) const
{
    if (field.IsCalculated()) {
        if (!calcValid_ && !calculating_)
            calculate();
        const auto slot = static_cast<size_t>(field.slot_);
        return slot < calcValues_.size() ? calcValues_[slot] : QVariant();
    }
    if (field.slot_ < 0)
        return {};
    if (peekRow_ < 0 && isEditState(state_))
        return buffer_[static_cast<size_t>(field.slot_)];
    const RowId row = currentRow();
    return row < 0 ? QVariant()
                   : columns_[static_cast<size_t>(field.slot_)][static_cast<size_t>(row)];
}

QVariant ClientDataSet::oldFieldValue(const Field& field) const
{
    const RowId row = currentRow();
    if (field.IsCalculated() || field.slot_ < 0 || row < 0 || state_ == DataSetState::Insert)
        return {};
    const auto original = originals_.find(row);
    if (original != originals_.end())
        return original->second[static_cast<size_t>(field.slot_)];
    if (status_[static_cast<size_t>(row)] == UpdateStatus::Inserted)
        return {};
    return columns_[static_cast<size_t>(field.slot_)][static_cast<size_t>(row)];
}

void ClientDataSet::setFieldValue(Field& field, const QVariant& value)
{
    if (field.IsCalculated()) {
        if (!calculating_)
            throw DataSetError(QStringLiteral("%1: campo calculado '%2' só é definido no cálculo")
                                   .arg(name_, field.FieldName())
                                   .toStdString());
        calcValues_[static_cast<size_t>(field.slot_)] = normalised(field, value);
        return;
    }
    if (!isEditState(state_) || peekRow_ >= 0)
        throw DataSetError(QStringLiteral("%1: registro não está em edição (campo '%2')")
                               .arg(name_, field.FieldName())
                               .toStdString());
    QVariant& slot = buffer_[static_cast<size_t>(field.slot_)];
    QVariant previous = std::exchange(slot, normalised(field, value));
    if (field.OnValidate) {
        try {
            field.OnValidate(field);
        } catch (...) {
            buffer_[static_cast<size_t>(field.slot_)] = std::move(previous);
            throw;
        }
    }
    modified_ = true;
    invalidateCalc();
    if (field.OnChange)
        field.OnChange(field);
    notify(Notify::Record, &field);
}

void ClientDataSet::calculate() const
{
    auto& self = const_cast<ClientDataSet&>(*this);
    self.calcValues_.assign(static_cast<size_t>(calcSlots_), QVariant());
    self.calcValid_ = true;
    if (!OnCalcFields || (currentRow() < 0 && !isEditState(state_)))
        return;
    self.calculating_ = true;
    try {
        OnCalcFields(self);
    } catch (...) {
        self.calculating_ = false;
        throw;
    }
    self.calculating_ = false;
}

QVariant ClientDataSet::ValueAt(int recIndex, const Field& field) const
{
    if (recIndex < 0 || recIndex >= RecordCount())
        return {};
    if (recIndex == cursor_ && peekRow_ < 0)
        return field.Value();
    PeekGuard guard(*this, view()[static_cast<size_t>(recIndex)]);
    return field.Value();
}

QString ClientDataSet::DisplayTextAt(int recIndex, const Field& field) const
{
    if (recIndex < 0 || recIndex >= RecordCount())
        return {};
    if (recIndex == cursor_ && peekRow_ < 0)
        return field.DisplayText();
    PeekGuard guard(*this, view()[static_cast<size_t>(recIndex)]);
    return field.DisplayText();
}

QVariant ClientDataSet::valueOfRow(RowId row, const Field& field) const
{
    if (!field.IsCalculated())
        return columns_[static_cast<size_t>(field.slot_)][static_cast<size_t>(row)];
    PeekGuard guard(*this, row);
    return field.Value();
}

// --- notification -----------------------------------------------------------------

void ClientDataSet::notify(Notify what, Field* field)
{
    if (sources_.empty()) {
        notifiedState_ = state_; // nobody to tell; a source attached later starts from here
        return;
    }
    if (controlsDisabled_ > 0)
        return;
    const std::vector<DataSource*> sources = sources_;
    switch (what) {
    case Notify::DataSet:
        for (DataSource* source : sources)
            source->dataSetChanged();
        break;
    case Notify::Record:
        for (DataSource* source : sources)
            source->recordChanged(field);
        break;
    case Notify::State:
        if (notifiedState_ == state_)
            return;
        notifiedState_ = state_;
        for (DataSource* source : sources)
            source->stateChanged();
        break;
    }
}

void ClientDataSet::DisableControls()
{
    ++controlsDisabled_;
}

void ClientDataSet::EnableControls()
{
    if (controlsDisabled_ == 0 || --controlsDisabled_ > 0)
        return;
    notify(Notify::State);
    notify(Notify::DataSet);
}

} // namespace cmp::fw

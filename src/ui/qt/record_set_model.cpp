#include "ui/qt/record_set_model.h"

#include "ui/qt/user_action.h"

namespace cmp::ui {

namespace {

bool isNumber(const fw::Field& field)
{
    return field.DataType() == fw::FieldType::Float || field.DataType() == fw::FieldType::Integer;
}

bool fieldWritable(const fw::Field& field)
{
    return !field.ReadOnly && !field.IsCalculated() && !field.DataSet().ReadOnly;
}

} // namespace

RecordSetModel::RecordSetModel(fw::DataSource* source, std::vector<RecordSetColumn> columns,
                               QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns))
{
    setDataSource(source);
}

RecordSetModel::~RecordSetModel()
{
    if (source_)
        source_->removeLink(this);
}

void RecordSetModel::setDataSource(fw::DataSource* source)
{
    if (fw::DataSource::relink(source_, source, this)) {
        reset();
        remember();
    }
}

void RecordSetModel::setColumns(std::vector<RecordSetColumn> columns)
{
    if (columns == columns_)
        return;
    beginResetModel();
    columns_ = std::move(columns);
    rows_ = recordCount();
    endResetModel();
    remember();
}

fw::ClientDataSet* RecordSetModel::dataSet() const
{
    fw::ClientDataSet* set = source_ ? source_->DataSet() : nullptr;
    return set && set->Active() ? set : nullptr;
}

fw::Field* RecordSetModel::fieldAt(int column) const
{
    fw::ClientDataSet* set = dataSet();
    if (!set || column < 0 || column >= columnCount())
        return nullptr;
    return set->FindField(columns_[static_cast<size_t>(column)].fieldName);
}

int RecordSetModel::currentRow() const
{
    const fw::ClientDataSet* set = dataSet();
    return set ? set->RecNo() - 1 : -1;
}

void RecordSetModel::moveTo(int row)
{
    if (fw::ClientDataSet* set = dataSet(); set && row != currentRow())
        set->SetRecNo(row + 1);
}

int RecordSetModel::recordCount() const
{
    const fw::ClientDataSet* set = dataSet();
    return set ? set->RecordCount() : 0;
}

int RecordSetModel::recordOf(int row) const
{
    if (!pending_ || row < pending_->from)
        return row;
    if (pending_->by < 0 && row == pending_->from)
        return -1; // the removed record is gone already
    return row + pending_->by;
}

int RecordSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int RecordSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const
{
    const fw::Field* field = index.isValid() ? fieldAt(index.column()) : nullptr;
    const int record = recordOf(index.row());
    if (!field || record < 0 || record >= recordCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return dataSet()->DisplayTextAt(record, *field);
    case Qt::EditRole:
        // The editing text (no display format) exists for the current record only.
        return record == currentRow() ? field->Text() : dataSet()->DisplayTextAt(record, *field);
    case Qt::TextAlignmentRole:
        return isNumber(*field) ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return {};
    }
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const RecordSetColumn& column = columns_[static_cast<size_t>(section)];
    if (!column.title.isEmpty())
        return column.title;
    const fw::Field* field = fieldAt(section);
    return field ? field->DisplayLabel() : column.fieldName;
}

Qt::ItemFlags RecordSetModel::flags(const QModelIndex& index) const
{
    const Qt::ItemFlags base = QAbstractTableModel::flags(index);
    const fw::Field* field = index.isValid() ? fieldAt(index.column()) : nullptr;
    if (!field || columns_[static_cast<size_t>(index.column())].readOnly || !source_->Enabled ||
        !fieldWritable(*field))
        return base;
    return base | Qt::ItemIsEditable;
}

bool RecordSetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    return runFromWidget([&] {
        fw::ClientDataSet& set = *dataSet();
        moveTo(index.row());
        if (set.State() == fw::DataSetState::Browse)
            set.Edit();
        fieldAt(index.column())->SetText(value.toString());
    });
}

// A record set only says that the whole set changed. One record more with
// the cursor on a record is a post of a new one, which the cursor points
// at; one record less with the former current record gone is a delete at
// the former row. Anything else (load, filter, index) resets, unless the
// count stayed, when only the texts changed. A wrong guess after
// EnableControls only misplaces the views' selection: texts are read lazily.
void RecordSetModel::dataSetChanged()
{
    const int count = recordCount();
    const int row = currentRow();
    const fw::ClientDataSet* set = dataSet();
    if (count == rows_ + 1 && row >= 0)
        announceInsert(row);
    else if (count == rows_ - 1 && currentRow_ >= 0 && currentRow_ <= count &&
             !(set && set->BookmarkValid(current_)))
        announceRemove(currentRow_);
    else if (count == rows_ && count > 0)
        emit dataChanged(index(0, 0), index(count - 1, columnCount() - 1));
    else if (count != rows_)
        reset();
    remember();
}

void RecordSetModel::recordChanged(fw::Field*)
{
    if (recordCount() != rows_) {
        dataSetChanged();
        return;
    }
    // The row left may have shown the insert buffer; the row reached shows the edits.
    refreshRow(currentRow_);
    refreshRow(currentRow());
    remember();
}

void RecordSetModel::announceInsert(int row)
{
    pending_ = Pending{row, 1};
    beginInsertRows({}, row, row);
    pending_.reset();
    ++rows_;
    endInsertRows();
}

void RecordSetModel::announceRemove(int row)
{
    pending_ = Pending{row, -1};
    beginRemoveRows({}, row, row);
    pending_.reset();
    --rows_;
    endRemoveRows();
}

void RecordSetModel::reset()
{
    beginResetModel();
    rows_ = recordCount();
    endResetModel();
}

void RecordSetModel::refreshRow(int row)
{
    if (row >= 0 && row < rows_ && columnCount() > 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void RecordSetModel::remember()
{
    const fw::ClientDataSet* set = dataSet();
    currentRow_ = currentRow();
    current_ = set ? set->GetBookmark() : fw::Bookmark{};
    emit currentRowChanged(currentRow_);
}

} // namespace cmp::ui

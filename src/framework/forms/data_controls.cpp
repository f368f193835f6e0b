#include "framework/forms/data_controls.h"

#include "framework/data/field.h"

#include <algorithm>

namespace cmp::fw {

namespace {

bool fieldWritable(const Field* field)
{
    return field && !field->ReadOnly && !field->IsCalculated() && !field->DataSet().ReadOnly;
}

void writeField(Field& field, const QString& text)
{
    ClientDataSet& dataSet = field.DataSet();
    if (dataSet.State() == DataSetState::Browse)
        dataSet.Edit();
    field.SetText(text);
}

} // namespace

FieldLink::~FieldLink()
{
    if (source_)
        source_->removeLink(this);
}

void FieldLink::setDataSource(DataSource* source)
{
    if (DataSource::relink(source_, source, this))
        refresh_();
}

void FieldLink::setFieldName(const QString& name)
{
    fieldName_ = name;
    refresh_();
}

Field* FieldLink::field() const
{
    ClientDataSet* dataSet = source_ ? source_->DataSet() : nullptr;
    if (!dataSet || !dataSet->Active() || fieldName_.isEmpty())
        return nullptr;
    return dataSet->FindField(fieldName_);
}

QString FieldLink::text() const
{
    const Field* current = field();
    return current && !current->DataSet().IsEmpty() ? current->Text() : QString();
}

bool FieldLink::canWrite() const
{
    return source_ && source_->Enabled && fieldWritable(field());
}

void FieldLink::write(const QString& text)
{
    writeField(*field(), text);
}

DBCheckBox::DBCheckBox(Form& form, QString name)
    : CheckBox(form, std::move(name)), link_([this] { refresh(); })
{}

void DBCheckBox::refresh()
{
    SetChecked(link_.text() == ValueChecked, Announce::Quiet);
}

void DBCheckBox::clicked()
{
    if (!link_.canWrite())
        return;
    link_.write(Checked() ? ValueUnchecked : ValueChecked);
    fire(OnClick);
}

DBGrid::DBGrid(Form& form, QString name) : Control(form, std::move(name)) {}

DBGrid::~DBGrid()
{
    SetDataSource(nullptr);
}

void DBGrid::SetDataSource(DataSource* source)
{
    if (DataSource::relink(source_, source, this))
        changed(Property::Contents);
}

ClientDataSet* DBGrid::dataSet() const
{
    ClientDataSet* set = source_ ? source_->DataSet() : nullptr;
    return set && set->Active() ? set : nullptr;
}

GridColumn& DBGrid::AddColumn(const QString& fieldName, const QString& title)
{
    Columns.push_back(GridColumn{fieldName, title});
    changed(Property::Contents);
    return Columns.back();
}

std::vector<GridColumn> DBGrid::VisibleColumns() const
{
    std::vector<GridColumn> shown;
    if (!Columns.empty()) {
        std::copy_if(Columns.begin(), Columns.end(), std::back_inserter(shown),
                     [](const GridColumn& column) { return column.Visible; });
        return shown;
    }
    if (ClientDataSet* set = dataSet())
        for (int i = 0; i < set->FieldCount(); ++i)
            if (set->Fields(i).Visible)
                shown.push_back(GridColumn{set->Fields(i).FieldName(), {}});
    return shown;
}

Field* DBGrid::fieldOf(const GridColumn& column) const
{
    ClientDataSet* set = dataSet();
    return set ? set->FindField(column.FieldName) : nullptr;
}

QString DBGrid::ColumnTitle(const GridColumn& column) const
{
    if (!column.Title.isEmpty())
        return column.Title;
    const Field* field = fieldOf(column);
    return field ? field->DisplayLabel() : column.FieldName;
}

void DBGrid::SetSelectedIndex(int index)
{
    const int count = static_cast<int>(VisibleColumns().size());
    index = std::clamp(index, 0, std::max(count - 1, 0));
    if (index == selectedIndex_)
        return;
    fire(OnColExit);
    selectedIndex_ = index;
    changed(Property::Selection);
    fire(OnColEnter);
}

Field* DBGrid::SelectedField() const
{
    const auto columns = VisibleColumns();
    if (selectedIndex_ >= static_cast<int>(columns.size()))
        return nullptr;
    return fieldOf(columns[static_cast<size_t>(selectedIndex_)]);
}

int DBGrid::RowCount() const
{
    ClientDataSet* set = dataSet();
    return set ? set->RecordCount() : 0;
}

int DBGrid::Row() const
{
    ClientDataSet* set = dataSet();
    return set && !set->IsEmpty() ? set->RecNo() - 1 : -1;
}

QString DBGrid::CellText(int row, int column) const
{
    const auto columns = VisibleColumns();
    if (column < 0 || column >= static_cast<int>(columns.size()) || row < 0 || row >= RowCount())
        return {};
    const Field* field = fieldOf(columns[static_cast<size_t>(column)]);
    return field ? dataSet()->DisplayTextAt(row, *field) : QString();
}

bool DBGrid::cellWritable() const
{
    const auto columns = VisibleColumns();
    if (ReadOnly || RowSelect || selectedIndex_ >= static_cast<int>(columns.size()))
        return false;
    return !columns[static_cast<size_t>(selectedIndex_)].ReadOnly && source_->Enabled &&
           fieldWritable(SelectedField());
}

void DBGrid::EditButtonClick()
{
    const auto columns = VisibleColumns();
    if (selectedIndex_ < static_cast<int>(columns.size()) &&
        columns[static_cast<size_t>(selectedIndex_)].ButtonStyle == ColumnButtonStyle::Ellipsis &&
        cellWritable())
        fire(OnEditButtonClick);
}

void DBGrid::keyDownDefault(Key& key, Shift shift)
{
    ClientDataSet* set = dataSet();
    const bool moves =
        key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
    if (!set || !moves) {
        Control::keyDownDefault(key, shift);
        return;
    }
    if (key == Qt::Key_Up)
        set->Prior();
    else if (key == Qt::Key_Down)
        set->Next();
    else if (!RowSelect)
        SetSelectedIndex(selectedIndex_ + (key == Qt::Key_Right ? 1 : -1));
    key = 0;
}

void DBGrid::typeText(const QString& text)
{
    if (cellWritable() && !dataSet()->IsEmpty())
        writeField(*SelectedField(), text);
}

} // namespace cmp::fw

#include "framework/forms/data_controls.h"

#include "framework/data/field.h"
#include "framework/forms/buttons.h"
#include "framework/forms/form.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

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

DBText::DBText(Form& form, QString name)
    : Label(form, std::move(name)), link_([this] { SetCaption(link_.text()); })
{}

DBNavigator::DBNavigator(Form& form, QString name) : Panel(form, std::move(name)) {}

// The form frees the buttons before the navigator, their parent.
DBNavigator::~DBNavigator()
{
    first_ = prior_ = next_ = last_ = nullptr;
    SetDataSource(nullptr);
}

DBNavigator& DBNavigator::create(Form& form, const QString& name, Control* parent)
{
    auto& navigator = form.create<DBNavigator>(name, parent);
    const auto button = [&](const char* part, const char* caption, const char* hint,
                            void (ClientDataSet::*move)()) {
        auto& created = form.create<SpeedButton>(name + QLatin1String(part), &navigator);
        created.SetCaption(QString::fromUtf8(caption));
        created.SetHint(QString::fromUtf8(hint));
        created.OnClick = [&navigator, move](Control&) {
            if (ClientDataSet* dataSet = navigator.browsed())
                (dataSet->*move)();
        };
        return &created;
    };
    navigator.first_ = button("First", "|◀", "Primeiro", &ClientDataSet::First);
    navigator.prior_ = button("Prior", "◀", "Anterior", &ClientDataSet::Prior);
    navigator.next_ = button("Next", "▶", "Próximo", &ClientDataSet::Next);
    navigator.last_ = button("Last", "▶|", "Último", &ClientDataSet::Last);
    navigator.refresh();
    return navigator;
}

void DBNavigator::SetDataSource(DataSource* source)
{
    if (DataSource::relink(source_, source, this))
        refresh();
}

ClientDataSet* DBNavigator::browsed() const
{
    ClientDataSet* dataSet = source_ ? source_->DataSet() : nullptr;
    return dataSet && dataSet->State() == DataSetState::Browse ? dataSet : nullptr;
}

void DBNavigator::recordChanged(Field* field)
{
    if (!field)
        refresh();
}

void DBNavigator::refresh()
{
    if (!first_)
        return;
    const ClientDataSet* dataSet = browsed();
    const int recNo = dataSet ? dataSet->RecNo() : 0;
    const int count = dataSet ? dataSet->RecordCount() : 0;
    first_->SetEnabled(recNo > 1);
    prior_->SetEnabled(recNo > 1);
    next_->SetEnabled(recNo > 0 && recNo < count);
    last_->SetEnabled(recNo > 0 && recNo < count);
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

GridColumn& DBGrid::columnOf(const QString& fieldName)
{
    for (GridColumn& column : Columns)
        if (column.FieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return column;
    throw std::invalid_argument("no column for field " + fieldName.toStdString());
}

void DBGrid::SetColumnVisible(const QString& fieldName, bool visible)
{
    GridColumn& column = columnOf(fieldName);
    if (std::exchange(column.Visible, visible) != visible)
        changed(Property::Contents);
}

void DBGrid::SetColumnButtonStyle(const QString& fieldName, ColumnButtonStyle style)
{
    GridColumn& column = columnOf(fieldName);
    if (std::exchange(column.ButtonStyle, style) != style)
        changed(Property::Contents);
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

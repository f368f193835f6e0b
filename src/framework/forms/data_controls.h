#pragma once

#include "framework/data/data_source.h"
#include "framework/forms/containers.h"
#include "framework/forms/standard_controls.h"

#include <functional>
#include <vector>

namespace cmp::fw {

// The field of the current record a data-aware control shows. The control
// refreshes quietly whenever the record moves or changes.
class FieldLink : public DataLink
{
public:
    explicit FieldLink(std::function<void()> refresh) : refresh_(std::move(refresh)) {}
    ~FieldLink() override;
    FieldLink(const FieldLink&) = delete;
    FieldLink& operator=(const FieldLink&) = delete;

    DataSource* dataSource() const { return source_; }
    void setDataSource(DataSource* source);
    const QString& fieldName() const { return fieldName_; }
    void setFieldName(const QString& name);

    // Null while the record set is closed or has no such field.
    Field* field() const;
    // The field's editing text, through its get-text.
    QString text() const;
    bool canWrite() const;
    // Puts the record set into edit and writes through the field's set-text.
    void write(const QString& text);

private:
    void dataSetChanged() override { refresh_(); }
    void recordChanged(Field*) override { refresh_(); }

    std::function<void()> refresh_;
    DataSource* source_ = nullptr;
    QString fieldName_;
};

// An editor showing one field of the current record; what the user types is
// written to the record.
template <class Editor> class DataEditor : public Editor
{
public:
    DataEditor(Form& form, QString name)
        : Editor(form, std::move(name)),
          link_([this] { Editor::SetText(link_.text(), Announce::Quiet); })
    {}

    DataSource* GetDataSource() const { return link_.dataSource(); }
    void SetDataSource(DataSource* source) { link_.setDataSource(source); }
    const QString& DataField() const { return link_.fieldName(); }
    void SetDataField(const QString& name) { link_.setFieldName(name); }
    Field* GetField() const { return link_.field(); }

protected:
    void acceptTyped(const QString& text) override
    {
        if (link_.canWrite())
            link_.write(text);
    }

private:
    FieldLink link_;
};

class DBEdit : public DataEditor<Edit>
{
public:
    using DataEditor::DataEditor;
};

class DBMemo : public DataEditor<Memo>
{
public:
    using DataEditor::DataEditor;
};

// A check box over a flag field: ticked when the field holds ValueChecked.
class DBCheckBox : public CheckBox
{
public:
    DBCheckBox(Form& form, QString name);

    DataSource* GetDataSource() const { return link_.dataSource(); }
    void SetDataSource(DataSource* source) { link_.setDataSource(source); }
    const QString& DataField() const { return link_.fieldName(); }
    void SetDataField(const QString& name) { link_.setFieldName(name); }
    QString ValueChecked = "S";
    QString ValueUnchecked = "N";

protected:
    void clicked() override;

private:
    void refresh();

    FieldLink link_;
};

// A label showing one field of the current record, through its get-text.
class DBText : public Label
{
public:
    DBText(Form& form, QString name);

    DataSource* GetDataSource() const { return link_.dataSource(); }
    void SetDataSource(DataSource* source) { link_.setDataSource(source); }
    const QString& DataField() const { return link_.fieldName(); }
    void SetDataField(const QString& name) { link_.setFieldName(name); }

private:
    FieldLink link_;
};

class SpeedButton;

// Buttons moving through the records of a data source: first, prior, next
// and last. A button is enabled only while it can move somewhere, and all
// of them only while the record set is browsing.
class DBNavigator : public Panel, private DataLink
{
public:
    DBNavigator(Form& form, QString name);
    ~DBNavigator() override;

    // Creates a navigator with its buttons, named after it ("dbnPadraoFirst",
    // "dbnPadraoPrior", "dbnPadraoNext", "dbnPadraoLast").
    static DBNavigator& create(Form& form, const QString& name, Control* parent);

    DataSource* GetDataSource() const { return source_; }
    void SetDataSource(DataSource* source);

private:
    void dataSetChanged() override { refresh(); }
    void recordChanged(Field* field) override;
    void stateChanged() override { refresh(); }
    void refresh();
    ClientDataSet* browsed() const;

    DataSource* source_ = nullptr;
    SpeedButton* first_ = nullptr;
    SpeedButton* prior_ = nullptr;
    SpeedButton* next_ = nullptr;
    SpeedButton* last_ = nullptr;
};

enum class ColumnButtonStyle
{
    Auto,
    Ellipsis // a lookup button in the cell
};

struct GridColumn
{
    QString FieldName;
    QString Title; // empty: the field's display label
    int Width = 64;
    bool ReadOnly = false;
    bool Visible = true;
    ColumnButtonStyle ButtonStyle = ColumnButtonStyle::Auto;
};

// A grid over a record set: one row per record, the current record is the
// grid's row. Without declared columns it shows every visible field.
class DBGrid : public Control, private DataLink
{
public:
    DBGrid(Form& form, QString name);
    ~DBGrid() override;

    DataSource* GetDataSource() const { return source_; }
    void SetDataSource(DataSource* source);
    std::vector<GridColumn> Columns;
    GridColumn& AddColumn(const QString& fieldName, const QString& title = {});
    std::vector<GridColumn> VisibleColumns() const;
    // Shows or hides the column of a field, and gives or takes its lookup
    // button; the grid redraws its columns when something changed.
    void SetColumnVisible(const QString& fieldName, bool visible);
    void SetColumnButtonStyle(const QString& fieldName, ColumnButtonStyle style);
    QString ColumnTitle(const GridColumn& column) const;

    bool RowSelect = false;
    bool ReadOnly = false;

    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int index);
    Field* SelectedField() const;
    int RowCount() const;
    int Row() const; // 0-based, -1 when empty
    QString CellText(int row, int column) const;

    Event OnColEnter, OnColExit, OnEditButtonClick;
    // The lookup button of the selected cell, when its column has one.
    void EditButtonClick();

    void keyDownDefault(Key& key, Shift shift) override;
    void typeText(const QString& text) override;

protected:
    bool focusable() const override { return true; }

private:
    ClientDataSet* dataSet() const;
    GridColumn& columnOf(const QString& fieldName);
    Field* fieldOf(const GridColumn& column) const;
    bool cellWritable() const;
    void dataSetChanged() override { changed(Property::Contents); }
    void recordChanged(Field*) override { changed(Property::Selection); }
    void stateChanged() override { changed(Property::Contents); }

    DataSource* source_ = nullptr;
    int selectedIndex_ = 0;
};

} // namespace cmp::fw

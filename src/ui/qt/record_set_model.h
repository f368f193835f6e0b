#pragma once

#include "framework/data/data_source.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <optional>
#include <vector>

namespace cmp::ui {

struct RecordSetColumn
{
    QString fieldName;
    QString title; // empty: the field's display label
    bool readOnly = false;

    friend bool operator==(const RecordSetColumn&, const RecordSetColumn&) = default;
};

// The records of a record set as a table, one row per visible record. Texts
// are read only when a row is painted, through the field's get-text, so a
// million-row set costs nothing until it is scrolled through. The model
// follows the set through a data link: added and deleted records become row
// insertions and removals, edits become changes of their row.
class RecordSetModel : public QAbstractTableModel, private fw::DataLink
{
    Q_OBJECT

public:
    // The records behind a data source (null: none yet), in these columns.
    RecordSetModel(fw::DataSource* source, std::vector<RecordSetColumn> columns,
                   QObject* parent = nullptr);
    ~RecordSetModel() override;

    void setDataSource(fw::DataSource* source);
    void setColumns(std::vector<RecordSetColumn> columns);
    const std::vector<RecordSetColumn>& columns() const { return columns_; }
    // The open record set behind the model, or null.
    fw::ClientDataSet* dataSet() const;
    // Null when the set is closed or lacks the column's field.
    fw::Field* fieldAt(int column) const;
    // The row of the current record; -1 when there is none.
    int currentRow() const;
    // Makes the record of that row the current one; an abort of the record
    // set's scroll events passes through.
    void moveTo(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Writes the text through the field's set-text on that row's record,
    // which is made current and put into edit first. A refused text is
    // shown as an error and false comes back.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The model caught up with the record set; the current record is now at row.
    void currentRowChanged(int row);

private:
    // While the views hear of an insertion or removal the model still has
    // its former rows: the rows from `from` on read the record `by` further.
    struct Pending
    {
        int from = 0;
        int by = 0;
    };

    void dataSetChanged() override;
    void recordChanged(fw::Field* field) override;
    int recordCount() const;
    int recordOf(int row) const;
    void announceInsert(int row);
    void announceRemove(int row);
    void reset();
    void refreshRow(int row);
    void remember();

    fw::DataSource* source_ = nullptr;
    std::vector<RecordSetColumn> columns_;
    int rows_ = 0;
    int currentRow_ = -1;
    fw::Bookmark current_;
    std::optional<Pending> pending_;
};

} // namespace cmp::ui

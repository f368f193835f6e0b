#pragma once

#include "framework/data/data_packet.h"
#include "framework/data/field.h"
#include "framework/data/filter_expression.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <QHash>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace cmp::fw {

class DataSource;

enum class DataSetState
{
    Inactive,
    Browse,
    Edit,
    Insert,
    CalcFields
};

struct LocateOptions
{
    bool caseInsensitive = false;
    bool partialKey = false; // the last string value may be a prefix
};

struct IndexOptions
{
    bool caseInsensitive = false;
    bool descending = false;
};

struct IndexDef
{
    QString name;
    QString fields; // "CDARVPROD;DTPROGENTR"
    IndexOptions options;
};

// Opaque position of a record, valid while the record exists.
struct Bookmark
{
    int row = -1;
    bool isValid() const { return row >= 0; }
};

// The in-memory table every screen and the server work with: typed fields,
// a current record, browse/edit/insert states with before/after events, a
// change log that becomes a change packet, indexes, locate and filters.
//
// Records live in column vectors addressed by a row id; the visible order is
// a vector of row ids (natural order, an index, or a filtered subset), so
// navigation, locate on an index and posting never walk all records.
class ClientDataSet
{
public:
    using DataSetEvent = std::function<void(ClientDataSet&)>;

    explicit ClientDataSet(QString name = {});
    ~ClientDataSet();
    ClientDataSet(const ClientDataSet&) = delete;
    ClientDataSet& operator=(const ClientDataSet&) = delete;

    const QString& Name() const { return name_; }

    // --- fields -----------------------------------------------------------
    // Persistent fields are declared before the set is created or loaded;
    // they keep their labels, formats and handlers across loads.
    Field& AddField(const QString& name, FieldType type, int size = 0);
    Field& AddCalcField(const QString& name, FieldType type, int size = 0);
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    Field& Fields(int index) const { return *fields_.at(static_cast<size_t>(index)); }
    Field* FindField(const QString& name) const;
    Field& FieldByName(const QString& name) const; // throws DataSetError
    std::vector<FieldDef> DataFieldDefs() const;

    // --- open / close / load -------------------------------------------------
    void CreateDataSet(); // an empty, active set with the declared fields
    void Close();
    bool Active() const { return state_ != DataSetState::Inactive; }
    DataSetState State() const { return state_; }
    // Whole content: records and pending change log.
    DataPacket Data() const;
    // Loads a data packet (or a change packet) and opens the set; a change
    // log in the packet stays pending here.
    void SetData(const DataPacket& packet);
    void SetData(DataPacket&& packet);
    // Only the pending changes: inserted, modified (with original values)
    // and deleted records.
    DataPacket Delta() const;
    void EmptyDataSet();

    // --- navigation ---------------------------------------------------------
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance); // returns how far it moved
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const { return view().empty(); }
    int RecordCount() const { return static_cast<int>(view().size()); }
    int RecNo() const; // 1-based; 0 when empty or inserting
    void SetRecNo(int recNo);
    Bookmark GetBookmark() const;
    void GotoBookmark(const Bookmark& bookmark);
    bool BookmarkValid(const Bookmark& bookmark) const;

    // --- editing ------------------------------------------------------------
    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // Posts a pending edit; does nothing in browse state.
    void CheckBrowseMode();
    bool Modified() const { return modified_; }
    bool ReadOnly = false;

    // --- change log ---------------------------------------------------------
    int ChangeCount() const { return changeCount_; }
    void MergeChangeLog();
    void CancelUpdates();
    void RevertRecord();
    UpdateStatus RecordUpdateStatus() const;
    bool LogChanges() const { return logChanges_; }
    void SetLogChanges(bool log) { logChanges_ = log; }

    // --- indexes ------------------------------------------------------------
    void AddIndex(const QString& name, const QString& fields, IndexOptions options = {});
    void DeleteIndex(const QString& name);
    bool HasIndex(const QString& name) const;
    std::vector<IndexDef> IndexDefs() const;
    QString IndexName() const;
    void SetIndexName(const QString& name);
    QString IndexFieldNames() const;
    void SetIndexFieldNames(const QString& fields);

    // --- search -------------------------------------------------------------
    // Moves to the first record whose fields ("A;B") equal the values; uses
    // an index whose leading fields and case rule fit, and scans otherwise.
    bool Locate(const QString& fields, const QVariantList& values, LocateOptions options = {});
    bool Locate(const QString& field, const QVariant& value, LocateOptions options = {})
    {
        return Locate(field, QVariantList{value}, options);
    }
    // Values of resultFields ("A;B") of the first matching record, without
    // moving: one value, or a list for several fields; null when none.
    QVariant Lookup(const QString& keyFields, const QVariantList& keyValues,
                    const QString& resultFields);

    // --- filter -------------------------------------------------------------
    QString Filter() const { return filterText_; }
    void SetFilter(const QString& text); // throws FilterError when invalid
    bool Filtered() const { return filtered_; }
    void SetFiltered(bool filtered);
    bool FilterCaseInsensitive() const { return filterCaseInsensitive_; }
    void SetFilterCaseInsensitive(bool caseInsensitive);

    // --- controls -----------------------------------------------------------
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return controlsDisabled_ > 0; }

    // Values of any visible record without moving the cursor or firing
    // events (grids draw through these).
    QVariant ValueAt(int recIndex, const Field& field) const;
    QString DisplayTextAt(int recIndex, const Field& field) const;

    int Tag = 0;

    DataSetEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    DataSetEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    DataSetEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    DataSetEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    DataSetEvent BeforeGetRecords, AfterGetRecords;
    DataSetEvent OnNewRecord, OnCalcFields;
    // Drops every handler above: for a set that outlives the screen handling it.
    void DetachEvents();

private:
    friend class Field;
    friend class DataSource;
    struct Index;
    class PeekGuard;
    using RowId = int;
    enum class Notify
    {
        DataSet,
        Record,
        State
    };

    // field access for Field
    QVariant fieldValue(const Field& field) const;
    void setFieldValue(Field& field, const QVariant& value);
    QVariant oldFieldValue(const Field& field) const;
    QVariant valueOfRow(RowId row, const Field& field) const;

    // structure and loading
    void checkActive() const;
    void checkEditable(const char* operation) const;
    Field& declareField(const FieldDef& def, FieldKind kind);
    void rebuildFieldLookup();
    void reconcileFields(const std::vector<FieldDef>& defs);
    std::vector<FieldDef> persistentDataDefs() const;
    std::vector<FieldDef> allFieldDefs() const;
    void resetStorage();
    void openState();
    void loadRows(DataPacket&& packet);
    RowId newRow(std::vector<QVariant>&& values);
    std::vector<QVariant> rowValues(RowId row) const;
    void writeRow(RowId row, const std::vector<QVariant>& values);

    // editing
    void beginInsert(bool atEnd);
    void checkRequired() const;
    bool postInsert();
    bool postEdit();
    void discardBuffer();

    // visible order
    const std::vector<RowId>& view() const;
    bool filtering() const { return filtered_ && !filter_.isEmpty(); }
    RowId currentRow() const;
    void setCursor(int position);
    void rebuildView();
    int viewPosition(RowId row) const;
    void invalidatePositions() { positionsValid_ = false; }
    bool matchesFilter(RowId row) const;
    int placeInserted(RowId row);
    void removeFromViews(RowId row);
    bool reposition(RowId row, const std::vector<QVariant>& before,
                    const std::vector<QVariant>& after);
    void applyFilter();

    // indexes
    Index* findIndex(const QString& name) const;
    void buildIndex(Index& index) const;
    void rebuildAllIndexes();
    void indexInsert(Index& index, RowId row);
    void indexErase(Index& index, RowId row);
    int compareRows(const Index& index, RowId a, RowId b) const;
    std::vector<int> columnsOf(const QString& fieldList) const;
    void selectIndex(Index* index);
    Index* indexForLocate(const std::vector<int>& columns, const LocateOptions& options) const;
    RowId findRow(const std::vector<int>& columns, const std::vector<QVariant>& values,
                  const LocateOptions& options, int* position) const;
    bool rowMatches(RowId row, const std::vector<int>& columns, const std::vector<QVariant>& values,
                    const LocateOptions& options) const;
    std::vector<QVariant> locateValues(const std::vector<int>& columns, const QVariantList& values,
                                       bool& convertible) const;

    // change log
    void logModify(RowId row, std::vector<QVariant>&& before);
    void logDelete(RowId row);
    void setStatus(RowId row, UpdateStatus status);
    PacketRow packetRow(RowId row) const;

    // events and notification
    void fire(const DataSetEvent& event)
    {
        if (event)
            event(*this);
    }
    void notify(Notify what, Field* field = nullptr);
    void scrolled();
    void calculate() const;
    void invalidateCalc() { calcValid_ = false; }

    QString name_;
    std::vector<std::unique_ptr<Field>> fields_;
    QHash<QString, Field*> byName_; // upper-case name
    int dataColumns_ = 0;
    int calcSlots_ = 0;

    DataSetState state_ = DataSetState::Inactive;
    std::vector<std::vector<QVariant>> columns_; // [column][row id]
    std::vector<UpdateStatus> status_;           // [row id]
    std::unordered_map<RowId, std::vector<QVariant>> originals_;
    std::vector<RowId> deleted_;
    std::vector<RowId> order_;     // natural order of live records
    std::vector<RowId> baseOrder_; // natural order at the last load or merge
    int changeCount_ = 0;
    bool logChanges_ = true;

    int cursor_ = -1; // position in view()
    bool eof_ = true;
    bool bof_ = true;
    std::vector<QVariant> buffer_; // edit/insert buffer of the data columns
    bool modified_ = false;
    int insertCursor_ = -1;   // cursor before Insert/Append, restored on Cancel
    RowId insertBefore_ = -1; // record an Insert goes in front of; -1 appends
    RowId peekRow_ = -1;      // record read by ValueAt and filters, instead of the cursor's

    mutable std::vector<QVariant> calcValues_;
    mutable bool calcValid_ = false;
    mutable bool calculating_ = false;

    std::vector<std::unique_ptr<Index>> indexes_;
    Index* active_ = nullptr;
    QString indexFieldNames_;

    QString filterText_;
    bool filtered_ = false;
    bool filterCaseInsensitive_ = false;
    FilterExpression filter_;
    std::vector<RowId> filteredView_;

    mutable std::vector<int> positions_; // [row id] -> position in view()
    mutable bool positionsValid_ = false;

    std::vector<DataSource*> sources_;
    int controlsDisabled_ = 0;
    DataSetState notifiedState_ = DataSetState::Inactive;
};

} // namespace cmp::fw

#pragma once

#include "framework/data/client_dataset.h"

#include <functional>
#include <vector>

namespace cmp::fw {

// Something bound to a data source (a grid, a data-aware editor) that wants
// to hear about the record set behind it.
class DataLink
{
public:
    virtual ~DataLink() = default;
    // The whole set changed: loaded, filtered, reordered, records added or
    // removed, or controls enabled again.
    virtual void dataSetChanged() {}
    // The current record moved (field null) or one of its fields changed.
    virtual void recordChanged(Field* /*field*/) {}
    virtual void stateChanged() {}
};

// Connects a record set to the controls that show it. Notifications stop
// while the record set's controls are disabled.
class DataSource
{
public:
    explicit DataSource(ClientDataSet* dataSet = nullptr);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    ClientDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(ClientDataSet* dataSet);
    DataSetState State() const;

    void addLink(DataLink* link);
    void removeLink(DataLink* link);
    // Moves a link from the source in `slot` to `next` and stores `next`
    // there; false when it was already linked to `next`.
    static bool relink(DataSource*& slot, DataSource* next, DataLink* link);

    bool Enabled = true;
    int Tag = 0;
    std::function<void(DataSource&)> OnStateChange;
    std::function<void(DataSource&, Field*)> OnDataChange;

private:
    friend class ClientDataSet;
    void dataSetChanged();
    void recordChanged(Field* field);
    void stateChanged();

    ClientDataSet* dataSet_ = nullptr;
    std::vector<DataLink*> links_;
};

} // namespace cmp::fw

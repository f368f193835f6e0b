#include "framework/data/data_source.h"

#include <algorithm>

namespace cmp::fw {

DataSource::DataSource(ClientDataSet* dataSet)
{
    SetDataSet(dataSet);
}

// A source going away tells nobody: its owner's handlers and controls may
// already be gone.
DataSource::~DataSource()
{
    if (dataSet_)
        std::erase(dataSet_->sources_, this);
}

void DataSource::SetDataSet(ClientDataSet* dataSet)
{
    if (dataSet == dataSet_)
        return;
    if (dataSet_)
        std::erase(dataSet_->sources_, this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->sources_.push_back(this);
    dataSetChanged();
}

DataSetState DataSource::State() const
{
    return dataSet_ ? dataSet_->State() : DataSetState::Inactive;
}

void DataSource::addLink(DataLink* link)
{
    if (std::find(links_.begin(), links_.end(), link) == links_.end())
        links_.push_back(link);
}

void DataSource::removeLink(DataLink* link)
{
    std::erase(links_, link);
}

bool DataSource::relink(DataSource*& slot, DataSource* next, DataLink* link)
{
    if (slot == next)
        return false;
    if (slot)
        slot->removeLink(link);
    slot = next;
    if (slot)
        slot->addLink(link);
    return true;
}

// Links may detach themselves while being told; iterate over a copy.
void DataSource::dataSetChanged()
{
    if (!Enabled)
        return;
    for (DataLink* link : std::vector<DataLink*>(links_))
        link->dataSetChanged();
    if (OnDataChange)
        OnDataChange(*this, nullptr);
}

void DataSource::recordChanged(Field* field)
{
    if (!Enabled)
        return;
    for (DataLink* link : std::vector<DataLink*>(links_))
        link->recordChanged(field);
    if (OnDataChange)
        OnDataChange(*this, field);
}

void DataSource::stateChanged()
{
    if (!Enabled)
        return;
    for (DataLink* link : std::vector<DataLink*>(links_))
        link->stateChanged();
    if (OnStateChange)
        OnStateChange(*this);
}

} // namespace cmp::fw

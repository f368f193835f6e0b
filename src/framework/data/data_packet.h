#pragma once

#include "framework/data/field_types.h"

#include <QVariant>

#include <vector>

namespace cmp::fw {

// One record of a packet. Unmodified and inserted records carry only their
// values; a modified record also carries the values it had at the last load
// or merge; a deleted record carries those original values as its values.
struct PacketRow
{
    std::vector<QVariant> values;
    UpdateStatus status = UpdateStatus::Unmodified;
    std::vector<QVariant> original; // only for Modified

    friend bool operator==(const PacketRow&, const PacketRow&) = default;
};

// A data packet (the whole content of a record set: fields, records and its
// pending change log) or a change packet (only the changed records, each with
// its status). Both have the same shape; the JSON encoding is in
// docs/packets.md.
struct DataPacket
{
    std::vector<FieldDef> fields;
    std::vector<PacketRow> rows;

    int fieldIndex(const QString& name) const; // case-insensitive; -1 when absent
    bool hasChanges() const;

    friend bool operator==(const DataPacket&, const DataPacket&) = default;
};

} // namespace cmp::fw

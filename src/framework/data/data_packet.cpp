#include "framework/data/data_packet.h"

#include <algorithm>

namespace cmp::fw {

int DataPacket::fieldIndex(const QString& name) const
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

bool DataPacket::hasChanges() const
{
    return std::any_of(rows.begin(), rows.end(),
                       [](const PacketRow& row) { return row.status != UpdateStatus::Unmodified; });
}

} // namespace cmp::fw

#pragma once

#include "framework/data/client_dataset.h"

#include <QString>

// Small helpers the requisition screen's sources share.
namespace cmp::Cli_cmp03100 {

// Parameter flags hold one letter.
inline const QString yes = QStringLiteral("S");
inline const QString no = QStringLiteral("N");

// Open and holding at least one record: there is a current record to read.
inline bool hasRecords(const fw::ClientDataSet& dataSet)
{
    return dataSet.Active() && !dataSet.IsEmpty();
}

} // namespace cmp::Cli_cmp03100

#pragma once

#include "framework/data/client_dataset.h"
#include "framework/data/field.h"

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

// A field of the current record; empty when there is none.
inline QString currentValue(const fw::ClientDataSet& dataSet, const QString& field)
{
    return hasRecords(dataSet) ? dataSet.FieldByName(field).AsString() : QString();
}

} // namespace cmp::Cli_cmp03100

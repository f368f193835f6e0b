#pragma once

#include "framework/data/client_dataset.h"

namespace cmp::fw {

// A sorted vector of row ids, kept up to date on every change once built.
struct ClientDataSet::Index
{
    IndexDef def;
    bool named = true; // false for the index behind IndexFieldNames
    std::vector<int> columns;
    std::vector<FieldType> types;
    std::vector<RowId> rows;
    bool built = false;
};

// Orders two values of one field kind: nulls first, then by value.
int compareValues(FieldType type, const QVariant& a, const QVariant& b,
                  Qt::CaseSensitivity strings);
bool isStringKind(FieldType type);

} // namespace cmp::fw

#pragma once

#include <QString>
#include <QVariant>

#include <vector>

namespace cmp::fw {

// The value kinds a record-set field can hold. Values travel as QVariant:
// String/FixedString/Memo as QString, Date as QDate, DateTime as QDateTime,
// Float as double, Integer as qint64, Boolean as bool; a null QVariant is an
// empty (null) value of any kind.
enum class FieldType
{
    String,
    FixedString,
    Date,
    DateTime,
    Float,
    Integer,
    Boolean,
    Memo
};

// The stored shape of one data field: what a packet carries about it.
struct FieldDef
{
    QString name;
    FieldType type = FieldType::String;
    int size = 0; // maximum characters of String/FixedString; 0 for other kinds

    friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

// State of a record in the change log since the last load or merge.
enum class UpdateStatus
{
    Unmodified,
    Modified,
    Inserted,
    Deleted
};

// Converts a value to the canonical QVariant type of a field kind; null and
// empty input give a null value. Returns false when the value cannot be
// represented (the output is then null).
bool coerceValue(FieldType type, const QVariant& in, QVariant& out);

QString fieldTypeName(FieldType type);
bool fieldTypeFromName(const QString& name, FieldType& type);

} // namespace cmp::fw

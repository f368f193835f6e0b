#pragma once

#include "framework/data/field_types.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>

namespace cmp::fw {

class ClientDataSet;

enum class FieldKind
{
    Data,      // stored in the records and carried by packets
    Calculated // computed per record by the record set's OnCalcFields
};

// One field of a ClientDataSet. A field always reads and writes the current
// record of its record set (the edit buffer while editing or inserting).
class Field
{
public:
    // Get-text: fills text for display (displayText true) or for editing.
    using GetTextHandler = std::function<void(Field&, QString& text, bool displayText)>;
    // Set-text: turns typed text into the field's value.
    using SetTextHandler = std::function<void(Field&, const QString& text)>;
    using FieldEvent = std::function<void(Field&)>;

    Field(ClientDataSet& dataSet, FieldDef def, FieldKind kind);
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    ClientDataSet& DataSet() const { return dataSet_; }
    const QString& FieldName() const { return def_.name; }
    FieldType DataType() const { return def_.type; }
    int Size() const { return def_.size; }
    FieldKind Kind() const { return kind_; }
    bool IsCalculated() const { return kind_ == FieldKind::Calculated; }
    const FieldDef& Def() const { return def_; }

    QVariant Value() const;
    void SetValue(const QVariant& value);
    // The value at the last load or merge; null for an inserted record.
    QVariant OldValue() const;
    bool IsNull() const;
    void Clear() { SetValue(QVariant()); }

    QString AsString() const;
    double AsFloat() const;
    qint64 AsInteger() const;
    bool AsBoolean() const;
    QDate AsDate() const;
    QDateTime AsDateTime() const;
    void SetAsString(const QString& text) { SetValue(text); }

    // Text for editing and for display, through OnGetText when set.
    QString Text() const;
    QString DisplayText() const;
    // Typed text into the value, through OnSetText when set.
    void SetText(const QString& text);

    QString DisplayLabel() const { return displayLabel_.isEmpty() ? def_.name : displayLabel_; }
    void SetDisplayLabel(const QString& label) { displayLabel_ = label; }
    QString DisplayFormat;
    QString EditMask;
    bool Visible = true;
    bool ReadOnly = false;
    bool Required = false;
    int Tag = 0;

    GetTextHandler OnGetText;
    SetTextHandler OnSetText;
    FieldEvent OnChange;
    FieldEvent OnValidate; // may Abort to refuse the new value

private:
    friend class ClientDataSet;

    QString defaultText(bool displayText) const;
    void defaultSetText(const QString& text);

    ClientDataSet& dataSet_;
    FieldDef def_;
    FieldKind kind_;
    QString displayLabel_;
    bool persistent_ = true; // false for fields created from a loaded packet
    int slot_ = -1;          // column of a data field, or slot of a calculated field
};

} // namespace cmp::fw

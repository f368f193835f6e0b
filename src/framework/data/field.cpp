#include "framework/data/field.h"

#include "framework/core/formats.h"
#include "framework/data/client_dataset.h"
#include "framework/data/data_set_error.h"

namespace cmp::fw {

namespace {

// Date display formats are written the way users know them ("dd/mm/yyyy",
// "hh:nn", "c" for date and time); Qt wants "MM" for months and "mm" for
// minutes.
QString qtDateFormat(const QString& format)
{
    const QString lower = format.toLower();
    if (lower == QLatin1String("c"))
        return QStringLiteral("dd/MM/yyyy hh:mm:ss");
    QString out;
    bool afterHour = false;
    for (int i = 0; i < lower.size();) {
        int run = 1;
        while (i + run < lower.size() && lower[i + run] == lower[i])
            ++run;
        const QChar c = lower[i];
        if (c == QLatin1Char('m')) {
            out += QString(run, afterHour ? QLatin1Char('m') : QLatin1Char('M'));
        } else if (c == QLatin1Char('n')) {
            out += QString(run, QLatin1Char('m'));
        } else {
            out += format.mid(i, run);
        }
        if (c == QLatin1Char('h'))
            afterHour = true;
        else if (c.isLetter() && c != QLatin1Char('m'))
            afterHour = false;
        i += run;
    }
    return out;
}

QString shortestFloat(double value)
{
    return QString::number(value, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace

Field::Field(ClientDataSet& dataSet, FieldDef def, FieldKind kind)
    : dataSet_(dataSet), def_(std::move(def)), kind_(kind)
{}

QVariant Field::Value() const
{
    return dataSet_.fieldValue(*this);
}

void Field::SetValue(const QVariant& value)
{
    dataSet_.setFieldValue(*this, value);
}

QVariant Field::OldValue() const
{
    return dataSet_.oldFieldValue(*this);
}

bool Field::IsNull() const
{
    const QVariant value = Value();
    return !value.isValid() || (value.typeId() == QMetaType::QString && value.toString().isEmpty());
}

QString Field::AsString() const
{
    const QVariant value = Value();
    if (!value.isValid())
        return {};
    switch (def_.type) {
    case FieldType::Date:
        return FormatDate(value.toDate());
    case FieldType::DateTime: {
        const QDateTime moment = value.toDateTime();
        return moment.time() == QTime(0, 0) ? FormatDate(moment.date()) : FormatDateTime(moment);
    }
    case FieldType::Float:
        return shortestFloat(value.toDouble());
    case FieldType::Boolean:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

double Field::AsFloat() const
{
    const QVariant value = Value();
    QVariant number;
    return value.isValid() && coerceValue(FieldType::Float, value, number) ? number.toDouble()
                                                                           : 0.0;
}

qint64 Field::AsInteger() const
{
    const QVariant value = Value();
    if (def_.type == FieldType::Float)
        return qRound64(value.toDouble());
    QVariant number;
    return value.isValid() && coerceValue(FieldType::Integer, value, number) ? number.toLongLong()
                                                                             : 0;
}

bool Field::AsBoolean() const
{
    const QVariant value = Value();
    QVariant flag;
    return value.isValid() && coerceValue(FieldType::Boolean, value, flag) && flag.toBool();
}

QDate Field::AsDate() const
{
    const QVariant value = Value();
    QVariant date;
    return value.isValid() && coerceValue(FieldType::Date, value, date) ? date.toDate() : QDate();
}

QDateTime Field::AsDateTime() const
{
    const QVariant value = Value();
    QVariant moment;
    return value.isValid() && coerceValue(FieldType::DateTime, value, moment) ? moment.toDateTime()
                                                                              : QDateTime();
}

QString Field::Text() const
{
    if (!OnGetText)
        return defaultText(false);
    QString text;
    OnGetText(const_cast<Field&>(*this), text, false);
    return text;
}

QString Field::DisplayText() const
{
    if (!OnGetText)
        return defaultText(true);
    QString text;
    OnGetText(const_cast<Field&>(*this), text, true);
    return text;
}

QString Field::defaultText(bool displayText) const
{
    const QVariant value = Value();
    if (!value.isValid() || !displayText || DisplayFormat.isEmpty())
        return AsString();
    switch (def_.type) {
    case FieldType::Float:
    case FieldType::Integer:
        return FormatFloat(DisplayFormat, value.toDouble());
    case FieldType::Date:
        return value.toDate().toString(qtDateFormat(DisplayFormat));
    case FieldType::DateTime:
        return value.toDateTime().toString(qtDateFormat(DisplayFormat));
    default:
        return AsString();
    }
}

void Field::SetText(const QString& text)
{
    if (OnSetText)
        OnSetText(*this, text);
    else
        defaultSetText(text);
}

void Field::defaultSetText(const QString& text)
{
    auto refuse = [&](const char* what) {
        throw DataSetError(QStringLiteral("'%1' não é %2 válido(a)")
                               .arg(text, QString::fromUtf8(what))
                               .toStdString());
    };
    switch (def_.type) {
    case FieldType::Date:
    case FieldType::DateTime: {
        if (DateTextIsBlank(text)) {
            Clear();
            return;
        }
        const QDate date = DateSetText(text);
        if (!date.isValid()) {
            QVariant moment;
            if (!coerceValue(def_.type, text, moment))
                refuse("uma data");
            SetValue(moment);
            return;
        }
        SetValue(date);
        return;
    }
    case FieldType::Float:
    case FieldType::Integer: {
        QString typed = text.trimmed();
        if (typed.isEmpty()) {
            Clear();
            return;
        }
        // Brazilian typing: "." groups thousands, "," is the decimal mark.
        if (typed.contains(QLatin1Char(',')))
            typed = typed.remove(QLatin1Char('.')).replace(QLatin1Char(','), QLatin1Char('.'));
        QVariant number;
        if (!coerceValue(def_.type, typed, number))
            refuse("um número");
        SetValue(number);
        return;
    }
    default:
        SetValue(text);
    }
}

} // namespace cmp::fw

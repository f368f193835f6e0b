#include "framework/data/field_types.h"

#include <QDate>
#include <QDateTime>

#include <array>
#include <cmath>

namespace cmp::fw {

namespace {

struct TypeName
{
    FieldType type;
    const char* name;
};

constexpr std::array<TypeName, 8> typeNames{{
    {FieldType::String, "string"},
    {FieldType::FixedString, "fixedString"},
    {FieldType::Date, "date"},
    {FieldType::DateTime, "dateTime"},
    {FieldType::Float, "float"},
    {FieldType::Integer, "integer"},
    {FieldType::Boolean, "boolean"},
    {FieldType::Memo, "memo"},
}};

// Dates typed by users come in the Brazilian short format; stored and
// transported dates use ISO 8601.
QDate dateFromText(const QString& text)
{
    QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid())
        date = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    return date;
}

QDateTime dateTimeFromText(const QString& text)
{
    QDateTime moment = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!moment.isValid())
        moment = QDateTime::fromString(text, QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    if (!moment.isValid()) {
        const QDate date = dateFromText(text);
        if (date.isValid())
            moment = date.startOfDay();
    }
    return moment;
}

bool toDate(const QVariant& in, QVariant& out)
{
    QDate date;
    switch (in.typeId()) {
    case QMetaType::QDate:
        date = in.toDate();
        break;
    case QMetaType::QDateTime:
        date = in.toDateTime().date();
        break;
    case QMetaType::QString:
        date = dateFromText(in.toString().trimmed());
        break;
    default:
        return false;
    }
    if (!date.isValid())
        return false;
    out = date;
    return true;
}

bool toDateTime(const QVariant& in, QVariant& out)
{
    QDateTime moment;
    switch (in.typeId()) {
    case QMetaType::QDate:
        moment = in.toDate().startOfDay();
        break;
    case QMetaType::QDateTime:
        moment = in.toDateTime();
        break;
    case QMetaType::QString:
        moment = dateTimeFromText(in.toString().trimmed());
        break;
    default:
        return false;
    }
    if (!moment.isValid())
        return false;
    out = moment;
    return true;
}

bool toFloat(const QVariant& in, QVariant& out)
{
    bool ok = false;
    double value = 0;
    if (in.typeId() == QMetaType::QString) {
        QString text = in.toString().trimmed();
        value = text.toDouble(&ok);
        if (!ok) // decimal comma of typed Brazilian numbers
            value = text.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    } else if (in.typeId() == QMetaType::Bool) {
        return false;
    } else {
        value = in.toDouble(&ok);
    }
    if (!ok || !std::isfinite(value))
        return false;
    out = value;
    return true;
}

bool toInteger(const QVariant& in, QVariant& out)
{
    bool ok = false;
    qint64 value = 0;
    if (in.typeId() == QMetaType::Double) {
        const double d = in.toDouble();
        if (!std::isfinite(d) || std::trunc(d) != d || std::fabs(d) > 9.2e18)
            return false;
        value = static_cast<qint64>(d);
        ok = true;
    } else if (in.typeId() != QMetaType::Bool) {
        value = in.toString().trimmed().toLongLong(&ok);
    }
    if (!ok)
        return false;
    out = value;
    return true;
}

bool toBoolean(const QVariant& in, QVariant& out)
{
    if (in.typeId() == QMetaType::Bool) {
        out = in.toBool();
        return true;
    }
    const QString text = in.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1")) {
        out = true;
        return true;
    }
    if (text == QLatin1String("false") || text == QLatin1String("0")) {
        out = false;
        return true;
    }
    return false;
}

} // namespace

bool coerceValue(FieldType type, const QVariant& in, QVariant& out)
{
    out = QVariant();
    if (!in.isValid() || in.isNull())
        return true;
    switch (type) {
    case FieldType::String:
    case FieldType::FixedString:
    case FieldType::Memo:
        if (in.typeId() == QMetaType::QDate || in.typeId() == QMetaType::QDateTime)
            return false;
        out = in.toString();
        return true;
    case FieldType::Date:
        if (in.typeId() == QMetaType::QString && in.toString().trimmed().isEmpty())
            return true;
        return toDate(in, out);
    case FieldType::DateTime:
        if (in.typeId() == QMetaType::QString && in.toString().trimmed().isEmpty())
            return true;
        return toDateTime(in, out);
    case FieldType::Float:
        if (in.typeId() == QMetaType::QString && in.toString().trimmed().isEmpty())
            return true;
        return toFloat(in, out);
    case FieldType::Integer:
        if (in.typeId() == QMetaType::QString && in.toString().trimmed().isEmpty())
            return true;
        return toInteger(in, out);
    case FieldType::Boolean:
        return toBoolean(in, out);
    }
    return false;
}

QString fieldTypeName(FieldType type)
{
    for (const auto& entry : typeNames)
        if (entry.type == type)
            return QString::fromLatin1(entry.name);
    return {};
}

bool fieldTypeFromName(const QString& name, FieldType& type)
{
    for (const auto& entry : typeNames) {
        if (name == QLatin1String(entry.name)) {
            type = entry.type;
            return true;
        }
    }
    return false;
}

} // namespace cmp::fw

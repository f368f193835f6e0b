#include "framework/data/json_reading.h"

namespace cmp::fw {

namespace {

constexpr qsizetype maxQuotedChars = 40;

} // namespace

QString quoted(const QString& text)
{
    if (text.size() <= maxQuotedChars)
        return QLatin1Char('\'') + text + QLatin1Char('\'');
    return QLatin1Char('\'') + text.left(maxQuotedChars) + QStringLiteral("…'");
}

QString jsonTypeName(QJsonValue::Type type)
{
    switch (type) {
    case QJsonValue::Null:
        return QStringLiteral("nulo");
    case QJsonValue::Bool:
        return QStringLiteral("booleano");
    case QJsonValue::Double:
        return QStringLiteral("número");
    case QJsonValue::String:
        return QStringLiteral("texto");
    case QJsonValue::Array:
        return QStringLiteral("vetor");
    case QJsonValue::Object:
        return QStringLiteral("objeto");
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("nada");
}

QString typeMismatch(const QString& expected, QJsonValue::Type found)
{
    return QStringLiteral("esperado %1, encontrado %2").arg(expected, jsonTypeName(found));
}

} // namespace cmp::fw

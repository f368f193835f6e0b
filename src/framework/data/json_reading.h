#pragma once

#include <QJsonValue>
#include <QString>

namespace cmp::fw {

// Pieces of the Portuguese error texts of the JSON readers (packets, server
// calls), so both describe bad input the same way.

// The text between single quotes, cut short: a hostile value must not become
// a huge error text.
QString quoted(const QString& text);

// "nulo", "booleano", "número", "texto", "vetor", "objeto".
QString jsonTypeName(QJsonValue::Type type);

// "esperado <expected>, encontrado <kind of found>".
QString typeMismatch(const QString& expected, QJsonValue::Type found);

} // namespace cmp::fw

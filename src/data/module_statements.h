#pragma once

#include <QString>

namespace cmp::fw {
class StatementRegistry;
}

namespace cmp::data {

// Declares every query the module's screens run on the host connection, so
// that a remote server agrees to run them by name.
void DeclareModuleStatements(fw::StatementRegistry& registry);

// The name a screen's query is declared under: the screen's class, a dot and
// the query's own name ("TfrmFiltroSolicita.qryGerente").
QString declaredName(const QString& screenClass, const QString& query);

} // namespace cmp::data

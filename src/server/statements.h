#pragma once

namespace cmp::fw {
class StatementRegistry;
}

namespace cmp::server {

class MethodRegistry;

// RunStatement on Cmp03100.rdmLancaSoliCmp: runs a statement declared in
// `statements` for a remote client's host database, with the framework's own
// product statements declared there too. docs/server-api.md describes it.
void registerStatements(MethodRegistry& registry, fw::StatementRegistry& statements);

} // namespace cmp::server

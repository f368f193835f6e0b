#pragma once

namespace cmp::fw {
class StatementRegistry;
}

namespace cmp::module {

// Declares every query the module's screens run on the host connection, so
// that a remote server agrees to run them by name.
void DeclareModuleStatements(fw::StatementRegistry& registry);

} // namespace cmp::module

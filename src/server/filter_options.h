#pragma once

namespace cmp::server {

class MethodRegistry;

// The option lists the filter dialogs save and load for the signed-in
// operator: SaveFilterOptions and GetFilterOptions on
// Cmp03100.rdmLancaSoliCmp. docs/server-api.md describes them.
void registerFilterOptions(MethodRegistry& registry);

} // namespace cmp::server

#pragma once

namespace cmp::server {

class MethodRegistry;

// The purchasing parameters the screens load before anything else:
// GetParamCmp on Cmp.rdmCompras; GetParCmpSup, GetParamFilial and
// GetPermissoes on Cmp03100.rdmLancaSoliCmp. docs/server-api.md describes
// their arguments and results.
void registerPurchaseParameters(MethodRegistry& registry);

} // namespace cmp::server

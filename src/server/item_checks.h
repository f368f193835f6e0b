#pragma once

namespace cmp::server {

class MethodRegistry;

// The checks the requisition matrix asks before an item changes, on
// Cmp03100.rdmLancaSoliCmp: GetImpedirAlt, BloqAltItenGerAprovada,
// GetBloqIncluiProdCmpOL, GetBloqQtdeApura and GetVdPeriodicidade. Each
// answers from the rules a save applies (requisition_rules.h).
// docs/server-api.md describes their arguments and results.
void registerItemChecks(MethodRegistry& registry);

} // namespace cmp::server

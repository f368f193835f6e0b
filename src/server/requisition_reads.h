#pragma once

namespace cmp::server {

class MethodRegistry;

// The reads of one requisition that the main screen's pages load, each by
// the requisition key (requesting branch, launching branch, number):
// GetSolicita, GetJustSoli, GetMovoPSol, GetItemSoli and GetDecisionProdutos
// on Cmp03100.rdmLancaSoliCmp. docs/server-api.md describes them.
void registerRequisitionReads(MethodRegistry& registry);

} // namespace cmp::server

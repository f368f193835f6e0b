#pragma once

namespace cmp::server {

class MethodRegistry;

// What the requisition filter asks for on Cmp03100.rdmLancaSoliCmp: the
// requesting branches with matching requisitions (GetFilialSoli), the
// requisitions of one of them (GetServSolicita), and its lookups
// (GetAgruFili, GetFiliGrupFil, GetDestGrupFili, GetVd_Gerente,
// GetVdAprovSoliGer). docs/server-api.md describes them.
void registerRequisitionFilter(MethodRegistry& registry);

} // namespace cmp::server

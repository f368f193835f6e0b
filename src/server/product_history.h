#pragma once

namespace cmp::server {

class MethodRegistry;

// What the quantity and observation dialogs show of a product, on
// Cmp03100.rdmLancaSoliCmp: GetMedia (the branch's average), GetVrCmpAn (the
// previous purchase, the complementary description and whether the product
// is under manager approval) and DescComplProd. docs/server-api.md
// describes their arguments and results.
void registerProductHistory(MethodRegistry& registry);

} // namespace cmp::server

#pragma once

namespace cmp::server {

class MethodRegistry;

// GetFiliaisOperador on Cmp.rdmCompras: the branches the signed-in operator
// may choose as processing branch at sign-in. docs/server-api.md describes it.
void registerOperatorBranches(MethodRegistry& registry);

} // namespace cmp::server

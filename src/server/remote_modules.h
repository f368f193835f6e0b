#pragma once

#include <QLatin1String>

namespace cmp::server {

// The remote data modules, under the names the clients ask for.
inline constexpr QLatin1String rdmLancaSoliCmp("Cmp03100.rdmLancaSoliCmp");
inline constexpr QLatin1String rdmCompras("Cmp.rdmCompras");

} // namespace cmp::server

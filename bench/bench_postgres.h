#pragma once

#include "server/server_database.h"

#include <optional>

namespace cmp::bench {

// The PostgreSQL server scripts/with-postgres started for the run, or none:
// the PostgreSQL cases are then skipped.
inline std::optional<server::DatabaseConfig> postgresConfig()
{
    if (!qEnvironmentVariableIsSet("CMP_PG_HOST") || !qEnvironmentVariableIsSet("CMP_PG_DB"))
        return std::nullopt;
    return server::DatabaseConfig::postgres(
        qEnvironmentVariable("CMP_PG_HOST"),
        qEnvironmentVariable("CMP_PG_PORT", QStringLiteral("5432")).toInt(),
        qEnvironmentVariable("CMP_PG_USER"), qEnvironmentVariable("CMP_PG_PASSWORD"),
        qEnvironmentVariable("CMP_PG_DB"));
}

} // namespace cmp::bench

#pragma once

#include <stdexcept>

class QSqlDatabase;

namespace cmp::db {

// The schema could not be brought to the code's version: the database is
// newer than the code, its driver is not supported, or a migration failed
// (and was rolled back). The message says which.
class MigrationError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The schema version this code creates on the connection's backend.
int latestSchemaVersion(const QSqlDatabase& db);

// The highest version recorded in SCHEMA_VERSION; 0 for a database that was
// never migrated.
int schemaVersion(QSqlDatabase& db);

// Applies, in order, every migration newer than the recorded version, each in
// its own transaction together with its SCHEMA_VERSION row. Running it on an
// up-to-date database changes nothing; on a database of a newer version it
// refuses before touching anything. SQLite and PostgreSQL.
void migrate(QSqlDatabase& db);

} // namespace cmp::db

#pragma once

class QSqlDatabase;

namespace cmp::db {

// The SQLite half of installDialectFunctions: NVLSTR and PARAM on this
// connection, SQLite's own instr as INSTR, and the declared column types for
// SqlQuery. Throws fw::SqlError when SQLite refuses.
void installSqliteDialect(QSqlDatabase& db);

} // namespace cmp::db

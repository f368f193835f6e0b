#pragma once

class QSqlDatabase;

namespace cmp::db {

// Makes the connection run the generic SQL texts unchanged by giving it the
// helpers those texts call:
//   NVLSTR(a, b)        a unless it is null or the empty string, else b
//   INSTR(text, part)   1-based position of part in text, 0 when absent,
//                       null when either is null
//   PARAM(x)            a one-row table with one column PARAM holding x, so
//                       that a parameter can be named in FROM and compared
// SQLite: registered on this connection (call it on every connection opened)
// and SqlQuery learns the column types SQLite declares. PostgreSQL: created,
// or replaced, in the first schema of the search path. Oracle and SQL Server
// run their own texts and need nothing. Throws fw::SqlError when the
// database refuses or the driver is none of these.
void installDialectFunctions(QSqlDatabase& db);

} // namespace cmp::db

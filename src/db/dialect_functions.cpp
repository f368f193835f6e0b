#include "db/dialect_functions.h"

#include "db/sqlite_dialect.h"
#include "framework/sql/sql_query.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace cmp::db {

namespace {

// One script, so that PostgreSQL runs it as one implicit transaction: either
// all three helpers are in place or none changed. Plain SQL functions are
// inlined by the planner: PARAM(:P) costs no more than the bare parameter.
// Parameters Qt binds without a type take TEXT from these signatures.
constexpr auto postgresFunctions = R"sql(
CREATE OR REPLACE FUNCTION NVLSTR(VALUE TEXT, FALLBACK TEXT) RETURNS TEXT
  LANGUAGE SQL IMMUTABLE PARALLEL SAFE
  AS $$ SELECT COALESCE(NULLIF(VALUE, ''), FALLBACK) $$;
CREATE OR REPLACE FUNCTION INSTR(HAYSTACK TEXT, NEEDLE TEXT) RETURNS INTEGER
  LANGUAGE SQL IMMUTABLE PARALLEL SAFE
  AS $$ SELECT STRPOS(HAYSTACK, NEEDLE) $$;
CREATE OR REPLACE FUNCTION PARAM(VALUE TEXT) RETURNS TABLE (PARAM TEXT)
  LANGUAGE SQL IMMUTABLE PARALLEL SAFE
  AS $$ SELECT VALUE $$;
)sql";

void installPostgresDialect(QSqlDatabase& db)
{
    QSqlQuery query(db);
    if (!query.exec(QString::fromLatin1(postgresFunctions)))
        throw fw::SqlError(QStringLiteral("funções de compatibilidade do PostgreSQL: %1")
                               .arg(query.lastError().text())
                               .toStdString());
}

} // namespace

void installDialectFunctions(QSqlDatabase& db)
{
    const QString driver = db.driverName();
    if (driver == QLatin1String("QSQLITE"))
        installSqliteDialect(db);
    else if (driver == QLatin1String("QPSQL"))
        installPostgresDialect(db);
    else if (fw::sqlDialectOf(db) == fw::SqlDialect::Generic)
        throw fw::SqlError(QStringLiteral("funções de compatibilidade: driver %1 não suportado")
                               .arg(driver)
                               .toStdString());
}

} // namespace cmp::db

#include "db/sqlite_dialect.h"

#include "framework/sql/sql_query.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlResult>

#include <sqlite3.h>

namespace cmp::db {

namespace {

// --- NVLSTR ---------------------------------------------------------------

void nvlstr(sqlite3_context* context, int, sqlite3_value** argv)
{
    sqlite3_value* first = argv[0];
    const int type = sqlite3_value_type(first);
    const bool missing =
        type == SQLITE_NULL || (type == SQLITE_TEXT && sqlite3_value_bytes(first) == 0);
    sqlite3_result_value(context, missing ? argv[1] : first);
}

// --- PARAM: an eponymous table-valued function ------------------------------
// Its argument arrives as an equality constraint on the hidden column; the
// single row shows it in the column PARAM.

constexpr int argumentColumn = 1;

struct ParamCursor : sqlite3_vtab_cursor
{
    sqlite3_value* value = nullptr;
    bool eof = true;
};

int paramConnect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** table, char**)
{
    const int rc = sqlite3_declare_vtab(db, "CREATE TABLE x(PARAM, ARGUMENT HIDDEN)");
    if (rc == SQLITE_OK)
        *table = new sqlite3_vtab{};
    return rc;
}

int paramDisconnect(sqlite3_vtab* table)
{
    delete table;
    return SQLITE_OK;
}

// Without its argument PARAM has no row to give: every such plan is refused.
int paramBestIndex(sqlite3_vtab*, sqlite3_index_info* info)
{
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& constraint = info->aConstraint[i];
        if (constraint.iColumn != argumentColumn || constraint.op != SQLITE_INDEX_CONSTRAINT_EQ)
            continue;
        if (!constraint.usable)
            return SQLITE_CONSTRAINT;
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 1; // a NULL argument must still give its row
        info->estimatedCost = 1;
        info->estimatedRows = 1;
        return SQLITE_OK;
    }
    return SQLITE_CONSTRAINT;
}

int paramOpen(sqlite3_vtab*, sqlite3_vtab_cursor** cursor)
{
    *cursor = new ParamCursor{};
    return SQLITE_OK;
}

int paramClose(sqlite3_vtab_cursor* base)
{
    auto* cursor = static_cast<ParamCursor*>(base);
    sqlite3_value_free(cursor->value);
    delete cursor;
    return SQLITE_OK;
}

int paramFilter(sqlite3_vtab_cursor* base, int, const char*, int, sqlite3_value** argv)
{
    auto* cursor = static_cast<ParamCursor*>(base);
    sqlite3_value_free(cursor->value);
    cursor->value = sqlite3_value_dup(argv[0]); // argv lives only during this call
    cursor->eof = cursor->value == nullptr;
    return cursor->value ? SQLITE_OK : SQLITE_NOMEM;
}

int paramNext(sqlite3_vtab_cursor* base)
{
    static_cast<ParamCursor*>(base)->eof = true;
    return SQLITE_OK;
}

int paramEof(sqlite3_vtab_cursor* base)
{
    return static_cast<ParamCursor*>(base)->eof;
}

int paramColumn(sqlite3_vtab_cursor* base, sqlite3_context* context, int)
{
    sqlite3_result_value(context, static_cast<ParamCursor*>(base)->value);
    return SQLITE_OK;
}

int paramRowid(sqlite3_vtab_cursor*, sqlite3_int64* rowid)
{
    *rowid = 1;
    return SQLITE_OK;
}

sqlite3_module paramModule()
{
    sqlite3_module module{};
    module.xConnect = paramConnect; // no xCreate: PARAM exists only as a function
    module.xBestIndex = paramBestIndex;
    module.xDisconnect = paramDisconnect;
    module.xOpen = paramOpen;
    module.xClose = paramClose;
    module.xFilter = paramFilter;
    module.xNext = paramNext;
    module.xEof = paramEof;
    module.xColumn = paramColumn;
    module.xRowid = paramRowid;
    return module;
}

// --- declared column types ----------------------------------------------------
// Qt maps only a few SQLite type names and reports DATE, TIMESTAMP and
// VARCHAR(n) as text without width; the declaration still has them.

void typeFromDeclaration(const QString& declared, fw::FieldDef& def)
{
    const auto has = [&](const char* word) { return declared.contains(QLatin1String(word)); };
    if (has("TIMESTAMP") || has("DATETIME")) {
        def.type = fw::FieldType::DateTime;
    } else if (has("DATE")) {
        def.type = fw::FieldType::Date;
    } else if (has("CHAR")) {
        static const QRegularExpression width(QStringLiteral("\\(\\s*(\\d+)"));
        def.type = fw::FieldType::String;
        def.size = width.match(declared).captured(1).toInt();
        return;
    } else if (has("INT")) {
        def.type = fw::FieldType::Integer;
    } else if (has("DOUBLE") || has("FLOAT") || has("REAL") || has("NUMERIC") || has("DECIMAL")) {
        def.type = fw::FieldType::Float;
    } else if (has("BOOL")) {
        def.type = fw::FieldType::Boolean;
    } else {
        return;
    }
    def.size = 0;
}

void sqliteColumnTyper(const QSqlQuery& query, int column, fw::FieldDef& def)
{
    const QVariant handle = query.result()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3_stmt*") != 0)
        return;
    sqlite3_stmt* statement = *static_cast<sqlite3_stmt* const*>(handle.constData());
    const char* declared = statement ? sqlite3_column_decltype(statement, column) : nullptr;
    if (declared) // expressions declare nothing
        typeFromDeclaration(QString::fromUtf8(declared).toUpper(), def);
}

sqlite3* connectionHandle(QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

void check(sqlite3* connection, int rc)
{
    if (rc != SQLITE_OK)
        throw fw::SqlError(QStringLiteral("funções de compatibilidade do SQLite: %1")
                               .arg(QString::fromUtf8(sqlite3_errmsg(connection)))
                               .toStdString());
}

} // namespace

void installSqliteDialect(QSqlDatabase& db)
{
    sqlite3* connection = connectionHandle(db);
    if (!connection)
        throw fw::SqlError("funções de compatibilidade do SQLite: conexão não aberta");
    static const sqlite3_module module = paramModule();
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    check(connection, sqlite3_create_function_v2(connection, "NVLSTR", 2, flags, nullptr, nvlstr,
                                                 nullptr, nullptr, nullptr));
    check(connection, sqlite3_create_module_v2(connection, "PARAM", &module, nullptr, nullptr));
    // INSTR needs nothing: SQLite's own instr has the same arguments and results.
    fw::setSqlColumnTyper(db.driverName(), sqliteColumnTyper);
}

} // namespace cmp::db

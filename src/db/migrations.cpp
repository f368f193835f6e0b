#include "db/migrations.h"

#include "db/schema.h"
#include "db/sql_values.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace cmp::db {

namespace {

constexpr auto createVersionTable = "CREATE TABLE IF NOT EXISTS SCHEMA_VERSION ("
                                    "VERSION INTEGER NOT NULL PRIMARY KEY, "
                                    "DESCRIPTION VARCHAR(200) NOT NULL, "
                                    "APPLIED_AT TIMESTAMP NOT NULL)";

bool isPostgres(const QSqlDatabase& db)
{
    return db.driverName() == QLatin1String("QPSQL");
}

const std::vector<Migration>& migrationsOf(const QSqlDatabase& db)
{
    if (db.driverName() == QLatin1String("QSQLITE"))
        return sqliteMigrations();
    if (isPostgres(db))
        return postgresqlMigrations();
    throw MigrationError(
        QStringLiteral("esquema: driver %1 não suportado").arg(db.driverName()).toStdString());
}

[[noreturn]] void fail(const QString& what, const QSqlError& error)
{
    throw MigrationError(QStringLiteral("%1: %2").arg(what, error.text()).toStdString());
}

void exec(QSqlDatabase& db, const QString& statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement))
        fail(statement.left(80), query.lastError());
}

// Splits a script at the semicolons that end its statements; semicolons in
// quoted texts and "--" comments do not count.
QStringList statementsOf(const QString& script)
{
    QStringList statements;
    QString current;
    bool quoted = false;
    for (qsizetype at = 0; at < script.size(); ++at) {
        const QChar c = script.at(at);
        if (!quoted && c == u'-' && script.mid(at, 2) == QLatin1String("--")) {
            const qsizetype end = script.indexOf(u'\n', at);
            at = end < 0 ? script.size() : end;
            continue;
        }
        if (c == u'\'')
            quoted = !quoted;
        if (c == u';' && !quoted) {
            statements.append(current.trimmed());
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.trimmed().isEmpty())
        statements.append(current.trimmed());
    statements.removeAll(QString());
    return statements;
}

void record(QSqlDatabase& db, const Migration& migration)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT INTO SCHEMA_VERSION (VERSION, DESCRIPTION, APPLIED_AT) VALUES (?, ?, ?)"));
    query.addBindValue(migration.version);
    query.addBindValue(migration.description);
    query.addBindValue(timestampValue(QDateTime::currentDateTime()));
    if (!query.exec())
        fail(QStringLiteral("SCHEMA_VERSION"), query.lastError());
}

// Inside the transaction: another server may have applied it meanwhile.
void applyInTransaction(QSqlDatabase& db, const Migration& migration)
{
    if (isPostgres(db))
        exec(db, QStringLiteral("LOCK TABLE SCHEMA_VERSION IN EXCLUSIVE MODE"));
    if (schemaVersion(db) >= migration.version)
        return;
    for (const QString& statement : statementsOf(migration.script))
        exec(db, statement);
    record(db, migration);
}

void apply(QSqlDatabase& db, const Migration& migration)
{
    if (!db.transaction())
        fail(QStringLiteral("início da transação"), db.lastError());
    try {
        applyInTransaction(db, migration);
        if (!db.commit())
            fail(QStringLiteral("confirmação da transação"), db.lastError());
    } catch (const MigrationError& error) {
        db.rollback();
        throw MigrationError(QStringLiteral("migração %1 (%2) desfeita: %3")
                                 .arg(migration.version)
                                 .arg(migration.description, QString::fromStdString(error.what()))
                                 .toStdString());
    }
}

// Asked of the catalog: a failed SELECT would abort a PostgreSQL transaction.
bool versionTableExists(QSqlDatabase& db)
{
    const QString sql =
        isPostgres(db) ? QStringLiteral("SELECT 1 WHERE TO_REGCLASS('SCHEMA_VERSION') IS NOT NULL")
                       : QStringLiteral("SELECT 1 FROM SQLITE_MASTER WHERE TYPE = 'table' AND "
                                        "UPPER(NAME) = 'SCHEMA_VERSION'");
    QSqlQuery query(db);
    if (!query.exec(sql))
        fail(QStringLiteral("SCHEMA_VERSION"), query.lastError());
    return query.next();
}

void refuseNewer(int found, int latest)
{
    if (found > latest)
        throw MigrationError(
            QStringLiteral("O banco de dados está na versão %1 do esquema, mais nova que a "
                           "versão %2 deste programa. Atualize o programa antes de usá-lo "
                           "com este banco.")
                .arg(found)
                .arg(latest)
                .toStdString());
}

} // namespace

int latestSchemaVersion(const QSqlDatabase& db)
{
    return migrationsOf(db).back().version;
}

int schemaVersion(QSqlDatabase& db)
{
    if (!versionTableExists(db))
        return 0;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT MAX(VERSION) FROM SCHEMA_VERSION")))
        fail(QStringLiteral("SCHEMA_VERSION"), query.lastError());
    return query.next() ? query.value(0).toInt() : 0;
}

void migrate(QSqlDatabase& db)
{
    const std::vector<Migration>& migrations = migrationsOf(db);
    exec(db, QString::fromLatin1(createVersionTable));
    refuseNewer(schemaVersion(db), migrations.back().version);
    const int current = schemaVersion(db);
    for (const Migration& migration : migrations)
        if (migration.version > current)
            apply(db, migration);
}

} // namespace cmp::db

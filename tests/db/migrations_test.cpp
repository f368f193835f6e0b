#include "db/migrations.h"

#include "support/sql_backends.h"

#include <QMap>
#include <QSqlQuery>
#include <QStringList>

#include <gtest/gtest.h>

using namespace cmp::test;

namespace {

QStringList column(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw std::runtime_error(
            (sql + QStringLiteral(": ") + query.lastError().text()).toStdString());
    QStringList values;
    while (query.next())
        values.append(query.value(0).toString().toUpper());
    return values;
}

// Every table with its columns in order, names upper-cased.
QMap<QString, QStringList> tablesAndColumns(QSqlDatabase& db)
{
    QMap<QString, QStringList> tables;
    if (db.driverName() == QLatin1String("QSQLITE")) {
        for (const QString& table :
             column(db, QStringLiteral(
                            "SELECT NAME FROM SQLITE_MASTER WHERE TYPE = 'table' ORDER BY NAME")))
            tables[table] =
                column(db, QStringLiteral("SELECT NAME FROM PRAGMA_TABLE_INFO('%1')").arg(table));
    } else {
        for (const QString& table :
             column(db, QStringLiteral("SELECT TABLE_NAME FROM INFORMATION_SCHEMA.TABLES "
                                       "WHERE TABLE_SCHEMA = CURRENT_SCHEMA() "
                                       "AND TABLE_TYPE = 'BASE TABLE'")))
            tables[table] =
                column(db, QStringLiteral("SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS "
                                          "WHERE TABLE_SCHEMA = CURRENT_SCHEMA() AND "
                                          "UPPER(TABLE_NAME) = '%1' ORDER BY ORDINAL_POSITION")
                               .arg(table));
    }
    return tables;
}

class Migrations : public BackendTest
{};

TEST_P(Migrations, shouldCreateTheSchemaOnceAndChangeNothingWhenRunAgain)
{
    // Given a new database
    EXPECT_EQ(cmp::db::schemaVersion(db()), 0);
    // When it is migrated
    cmp::db::migrate(db());
    // Then it is at the code's version, with the tables the screens read
    const int latest = cmp::db::latestSchemaVersion(db());
    EXPECT_EQ(cmp::db::schemaVersion(db()), latest);
    const auto schema = tablesAndColumns(db());
    for (const char* table :
         {"FILIAL", "PRODUTO", "SOLICITA", "ITEMSOLI", "MOVOPSOL", "PARASUPRI", "NUMSOLICMP"})
        EXPECT_TRUE(schema.contains(QString::fromLatin1(table))) << table;

    // When it is migrated again, with data in it
    exec(QStringLiteral("INSERT INTO FILIAL (CDFILIAL, NMFILIAL) VALUES ('0001', 'Matriz')"));
    cmp::db::migrate(db());
    // Then nothing changed
    EXPECT_EQ(scalar(db(), QStringLiteral("SELECT COUNT(*) FROM SCHEMA_VERSION")).toInt(), latest);
    EXPECT_EQ(scalar(db(), QStringLiteral("SELECT NMFILIAL FROM FILIAL")).toString(),
              QStringLiteral("Matriz"));
    EXPECT_EQ(tablesAndColumns(db()), schema);
}

TEST_P(Migrations, shouldRefuseADatabaseNewerThanTheCodeWithoutTouchingIt)
{
    cmp::db::migrate(db());
    const int newer = cmp::db::latestSchemaVersion(db()) + 1;
    exec(QStringLiteral("INSERT INTO SCHEMA_VERSION (VERSION, DESCRIPTION, APPLIED_AT) "
                        "VALUES (%1, 'versão futura', '2030-01-01T00:00:00.000')")
             .arg(newer));
    const auto schema = tablesAndColumns(db());

    try {
        cmp::db::migrate(db());
        FAIL() << "a newer database was accepted";
    } catch (const cmp::db::MigrationError& error) {
        const QString message = QString::fromStdString(error.what());
        EXPECT_TRUE(message.contains(QStringLiteral("versão %1").arg(newer))) << error.what();
        EXPECT_TRUE(message.contains(QStringLiteral("Atualize o programa"))) << error.what();
    }
    EXPECT_EQ(cmp::db::schemaVersion(db()), newer);
    EXPECT_EQ(tablesAndColumns(db()), schema);
}

INSTANTIATE_TEST_SUITE_P(Backends, Migrations,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), backendName);

TEST(MigrationDialects, shouldCreateTheSameTablesAndColumnsOnBothBackends)
{
    if (!postgresConfigured())
        GTEST_SKIP() << "PostgreSQL not configured: run under scripts/with-postgres";
    TestDatabase sqlite(Backend::SQLite);
    TestDatabase postgres(Backend::PostgreSQL);
    cmp::db::migrate(sqlite.db());
    cmp::db::migrate(postgres.db());
    EXPECT_EQ(cmp::db::latestSchemaVersion(sqlite.db()),
              cmp::db::latestSchemaVersion(postgres.db()));
    EXPECT_EQ(tablesAndColumns(sqlite.db()), tablesAndColumns(postgres.db()));
}

} // namespace

#pragma once

#include "db/dialect_functions.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <stdexcept>
#include <string>
#include <unistd.h>

// The database tests run every case on SQLite (in memory) and on the
// PostgreSQL server named by CMP_PG_HOST, CMP_PG_PORT, CMP_PG_USER,
// CMP_PG_PASSWORD and CMP_PG_DB, which scripts/with-postgres provides.
namespace cmp::test {

enum class Backend
{
    SQLite,
    PostgreSQL
};

inline std::string backendName(const ::testing::TestParamInfo<Backend>& info)
{
    return info.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
}

inline bool postgresConfigured()
{
    return qEnvironmentVariableIsSet("CMP_PG_HOST") && qEnvironmentVariableIsSet("CMP_PG_DB");
}

// A database of one test, with the dialect functions installed: a fresh
// SQLite memory database, or a schema of its own on the PostgreSQL server,
// dropped again afterwards, so that test programs may run side by side.
class TestDatabase
{
public:
    explicit TestDatabase(Backend backend) : name_(uniqueName())
    {
        if (backend == Backend::SQLite) {
            db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
            db_.setDatabaseName(QStringLiteral(":memory:"));
        } else {
            db_ = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
            db_.setHostName(qEnvironmentVariable("CMP_PG_HOST"));
            db_.setPort(qEnvironmentVariable("CMP_PG_PORT", QStringLiteral("5432")).toInt());
            db_.setUserName(qEnvironmentVariable("CMP_PG_USER"));
            db_.setPassword(qEnvironmentVariable("CMP_PG_PASSWORD"));
            db_.setDatabaseName(qEnvironmentVariable("CMP_PG_DB"));
        }
        if (!db_.open())
            throw std::runtime_error(db_.lastError().text().toStdString());
        if (backend == Backend::PostgreSQL) {
            schema_ = name_;
            exec(QStringLiteral("CREATE SCHEMA %1").arg(schema_));
            exec(QStringLiteral("SET search_path TO %1").arg(schema_));
            exec(QStringLiteral("SET client_min_messages TO WARNING"));
        }
        db::installDialectFunctions(db_);
    }

    ~TestDatabase()
    {
        if (!schema_.isEmpty())
            QSqlQuery(db_).exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema_));
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }

    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    QSqlDatabase& db() { return db_; }

    // Fixture statements; a failure here is a broken fixture, not a finding.
    void exec(const QString& sql)
    {
        QSqlQuery query(db_);
        if (!query.exec(sql))
            throw std::runtime_error(
                (sql + QStringLiteral(": ") + query.lastError().text()).toStdString());
    }

private:
    static QString uniqueName()
    {
        static std::atomic<int> count{0};
        return QStringLiteral("cmp_test_%1_%2").arg(getpid()).arg(++count);
    }

    QString name_;
    QString schema_;
    QSqlDatabase db_;
};

// Base of the tests that run once per backend.
class BackendTest : public ::testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        if (GetParam() == Backend::PostgreSQL && !postgresConfigured())
            GTEST_SKIP() << "PostgreSQL not configured: run under scripts/with-postgres";
        database_.emplace(GetParam());
    }
    void TearDown() override { database_.reset(); }

    QSqlDatabase& db() { return database_->db(); }
    void exec(const QString& sql) { database_->exec(sql); }

    // Branches and the destinations of their requisitions.
    void createBranchesAndDestinations()
    {
        exec(QStringLiteral(
            "CREATE TABLE FILIAL (CDFILIAL VARCHAR(4) NOT NULL, NMFILIAL VARCHAR(40))"));
        exec(QStringLiteral(
            "INSERT INTO FILIAL VALUES ('0001', 'Matriz'), ('0002', 'Cozinha Centro'), "
            "('0003', 'Cozinha Norte')"));
        exec(QStringLiteral("CREATE TABLE DESTSOL (CDFILIAL VARCHAR(4) NOT NULL, "
                            "CDDESTSOLI VARCHAR(3) NOT NULL, NMDESTSOLI VARCHAR(30))"));
        exec(QStringLiteral("INSERT INTO DESTSOL VALUES ('0001', '001', 'Estoque'), "
                            "('0002', '001', 'Almoxarifado'), ('0002', '002', 'Cozinha'), "
                            "('0003', '003', 'Refeitório'), ('0004', '004', 'Lavanderia')"));
    }

private:
    std::optional<TestDatabase> database_;
};

// The first column of the first row of a query the test writes itself.
inline QVariant scalar(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql) || !query.next())
        throw std::runtime_error(
            (sql + QStringLiteral(": ") + query.lastError().text()).toStdString());
    return query.value(0);
}

} // namespace cmp::test

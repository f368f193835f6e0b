#pragma once

#include "db/password_hash.h"
#include "server/server.h"
#include "support/sql_backends.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

// A real Server on a database of its own, run once per backend: a SQLite file
// in a temporary folder, or a fresh schema on the PostgreSQL test server. The
// operator TESTE01 (password "segredo-certo") can sign in; INATIVO01 is
// deactivated.
namespace cmp::test {

inline constexpr auto testOperator = "TESTE01";
inline constexpr auto testOperatorName = "Operador de Teste";
inline constexpr auto testPassword = "segredo-certo";
inline constexpr auto inactiveOperator = "INATIVO01";

inline QString currentSchema(const QSqlDatabase& db)
{
    QSqlQuery query(QStringLiteral("SELECT current_schema()"), db);
    query.next();
    return query.value(0).toString();
}

// The PostgreSQL test server, on a schema of its own.
inline server::DatabaseConfig postgresConfig(const QString& schema)
{
    auto config = server::DatabaseConfig::postgres(
        qEnvironmentVariable("CMP_PG_HOST"),
        qEnvironmentVariable("CMP_PG_PORT", QStringLiteral("5432")).toInt(),
        qEnvironmentVariable("CMP_PG_USER"), qEnvironmentVariable("CMP_PG_PASSWORD"),
        qEnvironmentVariable("CMP_PG_DB"));
    config.schema = schema;
    return config;
}

class ServerTest : public BackendTest
{
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped())
            return;
        server_.emplace(options());
        insertOperator(testOperator, testOperatorName, "S");
        insertOperator(inactiveOperator, "Operador Inativo", "N");
    }

    void TearDown() override
    {
        server_.reset();
        BackendTest::TearDown();
    }

    virtual server::ServerOptions options()
    {
        server::ServerOptions options;
        options.database = databaseConfig();
        return options;
    }

    server::DatabaseConfig databaseConfig()
    {
        if (GetParam() == Backend::SQLite)
            return server::DatabaseConfig::sqlite(folder_.filePath(QStringLiteral("cmp.sqlite")));
        // The test database's own schema, dropped with it.
        return postgresConfig(currentSchema(db()));
    }

    server::Server& server() { return *server_; }

    QString signedInToken()
    {
        const fw::SignInResult result = server().signIn(testOperator, testPassword);
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        return result.token;
    }

private:
    void insertOperator(const QString& code, const QString& name, const QString& active)
    {
        // Hashing is slow on purpose: once per test program is enough.
        static const QString hash = db::hashPassword(testPassword);
        QSqlQuery query(server().database().connection());
        query.prepare(QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR, DSSENHAOPER, "
                                     "IDATIVOOPER) VALUES (?, ?, ?, ?)"));
        for (const QString& value : {code, name, hash, active})
            query.addBindValue(value);
        if (!query.exec())
            throw std::runtime_error(query.lastError().text().toStdString());
    }

    QTemporaryDir folder_;
    std::optional<server::Server> server_;
};

} // namespace cmp::test

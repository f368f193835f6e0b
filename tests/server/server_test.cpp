#include "server/server.h"

#include "db/password_hash.h"
#include "server/in_process_transport.h"
#include "server/remote_modules.h"
#include "server/server_fixture.h"

#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <thread>

namespace cmp::server {
namespace {

using Args = std::vector<fw::RemoteValue>;

// The server as the embedded client reaches it, with a clock the test moves.
class ServerCalls : public test::ServerTest
{
protected:
    ServerOptions options() override
    {
        ServerOptions options = ServerTest::options();
        options.clock = [this] { return now; };
        return options;
    }

    QDateTime now = QDateTime::currentDateTimeUtc();
};

TEST_P(ServerCalls, shouldRunEveryCallAsTheOperatorOfTheTokenWhileItLasts)
{
    // WhoAmI(claimed operator): answers with the operator the server believes.
    server().registry().add(
        rdmLancaSoliCmp, QStringLiteral("WhoAmI"), {fw::RemoteValue::Kind::String},
        [](CallContext& context, Args&) { return fw::RemoteValue(context.operatorCode); });
    InProcessTransport transport(server());
    const fw::SignInResult session = transport.signIn(test::testOperator, test::testPassword);
    const fw::RemoteCall whoAmI{rdmLancaSoliCmp, QStringLiteral("WhoAmI"), {"ADMIN"}};

    const fw::RemoteReply reply = transport.call(whoAmI, session.token);
    ASSERT_TRUE(reply.ok) << reply.error.toStdString();
    EXPECT_EQ(reply.result.toString(), QLatin1String(test::testOperator));

    now = now.addSecs(8 * 3600);
    const fw::RemoteReply expired = transport.call(whoAmI, session.token);
    EXPECT_FALSE(expired.ok);
    EXPECT_EQ(expired.error, QStringLiteral("Sessão expirada. Entre novamente."));
}

TEST_P(ServerCalls, shouldEndSessionsWhenTheOperatorIsDisabledOrChangesPassword)
{
    InProcessTransport transport(server());
    const fw::RemoteCall serverInfo{rdmCompras, QStringLiteral("GetServerInfo"), {}};
    const auto update = [this](const QString& assignment, const QVariant& value) {
        QSqlQuery query(server().database().connection());
        query.prepare(
            QStringLiteral("UPDATE OPERADOR SET %1 = ? WHERE CDOPERADOR = ?").arg(assignment));
        query.addBindValue(value);
        query.addBindValue(QString::fromLatin1(test::testOperator));
        ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
    };
    const auto refusal = [&](const QString& token) {
        const CallOutcome outcome = server().execute(serverInfo, token);
        EXPECT_EQ(outcome.failure,
                  outcome.reply.ok ? CallFailure::None : CallFailure::Unauthenticated);
        return outcome.reply.error;
    };

    // Sessions live on while the operator keeps their password
    const QString first = transport.signIn(test::testOperator, test::testPassword).token;
    const QString second = transport.signIn(test::testOperator, test::testPassword).token;
    EXPECT_TRUE(transport.call(serverInfo, first).ok);

    // A new password ends every session signed in with the old one
    update(QStringLiteral("DSSENHAOPER"), db::hashPassword(QStringLiteral("nova-senha")));
    for (const QString& token : {first, second})
        EXPECT_EQ(refusal(token), QStringLiteral("Sessão encerrada: entre novamente."));
    const QString renewed =
        transport.signIn(test::testOperator, QStringLiteral("nova-senha")).token;
    EXPECT_EQ(refusal(renewed), QString());

    // Disabling the operator ends the new session too, over the client's transport as well
    update(QStringLiteral("IDATIVOOPER"), QStringLiteral("N"));
    EXPECT_EQ(refusal(renewed), QStringLiteral("Sessão encerrada: entre novamente."));
    EXPECT_EQ(transport.call(serverInfo, renewed).error,
              QStringLiteral("Sessão encerrada: entre novamente."));
}

TEST_P(ServerCalls, shouldServeManyThreadsEachOnItsOwnConnection)
{
    // CountOperators(): reads through the serving thread's connection.
    server().registry().add(
        rdmLancaSoliCmp, QStringLiteral("CountOperators"), {}, [](CallContext& context, Args&) {
            QSqlQuery query(context.db);
            if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM OPERADOR")) || !query.next())
                throw ServerError(query.lastError().text());
            return fw::RemoteValue(query.value(0).toLongLong());
        });
    const QString token = signedInToken();
    constexpr size_t threadCount = 4, callsEach = 10;
    std::vector<fw::RemoteReply> replies(threadCount * callsEach);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            for (size_t i = 0; i < callsEach; ++i)
                replies[t * callsEach + i] = server().dispatch(
                    {rdmLancaSoliCmp, QStringLiteral("CountOperators"), {}}, token);
        });
    for (std::thread& thread : threads)
        thread.join();

    for (const fw::RemoteReply& reply : replies) {
        ASSERT_TRUE(reply.ok) << reply.error.toStdString();
        EXPECT_GE(reply.result.toInteger(), 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, ServerCalls,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

TEST(ServerStart, shouldRefuseToStartWithoutAUsableDatabase)
{
    ServerOptions inMissingFolder;
    inMissingFolder.database = DatabaseConfig::sqlite(QStringLiteral("/nao/existe/cmp.sqlite"));
    EXPECT_THROW(Server{inMissingFolder}, DatabaseError);

    ServerOptions unreachable;
    unreachable.database = DatabaseConfig::postgres(
        QStringLiteral("127.0.0.1"), 1, QStringLiteral("cmp"), {}, QStringLiteral("cmp"));
    EXPECT_THROW(Server{unreachable}, DatabaseError);
}

} // namespace
} // namespace cmp::server

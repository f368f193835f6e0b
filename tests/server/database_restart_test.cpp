// A PostgreSQL that breaks connections or restarts under a running server:
// the server reopens its connections, runs a read again once, and while the
// database is down answers that it is, never with an internal error.
#include "server/http_server.h"
#include "server/http_test_client.h"
#include "server/remote_modules.h"
#include "server/server_fixture.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace cmp::server {
namespace {

using namespace std::chrono_literals;
using Kind = fw::RemoteValue::Kind;
using Args = std::vector<fw::RemoteValue>;

constexpr auto restartChildVariable = "CMP_RESTART_CHILD";
const QString unavailable =
    QStringLiteral("Banco de dados indisponível. Tente novamente em instantes.");

class PostgresOnly : public test::ServerTest
{
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        if (!IsSkipped() && GetParam() != test::Backend::PostgreSQL)
            GTEST_SKIP() << "only PostgreSQL connections break under the server";
    }
};

class BrokenConnection : public PostgresOnly
{};

TEST_P(BrokenConnection, shouldRunAReadOnceMoreOnAFreshConnectionButNeverAWrite)
{
    // Methods whose first run loses its connection midway, as a restart does
    int runs = 0;
    const Handler losesItsConnectionOnce = [&runs](CallContext& context, Args&) {
        if (++runs == 1) {
            QSqlQuery(context.db)
                .exec(QStringLiteral("SELECT pg_terminate_backend(pg_backend_pid())"));
            QSqlQuery query(context.db);
            if (!query.exec(QStringLiteral("SELECT 1")))
                throw std::runtime_error(query.lastError().text().toStdString());
        }
        return fw::RemoteValue(QStringLiteral("feito"));
    };
    server().registry().add(rdmLancaSoliCmp, "Ler", {}, losesItsConnectionOnce, Effect::ReadsOnly);
    server().registry().add(rdmLancaSoliCmp, "Gravar", {}, losesItsConnectionOnce);
    const QString token = signedInToken();

    const CallOutcome read = server().execute({rdmLancaSoliCmp, "Ler", {}}, token);
    EXPECT_EQ(read.failure, CallFailure::None) << read.reply.error.toStdString();
    EXPECT_EQ(runs, 2);

    runs = 0;
    const CallOutcome write = server().execute({rdmLancaSoliCmp, "Gravar", {}}, token);
    EXPECT_EQ(write.failure, CallFailure::DatabaseUnavailable);
    EXPECT_EQ(write.reply.error, unavailable);
    EXPECT_EQ(runs, 1) << "a write may have committed before the break: never again";

    // The next call of the thread finds a fresh connection
    runs = 1;
    EXPECT_EQ(server().execute({rdmLancaSoliCmp, "Gravar", {}}, token).failure, CallFailure::None);
}

INSTANTIATE_TEST_SUITE_P(Backends, BrokenConnection,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

// Restarting PostgreSQL would break the other tests that share it: this runs
// DatabaseRestartChild under a PostgreSQL server of its own.
TEST(DatabaseRestart, shouldAnswerUnavailableWhileDownAndServeAgainOnceBack)
{
    if (!qEnvironmentVariableIsSet("CMP_WITH_POSTGRES"))
        GTEST_SKIP() << "needs scripts/with-postgres";
    if (qEnvironmentVariableIsSet(restartChildVariable))
        GTEST_SKIP() << "this is the child";
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(restartChildVariable, QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.start(qEnvironmentVariable("CMP_WITH_POSTGRES"),
                {QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(),
                 QStringLiteral("--gtest_filter=*DatabaseRestartChild*PostgreSQL")});
    ASSERT_TRUE(child.waitForFinished(120'000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

struct Answer
{
    int status;
    QString error;
    std::string retryAfter;
};

class DatabaseRestartChild : public PostgresOnly
{
protected:
    void SetUp() override
    {
        if (!qEnvironmentVariableIsSet(restartChildVariable))
            GTEST_SKIP() << "runs only as the child of DatabaseRestart";
        PostgresOnly::SetUp();
    }

    static void pgCtl(const char* command)
    {
        ASSERT_EQ(QProcess::execute(qEnvironmentVariable("CMP_PG_CTL"), {command}), 0) << command;
    }
};

TEST_P(DatabaseRestartChild, shouldAnswerUnavailableWhileDownAndServeAgainOnceBack)
{
    HttpOptions options;
    options.threads = 4;
    HttpServer http(server(), options);
    const test::HttpTestClient client(http.port());
    const auto signIn = [&] {
        return client.post("/signin", QJsonDocument(QJsonObject{{"operator", test::testOperator},
                                                                {"password", test::testPassword}})
                                          .toJson()
                                          .toStdString());
    };
    const QString token = signIn().body.value("token").toString();
    ASSERT_FALSE(token.isEmpty());
    const std::string read =
        QJsonDocument(fw::remoteCallToJson({rdmCompras, "GetFiliaisOperador", {}}))
            .toJson()
            .toStdString();
    fw::DataPacket noOptions;
    noOptions.fields = {{"NAME", fw::FieldType::String, 40}, {"VALUE", fw::FieldType::Memo, 0}};
    const std::string write =
        QJsonDocument(
            fw::remoteCallToJson({rdmLancaSoliCmp, "SaveFilterOptions", {"CMP03107", noOptions}}))
            .toJson()
            .toStdString();

    // Four clients call on and on, reading and writing
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::vector<std::vector<Answer>> answers(4);
    std::vector<std::thread> clients;
    for (std::size_t c = 0; c < answers.size(); ++c)
        clients.emplace_back([&, c] {
            for (int i = 0; !done; ++i) {
                const test::HttpAnswer answer = client.post("/call", i % 2 ? write : read, token);
                std::lock_guard lock(mutex);
                answers[c].push_back({answer.status, answer.error(), answer.retryAfter});
            }
        });
    const auto answered = [&] {
        std::lock_guard lock(mutex);
        std::size_t count = 0;
        for (const auto& own : answers)
            count += own.size();
        return count;
    };
    std::this_thread::sleep_for(500ms);

    // The database stops under them, and comes back
    pgCtl("stop");
    const std::size_t beforeDown = answered();
    std::this_thread::sleep_for(1s);
    const test::HttpAnswer signInWhileDown = signIn();
    pgCtl("start");
    const std::size_t beforeUp = answered();
    while (answered() < beforeUp + 40)
        std::this_thread::sleep_for(50ms);
    done = true;
    for (std::thread& thread : clients)
        thread.join();

    EXPECT_EQ(signInWhileDown.status, 503);
    EXPECT_EQ(signInWhileDown.error(), unavailable);
    EXPECT_GT(beforeUp, beforeDown) << "calls went on while the database was down";
    int refused = 0;
    for (const auto& own : answers) {
        for (const Answer& answer : own) {
            if (answer.status == 200 && answer.error.isEmpty())
                continue;
            ++refused;
            EXPECT_EQ(answer.status, 503) << answer.error.toStdString();
            EXPECT_EQ(answer.error, unavailable);
            EXPECT_EQ(answer.retryAfter, "5");
        }
        ASSERT_GE(own.size(), 3u);
        for (auto last = own.end() - 3; last != own.end(); ++last)
            EXPECT_EQ(last->status, 200) << "served again without a restart of the server";
    }
    EXPECT_GT(refused, 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, DatabaseRestartChild,
                         ::testing::Values(test::Backend::PostgreSQL), test::backendName);

} // namespace
} // namespace cmp::server

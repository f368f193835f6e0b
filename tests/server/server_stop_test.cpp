// Stopping cmp-server with SIGTERM: this test program starts itself again as
// a server process (StopChild below, wired as cmp-server's main is) and
// signals it while a call runs and a slow client trickles bytes.
#include "server/http_server.h"
#include "server/http_test_client.h"
#include "server/remote_modules.h"
#include "server/server_fixture.h"
#include "server/stop_signals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace cmp::server {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto portFdVariable = "CMP_STOP_CHILD_PORT_FD";
constexpr auto sqliteVariable = "CMP_STOP_CHILD_SQLITE";
constexpr auto graceVariable = "CMP_STOP_CHILD_GRACE_MS";

std::string sleepCall(int milliseconds)
{
    return QJsonDocument(fw::remoteCallToJson(
                             {rdmLancaSoliCmp, QStringLiteral("Dormir"), {qint64(milliseconds)}}))
        .toJson(QJsonDocument::Compact)
        .toStdString();
}

// A server process of this test program, on the fixture's database.
class ServerProcess
{
public:
    ServerProcess(const QString& sqlitePath, std::chrono::milliseconds grace)
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            throw std::runtime_error("pipe");
        fcntl(pipeEnds[0], F_SETFD, FD_CLOEXEC);
        std::vector<std::string> variables{
            std::string(portFdVariable) + "=" + std::to_string(pipeEnds[1]),
            std::string(sqliteVariable) + "=" + sqlitePath.toStdString(),
            std::string(graceVariable) + "=" + std::to_string(grace.count())};
        std::vector<char*> environment;
        for (std::string& variable : variables)
            environment.push_back(variable.data());
        for (char** inherited = environ; *inherited; ++inherited)
            environment.push_back(*inherited);
        environment.push_back(nullptr);
        std::string program = "/proc/self/exe";
        std::string filter = "--gtest_filter=StopChild.*";
        char* arguments[] = {program.data(), filter.data(), nullptr};
        const int failed =
            posix_spawn(&pid_, program.c_str(), nullptr, nullptr, arguments, environment.data());
        close(pipeEnds[1]);
        if (failed == 0 && read(pipeEnds[0], &port_, sizeof port_) != sizeof port_)
            port_ = 0;
        close(pipeEnds[0]);
        if (failed)
            throw std::runtime_error(std::string("posix_spawn: ") + strerror(failed));
    }

    ~ServerProcess()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    int port() const { return port_; }
    void terminate() const { kill(pid_, SIGTERM); }

    // The exit code, or -1 when it did not exit normally within the time.
    int waitForExit(std::chrono::milliseconds within)
    {
        const auto deadline = Clock::now() + within;
        int status = 0;
        while (Clock::now() < deadline) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }

private:
    pid_t pid_ = 0;
    int port_ = 0;
    bool exited_ = false;
};

class StopBySignal : public test::ServerTest
{
protected:
    QString sqlitePath() { return databaseConfig().sqlitePath; }

    static QString signIn(const test::HttpTestClient& client)
    {
        const QJsonObject credentials{{"operator", test::testOperator},
                                      {"password", test::testPassword}};
        return client.post("/signin", QJsonDocument(credentials).toJson().toStdString())
            .body.value("token")
            .toString();
    }
};

TEST_P(StopBySignal, shouldFinishCallsUnderWayDropSlowClientsAndExitCleanly)
{
    // Given a server with a one-second call under way and a client trickling a request
    ServerProcess process(sqlitePath(), 5s);
    ASSERT_GT(process.port(), 0);
    const test::HttpTestClient client(process.port());
    const QString token = signIn(client);
    ASSERT_FALSE(token.isEmpty());
    test::RawConnection trickler(process.port());
    trickler.send("POST /call HTTP/1.1\r\nHost: cmp\r\n");
    test::HttpAnswer answer;
    std::thread call([&] { answer = client.post("/call", sleepCall(1000), token); });
    std::this_thread::sleep_for(300ms);

    // When it is told to stop
    const auto stopped = Clock::now();
    process.terminate();

    // Then the trickling client is dropped at once and nobody new gets in
    EXPECT_TRUE(trickler.closedWithin(1s));
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(test::RawConnection(process.port()).connected());
    // the call gets its reply, and the process ends well within the grace
    call.join();
    EXPECT_EQ(answer.status, 200);
    EXPECT_TRUE(fw::remoteReplyFromJson(answer.body).ok);
    EXPECT_EQ(process.waitForExit(4s), 0);
    EXPECT_LT(Clock::now() - stopped, 4s);
}

TEST_P(StopBySignal, shouldCloseCallsThatOutlastTheGraceAndStillExitCleanly)
{
    ServerProcess process(sqlitePath(), 1s);
    ASSERT_GT(process.port(), 0);
    const test::HttpTestClient client(process.port());
    const QString token = signIn(client);
    test::HttpAnswer answer;
    std::thread call([&] { answer = client.post("/call", sleepCall(60'000), token); });
    std::this_thread::sleep_for(300ms);

    const auto stopped = Clock::now();
    process.terminate();

    EXPECT_EQ(process.waitForExit(5s), 0);
    const auto took = Clock::now() - stopped;
    EXPECT_GE(took, 900ms) << "the call had its grace";
    EXPECT_LT(took, 3s);
    call.join();
    EXPECT_EQ(answer.status, 0) << "closed without a reply";
}

INSTANTIATE_TEST_SUITE_P(Backends, StopBySignal, ::testing::Values(test::Backend::SQLite),
                         test::backendName);

// The server process StopBySignal starts, wired as cmp-server's main, with a
// method Dormir(milliseconds) that takes that long.
TEST(StopChild, shouldServeUntilSignalled)
{
    if (!qEnvironmentVariableIsSet(portFdVariable))
        GTEST_SKIP() << "runs only as the child of StopBySignal";
    const StopSignals stopSignals;
    ServerOptions options;
    options.database = DatabaseConfig::sqlite(qEnvironmentVariable(sqliteVariable));
    Server server(options);
    server.registry().add(
        rdmLancaSoliCmp, QStringLiteral("Dormir"), {fw::RemoteValue::Kind::Integer},
        [](CallContext&, std::vector<fw::RemoteValue>& args) {
            std::this_thread::sleep_for(std::chrono::milliseconds(args[0].toInteger()));
            return fw::RemoteValue(true);
        });
    HttpOptions http;
    http.threads = 2;
    HttpServer listener(server, http);
    const int port = listener.port();
    const int portFd = qEnvironmentVariableIntValue(portFdVariable);
    ASSERT_EQ(write(portFd, &port, sizeof port), ssize_t(sizeof port));
    close(portFd);
    stopSignals.waitAndStop(listener,
                            std::chrono::milliseconds(qEnvironmentVariableIntValue(graceVariable)));
}

} // namespace
} // namespace cmp::server

#include "server/requisition_save.h"
#include "server/server_fixture.h"

#include <QDate>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

using namespace cmp::fw;
using namespace cmp::server;
using namespace cmp::test;

namespace {

// The child's environment: its role, where to tell it is ready, its database.
constexpr auto childRoleVariable = "CMP_CRASH_CHILD_READY_FD";
constexpr auto childSqliteVariable = "CMP_CRASH_SQLITE";
constexpr auto childSchemaVariable = "CMP_CRASH_PG_SCHEMA";
constexpr int itemsPerSave = 400;
const QString launchingBranch = QStringLiteral("0001");

// A new requisition of many items, saved as the server saves one, with
// whileOpen called just before the commit. Returns its number.
template <typename WhileOpen> QString save(QSqlDatabase db, WhileOpen whileOpen)
{
    const RequisitionKey key{"0001", launchingBranch, {}};
    std::vector<ItemValues> items;
    for (int product = 1; product <= itemsPerSave; ++product)
        items.push_back({QString::number(product).rightJustified(10, '0'),
                         QDate(2026, 12, 7),
                         product * 1.5,
                         {}});
    return writeRequisition(db, headerPacket(key, QDate(2026, 12, 1)), itemPacket(key, items),
                            whileOpen);
}

QString committedSave(QSqlDatabase db)
{
    return save(db, [] {});
}

class SaveInterruptedByKill : public ServerTest
{
protected:
    // Starts this test program again as the child, on the same database.
    pid_t spawnChild(int readyFd)
    {
        const DatabaseConfig config = databaseConfig();
        std::vector<std::string> variables{std::string(childRoleVariable) + "=" +
                                           std::to_string(readyFd)};
        if (config.kind == DatabaseConfig::Kind::SQLite)
            variables.push_back(std::string(childSqliteVariable) + "=" +
                                config.sqlitePath.toStdString());
        else
            variables.push_back(std::string(childSchemaVariable) + "=" +
                                config.schema.toStdString());
        std::vector<char*> environment;
        for (std::string& variable : variables)
            environment.push_back(variable.data());
        for (char** inherited = environ; *inherited; ++inherited)
            environment.push_back(*inherited);
        environment.push_back(nullptr);

        std::string program = "/proc/self/exe";
        std::string filter = "--gtest_filter=InterruptedSaveChild.*";
        char* arguments[] = {program.data(), filter.data(), nullptr};
        pid_t child = 0;
        const int failed =
            posix_spawn(&child, program.c_str(), nullptr, nullptr, arguments, environment.data());
        if (failed)
            throw std::runtime_error(std::string("posix_spawn: ") + strerror(failed));
        return child;
    }

    qint64 count(const QString& sql)
    {
        ServerDatabase fresh(databaseConfig());
        QSqlQuery query(sql, fresh.connection());
        return query.next() ? query.value(0).toLongLong() : -1;
    }
};

TEST_P(SaveInterruptedByKill, shouldLeaveNoHeaderItemOrNumberAndNumberNextSaveWithoutGap)
{
    // Given one saved requisition
    ASSERT_EQ(committedSave(server().database().connection()), "0000000001");

    // When another process dies holding a save of a header and many items uncommitted
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    fcntl(ready[0], F_SETFD, FD_CLOEXEC);
    const pid_t child = spawnChild(ready[1]);
    close(ready[1]);
    char signal = 0;
    const ssize_t got = read(ready[0], &signal, 1);
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(got, 1) << "the child ended before its save was open";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    // Then a fresh connection finds the database as before that save
    EXPECT_EQ(count("SELECT COUNT(*) FROM SOLICITA"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM ITEMSOLI"), itemsPerSave);
    EXPECT_EQ(count("SELECT NRULTSOLICMP FROM NUMSOLICMP WHERE CDFILLANCA = '0001'"), 1);
    // and the next save takes the next number
    ServerDatabase fresh(databaseConfig());
    EXPECT_EQ(committedSave(fresh.connection()), "0000000002");
}

INSTANTIATE_TEST_SUITE_P(Backends, SaveInterruptedByKill,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), backendName);

DatabaseConfig childDatabase()
{
    if (qEnvironmentVariableIsSet(childSqliteVariable))
        return DatabaseConfig::sqlite(qEnvironmentVariable(childSqliteVariable));
    return postgresConfig(qEnvironmentVariable(childSchemaVariable));
}

// The process SaveInterruptedByKill kills: it opens its own connection,
// writes a save up to the commit, says so, and waits for the end.
TEST(InterruptedSaveChild, shouldHoldSaveOpenUntilKilled)
{
    if (!qEnvironmentVariableIsSet(childRoleVariable))
        GTEST_SKIP() << "runs only as the child of SaveInterruptedByKill";
    const int readyFd = qEnvironmentVariableIntValue(childRoleVariable);
    ServerDatabase database(childDatabase());
    save(database.connection(), [readyFd] {
        const char signal = 'r';
        if (write(readyFd, &signal, 1) != 1)
            std::_Exit(3);
        for (;;)
            pause();
    });
    FAIL() << "the save committed";
}

} // namespace

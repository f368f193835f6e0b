#include "server/numbering.h"

#include "server/resolver.h"
#include "server/server_database.h"
#include "server/server_fixture.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

using namespace cmp::server;
using namespace cmp::test;

namespace {

// The server's own per-thread connections to a migrated database: a SQLite
// file in WAL mode, or a schema of its own on PostgreSQL.
class NumberingOnBackend : public ::testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        if (GetParam() == Backend::SQLite) {
            database_.emplace(DatabaseConfig::sqlite(folder_.filePath("cmp.db")));
            return;
        }
        if (!postgresConfigured())
            GTEST_SKIP() << "PostgreSQL not configured: run under scripts/with-postgres";
        schemaOwner_.emplace(Backend::PostgreSQL);
        database_.emplace(postgresConfig(currentSchema(schemaOwner_->db())));
    }

    // One save: numbers a requisition of the branch and stores its header,
    // committing or not. Returns the number it got.
    QString save(const QString& branch, bool commit)
    {
        QSqlDatabase db = database_->connection();
        WriteTransaction transaction(db);
        EXPECT_TRUE(transaction.begin()) << transaction.lastError().toStdString();
        const QString number = nextRequisitionNumber(db, branch);
        QSqlQuery header(db);
        header.prepare("INSERT INTO SOLICITA (CDFILSOLI, CDFILLANCA, NRSOLICMP, DTSOLCMP) "
                       "VALUES ('0001', ?, ?, '2026-12-01')");
        header.addBindValue(branch);
        header.addBindValue(number);
        EXPECT_TRUE(header.exec()) << header.lastError().text().toStdString();
        if (commit) {
            EXPECT_TRUE(transaction.commit()) << transaction.lastError().toStdString();
        }
        return number;
    }

    QTemporaryDir folder_;
    std::optional<TestDatabase> schemaOwner_;
    std::optional<ServerDatabase> database_;
};

TEST_P(NumberingOnBackend, shouldNumberEachBranchOnFromOneAndReuseNumberOfUndoneSave)
{
    EXPECT_EQ(save("0001", true), "0000000001");
    EXPECT_EQ(save("0001", false), "0000000002");
    EXPECT_EQ(save("0001", true), "0000000002");
    EXPECT_EQ(save("0002", true), "0000000001");
    QSqlDatabase db = database_->connection();
    for (const QString& branch : {QString(), QString("  ")})
        EXPECT_THROW(nextRequisitionNumber(db, branch), NumberingError);
}

TEST_P(NumberingOnBackend, shouldGiveConcurrentSavesDistinctNumbersWithoutGapsPerBranch)
{
    // Given many threads saving requisitions of two branches, every fifth save undone
    const int threads = GetParam() == Backend::SQLite ? 8 : 32;
    const int savesPerThread = GetParam() == Backend::SQLite ? 50 : 25;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::mutex mutex;
    std::map<QString, std::vector<int>> committed;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            const QString branch = t % 2 ? "0001" : "0002";
            for (int i = 0; i < savesPerThread && std::chrono::steady_clock::now() < deadline;
                 ++i) {
                const bool commit = i % 5 != 4;
                const int number = save(branch, commit).toInt();
                std::lock_guard lock(mutex);
                if (commit)
                    committed[branch].push_back(number);
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();

    // Then each branch's committed numbers are 1, 2, 3 ... once each
    ASSERT_EQ(committed.size(), 2u);
    for (auto& [branch, numbers] : committed) {
        std::sort(numbers.begin(), numbers.end());
        for (size_t i = 0; i < numbers.size(); ++i)
            ASSERT_EQ(numbers[i], int(i) + 1) << branch.toStdString();
        EXPECT_EQ(numbers.size(), size_t(threads / 2 * savesPerThread * 4 / 5))
            << "deadline reached";
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, NumberingOnBackend,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), backendName);

} // namespace

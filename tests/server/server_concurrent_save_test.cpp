// Many clients saving requisitions through the real HTTP server at once.
#include "server/http_server.h"
#include "server/requisition_save.h"
#include "server/server_fixture.h"

#include "db/demo_data.h"

#include <QSqlQuery>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <latch>
#include <map>
#include <set>
#include <thread>

// OpenSSL frees a thread's error state when the thread ends, and Qt's network
// thread may still be ending when the test process exits: its state would be
// reported as a leak at random.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libcrypto.so\n";
}

namespace cmp::test {
namespace {

using Args = std::vector<fw::RemoteValue>;

constexpr int clientCount = 32;
constexpr int savesPerClient = 20;
constexpr auto savingTime = std::chrono::seconds(5);
constexpr int itemsPerRequisition = 3;
const QDate requisitionDate(2026, 12, 1);

struct Save
{
    QString branch;
    QString number;
    QString observation; // the client's and the save's own, on every item
};

// What one client did: the saves the server confirmed and every refusal.
struct ClientRun
{
    std::vector<Save> saves;
    QStringList errors;
};

// Requisition items of products 101, 102, ... all with the same observation.
std::vector<ItemValues> items(int count, const QString& observation)
{
    std::vector<ItemValues> values;
    for (int i = 0; i < count; ++i)
        values.push_back({QString::number(101 + i).rightJustified(10, u'0'),
                          requisitionDate.addDays(6), 1.5 + i, observation});
    return values;
}

// The demo database behind the HTTP server on 127.0.0.1, with the save method.
class ConcurrentSaves : public ServerTest
{
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        if (IsSkipped())
            return;
        ensureApplication();
        QSqlDatabase db = server().database().connection();
        db::loadDemoData(db);
        registerSaveRequisition(server().registry());
        // A thread per client, so that all the saves run at the same time.
        server::HttpOptions options;
        options.threads = clientCount;
        http_.emplace(server(), options);
    }

    void TearDown() override
    {
        http_.reset();
        ServerTest::TearDown();
    }

    // Runs `client` on each of `count` threads, each with its own signed-in
    // connection; all start together once every one has signed in.
    std::vector<ClientRun>
    runClients(int count, const std::function<void(int, fw::TNetConnection&, ClientRun&)>& client)
    {
        std::vector<ClientRun> runs(static_cast<size_t>(count));
        std::latch signedIn(count);
        std::vector<std::thread> threads;
        for (int c = 0; c < count; ++c)
            threads.emplace_back([&, c] {
                ClientRun& run = runs[static_cast<size_t>(c)];
                fw::TNetConnection connection(server::rdmLancaSoliCmp);
                const QString refusal = signInOverHttp(connection, httpPort());
                signedIn.arrive_and_wait();
                if (refusal.isEmpty())
                    client(c, connection, run);
                else
                    run.errors.append(refusal);
            });
        for (std::thread& thread : threads)
            thread.join();
        return runs;
    }

    QSqlQuery select(const QString& sql, const QVariantList& values)
    {
        QSqlQuery query(server().database().connection());
        query.prepare(sql);
        for (const QVariant& value : values)
            query.addBindValue(value);
        EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
        return query;
    }

    // The last number of each launching branch.
    std::map<QString, qint64> lastNumbers()
    {
        std::map<QString, qint64> last;
        QSqlQuery query =
            select(QStringLiteral("SELECT CDFILLANCA, NRULTSOLICMP FROM NUMSOLICMP"), {});
        while (query.next())
            last[query.value(0).toString()] = query.value(1).toLongLong();
        return last;
    }

    // Number -> observation of each item, of the branch's requisitions after `after`.
    std::multimap<QString, QString> itemsAfter(const QString& branch, const QString& after)
    {
        std::multimap<QString, QString> stored;
        QSqlQuery query = select(QStringLiteral("SELECT NRSOLICMP, TXOBSITMSOL FROM ITEMSOLI "
                                                "WHERE CDFILLAN = ? AND NRSOLICMP > ?"),
                                 {branch, after});
        while (query.next())
            stored.emplace(query.value(0).toString(), query.value(1).toString());
        return stored;
    }

    std::set<QString> headersAfter(const QString& branch, const QString& after)
    {
        std::set<QString> stored;
        QSqlQuery query = select(
            QStringLiteral("SELECT NRSOLICMP FROM SOLICITA WHERE CDFILLANCA = ? AND NRSOLICMP > ?"),
            {branch, after});
        while (query.next())
            stored.insert(query.value(0).toString());
        return stored;
    }

    int httpPort() const { return http_->port(); }

private:
    std::optional<server::HttpServer> http_;
};

QString tenDigits(qint64 number)
{
    return QString::number(number).rightJustified(10, u'0');
}

// Saves new requisitions of `branch` until the time is up or it made its share.
void saveRequisitions(int client, const QString& branch, fw::TNetConnection& connection,
                      ClientRun& run)
{
    const auto deadline = std::chrono::steady_clock::now() + savingTime;
    const RequisitionKey key{branch, branch, {}};
    for (int s = 0; s < savesPerClient && std::chrono::steady_clock::now() < deadline; ++s) {
        const QString observation = QStringLiteral("cliente %1, gravação %2").arg(client).arg(s);
        const fw::RemoteReply reply = connection.Call(
            saveRequisitionMethod, Args{headerPacket(key, requisitionDate),
                                        itemPacket(key, items(itemsPerRequisition, observation))});
        if (reply.ok)
            run.saves.push_back({branch, reply.result.toString(), observation});
        else
            run.errors.append(reply.error);
    }
}

TEST_P(ConcurrentSaves, shouldNumberEverySaveOnceWithoutGapsAndStoreAllItsItems)
{
    // Given the demo's last numbers of two launching branches
    const std::map<QString, qint64> before = lastNumbers();
    ASSERT_GE(before.size(), 2u);
    const QStringList branches{before.begin()->first, std::next(before.begin())->first};

    // When 32 clients save requisitions of those branches at the same time
    const std::vector<ClientRun> runs =
        runClients(clientCount, [&](int client, fw::TNetConnection& connection, ClientRun& run) {
            saveRequisitions(client, branches[client % 2], connection, run);
        });

    // Then every save succeeded
    std::map<QString, std::vector<Save>> saved;
    for (const ClientRun& run : runs) {
        EXPECT_TRUE(run.errors.isEmpty()) << run.errors.join(u'\n').toStdString();
        for (const Save& save : run.saves)
            saved[save.branch].push_back(save);
    }
    const std::map<QString, qint64> after = lastNumbers();
    for (const QString& branch : branches) {
        const std::vector<Save>& saves = saved[branch];
        ASSERT_FALSE(saves.empty()) << branch.toStdString();
        const qint64 last = before.at(branch);
        // and each branch's numbers go on from the demo's last one, once each, none skipped
        std::set<QString> numbers;
        std::multimap<QString, QString> expectedItems;
        for (const Save& save : saves) {
            numbers.insert(save.number);
            for (int i = 0; i < itemsPerRequisition; ++i)
                expectedItems.emplace(save.number, save.observation);
        }
        ASSERT_EQ(numbers.size(), saves.size()) << "a number given twice";
        EXPECT_EQ(*numbers.begin(), tenDigits(last + 1));
        EXPECT_EQ(*numbers.rbegin(), tenDigits(last + qint64(saves.size())));
        EXPECT_EQ(after.at(branch), last + qint64(saves.size()));
        // and every requisition holds the items of the save that got its number
        EXPECT_EQ(headersAfter(branch, tenDigits(last)), numbers);
        EXPECT_EQ(itemsAfter(branch, tenDigits(last)), expectedItems);
    }
}

// The observation a client types: 2000 characters, accents included.
QString longObservation(const QString& client)
{
    return QStringLiteral("Entregar na doca %1, conferência à mão; ")
        .arg(client)
        .repeated(60)
        .left(2000);
}

// A client's change of the first item of a saved requisition.
struct ItemChange
{
    double quantity;
    QString observation;
};

Args changeOfFirstItem(const RequisitionKey& key, const std::vector<ItemValues>& saved,
                       const ItemChange& change)
{
    fw::DataPacket header = headerPacket(key, requisitionDate);
    header.rows.front().status = fw::UpdateStatus::Unmodified;
    fw::DataPacket items = itemPacket(key, saved);
    for (fw::PacketRow& row : items.rows)
        row.status = fw::UpdateStatus::Unmodified;
    fw::PacketRow& row = items.rows.front();
    row.status = fw::UpdateStatus::Modified;
    row.original = row.values;
    row.values[static_cast<size_t>(items.fieldIndex("QTSOLIPROD"))] = change.quantity;
    row.values[static_cast<size_t>(items.fieldIndex("TXOBSITMSOL"))] = change.observation;
    return Args{header, items};
}

TEST_P(ConcurrentSaves, shouldKeepOneOfTwoSimultaneousChangesOfAnItemWhole)
{
    // Given a saved requisition with two items
    fw::TNetConnection connection(server::rdmLancaSoliCmp);
    ASSERT_EQ(signInOverHttp(connection, httpPort()), QString());
    const std::vector<ItemValues> saved = items(2, QString());
    const RequisitionKey newKey{"0001", "0001", {}};
    const fw::RemoteReply first =
        connection.Call(saveRequisitionMethod,
                        Args{headerPacket(newKey, requisitionDate), itemPacket(newKey, saved)});
    ASSERT_TRUE(first.ok) << first.error.toStdString();
    const RequisitionKey key{"0001", "0001", first.result.toString()};

    // When two clients change the first item's quantity and observation at the same moment
    const std::vector<ItemChange> changes{{7, longObservation("A")}, {9, longObservation("B")}};
    std::vector<fw::RemoteReply> replies(changes.size());
    runClients(2, [&](int client, fw::TNetConnection& own, ClientRun&) {
        const size_t c = static_cast<size_t>(client);
        replies[c] = own.Call(saveRequisitionMethod, changeOfFirstItem(key, saved, changes[c]));
    });

    // Then one wins and the other is told that the item changed under it
    ASSERT_NE(replies[0].ok, replies[1].ok)
        << replies[0].error.toStdString() << replies[1].error.toStdString();
    const size_t winner = replies[0].ok ? 0 : 1;
    EXPECT_EQ(replies[winner].result.toString(), key.nrSoliCmp);
    EXPECT_TRUE(replies[1 - winner].error.startsWith(
        "Registro alterado por outro usuário: ITEMSOLI " + key.cdFilSoli))
        << replies[1 - winner].error.toStdString();
    // and the winner's change is stored whole, beside the untouched second item
    QSqlQuery stored = select("SELECT QTSOLIPROD, TXOBSITMSOL FROM ITEMSOLI WHERE CDFILLAN = ? "
                              "AND NRSOLICMP = ? ORDER BY CDPRODUTO",
                              {key.cdFilLanca, key.nrSoliCmp});
    ASSERT_TRUE(stored.next());
    EXPECT_EQ(stored.value(0).toDouble(), changes[winner].quantity);
    EXPECT_EQ(stored.value(1).toString(), changes[winner].observation);
    ASSERT_TRUE(stored.next());
    EXPECT_EQ(stored.value(0).toDouble(), saved[1].qtSoliProd);
    EXPECT_TRUE(stored.value(1).isNull());
    EXPECT_FALSE(stored.next());
}

INSTANTIATE_TEST_SUITE_P(Backends, ConcurrentSaves,
                         ::testing::Values(Backend::SQLite, Backend::PostgreSQL), backendName);

} // namespace
} // namespace cmp::test

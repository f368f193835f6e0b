// Saving a requisition of 10,000 items: the change packet applied by the
// resolver on SQLite and PostgreSQL. Each figure runs beside a baseline of
// the same run, bare prepared inserts of the same rows in one transaction;
// "vs_baseline" is the ratio to it.
#include "bench_postgres.h"
#include "server/resolver.h"
#include "server/server.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>

#include <unistd.h>

namespace {

using namespace cmp;

struct RequisitionKey
{
    QString cdFilSoli;
    QString cdFilLanca;
    QString nrSoliCmp;
};

const server::ResolveTarget itemSoliTarget{
    QStringLiteral("ITEMSOLI"),
    {QStringLiteral("CDFILSOLI"), QStringLiteral("CDFILLAN"), QStringLiteral("NRSOLICMP"),
     QStringLiteral("CDPRODUTO"), QStringLiteral("DTPROGENTR")},
    {QStringLiteral("DTUTILIZA"), QStringLiteral("QTSOLIPROD"), QStringLiteral("TXOBSITMSOL")}};

enum class Backend
{
    SQLite,
    PostgreSQL
};

// 1,000 products on 10 delivery dates each.
constexpr int itemCount = 10'000;
constexpr int deliveryDays = 10;
const QDate requisitionDate(2026, 12, 1);
const RequisitionKey savedRequisition{"0001", "0001", "0000000001"};

// The items as new records, delivered on their first day of use.
fw::DataPacket largeItemPacket(const RequisitionKey& key)
{
    using fw::FieldType;
    fw::DataPacket packet;
    packet.fields = {{QStringLiteral("CDFILSOLI"), FieldType::String, 4},
                     {QStringLiteral("CDFILLAN"), FieldType::String, 4},
                     {QStringLiteral("NRSOLICMP"), FieldType::String, 10},
                     {QStringLiteral("CDPRODUTO"), FieldType::String, 10},
                     {QStringLiteral("DTPROGENTR"), FieldType::Date, 0},
                     {QStringLiteral("DTUTILIZA"), FieldType::Date, 0},
                     {QStringLiteral("QTSOLIPROD"), FieldType::Float, 0},
                     {QStringLiteral("TXOBSITMSOL"), FieldType::String, 2000}};
    packet.rows.reserve(itemCount);
    for (int i = 0; i < itemCount; ++i) {
        const QString product = QString::number(1 + i / deliveryDays).rightJustified(10, u'0');
        const QDate delivery = requisitionDate.addDays(6 + i % deliveryDays);
        packet.rows.push_back({{key.cdFilSoli, key.cdFilLanca, key.nrSoliCmp, product, delivery,
                                delivery, 1.0 + i % 7, QVariant()},
                               fw::UpdateStatus::Inserted,
                               {}});
    }
    return packet;
}

void execute(QSqlDatabase db, const QString& sql, const QVariantList& values = {})
{
    QSqlQuery query(db);
    query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw std::runtime_error(
            (sql + QStringLiteral(": ") + query.lastError().text()).toStdString());
}

using bench::postgresConfig;

// A schema of the benchmark's own on the PostgreSQL server, so that nothing
// of the database it was pointed at is touched; dropped at the end.
class PostgresSchema
{
public:
    explicit PostgresSchema(const server::DatabaseConfig& config)
        : name_(QStringLiteral("cmp_bench_%1").arg(getpid()))
    {
        QSqlDatabase db = config.addConnection(name_);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        // Not through execute(): PostgreSQL cannot prepare DDL.
        QSqlQuery create(db);
        if (!create.exec(QStringLiteral("CREATE SCHEMA %1").arg(name_)))
            throw std::runtime_error(create.lastError().text().toStdString());
    }
    ~PostgresSchema()
    {
        {
            QSqlQuery drop(QSqlDatabase::database(name_));
            drop.exec(
                QStringLiteral("SET client_min_messages TO WARNING")); // not a notice per table
            drop.exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(name_));
        }
        QSqlDatabase::removeDatabase(name_);
    }
    PostgresSchema(const PostgresSchema&) = delete;
    PostgresSchema& operator=(const PostgresSchema&) = delete;

    const QString& name() const { return name_; }

private:
    QString name_;
};

// Where a benchmark keeps its data: a SQLite file in a temporary folder
// (WAL, as the server opens it), or a schema of its own on PostgreSQL.
class BenchStore
{
public:
    // Empty config() when PostgreSQL is not configured.
    explicit BenchStore(Backend backend)
    {
        if (backend == Backend::SQLite) {
            config_ =
                server::DatabaseConfig::sqlite(folder_.filePath(QStringLiteral("cmp.sqlite")));
        } else if ((config_ = postgresConfig())) {
            schema_.emplace(*config_);
            config_->schema = schema_->name();
        }
    }

    const std::optional<server::DatabaseConfig>& config() const { return config_; }

private:
    QTemporaryDir folder_;
    std::optional<server::DatabaseConfig> config_;
    std::optional<PostgresSchema> schema_;
};

void skipUnconfigured(benchmark::State& state)
{
    state.SkipWithError("PostgreSQL not configured: run "
                        "scripts/with-postgres build/bench/bench/server_save_bench");
}

void removeItems(QSqlDatabase db, const RequisitionKey& key)
{
    execute(db,
            QStringLiteral(
                "DELETE FROM ITEMSOLI WHERE CDFILSOLI = ? AND CDFILLAN = ? AND NRSOLICMP = ?"),
            {key.cdFilSoli, key.cdFilLanca, key.nrSoliCmp});
}

void insertHeader(QSqlDatabase db, const RequisitionKey& key)
{
    execute(db,
            QStringLiteral("INSERT INTO SOLICITA (CDFILSOLI, CDFILLANCA, NRSOLICMP, DTSOLCMP) "
                           "VALUES (?, ?, ?, ?)"),
            {key.cdFilSoli, key.cdFilLanca, key.nrSoliCmp, requisitionDate});
}

// Each backend's baseline, seconds per iteration, for the figures after it.
std::map<Backend, double>& baselineSeconds()
{
    static std::map<Backend, double> seconds;
    return seconds;
}

void reportRatio(benchmark::State& state, Backend backend, double seconds)
{
    const auto baseline = baselineSeconds().find(backend);
    if (baseline != baselineSeconds().end() && baseline->second > 0)
        state.counters["vs_baseline"] = seconds / baseline->second;
}

// Times `work` alone and runs `reset` after it untimed; stops at the first
// failure, which `work` reports with SkipWithError. Seconds per iteration.
template <class Work, class Reset> double timeEach(benchmark::State& state, Work work, Reset reset)
{
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool done = work();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        if (!done)
            break;
        total += seconds;
        reset();
    }
    state.SetItemsProcessed(state.iterations() * itemCount);
    return state.iterations() > 0 ? total / double(state.iterations()) : 0;
}

bool fail(benchmark::State& state, const QString& error)
{
    state.SkipWithError(error.toStdString().c_str());
    return false;
}

// The columns the resolver writes for these rows: those with a value.
std::vector<int> writtenFields(const fw::DataPacket& packet)
{
    std::vector<int> fields;
    const std::vector<QVariant>& values = packet.rows.front().values;
    for (size_t i = 0; i < values.size(); ++i)
        if (values[i].isValid())
            fields.push_back(int(i));
    return fields;
}

bool insertBare(benchmark::State& state, QSqlDatabase& db, const fw::DataPacket& items,
                const std::vector<int>& fields)
{
    QStringList names;
    for (int field : fields)
        names.append(items.fields[size_t(field)].name);
    server::WriteTransaction transaction(db);
    if (!transaction.begin())
        return fail(state, transaction.lastError());
    QSqlQuery insert(db);
    if (!insert.prepare(QStringLiteral("INSERT INTO ITEMSOLI (%1) VALUES (%2)")
                            .arg(names.join(u", "), QStringList(names.size(), "?").join(u", "))))
        return fail(state, insert.lastError().text());
    for (const fw::PacketRow& row : items.rows) {
        for (size_t i = 0; i < fields.size(); ++i)
            insert.bindValue(int(i), row.values[size_t(fields[i])]);
        if (!insert.exec())
            return fail(state, insert.lastError().text());
    }
    return transaction.commit() || fail(state, transaction.lastError());
}

// Runs `measure` on a migrated database holding the requisition's header.
template <class Measure>
void onSavedRequisition(benchmark::State& state, Backend backend, Measure measure)
{
    const BenchStore store(backend);
    if (!store.config()) {
        skipUnconfigured(state);
        return;
    }
    server::ServerDatabase database(*store.config());
    QSqlDatabase db = database.connection();
    insertHeader(db, savedRequisition);
    const fw::DataPacket items = largeItemPacket(savedRequisition);
    const double seconds = measure(db, items);
    state.SetLabel(store.config()->kindName().toStdString());
    reportRatio(state, backend, seconds);
}

void bareInserts(benchmark::State& state, Backend backend)
{
    onSavedRequisition(state, backend, [&](QSqlDatabase& db, const fw::DataPacket& items) {
        const std::vector<int> fields = writtenFields(items);
        const double seconds = timeEach(
            state, [&] { return insertBare(state, db, items, fields); },
            [&] { removeItems(db, savedRequisition); });
        baselineSeconds()[backend] = seconds;
        return seconds;
    });
}

void applyChangePacket(benchmark::State& state, Backend backend)
{
    onSavedRequisition(state, backend, [&](QSqlDatabase& db, const fw::DataPacket& items) {
        return timeEach(
            state,
            [&] {
                const server::ResolveResult result =
                    server::applyChangePacket(db, itemSoliTarget, items);
                return result.ok() || fail(state, result.errorText());
            },
            [&] { removeItems(db, savedRequisition); });
    });
}

void configure(benchmark::internal::Benchmark* benchmark)
{
    benchmark->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);
}

// Each baseline runs before the figures compared with it.
BENCHMARK_CAPTURE(bareInserts, SQLite, Backend::SQLite)->Apply(configure);
BENCHMARK_CAPTURE(applyChangePacket, SQLite, Backend::SQLite)->Apply(configure);
BENCHMARK_CAPTURE(bareInserts, PostgreSQL, Backend::PostgreSQL)->Apply(configure);
BENCHMARK_CAPTURE(applyChangePacket, PostgreSQL, Backend::PostgreSQL)->Apply(configure);

} // namespace

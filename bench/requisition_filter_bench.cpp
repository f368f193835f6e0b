// The requisition filter on 1,000,000 generated requisitions (ten items
// each): GetFilialSoli and GetServSolicita for one requesting branch and one
// month, through Server::dispatch as a client's call reaches the server.
// Beside it, the baseline of the same run: the same SOLICITA rows read by
// their primary key, one execution of a prepared query per key.
//
// Generating the data takes minutes, so it is built once and kept: a SQLite
// file beside this program, and a schema of its own on PostgreSQL.
#include "bench_postgres.h"
#include "db/demo_data.h"
#include "db/large_data.h"
#include "server/remote_modules.h"
#include "server/server.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <stdexcept>

namespace {

using namespace cmp;
using fw::RemoteValue;
using Args = std::vector<RemoteValue>;

enum class Backend
{
    SQLite,
    PostgreSQL
};

// CMP_BENCH_REQUISITIONS sets another size, for a quick check of the suite.
const int requisitionCount = qEnvironmentVariableIntValue("CMP_BENCH_REQUISITIONS") > 0
                                 ? qEnvironmentVariableIntValue("CMP_BENCH_REQUISITIONS")
                                 : 1'000'000;
// The generator spreads launch dates over 2024 to 2026: a month in between.
const QDate monthStart(2025, 3, 1);
const QDate monthEnd(2025, 3, 31);
const QString noRestriction = QStringLiteral("T");
const QString restricting; // any flag but "T" applies its criterion

using bench::postgresConfig;

QSqlQuery run(QSqlDatabase db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw std::runtime_error(
            (sql + QStringLiteral(": ") + query.lastError().text()).toStdString());
    return query;
}

QVariant scalar(QSqlDatabase db, const QString& sql)
{
    QSqlQuery query = run(db, sql);
    return query.next() ? query.value(0) : QVariant();
}

// Demo company plus the generated requisitions, written to a database that
// is not yet where it is looked for, so that an interrupted run leaves no
// half-built data behind to be taken as complete.
void generate(const server::DatabaseConfig& config)
{
    server::ServerDatabase database(config);
    QSqlDatabase db = database.connection();
    std::fprintf(stderr, "%s: loading the demo company\n", qPrintable(config.kindName()));
    db::loadDemoData(db);
    const auto started = std::chrono::steady_clock::now();
    db::generateRequisitions(db, requisitionCount, [&](int done, int total) {
        if (done % 50'000 != 0 && done != total)
            return;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::fprintf(stderr, "%s: %d of %d requisitions generated (%.0f s)\n",
                     qPrintable(config.kindName()), done, total, seconds);
    });
}

QString executableFolder()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

// An earlier run's data is reused when it holds the generated requisitions
// (the demo company's few come on top).
bool holdsGeneratedData(const server::DatabaseConfig& config)
{
    server::ServerDatabase database(config);
    return scalar(database.connection(), QStringLiteral("SELECT COUNT(*) FROM SOLICITA")).toInt() >=
           requisitionCount;
}

server::DatabaseConfig sqliteData()
{
    const QString path = QStringLiteral("%1/requisition_filter_%2.sqlite")
                             .arg(executableFolder())
                             .arg(requisitionCount);
    const server::DatabaseConfig config = server::DatabaseConfig::sqlite(path);
    if (QFile::exists(path) && holdsGeneratedData(config))
        return config;
    const QString building = path + QStringLiteral(".part");
    for (const QString& file : {path, building})
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(file + QLatin1String(suffix));
    generate(server::DatabaseConfig::sqlite(building));
    if (!QFile::rename(building, path))
        throw std::runtime_error("cannot rename " + building.toStdString());
    return config;
}

bool postgresSchemaExists(QSqlDatabase db, const QString& schema)
{
    return scalar(
               db,
               QStringLiteral("SELECT COUNT(*) FROM pg_namespace WHERE nspname = '%1'").arg(schema))
               .toInt() > 0;
}

void buildPostgresData(QSqlDatabase db, server::DatabaseConfig config, const QString& schema)
{
    const QString building = schema + QStringLiteral("_part");
    run(db, QStringLiteral("SET client_min_messages TO WARNING")); // not a notice per table
    for (const QString& old : {schema, building})
        run(db, QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(old));
    run(db, QStringLiteral("CREATE SCHEMA %1").arg(building));
    config.schema = building;
    generate(config);
    // The statistics autovacuum would have gathered by the time users filter.
    run(db, QStringLiteral("ANALYZE"));
    run(db, QStringLiteral("ALTER SCHEMA %1 RENAME TO %2").arg(building, schema));
}

server::DatabaseConfig postgresData(server::DatabaseConfig config)
{
    const QString schema = QStringLiteral("cmp_bench_filter_%1").arg(requisitionCount);
    const QString connection = QStringLiteral("bench-admin");
    {
        QSqlDatabase db = config.addConnection(connection);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        server::DatabaseConfig reused = config;
        reused.schema = schema;
        if (!postgresSchemaExists(db, schema) || !holdsGeneratedData(reused))
            buildPostgresData(db, config, schema);
    }
    QSqlDatabase::removeDatabase(connection);
    config.schema = schema;
    return config;
}

// The data of a backend, built on first use in this run (or found from an
// earlier one); empty when PostgreSQL is not configured.
std::optional<server::DatabaseConfig> dataOf(Backend backend)
{
    static std::map<Backend, std::optional<server::DatabaseConfig>> ready;
    if (const auto found = ready.find(backend); found != ready.end())
        return found->second;
    std::optional<server::DatabaseConfig> config;
    if (backend == Backend::SQLite)
        config = sqliteData();
    else if (const auto postgres = postgresConfig())
        config = postgresData(*postgres);
    ready[backend] = config;
    return config;
}

// Arguments 4 to 16 of GetFilialSoli, 2 to 14 of GetServSolicita: one month
// of requisitions, any buyer, destination, delivery date, manager, approval.
Args monthCriteria()
{
    return {monthStart, monthEnd,      restricting,   QString(),     noRestriction,
            QString(),  noRestriction, RemoteValue(), RemoteValue(), noRestriction,
            QString(),  noRestriction, noRestriction};
}

Args withCriteria(Args before)
{
    const Args criteria = monthCriteria();
    before.insert(before.end(), criteria.begin(), criteria.end());
    before.push_back(db::demoOperator);
    return before;
}

struct Key
{
    QString cdFilSoli;
    QString cdFilLanca;
    QString nrSoliCmp;
};

// A server on the generated data, signed in as the demo operator, and the
// requesting branch with most requisitions: the heaviest list a user opens.
class FilterSubject
{
public:
    explicit FilterSubject(const server::DatabaseConfig& config)
        : server_(serverOptions(config)),
          token_(server_.signIn(db::demoOperator, db::demoPassword).token),
          branch_(scalar(server_.database().connection(),
                         QStringLiteral("SELECT CDFILSOLI FROM SOLICITA GROUP BY CDFILSOLI "
                                        "ORDER BY COUNT(*) DESC, CDFILSOLI LIMIT 1"))
                      .toString())
    {
        if (token_.isEmpty())
            throw std::runtime_error("the demo operator cannot sign in");
    }

    QSqlDatabase connection() { return server_.database().connection(); }
    const QString& branch() const { return branch_; }

    // The two calls the filter makes for one branch; the branch's matching
    // requisitions, or the error of the call that failed.
    fw::RemoteReply filterBranch()
    {
        const Args branchOnly{QString(), restricting, QStringLiteral("_%1_").arg(branch_)};
        const fw::RemoteReply branches =
            call(QStringLiteral("GetFilialSoli"), withCriteria(branchOnly));
        if (!branches.ok)
            return branches;
        if (const QString refusal = branches.result.at(2).toString(); !refusal.isEmpty())
            return fw::RemoteReply::failure(refusal);
        if (branches.result.at(0).toPacket().rows.size() != 1)
            return fw::RemoteReply::failure(
                QStringLiteral("GetFilialSoli did not list the branch"));
        return call(QStringLiteral("GetServSolicita"), withCriteria({branch_}));
    }

    // The keys of the requisitions the filter lists.
    std::vector<Key> filteredKeys()
    {
        const fw::RemoteReply reply = filterBranch();
        if (!reply.ok)
            throw std::runtime_error(reply.error.toStdString());
        const fw::DataPacket& rows = reply.result.toPacket();
        const int branch = rows.fieldIndex(QStringLiteral("CDFILSOLI"));
        const int launching = rows.fieldIndex(QStringLiteral("CDFILLANCA"));
        const int number = rows.fieldIndex(QStringLiteral("NRSOLICMP"));
        std::vector<Key> keys;
        for (const fw::PacketRow& row : rows.rows)
            keys.push_back({row.values[size_t(branch)].toString(),
                            row.values[size_t(launching)].toString(),
                            row.values[size_t(number)].toString()});
        return keys;
    }

private:
    static server::ServerOptions serverOptions(const server::DatabaseConfig& config)
    {
        server::ServerOptions options;
        options.database = config;
        return options;
    }

    fw::RemoteReply call(const QString& method, Args args)
    {
        return server_.dispatch({server::rdmLancaSoliCmp, method, std::move(args)}, token_);
    }

    server::Server server_;
    QString token_;
    QString branch_;
};

// Each backend's baseline, seconds per iteration, for the figure after it.
std::map<Backend, double>& baselineSeconds()
{
    static std::map<Backend, double> seconds;
    return seconds;
}

// Times each iteration of `work`, which reports its own failure with
// SkipWithError and returns false; seconds per iteration.
template <class Work> double timeEach(benchmark::State& state, Work work)
{
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool done = work();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!done)
            break;
    }
    return state.iterations() > 0 ? total / double(state.iterations()) : 0;
}

bool fail(benchmark::State& state, const QString& error)
{
    state.SkipWithError(error.toStdString().c_str());
    return false;
}

// Runs `measure` on the backend's data, the keys it lists already read once
// (which also brings the pages the calls read into the caches).
template <class Measure>
void measureOn(benchmark::State& state, const server::DatabaseConfig& config, Backend backend,
               Measure measure)
{
    FilterSubject subject(config);
    const std::vector<Key> keys = subject.filteredKeys();
    const double seconds = measure(subject, keys);
    state.SetLabel(
        QStringLiteral("%1, branch %2").arg(config.kindName(), subject.branch()).toStdString());
    state.counters["requisitions"] = double(keys.size());
    const auto baseline = baselineSeconds().find(backend);
    if (baseline != baselineSeconds().end() && baseline->second > 0)
        state.counters["vs_baseline"] = seconds / baseline->second;
}

template <class Measure>
void onGeneratedData(benchmark::State& state, Backend backend, Measure measure)
{
    try {
        if (const std::optional<server::DatabaseConfig> config = dataOf(backend))
            measureOn(state, *config, backend, measure);
        else
            state.SkipWithError("PostgreSQL not configured: run "
                                "scripts/with-postgres build/bench/bench/requisition_filter_bench");
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
    }
}

// The SOLICITA columns of the filter's list.
const QStringList keyReadColumns{"CDFILSOLI",  "NRSOLICMP",  "CDFILLANCA",  "DTSOLCMP",
                                 "CDOPERADOR", "CDDESTSOLI", "IDTIPLAN",    "IDSOLEXTRA",
                                 "IDBAIXASOL", "CDOPERLANC", "IDIMPSOLSAC", "NRNECECMPSOL"};

bool readByKey(benchmark::State& state, QSqlQuery& query, const std::vector<Key>& keys)
{
    for (const Key& key : keys) {
        query.bindValue(0, key.cdFilSoli);
        query.bindValue(1, key.cdFilLanca);
        query.bindValue(2, key.nrSoliCmp);
        if (!query.exec())
            return fail(state, query.lastError().text());
        if (!query.next())
            return fail(state, QStringLiteral("requisition %1 not found").arg(key.nrSoliCmp));
        for (int column = 0; column < keyReadColumns.size(); ++column)
            benchmark::DoNotOptimize(query.value(column));
    }
    return true;
}

void readRowsByKey(benchmark::State& state, Backend backend)
{
    onGeneratedData(state, backend, [&](FilterSubject& subject, const std::vector<Key>& keys) {
        QSqlQuery query(subject.connection());
        query.setForwardOnly(true);
        if (!query.prepare(
                QStringLiteral("SELECT %1 FROM SOLICITA "
                               "WHERE CDFILSOLI = ? AND CDFILLANCA = ? AND NRSOLICMP = ?")
                    .arg(keyReadColumns.join(u", ")))) {
            fail(state, query.lastError().text());
            return 0.0;
        }
        const double seconds = timeEach(state, [&] { return readByKey(state, query, keys); });
        baselineSeconds()[backend] = seconds;
        return seconds;
    });
}

void filterOneBranch(benchmark::State& state, Backend backend)
{
    onGeneratedData(state, backend, [&](FilterSubject& subject, const std::vector<Key>&) {
        return timeEach(state, [&] {
            const fw::RemoteReply reply = subject.filterBranch();
            return reply.ok || fail(state, reply.error);
        });
    });
}

void configure(benchmark::internal::Benchmark* benchmark)
{
    benchmark->Unit(benchmark::kMillisecond)->MinTime(2.0);
}

// Each baseline runs before the figure compared with it.
BENCHMARK_CAPTURE(readRowsByKey, SQLite, Backend::SQLite)->Apply(configure);
BENCHMARK_CAPTURE(filterOneBranch, SQLite, Backend::SQLite)->Apply(configure);
BENCHMARK_CAPTURE(readRowsByKey, PostgreSQL, Backend::PostgreSQL)->Apply(configure);
BENCHMARK_CAPTURE(filterOneBranch, PostgreSQL, Backend::PostgreSQL)->Apply(configure);

} // namespace

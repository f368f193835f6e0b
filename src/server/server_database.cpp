#include "server/server_database.h"

#include "db/dialect_functions.h"
#include "db/migrations.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace cmp::server {

namespace {

std::atomic<int> instanceCount{0};
std::atomic<int> threadCount{0};

// A number per thread that is never reused, unlike thread ids: a connection
// name must not be inherited by a later thread, Qt would refuse it there.
int threadSerial()
{
    thread_local const int serial = ++threadCount;
    return serial;
}

void exec(QSqlDatabase& db, const QString& statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement))
        throw DatabaseError(
            QStringLiteral("%1: %2").arg(statement, query.lastError().text()).toStdString());
}

// Runs a step of the database set-up, giving any failure the server's type.
template <typename Step> void prepare(const char* what, Step step)
{
    try {
        step();
    } catch (const DatabaseError&) {
        throw;
    } catch (const std::exception& error) {
        throw DatabaseError(std::string(what) + ": " + error.what());
    }
}

} // namespace

DatabaseConfig DatabaseConfig::sqlite(QString path)
{
    DatabaseConfig config;
    config.kind = Kind::SQLite;
    config.sqlitePath = std::move(path);
    return config;
}

DatabaseConfig DatabaseConfig::postgres(QString host, int port, QString user, QString password,
                                        QString database)
{
    DatabaseConfig config;
    config.kind = Kind::PostgreSQL;
    config.host = std::move(host);
    config.port = port;
    config.user = std::move(user);
    config.password = std::move(password);
    config.database = std::move(database);
    return config;
}

QSqlDatabase DatabaseConfig::addConnection(const QString& name) const
{
    if (kind == Kind::SQLite) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(sqlitePath);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout.count()));
        return db;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(host);
    db.setPort(port);
    db.setUserName(user);
    db.setPassword(password);
    db.setDatabaseName(database);
    return db;
}

QString DatabaseConfig::kindName() const
{
    return kind == Kind::SQLite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");
}

ServerDatabase::ServerDatabase(DatabaseConfig config)
    : config_(std::move(config)), instance_(++instanceCount)
{
    try {
        QSqlDatabase db = connection();
        // PostgreSQL keeps the helper functions in the schema: installing them
        // once is enough, and concurrent re-creation from many threads races.
        if (config_.kind == DatabaseConfig::Kind::PostgreSQL)
            prepare("funções de compatibilidade", [&] { db::installDialectFunctions(db); });
        prepare("atualização do esquema", [&] { db::migrate(db); });
    } catch (...) {
        removeConnections();
        throw;
    }
}

ServerDatabase::~ServerDatabase()
{
    removeConnections();
}

QSqlDatabase ServerDatabase::connection()
{
    const QString name = connectionName();
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            return db;
        db = QSqlDatabase();
        forget(name);
    }
    return open(name);
}

bool ServerDatabase::reachable(QSqlDatabase& db)
{
    QSqlQuery probe(db);
    return probe.exec(QStringLiteral("SELECT 1")) && probe.next();
}

void ServerDatabase::discard()
{
    const QString name = connectionName();
    if (QSqlDatabase::contains(name))
        forget(name);
}

QString ServerDatabase::connectionName() const
{
    return QStringLiteral("cmp_server_%1_%2").arg(instance_).arg(threadSerial());
}

QSqlDatabase ServerDatabase::open(const QString& name)
{
    QSqlDatabase db = config_.addConnection(name);
    {
        std::lock_guard lock(mutex_);
        names_.push_back(name);
    }
    if (!db.open()) {
        const QString reason = db.lastError().text();
        db = QSqlDatabase();
        forget(name);
        throw DatabaseError(QStringLiteral("Não foi possível abrir o banco de dados %1: %2")
                                .arg(config_.kindName(), reason)
                                .toStdString());
    }
    try {
        if (config_.kind == DatabaseConfig::Kind::SQLite)
            prepareSqlite(db);
        else
            usePostgresSchema(db);
    } catch (...) {
        db = QSqlDatabase();
        forget(name);
        throw;
    }
    return db;
}

void ServerDatabase::prepareSqlite(QSqlDatabase& db)
{
    // WAL lets the screens' own connection read while a server thread writes.
    exec(db, QStringLiteral("PRAGMA journal_mode=WAL"));
    exec(db, QStringLiteral("PRAGMA foreign_keys=ON"));
    prepare("funções de compatibilidade", [&] { db::installDialectFunctions(db); });
}

void ServerDatabase::usePostgresSchema(QSqlDatabase& db)
{
    if (config_.schema.isEmpty())
        return;
    // An identifier cannot be bound as a parameter: only a plain name is accepted.
    static const QRegularExpression plainName(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z_][A-Za-z0-9_]{0,62}")));
    if (!plainName.match(config_.schema).hasMatch())
        throw DatabaseError(
            QStringLiteral("Nome de esquema inválido: %1").arg(config_.schema).toStdString());
    exec(db, QStringLiteral("SET search_path TO %1").arg(config_.schema));
}

void ServerDatabase::forget(const QString& name)
{
    QSqlDatabase::removeDatabase(name);
    std::lock_guard lock(mutex_);
    std::erase(names_, name);
}

void ServerDatabase::removeConnections()
{
    std::lock_guard lock(mutex_);
    for (const QString& name : names_)
        QSqlDatabase::removeDatabase(name);
    names_.clear();
}

} // namespace cmp::server

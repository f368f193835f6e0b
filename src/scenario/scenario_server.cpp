#include "scenario/scenario_server.h"

#include "framework/net/net_connection.h"
#include "framework/sql/host_database.h"
#include "server/admin_commands.h"
#include "server/embedded_server.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <stdexcept>

namespace cmp::scenario {

namespace {

// A schema name goes into the statements as it stands: only a plain one.
bool isPlainName(const QString& name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,62}$"));
    return plain.match(name).hasMatch();
}

void execute(QSqlDatabase& db, const QString& statement)
{
    QSqlQuery query(db);
    if (!query.exec(statement))
        throw server::DatabaseError(
            QStringLiteral("%1: %2").arg(statement, query.lastError().text()).toStdString());
}

void recreateSchema(const server::DatabaseConfig& config)
{
    const QString name = QStringLiteral("cmp_scenario_schema");
    {
        QSqlDatabase db = config.addConnection(name);
        if (!db.open())
            throw server::DatabaseError(db.lastError().text().toStdString());
        execute(db, QStringLiteral("SET client_min_messages TO WARNING"));
        execute(db, QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(config.schema));
        execute(db, QStringLiteral("CREATE SCHEMA %1").arg(config.schema));
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

QString unusableRemote(const RemoteServer& remote)
{
    if (remote.host.isEmpty() || remote.port <= 0)
        return QStringLiteral("the server address is host:port");
    if (remote.database.kind != server::DatabaseConfig::Kind::PostgreSQL ||
        remote.database.schema.isEmpty())
        return QStringLiteral("against a server, each file recreates the PostgreSQL schema it "
                              "serves: name it with --pg-host and --pg-schema");
    if (!isPlainName(remote.database.schema))
        return QStringLiteral("%1 is not a plain schema name").arg(remote.database.schema);
    return {};
}

ScenarioServer::ScenarioServer(const QString& sqlitePath)
    : embedded_(std::make_unique<server::EmbeddedServer>(sqlitePath))
{}

ScenarioServer::ScenarioServer(const RemoteServer& remote) : host_(remote.host), port_(remote.port)
{
    if (const QString refusal = unusableRemote(remote); !refusal.isEmpty())
        throw std::invalid_argument(refusal.toStdString());
    recreateSchema(remote.database);
    server::migrateDatabase(remote.database);
    server::AdminDatabase(remote.database).loadDemo();
    served_ = std::make_unique<server::ServerDatabase>(remote.database);
    remoteHost_ = fw::HostDatabase::Remote(host_, port_);
    fw::SetHostDatabase(remoteHost_.get());
}

ScenarioServer::~ScenarioServer()
{
    if (!remoteHost_)
        return; // the embedded server puts everything back itself
    fw::HostDatabase* installed = fw::SetHostDatabase(nullptr);
    if (installed != remoteHost_.get())
        fw::SetHostDatabase(installed); // someone else's since; leave it
    fw::TNetConnection::SignOut();
}

QSqlDatabase ScenarioServer::database()
{
    return embedded_ ? embedded_->server().database().connection() : served_->connection();
}

} // namespace cmp::scenario

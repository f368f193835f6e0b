#include "server/embedded_server.h"

#include "db/dialect_functions.h"
#include "framework/net/net_connection.h"
#include "framework/sql/host_database.h"
#include "server/admin_commands.h"

#include <QDir>
#include <QFileInfo>

namespace cmp::server {

namespace {

// Creates the database with the demo data when the file is missing; true
// when it did. A half-made file from an interrupted first start is removed,
// so the next start tries again instead of serving an empty database.
bool createWithDemo(const QString& sqlitePath)
{
    if (QFileInfo::exists(sqlitePath))
        return false;
    QDir().mkpath(QFileInfo(sqlitePath).absolutePath());
    const auto config = DatabaseConfig::sqlite(sqlitePath);
    try {
        migrateDatabase(config);
        AdminDatabase(config).loadDemo();
    } catch (...) {
        QFile::remove(sqlitePath);
        throw;
    }
    return true;
}

} // namespace

EmbeddedServer::EmbeddedServer(const QString& sqlitePath)
    : sqlitePath_(sqlitePath), created_(createWithDemo(sqlitePath))
{
    ServerOptions options;
    options.database = DatabaseConfig::sqlite(sqlitePath);
    server_ = std::make_unique<Server>(std::move(options));
    transport_ = std::make_shared<InProcessTransport>(*server_);
    fw::TNetConnection::SetEmbeddedTransport(transport_);
    hostDatabase_ = fw::HostDatabase::Embedded(
        sqlitePath, [](QSqlDatabase& db) { db::installDialectFunctions(db); });
    fw::SetHostDatabase(hostDatabase_.get());
}

EmbeddedServer::~EmbeddedServer()
{
    fw::HostDatabase* installed = fw::SetHostDatabase(nullptr);
    if (installed != hostDatabase_.get())
        fw::SetHostDatabase(installed); // someone else's since; leave it
    fw::TNetConnection::SignOut();
    fw::TNetConnection::SetEmbeddedTransport(nullptr);
}

} // namespace cmp::server

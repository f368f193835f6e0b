#pragma once

#include "server/server_database.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>

namespace cmp::fw {
class HostDatabase;
}

namespace cmp::server {
class EmbeddedServer;
}

namespace cmp::scenario {

// A cmp-server that scenario files run against, and the database it serves:
// a PostgreSQL schema of its own, which each file recreates with the demo
// data. Whatever else the schema held is lost.
struct RemoteServer
{
    QString host;
    int port = 0;
    server::DatabaseConfig database;
};

// Why the files cannot run against the server; empty when they can.
QString unusableRemote(const RemoteServer& remote);

// The application server one scenario file runs against, on a fresh demo
// database; while it lives, the screens' queries go to it.
class ScenarioServer
{
public:
    // The server in this process, on a new SQLite file at the path.
    explicit ScenarioServer(const QString& sqlitePath);
    // Recreates the served schema with the demo data; throws
    // std::invalid_argument for a server the files cannot run against.
    explicit ScenarioServer(const RemoteServer& remote);
    ~ScenarioServer();
    ScenarioServer(const ScenarioServer&) = delete;
    ScenarioServer& operator=(const ScenarioServer&) = delete;

    // Where connections sign in and call: an empty host is the server in
    // this process.
    const QString& host() const { return host_; }
    int port() const { return port_; }
    // The served database, for the file's statements and expectations.
    QSqlDatabase database();

private:
    QString host_;
    int port_ = 0;
    std::unique_ptr<server::EmbeddedServer> embedded_;
    std::unique_ptr<server::ServerDatabase> served_;
    std::unique_ptr<fw::HostDatabase> remoteHost_;
};

} // namespace cmp::scenario

#pragma once

#include "server/in_process_transport.h"
#include "server/server.h"

#include <QString>

#include <memory>

namespace cmp::fw {
class HostDatabase;
}

namespace cmp::server {

// The embedded default: the application server in the client's own process
// on a SQLite file, created with the demo data the first time. While it lives,
// every TNetConnection of the process with an empty WebURL reaches it (its
// methods run on the connections' call thread, off the GUI thread), and the
// screens' queries run on a connection of their own to the same file.
class EmbeddedServer
{
public:
    // Creates the file (and its folder) with the demo data when it does not
    // exist yet. Throws DatabaseError or AdminError when it cannot serve.
    explicit EmbeddedServer(const QString& sqlitePath);
    ~EmbeddedServer();
    EmbeddedServer(const EmbeddedServer&) = delete;
    EmbeddedServer& operator=(const EmbeddedServer&) = delete;

    Server& server() { return *server_; }
    const QString& sqlitePath() const { return sqlitePath_; }
    // Whether this start created the database.
    bool created() const { return created_; }

private:
    QString sqlitePath_;
    bool created_ = false;
    std::unique_ptr<Server> server_;
    std::shared_ptr<InProcessTransport> transport_;
    std::unique_ptr<fw::HostDatabase> hostDatabase_;
};

} // namespace cmp::server

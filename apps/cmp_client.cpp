// cmp-client: the desktop host shell. Without --server it runs the
// application server in this process on a SQLite file in the user's data
// folder, created with the demo data on first start. "cmp-client --help"
// lists the options.
#include "server/embedded_server.h"
#include "ui/qt/shell/client_app.h"
#include "ui/qt/shell/client_application.h"

#include <memory>

int main(int argc, char* argv[])
{
    cmp::ui::ClientApplication app(argc, argv);
    // Outlives the client's windows and session, which runClient ends.
    std::unique_ptr<cmp::server::EmbeddedServer> embedded;
    return cmp::ui::runClient([&embedded](const QString& sqlitePath) {
        embedded = std::make_unique<cmp::server::EmbeddedServer>(sqlitePath);
        return embedded->created();
    });
}

// cmp-admin: creates and upgrades databases, loads the demo or a large
// generated data set, and manages operators. "cmp-admin --help" lists it all.
#include "server/admin_cli.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return cmp::server::runAdmin(QCoreApplication::arguments(), *cmp::server::terminalConsole());
}

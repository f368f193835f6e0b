#pragma once

#include "ui/qt/shell/client_session.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace cmp::fw {
class HostDatabase;
}

namespace cmp::ui {

class MainWindow;
class QtUiPort;

// What the command line asks of the desktop client.
struct ClientOptions
{
    QString server;       // empty: the embedded server
    QString databasePath; // the embedded server's SQLite file
    QString operatorCode;
    QString password; // --password, else the environment's CMP_PASSWORD
    QString branch;
    std::optional<QString> openModule;
    QString screenshotFolder; // empty: no screenshots
    bool direct = false;      // operator, password and branch given: no dialog
};

// Reads the client's command line (the program name first); --help and
// unknown options end the process, as QCommandLineParser::process does.
ClientOptions parseClientOptions(const QStringList& arguments);

// Why the options cannot run together; empty when they can.
QString unusableOptions(const ClientOptions& options);

// Starts the application server in this process on the SQLite file, creating
// it with the demo data when missing; true when this start created it. Throws
// std::exception when it cannot serve. The caller keeps the server running
// until the client has ended.
using EmbeddedServerStarter = std::function<bool(const QString& sqlitePath)>;

// Readies the server of an address before signing in there: the embedded one
// starts on the first sign-in that needs it.
class ServerLauncher
{
public:
    ServerLauncher(QString databasePath, EmbeddedServerStarter startEmbedded);

    // Empty when the server is ready; otherwise why it is not.
    QString start(const ServerAddress& address);
    // Whether the embedded server's start created its database.
    bool createdDatabase() const { return created_; }
    const QString& databasePath() const { return databasePath_; }

private:
    QString databasePath_;
    EmbeddedServerStarter startEmbedded_;
    bool started_ = false;
    bool created_ = false;
};

// The signed-in operator and the processing branch chosen.
struct ClientEntry
{
    SignedIn session;
    QString branch;
};

// A way of signing in ends with an entry, or with why not (empty when the
// person cancelled).
struct ClientSignIn
{
    std::optional<ClientEntry> entry;
    QString error;
};

// Signs in with the operator, password and branch of the command line.
ClientSignIn signInDirectly(const ClientOptions& options, ServerLauncher& launcher);

// What the shell holds while it runs, torn down in order: the module's
// screens before the port that shows them, the port before the session.
class ClientHost
{
public:
    ClientHost();
    ~ClientHost();
    ClientHost(const ClientHost&) = delete;
    ClientHost& operator=(const ClientHost&) = delete;

    MainWindow& window() { return *window_; }

    // Installs the session and shows the main window. Against a remote
    // server the screens' queries go to that server too.
    void enter(const ClientEntry& entry);

private:
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<QtUiPort> port_;
    std::unique_ptr<fw::HostDatabase> remoteDatabase_;
};

// Tells the person at the terminal, on the error output.
void printError(const QString& text);

// Runs the client on the application's command line until its main window
// closes; the process's exit status.
int runClient(const EmbeddedServerStarter& startEmbedded);

} // namespace cmp::ui

// cmp-server: the application server over HTTP(S), for many users on PostgreSQL
// (or one SQLite file). Stops cleanly on SIGINT and SIGTERM.
#include "data/module_statements.h"
#include "framework/sql/statement_registry.h"
#include "server/database_options.h"
#include "server/http_server.h"
#include "server/server.h"
#include "server/stop_signals.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <stdexcept>

namespace {

using namespace cmp::server;

const QCommandLineOption listenOption("listen", "Address to listen on.", "address", "127.0.0.1");
const QCommandLineOption portOption("port", "Port to listen on; 0 picks a free one.", "port",
                                    "8080");
const QCommandLineOption certOption("cert", "PEM certificate: serve HTTPS.", "file");
const QCommandLineOption keyOption("key", "PEM private key of the certificate.", "file");
const QCommandLineOption
    secretOption("token-secret",
                 "Secret that signs session tokens, shared by all servers of one database "
                 "(or environment CMP_TOKEN_SECRET; default: random, tokens die with the process).",
                 "text");
const QCommandLineOption tokenHoursOption("token-hours", "Hours a session lasts.", "hours", "8");
const QCommandLineOption threadsOption("threads", "Threads running calls.", "count", "32");
const QCommandLineOption maxBodyOption("max-body-mib", "Largest call body, in MiB.", "mib", "32");
const QCommandLineOption
    headerTimeoutOption("header-timeout",
                        "Seconds a client has to send a request's head (and TLS handshake).",
                        "seconds", "5");
const QCommandLineOption
    readTimeoutOption("read-timeout",
                      "Seconds a client has to send a call's body, and to take a reply.", "seconds",
                      "30");
const QCommandLineOption maxConnectionsOption("max-connections", "Connections open at once.",
                                              "count", "1024");
const QCommandLineOption perAddressOption("max-connections-per-address",
                                          "Connections open at once from one client address.",
                                          "count", "256");
const QCommandLineOption
    trustedProxyOption("trusted-proxy",
                       "Reverse proxy whose X-Forwarded-For names the client (repeatable).",
                       "address");
const QCommandLineOption
    stopGraceOption("stop-grace",
                    "Seconds the calls under way get to finish when the server is stopped.",
                    "seconds", "10");

ServerOptions serverOptions(const QCommandLineParser& parser)
{
    ServerOptions options;
    options.database = databaseConfig(parser);
    options.tokenSecret = valueOrEnvironment(parser, secretOption, "CMP_TOKEN_SECRET").toUtf8();
    options.tokenLifetime = std::chrono::hours(numberOption(parser, tokenHoursOption, 1, 24 * 30));
    return options;
}

HttpOptions httpOptions(const QCommandLineParser& parser)
{
    HttpOptions options;
    options.address = parser.value(listenOption);
    options.port = numberOption(parser, portOption, 0, 65535);
    options.threads = numberOption(parser, threadsOption, 1, 1024);
    options.maxBodyBytes = std::size_t(numberOption(parser, maxBodyOption, 1, 4096)) << 20;
    options.headerTimeout = std::chrono::seconds(numberOption(parser, headerTimeoutOption, 1, 300));
    options.readTimeout = std::chrono::seconds(numberOption(parser, readTimeoutOption, 1, 3600));
    options.writeTimeout = options.readTimeout;
    options.maxConnections = numberOption(parser, maxConnectionsOption, 1, 1'000'000);
    options.maxConnectionsPerAddress = numberOption(parser, perAddressOption, 1, 1'000'000);
    options.trustedProxies = parser.values(trustedProxyOption);
    options.certificateFile = parser.value(certOption);
    options.keyFile = parser.value(keyOption);
    return options;
}

} // namespace

int main(int argc, char* argv[])
{
    // Before any thread starts, so that every thread inherits the blocked signals.
    const StopSignals stopSignals;

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cmp-server"));
    QCoreApplication::setApplicationVersion(QString(serverVersion));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Purchase requisition application server."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(databaseOptions());
    parser.addOptions({listenOption, portOption, certOption, keyOption, secretOption,
                       tokenHoursOption, threadsOption, maxBodyOption, headerTimeoutOption,
                       readTimeoutOption, maxConnectionsOption, perAddressOption,
                       trustedProxyOption, stopGraceOption});
    parser.process(app);

    try {
        // The queries the module's screens may ask this server to run.
        cmp::data::DeclareModuleStatements(cmp::fw::declaredStatements());
        Server server(serverOptions(parser));
        const HttpOptions http = httpOptions(parser);
        const auto grace = std::chrono::seconds(numberOption(parser, stopGraceOption, 0, 3600));
        HttpServer listener(server, http);
        std::printf("cmp-server %s: %s://%s:%d, %s database\n", serverVersion.data(),
                    listener.secure() ? "https" : "http", qPrintable(http.address), listener.port(),
                    qPrintable(server.database().config().kindName()));
        std::fflush(stdout);
        stopSignals.waitAndStop(listener, grace);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cmp-server: %s\n", error.what());
        return 1;
    }
    return 0;
}

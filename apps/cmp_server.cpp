// cmp-server: the application server over HTTP(S), for many users on PostgreSQL
// (or one SQLite file). Stops cleanly on SIGINT and SIGTERM.
#include "server/http_server.h"
#include "server/server.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <stdexcept>

namespace {

using namespace cmp::server;

const QCommandLineOption sqliteOption("sqlite", "SQLite database file.", "path");
const QCommandLineOption pgHostOption("pg-host", "PostgreSQL host.", "host");
const QCommandLineOption pgPortOption("pg-port", "PostgreSQL port.", "port", "5432");
const QCommandLineOption pgUserOption("pg-user", "PostgreSQL user.", "user");
const QCommandLineOption pgPasswordOption("pg-password",
                                          "PostgreSQL password (or environment CMP_PG_PASSWORD).",
                                          "password");
const QCommandLineOption pgDbOption("pg-db", "PostgreSQL database.", "name");
const QCommandLineOption pgSchemaOption("pg-schema", "PostgreSQL schema to work in.", "schema");
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
const QCommandLineOption threadsOption("threads", "Threads serving calls.", "count", "8");
const QCommandLineOption maxBodyOption("max-body-mib", "Largest request body, in MiB.", "mib",
                                       "32");

int number(const QCommandLineParser& parser, const QCommandLineOption& option, int minimum,
           int maximum)
{
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < minimum || value > maximum)
        throw std::invalid_argument(QStringLiteral("--%1 must be a number from %2 to %3")
                                        .arg(option.names().constFirst())
                                        .arg(minimum)
                                        .arg(maximum)
                                        .toStdString());
    return value;
}

QString valueOrEnvironment(const QCommandLineParser& parser, const QCommandLineOption& option,
                           const char* variable)
{
    return parser.isSet(option) ? parser.value(option) : qEnvironmentVariable(variable);
}

DatabaseConfig databaseConfig(const QCommandLineParser& parser)
{
    if (parser.isSet(sqliteOption) == parser.isSet(pgHostOption))
        throw std::invalid_argument("give either --sqlite or --pg-host");
    if (parser.isSet(sqliteOption))
        return DatabaseConfig::sqlite(parser.value(sqliteOption));
    DatabaseConfig config = DatabaseConfig::postgres(
        parser.value(pgHostOption), number(parser, pgPortOption, 1, 65535),
        parser.value(pgUserOption), valueOrEnvironment(parser, pgPasswordOption, "CMP_PG_PASSWORD"),
        parser.value(pgDbOption));
    config.schema = parser.value(pgSchemaOption);
    return config;
}

ServerOptions serverOptions(const QCommandLineParser& parser)
{
    ServerOptions options;
    options.database = databaseConfig(parser);
    options.tokenSecret = valueOrEnvironment(parser, secretOption, "CMP_TOKEN_SECRET").toUtf8();
    options.tokenLifetime = std::chrono::hours(number(parser, tokenHoursOption, 1, 24 * 30));
    return options;
}

HttpOptions httpOptions(const QCommandLineParser& parser)
{
    HttpOptions options;
    options.address = parser.value(listenOption);
    options.port = number(parser, portOption, 0, 65535);
    options.threads = number(parser, threadsOption, 1, 1024);
    options.maxBodyBytes = std::size_t(number(parser, maxBodyOption, 1, 4096)) << 20;
    options.certificateFile = parser.value(certOption);
    options.keyFile = parser.value(keyOption);
    return options;
}

sigset_t stopSignals()
{
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGINT);
    sigaddset(&stopping, SIGTERM);
    return stopping;
}

} // namespace

int main(int argc, char* argv[])
{
    // Blocked before any thread starts, so that every thread inherits the mask
    // and the signals wait for sigwait below instead of killing mid-call.
    const sigset_t stopping = stopSignals();
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cmp-server"));
    QCoreApplication::setApplicationVersion(QString(serverVersion));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Purchase requisition application server."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({sqliteOption, pgHostOption, pgPortOption, pgUserOption, pgPasswordOption,
                       pgDbOption, pgSchemaOption, listenOption, portOption, certOption, keyOption,
                       secretOption, tokenHoursOption, threadsOption, maxBodyOption});
    parser.process(app);

    try {
        Server server(serverOptions(parser));
        const HttpOptions http = httpOptions(parser);
        HttpServer listener(server, http);
        std::printf("cmp-server %s: %s://%s:%d, %s database\n", serverVersion.data(),
                    listener.secure() ? "https" : "http", qPrintable(http.address), listener.port(),
                    qPrintable(server.database().config().kindName()));
        std::fflush(stdout);

        int received = 0;
        sigwait(&stopping, &received);
        std::printf("cmp-server: stopping\n");
        listener.stop();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cmp-server: %s\n", error.what());
        return 1;
    }
    return 0;
}

#include "server/database_options.h"

#include <QCommandLineParser>

#include <stdexcept>

namespace cmp::server {

namespace {

const QCommandLineOption sqliteOption("sqlite", "SQLite database file.", "path");
const QCommandLineOption pgHostOption("pg-host", "PostgreSQL host.", "host");
const QCommandLineOption pgPortOption("pg-port", "PostgreSQL port.", "port", "5432");
const QCommandLineOption pgUserOption("pg-user", "PostgreSQL user.", "user");
const QCommandLineOption pgPasswordOption("pg-password",
                                          "PostgreSQL password (or environment CMP_PG_PASSWORD).",
                                          "password");
const QCommandLineOption pgDbOption("pg-db", "PostgreSQL database.", "name");
const QCommandLineOption pgSchemaOption("pg-schema", "PostgreSQL schema to work in.", "schema");

} // namespace

QList<QCommandLineOption> databaseOptions()
{
    return {sqliteOption,     pgHostOption, pgPortOption,  pgUserOption,
            pgPasswordOption, pgDbOption,   pgSchemaOption};
}

DatabaseConfig databaseConfig(const QCommandLineParser& parser)
{
    if (parser.isSet(sqliteOption) == parser.isSet(pgHostOption))
        throw std::invalid_argument("give either --sqlite or --pg-host");
    if (parser.isSet(sqliteOption))
        return DatabaseConfig::sqlite(parser.value(sqliteOption));
    DatabaseConfig config = DatabaseConfig::postgres(
        parser.value(pgHostOption), numberOption(parser, pgPortOption, 1, 65535),
        parser.value(pgUserOption), valueOrEnvironment(parser, pgPasswordOption, "CMP_PG_PASSWORD"),
        parser.value(pgDbOption));
    config.schema = parser.value(pgSchemaOption);
    return config;
}

int numberOption(const QCommandLineParser& parser, const QCommandLineOption& option, int minimum,
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

} // namespace cmp::server

#pragma once

#include "server/server_database.h"

#include <QCommandLineOption>
#include <QList>

class QCommandLineParser;

namespace cmp::server {

// The command-line options that name the database, shared by cmp-server and
// cmp-admin: --sqlite PATH, or --pg-host, --pg-port, --pg-user, --pg-password
// (or environment CMP_PG_PASSWORD), --pg-db and --pg-schema.
QList<QCommandLineOption> databaseOptions();

// The database the parsed options name; throws std::invalid_argument when they
// name none, both kinds, or a port out of range.
DatabaseConfig databaseConfig(const QCommandLineParser& parser);

// The option's value as a number in [minimum, maximum]; throws
// std::invalid_argument naming the option otherwise.
int numberOption(const QCommandLineParser& parser, const QCommandLineOption& option, int minimum,
                 int maximum);

// The option's value when given, else the environment variable's, so that
// secrets need not appear in the process list.
QString valueOrEnvironment(const QCommandLineParser& parser, const QCommandLineOption& option,
                           const char* variable);

} // namespace cmp::server

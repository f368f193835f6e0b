#include "scenario/command_line.h"

#include "scenario/runner.h"
#include "server/database_options.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QTextStream>

#include <stdexcept>

namespace cmp::scenario {

namespace {

const QCommandLineOption serverOption(
    "server",
    "Runs the files against the cmp-server at this address (host:port), on the PostgreSQL "
    "schema it serves, which each file recreates with the demo data.",
    "address");

RemoteServer remoteServer(const QCommandLineParser& parser)
{
    static const QRegularExpression hostAndPort(QStringLiteral("^([^:/]+):(\\d{1,5})$"));
    const QRegularExpressionMatch address = hostAndPort.match(parser.value(serverOption));
    RemoteServer remote;
    if (address.hasMatch()) {
        remote.host = address.captured(1);
        remote.port = address.captured(2).toInt();
    }
    remote.database = server::databaseConfig(parser);
    if (const QString refusal = unusableRemote(remote); !refusal.isEmpty())
        throw std::invalid_argument(refusal.toStdString());
    return remote;
}

int runFiles(const QStringList& files, const RunOptions& options, QTextStream& out)
{
    int failed = 0;
    for (const QString& file : files) {
        const RunReport report = runScenarioFile(file, options);
        if (report.passed()) {
            out << "ok     " << file << Qt::endl;
            continue;
        }
        ++failed;
        out << "FAILED " << file << Qt::endl;
        for (const QString& failure : report.failures)
            out << failure << Qt::endl;
    }
    return failed == 0 ? 0 : 1;
}

} // namespace

int runScenarioCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    parser.addOption(serverOption);
    parser.addOptions(server::databaseOptions());
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Scenario files."),
                                 QStringLiteral("FILE..."));
    if (!parser.parse(arguments) || parser.positionalArguments().isEmpty()) {
        err << parser.errorText()
            << "\nusage: cmp-scenario [--server HOST:PORT --pg-host HOST "
               "--pg-schema NAME ...] FILE...\n";
        return 2;
    }
    RunOptions options = defaultRunOptions();
    try {
        if (parser.isSet(serverOption))
            options.remote = remoteServer(parser);
    } catch (const std::invalid_argument& error) {
        err << "cmp-scenario: " << error.what() << '\n';
        return 2;
    }
    return runFiles(parser.positionalArguments(), options, out);
}

} // namespace cmp::scenario

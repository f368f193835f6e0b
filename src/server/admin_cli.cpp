#include "server/admin_cli.h"

#include "db/demo_data.h"
#include "server/admin_commands.h"
#include "server/database_options.h"
#include "server/server.h"

#include <QCommandLineParser>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace cmp::server {

namespace {

const QCommandLineOption helpOption({"h", "help"}, "Show this text.");
const QCommandLineOption requisitionsOption("requisitions", "generate: how many requisitions.",
                                            "count");
const QCommandLineOption emailOption("email", "operator add: the operator's e-mail address.",
                                     "address");
constexpr int largestGeneration = 100'000'000;

// The command line does not fit any command; the usage text follows the message.
class UsageError : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

struct Invocation
{
    const QCommandLineParser& parser;
    QStringList arguments; // after the command words
    AdminConsole& console;
};

struct Command
{
    QStringList words;
    QStringList arguments; // names of the positional arguments, for the usage text
    QList<const QCommandLineOption*> options;
    const char* summary;
    void (*run)(const Invocation&);
};

QString migrationLine(const SchemaChange& change)
{
    const QString outcome = change.from == 0           ? QStringLiteral("created")
                            : change.from == change.to ? QStringLiteral("already up to date")
                                                       : QStringLiteral("upgraded");
    return QStringLiteral("Schema version %1 -> %2: %3.\n")
        .arg(change.from)
        .arg(change.to)
        .arg(outcome);
}

void runMigrate(const Invocation& call)
{
    call.console.print(migrationLine(migrateDatabase(databaseConfig(call.parser))));
}

void runDemo(const Invocation& call)
{
    const DatabaseConfig config = databaseConfig(call.parser);
    call.console.print(migrationLine(migrateDatabase(config)));
    AdminDatabase(config).loadDemo();
    call.console.print(
        QStringLiteral("Demo data loaded: sign in as operator %1, password \"%2\".\n")
            .arg(db::demoOperator, db::demoPassword));
}

// "Generating requisitions: 45% (4500 of 10000), 1520 per second", redrawn in
// place on a terminal and one line per batch in a log.
class ProgressLine
{
public:
    explicit ProgressLine(AdminConsole& console) : console_(console) { clock_.start(); }

    void show(int done, int total)
    {
        const double seconds = std::max<qint64>(clock_.elapsed(), 1) / 1000.0;
        console_.print(QStringLiteral("%1Generating requisitions: %2% (%3 of %4), %5 per second%6")
                           .arg(console_.interactive() ? QStringLiteral("\r") : QString())
                           .arg(qint64(done) * 100 / total)
                           .arg(done)
                           .arg(total)
                           .arg(qRound64(done / seconds))
                           .arg(console_.interactive() ? QString() : QStringLiteral("\n")));
    }

    void finish(int total)
    {
        console_.print(QStringLiteral("%1Wrote %2 requisitions in %3 s.\n")
                           .arg(console_.interactive() ? QStringLiteral("\n") : QString())
                           .arg(total)
                           .arg(clock_.elapsed() / 1000.0, 0, 'f', 1));
    }

private:
    AdminConsole& console_;
    QElapsedTimer clock_;
};

void runGenerate(const Invocation& call)
{
    if (!call.parser.isSet(requisitionsOption))
        throw UsageError("generate needs --requisitions COUNT");
    const int count = numberOption(call.parser, requisitionsOption, 1, largestGeneration);
    AdminDatabase database(databaseConfig(call.parser));
    ProgressLine progress(call.console);
    database.generateRequisitions(count, [&](int done, int total) { progress.show(done, total); });
    progress.finish(count);
}

QString newPassword(AdminConsole& console)
{
    const QString password = console.readPassword(QStringLiteral("Password: "));
    if (console.interactive() &&
        console.readPassword(QStringLiteral("Repeat the password: ")) != password)
        throw AdminError("The two passwords differ.");
    return password;
}

void runOperatorAdd(const Invocation& call)
{
    AdminDatabase database(databaseConfig(call.parser));
    NewOperator entry{call.arguments[0], call.arguments[1], call.parser.value(emailOption), {}};
    entry.password = newPassword(call.console);
    database.addOperator(entry);
    call.console.print(QStringLiteral("Operator %1 added.\n").arg(operatorCode(call.arguments[0])));
}

void runOperatorPassword(const Invocation& call)
{
    AdminDatabase database(databaseConfig(call.parser));
    const QString code = operatorCode(call.arguments[0]);
    database.setOperatorPassword(code, newPassword(call.console));
    call.console.print(QStringLiteral("Password of operator %1 changed.\n").arg(code));
}

void runOperatorDisable(const Invocation& call)
{
    const QString code = operatorCode(call.arguments[0]);
    AdminDatabase(databaseConfig(call.parser)).disableOperator(code);
    call.console.print(
        QStringLiteral("Operator %1 disabled: it can no longer sign in.\n").arg(code));
}

void runVersion(const Invocation& call)
{
    call.console.print(QStringLiteral("cmp-admin %1\n").arg(serverVersion));
}

const QList<Command>& commands()
{
    static const QList<Command> all{
        {{"migrate"}, {}, {}, "Create the schema or upgrade it; prints the versions.", runMigrate},
        {{"demo"}, {}, {}, "Migrate and load the demo data into an empty database.", runDemo},
        {{"generate"},
         {},
         {&requisitionsOption},
         "Add --requisitions COUNT generated requisitions (needs the demo data).",
         runGenerate},
        {{"operator", "add"},
         {"CODE", "NAME"},
         {&emailOption},
         "Add an operator [--email ADDRESS]; password from standard input.",
         runOperatorAdd},
        {{"operator", "password"},
         {"CODE"},
         {},
         "Set an operator's password, read from standard input.",
         runOperatorPassword},
        {{"operator", "disable"},
         {"CODE"},
         {},
         "Stop an operator from signing in.",
         runOperatorDisable},
        {{"version"}, {}, {}, "Show the program's version.", runVersion},
    };
    return all;
}

QString optionLine(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    QString left = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        left += u' ' + option.valueName().toUpper();
    return QStringLiteral("  %1 %2\n").arg(left, -26).arg(option.description());
}

QString usage()
{
    QString text = QStringLiteral(
        "Usage: cmp-admin DATABASE COMMAND [ARGUMENT...]\n"
        "Creates and upgrades purchase requisition databases and manages their operators.\n\n"
        "Commands:\n");
    for (const Command& command : commands()) {
        const QString call = (command.words + command.arguments).join(u' ');
        text +=
            QStringLiteral("  %1 %2\n").arg(call, -26).arg(QString::fromLatin1(command.summary));
    }
    text += QStringLiteral("\nDatabase (--sqlite, or the --pg-* options):\n");
    for (const QCommandLineOption& option : databaseOptions())
        text += optionLine(option);
    text += QStringLiteral("\nOther options:\n");
    for (const QCommandLineOption* option : {&requisitionsOption, &emailOption, &helpOption})
        text += optionLine(*option);
    return text;
}

const Command& findCommand(const QStringList& positional)
{
    for (const Command& command : commands())
        if (positional.mid(0, command.words.size()) == command.words)
            return command;
    throw UsageError(
        positional.isEmpty()
            ? std::string("no command given")
            : QStringLiteral("unknown command \"%1\"").arg(positional.join(u' ')).toStdString());
}

void checkFits(const Command& command, const QCommandLineParser& parser)
{
    const QString name = command.words.join(u' ');
    if (parser.positionalArguments().size() != command.words.size() + command.arguments.size())
        throw UsageError(QStringLiteral("\"%1\" takes %2")
                             .arg(name, command.arguments.isEmpty() ? QStringLiteral("no arguments")
                                                                    : command.arguments.join(u' '))
                             .toStdString());
    for (const QCommandLineOption* option : {&requisitionsOption, &emailOption})
        if (parser.isSet(*option) && !command.options.contains(option))
            throw UsageError(QStringLiteral("--%1 is not an option of \"%2\"")
                                 .arg(option->names().constFirst(), name)
                                 .toStdString());
}

void parse(QCommandLineParser& parser, const QStringList& arguments)
{
    parser.addOptions(databaseOptions());
    parser.addOptions({requisitionsOption, emailOption, helpOption});
    if (!parser.parse(arguments))
        throw UsageError(parser.errorText().toStdString());
}

int fail(AdminConsole& console, const char* message, int exitCode)
{
    console.error(QStringLiteral("cmp-admin: %1\n").arg(QString::fromUtf8(message)));
    return exitCode;
}

class TerminalConsole : public AdminConsole
{
public:
    void print(const QString& text) override { write(stdout, text); }
    void error(const QString& text) override { write(stderr, text); }
    bool interactive() const override { return isatty(STDIN_FILENO) != 0; }

    QString readPassword(const QString& prompt) override
    {
        if (!interactive())
            return readLine();
        error(prompt);
        termios saved{};
        tcgetattr(STDIN_FILENO, &saved);
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
        const QString password = readLine();
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        error(QStringLiteral("\n"));
        return password;
    }

private:
    static void write(FILE* stream, const QString& text)
    {
        std::fputs(text.toUtf8().constData(), stream);
        std::fflush(stream);
    }

    static QString readLine()
    {
        std::string line;
        std::getline(std::cin, line);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return QString::fromStdString(line);
    }
};

} // namespace

std::unique_ptr<AdminConsole> terminalConsole()
{
    return std::make_unique<TerminalConsole>();
}

int runAdmin(const QStringList& arguments, AdminConsole& console)
{
    QCommandLineParser parser;
    try {
        parse(parser, arguments);
        if (parser.isSet(helpOption)) {
            console.print(usage());
            return 0;
        }
        const Command& command = findCommand(parser.positionalArguments());
        checkFits(command, parser);
        command.run({parser, parser.positionalArguments().mid(command.words.size()), console});
        return 0;
    } catch (const UsageError& error) {
        console.error(
            QStringLiteral("cmp-admin: %1\n\n%2").arg(QString::fromUtf8(error.what()), usage()));
        return 2;
    } catch (const std::invalid_argument& error) {
        return fail(console, error.what(), 2);
    } catch (const std::exception& error) {
        return fail(console, error.what(), 1);
    }
}

} // namespace cmp::server

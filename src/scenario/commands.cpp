#include "scenario/commands.h"

#include "framework/ui/scripted_ui_port.h"
#include "scenario/arguments.h"
#include "scenario/runner.h"

#include <QSqlError>
#include <QSqlQuery>

#include <array>

namespace cmp::scenario {

namespace {

// --- session --------------------------------------------------------------------

// signin OPERATOR PASSWORD [branch CODE] [date DD/MM/YYYY] [bound]
SignInRequest signInRequest(const QStringList& args)
{
    SignInRequest request;
    request.operatorCode = args.at(0);
    request.password = args.at(1);
    for (qsizetype at = 2; at < args.size(); ++at) {
        const QString& word = args.at(at);
        if (word == QLatin1String("bound")) {
            request.branchBound = true;
            continue;
        }
        if (at + 1 == args.size())
            badArgument(QStringLiteral("\"%1\" needs a value").arg(word));
        if (word == QLatin1String("branch"))
            request.branch = args.at(++at);
        else if (word == QLatin1String("date"))
            request.date = toDate(args.at(++at));
        else
            badArgument(QStringLiteral("\"%1\" is not branch, date or bound").arg(word));
    }
    return request;
}

void runSql(Runner& runner, const Step& step)
{
    QSqlQuery query(runner.database());
    if (!query.exec(step.args.at(0)))
        fail(query.lastError().text());
}

// --- prompts ---------------------------------------------------------------------

void answer(Runner& runner, const Step& step)
{
    const Answer chosen = toAnswer(step.args.at(0));
    if (const auto* button = std::get_if<fw::MsgButton>(&chosen))
        runner.ui().answerNext(*button);
    else
        runner.ui().answerNextCustom(std::get<int>(chosen));
}

void pickRow(Runner& runner, const Step& step)
{
    runner.ui().pickNextRecNo(toNumber(step.args.at(0), 1));
}

} // namespace

const std::vector<Command>& sessionCommands()
{
    static const std::vector<Command> commands{
        {"signin", "signin OPERATOR PASSWORD [branch CODE] [date DD/MM/YYYY] [bound]", 2, 7,
         [](const QStringList& args) { signInRequest(args); },
         [](Runner& runner, const Step& step) { runner.signIn(signInRequest(step.args)); }},
        {"sql", "sql STATEMENT", 1, 1, nullptr, runSql, false, false, true},
        {"open", "open MODULE", 1, 1, nullptr,
         [](Runner& runner, const Step& step) { runner.openModule(step.args.at(0)); }},
        {"form", "form NAME", 1, 1, nullptr,
         [](Runner& runner, const Step& step) { runner.chooseForm(step.args.at(0)); }},
    };
    return commands;
}

const std::vector<Command>& promptCommands()
{
    static const std::vector<Command> commands{
        {"answer", "answer BUTTON|NUMBER", 1, 1,
         [](const QStringList& args) { toAnswer(args.at(0)); }, answer, true},
        {"dismiss", "dismiss", 0, 0, nullptr,
         [](Runner& runner, const Step&) { runner.ui().cancelNext(); }, true},
        {"pick row", "pick row NUMBER", 1, 1,
         [](const QStringList& args) { toNumber(args.at(0), 1); }, pickRow, true},
        {"pick list", "pick list [KEY...]", 0, -1, nullptr,
         [](Runner& runner, const Step& step) { runner.ui().pickListNext(step.args); }, true},
        {"pick", "pick KEY", 1, 1, nullptr,
         [](Runner& runner, const Step& step) { runner.ui().pickNext(step.args.at(0)); }, true},
        {"search", "search FIELD TEXT", 2, 2, nullptr,
         [](Runner& runner, const Step& step) {
             runner.ui().searchNext(step.args.at(0), step.args.at(1));
         },
         true},
        {"password", "password TEXT", 1, 1, nullptr,
         [](Runner& runner, const Step& step) { runner.ui().typePasswordNext(step.args.at(0)); },
         true},
        {"modal", "modal FORM ... end [RESULT]", 1, 1, nullptr,
         [](Runner& runner, const Step& step) { runner.queueModal(step); }, true, true},
    };
    return commands;
}

const Command* findCommand(const QStringList& words, int& nameWords)
{
    static const std::array tables{&sessionCommands(), &actionCommands(), &promptCommands(),
                                   &expectCommands()};
    // Two-word names first: "pick list" before "pick".
    for (int length : {2, 1}) {
        if (words.size() < length)
            continue;
        const QString name = words.mid(0, length).join(u' ');
        for (const auto* table : tables)
            for (const Command& command : *table)
                if (command.name == name) {
                    nameWords = length;
                    return &command;
                }
    }
    return nullptr;
}

} // namespace cmp::scenario

#pragma once

#include "framework/ui/host_context.h"
#include "scenario/scenario_server.h"
#include "scenario/script.h"

#include <QDate>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace cmp::fw {
class Control;
class Form;
class ScriptedUiPort;
class UiPort;
enum class UiEventKind;
} // namespace cmp::fw

namespace cmp::scenario {

class ScenarioUiPort;
struct StepFailure;

// How a module is entered: the host's package load, its entry, its unload.
struct ModuleEntry
{
    std::function<void()> initialize;
    std::function<void()> iniProc;
    std::function<void()> finalize;
};

// The purchase requisition module linked into this program, as CMP03100.
ModuleEntry requisitionModule();

struct RunOptions
{
    QHash<QString, ModuleEntry> modules; // by the code "open" names, upper case
    // Empty: each file runs on the application server in this process.
    std::optional<RemoteServer> remote;
};

// The options of cmp-scenario: the requisition module.
RunOptions defaultRunOptions();

// What a run found: nothing failed, or the failures, each beginning with
// "FILE:LINE:".
struct RunReport
{
    QStringList failures;
    bool passed() const { return failures.isEmpty(); }
};

// Parses and runs one file; a file that does not parse is one failure.
RunReport runScenarioFile(const QString& path, const RunOptions& options);

// What went wrong in a command: what() says what was seen.
class Failure : public std::runtime_error
{
public:
    explicit Failure(const QString& seen) : std::runtime_error(seen.toStdString()) {}
};
[[noreturn]] void fail(const QString& seen);

struct SignInRequest
{
    QString operatorCode;
    QString password;
    QString branch;
    QDate date; // invalid: today
    bool branchBound = false;
};

// Runs one parsed scenario against a fresh demo database of its own (in a
// temporary folder, or the remote server's schema), with a scripted UI port
// installed for as long as it lives. The commands act through it.
class Runner
{
public:
    Runner(Script script, RunOptions options);
    ~Runner();
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;

    RunReport run();

    // --- for the commands ------------------------------------------------------
    void runSteps(const std::vector<Step>& steps);
    fw::ScriptedUiPort& ui();

    // The form actions apply to: the modal form of the block being run, else
    // the one chosen with "form", else the modeless form shown last.
    fw::Form& form() const;
    void chooseForm(const QString& name);
    fw::Control& control(const QString& name) const;
    template <class T> T& control(const QString& name, const char* kind) const
    {
        auto* typed = dynamic_cast<T*>(&control(name));
        if (!typed)
            fail(QStringLiteral("%1 is not a %2").arg(name, QLatin1String(kind)));
        return *typed;
    }

    // Queues the block for the next modal form.
    void queueModal(const Step& step);

    void signIn(const SignInRequest& request);
    void openModule(const QString& code);
    // A connection to the scenario's database, created with the demo data on
    // first use.
    QSqlDatabase database();

    // Each consumes the next message (error or information) or question not
    // yet checked and fails when it is of another kind or text.
    void expectMessage(fw::UiEventKind kind, const QString& text);
    void expectQuestion(const QString& text);
    void expectNoMessages();

    // The server methods the last action at this line's depth called, in
    // order: a modal block's lines are below the action that opened it, and
    // what runs in the block counts for that action too. Before a block's
    // first action, the calls its opener made so far.
    struct ActionCalls
    {
        int line = 0; // 0: no action ran yet at this depth
        QStringList methods;
    };
    ActionCalls lastActionCalls() const;

private:
    void runStep(const Step& step);
    void noteServerCall(const QString& module, const QString& method);
    int runModal(const Step& step, fw::Form& form);
    void attributeEvents();
    void startServer();
    void checkEverythingUsed(RunReport& report);
    void finalizeModules(RunReport& report);
    QStringList uncheckedMessages() const;
    QString where(int line) const;
    StepFailure failureAt(const Step& step, const QString& seen) const;

    Script script_;
    RunOptions options_;
    QTemporaryDir folder_;
    std::unique_ptr<ScenarioUiPort> port_;
    fw::UiPort* previousPort_ = nullptr;
    fw::HostContext previousContext_;
    std::unique_ptr<ScenarioServer> server_;
    QStringList initialized_; // module codes, in the order they were entered
    QString chosenForm_;
    std::vector<fw::Form*> modalForms_;
    std::vector<int> runningLines_;        // the steps running, outermost first
    std::vector<int> eventLines_;          // the line that was running when each event came
    std::vector<const Step*> answerSteps_; // the prompt answers queued, in order
    qsizetype messagesChecked_ = 0;        // events up to which messages were checked
    qsizetype questionsChecked_ = 0;
    QStringList serverCalls_; // every method called, in order
    struct ActionRange
    {
        int line = 0;
        qsizetype firstCall = 0;
        qsizetype endCall = -1; // -1: still running
    };
    std::vector<ActionRange> lastActions_; // by depth
};

} // namespace cmp::scenario

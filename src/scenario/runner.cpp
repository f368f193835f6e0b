#include "scenario/runner.h"

#include "framework/core/abort.h"
#include "framework/forms/form.h"
#include "framework/net/net_connection.h"
#include "framework/sql/host_database.h"
#include "scenario/arguments.h"
#include "scenario/commands.h"
#include "scenario/scenario_port.h"

#include <algorithm>

namespace cmp::scenario {

// A line that failed, already worded with its place. Not a std::exception,
// so that no handler of a screen the failure passes through swallows it.
struct StepFailure
{
    QString text;
};

namespace {

bool isMessage(fw::UiEventKind kind)
{
    return kind == fw::UiEventKind::Error || kind == fw::UiEventKind::Info;
}

QString describe(const fw::UiEvent& event)
{
    const QString kind = event.kind == fw::UiEventKind::Error  ? QStringLiteral("error")
                         : event.kind == fw::UiEventKind::Info ? QStringLiteral("info")
                                                               : QStringLiteral("question");
    return QStringLiteral("%1 \"%2\"").arg(kind, event.text);
}

// Lines that check or answer in advance are not actions of the user.
bool isAction(const Command& command)
{
    const auto& checks = expectCommands();
    const bool expectation = &command >= checks.data() && &command < checks.data() + checks.size();
    return !expectation && !command.answersPrompt && !command.opensBlock;
}

// Hears how a modal form ends, and gives the form's owner its handler back
// afterwards, also when a failure leaves the block early.
class ModalEndWatch
{
public:
    explicit ModalEndWatch(fw::Form& form) : form_(form), owners_(form.modalEnded)
    {
        form.modalEnded = [this](fw::Form& ending) {
            ended = true;
            result = ending.ModalResult();
            if (owners_)
                owners_(ending);
        };
    }
    ~ModalEndWatch()
    {
        if (fw::IsLiveForm(&form_))
            form_.modalEnded = owners_;
    }
    ModalEndWatch(const ModalEndWatch&) = delete;
    ModalEndWatch& operator=(const ModalEndWatch&) = delete;

    bool ended = false;
    int result = fw::mrNone;

private:
    fw::Form& form_;
    fw::Form::Event owners_;
};

} // namespace

void fail(const QString& seen)
{
    throw Failure(seen);
}

RunOptions defaultRunOptions()
{
    RunOptions options;
    options.modules.insert(QStringLiteral("CMP03100"), requisitionModule());
    return options;
}

RunReport runScenarioFile(const QString& path, const RunOptions& options)
{
    try {
        Runner runner(loadScript(path), options);
        return runner.run();
    } catch (const ScriptError& error) {
        return {{QString::fromUtf8(error.what())}};
    }
}

Runner::Runner(Script script, RunOptions options)
    : script_(std::move(script)), options_(std::move(options)),
      port_(std::make_unique<ScenarioUiPort>())
{
    previousPort_ = fw::SetUiPort(port_.get());
    previousContext_ = fw::SetHostContext({});
    fw::TNetConnection::SetCallObserver(
        [this](const QString& module, const QString& method) { noteServerCall(module, method); });
}

Runner::~Runner()
{
    RunReport ignored;
    finalizeModules(ignored);
    fw::TNetConnection::SetCallObserver(nullptr);
    fw::SetUiPort(previousPort_);
    fw::SetHostContext(previousContext_);
}

RunReport Runner::run()
{
    RunReport report;
    try {
        if (!folder_.isValid())
            throw StepFailure{QStringLiteral("%1: no temporary folder: %2")
                                  .arg(script_.fileName, folder_.errorString())};
        runSteps(script_.steps);
        checkEverythingUsed(report);
    } catch (const StepFailure& failure) {
        attributeEvents();
        QString text = failure.text;
        for (const QString& message : uncheckedMessages())
            text += QStringLiteral("\n    not yet expected: %1").arg(message);
        report.failures << text;
    }
    finalizeModules(report);
    return report;
}

QString Runner::where(int line) const
{
    return QStringLiteral("%1:%2").arg(script_.fileName).arg(line);
}

StepFailure Runner::failureAt(const Step& step, const QString& seen) const
{
    return {QStringLiteral("%1: %2\n    %3").arg(where(step.line), step.source, seen)};
}

fw::ScriptedUiPort& Runner::ui()
{
    return *port_;
}

void Runner::runSteps(const std::vector<Step>& steps)
{
    for (const Step& step : steps)
        runStep(step);
}

void Runner::runStep(const Step& step)
{
    attributeEvents(); // what came so far belongs to the enclosing line
    const size_t depth = runningLines_.size();
    const bool action = isAction(*step.command);
    if (action) {
        // Deeper entries belong to the blocks of an earlier action.
        lastActions_.resize(depth + 1);
        lastActions_[depth] = {step.line, serverCalls_.size(), -1};
    }
    runningLines_.push_back(step.line);
    if (step.command->answersPrompt)
        answerSteps_.push_back(&step);
    const auto failure = [&](const QString& seen) {
        attributeEvents();
        return failureAt(step, seen);
    };
    try {
        step.command->run(*this, step);
    } catch (const StepFailure&) {
        throw;
    } catch (const fw::UnscriptedPrompt& prompt) {
        throw failure(
            QStringLiteral("unscripted prompt: %1").arg(QString::fromUtf8(prompt.what())));
    } catch (const fw::EAbort&) {
        throw failure(QStringLiteral("aborted outside any user action"));
    } catch (const std::exception& error) {
        throw failure(QString::fromUtf8(error.what()));
    }
    attributeEvents();
    runningLines_.pop_back();
    if (action) {
        lastActions_.resize(depth + 1);
        lastActions_[depth].endCall = serverCalls_.size();
    }
    if (runningLines_.empty())
        fw::FlushIdleWork(); // as the host does when it is idle again
}

void Runner::attributeEvents()
{
    const int line = runningLines_.empty() ? 0 : runningLines_.back();
    eventLines_.resize(port_->events().size(), line);
}

// A server that runs the screens' statements for them is reached through a
// call too; that is the host database, not a call of the screen's own.
void Runner::noteServerCall(const QString& module, const QString& method)
{
    if (module != fw::runStatementModule || method != fw::runStatementMethod)
        serverCalls_ << method;
}

Runner::ActionCalls Runner::lastActionCalls() const
{
    // The expectation asking is itself running, one depth below. Before the
    // first action of a block, the action still running that opened it.
    const size_t depth = runningLines_.empty() ? 0 : runningLines_.size() - 1;
    for (size_t at = std::min(depth + 1, lastActions_.size()); at-- > 0;) {
        const ActionRange& range = lastActions_[at];
        if (range.line == 0)
            continue;
        const qsizetype end = range.endCall < 0 ? serverCalls_.size() : range.endCall;
        return {range.line, serverCalls_.mid(range.firstCall, end - range.firstCall)};
    }
    return {};
}

// --- forms ----------------------------------------------------------------------

fw::Form& Runner::form() const
{
    if (!modalForms_.empty()) {
        if (!fw::IsLiveForm(modalForms_.back()))
            fail(QStringLiteral("the modal form was freed"));
        return *modalForms_.back();
    }
    const QString name = chosenForm_.isEmpty() ? port_->lastModeless() : chosenForm_;
    if (name.isEmpty())
        fail(QStringLiteral("no form was shown through the UI port yet"));
    fw::Form* found = fw::findLiveForm(name);
    if (!found)
        fail(QStringLiteral("%1 is not open").arg(name));
    return *found;
}

void Runner::chooseForm(const QString& name)
{
    if (!modalForms_.empty())
        fail(QStringLiteral("inside a modal block the modal form is the one acted on"));
    if (!fw::findLiveForm(name))
        fail(QStringLiteral("%1 is not open").arg(name));
    chosenForm_ = name;
}

fw::Control& Runner::control(const QString& name) const
{
    fw::Form& current = form();
    fw::Control* found = current.findControl(name);
    if (!found)
        fail(QStringLiteral("%1 has no control %2").arg(current.Name(), name));
    return *found;
}

void Runner::queueModal(const Step& step)
{
    port_->actInNextModal([this, &step](fw::Form& form) { return runModal(step, form); });
    // The block's answers follow the form in the queue, in the order written.
    for (const Step& inner : step.block)
        if (inner.command->answersPrompt)
            runStep(inner);
}

int Runner::runModal(const Step& step, fw::Form& form)
{
    const auto failure = [&](const QString& seen) { return failureAt(step, seen); };
    if (form.Name().compare(step.args.at(0), Qt::CaseInsensitive) != 0)
        throw failure(QStringLiteral("the modal form that opened is %1").arg(form.Name()));
    attributeEvents();
    runningLines_.push_back(step.line);
    // Actions of an earlier block at this depth are not this block's.
    lastActions_.resize(std::min(lastActions_.size(), runningLines_.size()));

    ModalEndWatch watch(form);
    modalForms_.push_back(&form);
    for (const Step& inner : step.block)
        if (!inner.command->answersPrompt)
            runStep(inner);
    modalForms_.pop_back();
    attributeEvents();
    runningLines_.pop_back();

    if (!watch.ended)
        throw failure(QStringLiteral("%1 is still open at the end of its block").arg(form.Name()));
    if (!step.blockEnd.isEmpty() && watch.result != toModalResult(step.blockEnd))
        throw failure(
            QStringLiteral("%1 ended with %2").arg(form.Name(), modalResultName(watch.result)));
    return watch.result;
}

// --- session -----------------------------------------------------------------------

void Runner::startServer()
{
    if (server_)
        return;
    server_ =
        options_.remote
            ? std::make_unique<ScenarioServer>(*options_.remote)
            : std::make_unique<ScenarioServer>(folder_.filePath(QStringLiteral("cmp.sqlite")));
}

QSqlDatabase Runner::database()
{
    startServer();
    return server_->database();
}

void Runner::signIn(const SignInRequest& request)
{
    startServer();
    fw::TNetConnection connection{QString(fw::runStatementModule)};
    connection.SetWebURL(server_->host());
    connection.SetWebPort(server_->port());
    const fw::SignInResult result = connection.SignIn(request.operatorCode, request.password);
    if (!result.ok)
        fail(QStringLiteral("sign-in refused: %1").arg(result.error));
    fw::HostContext context;
    context.operatorCode = result.operatorCode;
    context.operatorName = result.operatorName;
    context.processingBranch = request.branch;
    context.branchBound = request.branchBound;
    context.webURL = server_->host();
    context.webPort = server_->port();
    if (const QDate date = request.date; date.isValid())
        context.processingDate = [date](const QString&) { return date; };
    fw::SetHostContext(std::move(context));
}

void Runner::openModule(const QString& code)
{
    const auto entry = options_.modules.constFind(code.toUpper());
    if (entry == options_.modules.constEnd())
        fail(QStringLiteral("no module %1 here (%2)")
                 .arg(code, QStringList(options_.modules.keys()).join(u' ')));
    if (!initialized_.contains(entry.key())) {
        entry->initialize();
        initialized_ << entry.key();
    }
    // The host enters the module from a menu: an abort ends only that.
    fw::RunUserAction([&] { entry->iniProc(); });
}

void Runner::finalizeModules(RunReport& report)
{
    while (!initialized_.isEmpty()) {
        const QString code = initialized_.takeLast();
        try {
            options_.modules.value(code).finalize();
            fw::FlushIdleWork();
        } catch (const std::exception& error) {
            report.failures << QStringLiteral("%1: unloading %2 failed: %3")
                                   .arg(script_.fileName, code, QString::fromUtf8(error.what()));
        }
    }
}

// --- messages ------------------------------------------------------------------------

void Runner::expectMessage(fw::UiEventKind kind, const QString& text)
{
    const auto& events = port_->events();
    for (auto at = static_cast<size_t>(messagesChecked_); at < events.size(); ++at) {
        if (!isMessage(events[at].kind))
            continue;
        messagesChecked_ = static_cast<qsizetype>(at + 1);
        if (events[at].kind != kind || events[at].text != text)
            fail(QStringLiteral("the next message is %1").arg(describe(events[at])));
        return;
    }
    fail(QStringLiteral("no further message was shown"));
}

void Runner::expectQuestion(const QString& text)
{
    const auto& events = port_->events();
    for (auto at = static_cast<size_t>(questionsChecked_); at < events.size(); ++at) {
        if (events[at].kind != fw::UiEventKind::Question)
            continue;
        questionsChecked_ = static_cast<qsizetype>(at + 1);
        if (events[at].text != text)
            fail(QStringLiteral("the next question is \"%1\"").arg(events[at].text));
        return;
    }
    fail(QStringLiteral("no further question was asked"));
}

void Runner::expectNoMessages()
{
    // The failure lists them.
    if (!uncheckedMessages().isEmpty())
        fail(QStringLiteral("messages were shown"));
}

QStringList Runner::uncheckedMessages() const
{
    QStringList unchecked;
    const auto& events = port_->events();
    for (auto at = static_cast<size_t>(messagesChecked_); at < events.size(); ++at)
        if (isMessage(events[at].kind))
            unchecked
                << QStringLiteral("%1 (line %2)").arg(describe(events[at])).arg(eventLines_.at(at));
    return unchecked;
}

void Runner::checkEverythingUsed(RunReport& report)
{
    attributeEvents();
    const auto& events = port_->events();
    for (auto at = static_cast<size_t>(messagesChecked_); at < events.size(); ++at)
        if (isMessage(events[at].kind))
            report.failures << QStringLiteral("%1: %2 was shown and not expected")
                                   .arg(where(eventLines_.at(at)), describe(events[at]));
    const auto unused = static_cast<size_t>(port_->pendingAnswers());
    for (auto at = answerSteps_.size() - std::min(unused, answerSteps_.size());
         at < answerSteps_.size(); ++at) {
        const Step& step = *answerSteps_[at];
        report.failures << QStringLiteral("%1: %2\n    %3")
                               .arg(where(step.line), step.source,
                                    step.command->opensBlock
                                        ? QStringLiteral("no such form opened")
                                        : QStringLiteral("no prompt came for this answer"));
    }
}

} // namespace cmp::scenario

#include "framework/ui/ui_port.h"

#include "framework/core/abort.h"
#include "framework/ui/host_context.h"

#include <QDebug>

#include <atomic>

namespace cmp::fw {

namespace {

// Serves a process without a user interface (the server, tools, tests that
// install no port): messages go to the log, and every question is answered
// as if the box had been closed, which no caller takes as a yes.
class HeadlessUiPort final : public UiPort
{
public:
    void showError(const QString& text) override { qWarning().noquote() << text; }
    void showInfo(const QString& text) override { qInfo().noquote() << text; }
    MsgButton ask(const Question& question) override
    {
        unanswered(question.text);
        return MsgButton::None;
    }
    int askCustom(const CustomQuestion& question) override
    {
        unanswered(question.text);
        return 0;
    }
    bool lookup(const LookupRequest& request) override
    {
        unanswered(request.title);
        return false;
    }
    ListChoice chooseList(const ListRequest& request) override
    {
        unanswered(request.title);
        return {};
    }
    std::optional<SearchInput> askSearch(const SearchRequest& request) override
    {
        unanswered(request.title);
        return std::nullopt;
    }
    std::optional<QString> askPassword(const PasswordPrompt& prompt) override
    {
        unanswered(prompt.caption);
        return std::nullopt;
    }
    int showModal(Form&) override
    {
        unanswered(QStringLiteral("janela modal"));
        return 0;
    }
    void showModeless(Form&) override {}

protected:
    void showProgress(const QString&) override {}
    void hideProgress() override {}

private:
    static void unanswered(const QString& prompt)
    {
        qWarning().noquote() << "Sem interface com o usuário; cancelado:" << prompt;
    }
};

HeadlessUiPort& headlessPort()
{
    static HeadlessUiPort port;
    return port;
}

// Atomic because MensErro may also be called from a thread of the embedded server.
std::atomic<UiPort*> installedPort{nullptr};

} // namespace

void UiPort::beginProgress(const QString& text)
{
    ++progressDepth_;
    showProgress(text);
}

void UiPort::endProgress()
{
    if (progressDepth_ == 0)
        return;
    if (--progressDepth_ == 0)
        hideProgress();
}

bool UiPort::openModule(const QString& moduleCode, const QVariantList& args)
{
    const ModuleOpener opener = hostContext().modules.value(moduleCode);
    if (!opener) {
        showError(
            QStringLiteral("Módulo %1 não está disponível nesta instalação.").arg(moduleCode));
        return false;
    }
    opener(args);
    return true;
}

UiPort& uiPort()
{
    UiPort* port = installedPort.load();
    return port ? *port : headlessPort();
}

UiPort* SetUiPort(UiPort* port)
{
    UiPort* previous = installedPort.exchange(port);
    SetErrorPresenter(port ? ErrorPresenter([](const QString& text) { uiPort().showError(text); })
                           : ErrorPresenter());
    return previous;
}

ProgressScope::ProgressScope(const QString& text) : port_(uiPort())
{
    port_.beginProgress(text);
}

ProgressScope::~ProgressScope()
{
    port_.endProgress();
}

void ActiveShowAvi(const QString& text)
{
    uiPort().beginProgress(text);
}

void DeactiveShowAvi()
{
    uiPort().endProgress();
}

bool LoadBPL(const QString& moduleCode, const QVariantList& args)
{
    return uiPort().openModule(moduleCode, args);
}

} // namespace cmp::fw

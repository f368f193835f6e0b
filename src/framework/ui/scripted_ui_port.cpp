#include "framework/ui/scripted_ui_port.h"

#include "framework/data/client_dataset.h"
#include "framework/forms/form.h"

#include <algorithm>

namespace cmp::fw {

namespace {

QString kindName(UiEventKind kind)
{
    switch (kind) {
    case UiEventKind::Error:
        return QStringLiteral("error");
    case UiEventKind::Info:
        return QStringLiteral("information");
    case UiEventKind::Question:
        return QStringLiteral("question");
    case UiEventKind::Progress:
        return QStringLiteral("progress");
    case UiEventKind::Lookup:
        return QStringLiteral("lookup");
    case UiEventKind::List:
        return QStringLiteral("list");
    case UiEventKind::Search:
        return QStringLiteral("search");
    case UiEventKind::Password:
        return QStringLiteral("password prompt");
    case UiEventKind::Module:
        return QStringLiteral("module");
    case UiEventKind::Modal:
        return QStringLiteral("modal form");
    case UiEventKind::Modeless:
        return QStringLiteral("modeless form");
    }
    return {};
}

QString buttonName(MsgButton button)
{
    switch (button) {
    case MsgButton::None:
        return QStringLiteral("None");
    case MsgButton::Yes:
        return QStringLiteral("Yes");
    case MsgButton::No:
        return QStringLiteral("No");
    case MsgButton::Ok:
        return QStringLiteral("Ok");
    case MsgButton::Cancel:
        return QStringLiteral("Cancel");
    case MsgButton::Abort:
        return QStringLiteral("Abort");
    case MsgButton::Retry:
        return QStringLiteral("Retry");
    case MsgButton::Ignore:
        return QStringLiteral("Ignore");
    case MsgButton::All:
        return QStringLiteral("All");
    }
    return {};
}

QStringList buttonNames(const MsgButtons& buttons)
{
    QStringList names;
    for (MsgButton button : buttons)
        names << buttonName(button);
    return names;
}

[[noreturn]] void fail(const QString& why, const QString& prompt)
{
    throw UnscriptedPrompt(QStringLiteral("%1: %2").arg(why, prompt).toStdString());
}

bool hasKey(ClientDataSet& dataSet, const QString& keyField, const QString& key)
{
    return dataSet.Lookup(keyField, {key}, keyField).isValid();
}

} // namespace

void ScriptedUiPort::answerNext(MsgButton button)
{
    answers_.emplace_back(button);
}

void ScriptedUiPort::answerNextCustom(int answer)
{
    answers_.emplace_back(CustomAnswer{answer});
}

void ScriptedUiPort::pickNext(const QString& key)
{
    answers_.emplace_back(RowPick{key});
}

void ScriptedUiPort::pickNextRecNo(int recNo)
{
    answers_.emplace_back(RowPick{recNo});
}

void ScriptedUiPort::pickListNext(const QStringList& keys)
{
    answers_.emplace_back(ListPick{keys});
}

void ScriptedUiPort::searchNext(const QString& field, const QString& text)
{
    answers_.emplace_back(SearchInput{field, text});
}

void ScriptedUiPort::typePasswordNext(const QString& password)
{
    answers_.emplace_back(Password{password});
}

void ScriptedUiPort::actInNextModal(std::function<int(Form&)> action)
{
    answers_.emplace_back(ModalAction{std::move(action)});
}

void ScriptedUiPort::cancelNext()
{
    answers_.emplace_back(Cancel{});
}

QStringList ScriptedUiPort::texts(UiEventKind kind) const
{
    QStringList found;
    for (const UiEvent& event : events_) {
        if (event.kind == kind)
            found << event.text;
    }
    return found;
}

QString ScriptedUiPort::record(UiEvent event)
{
    QString name = QStringLiteral("%1 \"%2\"").arg(kindName(event.kind), event.text);
    events_.push_back(std::move(event));
    return name;
}

template <class A> std::optional<A> ScriptedUiPort::take(const QString& prompt)
{
    if (answers_.empty())
        fail(QStringLiteral("No scripted answer for"), prompt);
    const Answer next = answers_.front();
    if (std::holds_alternative<Cancel>(next)) {
        answers_.pop_front();
        return std::nullopt;
    }
    if (!std::holds_alternative<A>(next))
        fail(QStringLiteral("The next scripted answer is for another kind of prompt than"), prompt);
    answers_.pop_front();
    return std::get<A>(next);
}

void ScriptedUiPort::showError(const QString& text)
{
    record({UiEventKind::Error, text, {}});
}

void ScriptedUiPort::showInfo(const QString& text)
{
    record({UiEventKind::Info, text, {}});
}

void ScriptedUiPort::showProgress(const QString& text)
{
    record({UiEventKind::Progress, text, {}});
}

MsgButton ScriptedUiPort::ask(const Question& question)
{
    const QString prompt =
        record({UiEventKind::Question, question.text, buttonNames(question.buttons)});
    const std::optional<MsgButton> button = take<MsgButton>(prompt);
    if (!button)
        return MsgButton::None;
    if (*button != MsgButton::None && std::find(question.buttons.begin(), question.buttons.end(),
                                                *button) == question.buttons.end())
        fail(QStringLiteral("Scripted button %1 is not offered by").arg(buttonName(*button)),
             prompt);
    return *button;
}

int ScriptedUiPort::askCustom(const CustomQuestion& question)
{
    const QString prompt = record({UiEventKind::Question, question.text, question.captions});
    const std::optional<CustomAnswer> answer = take<CustomAnswer>(prompt);
    return answer ? answer->answer : 0;
}

bool ScriptedUiPort::lookup(const LookupRequest& request)
{
    const QString prompt = record({UiEventKind::Lookup, request.title, request.displayFields});
    const std::optional<RowPick> pick = take<RowPick>(prompt);
    if (!pick)
        return false;
    ClientDataSet& dataSet = request.dataSet;
    if (const auto* key = std::get_if<QString>(&pick->row)) {
        if (!dataSet.Locate(request.keyField, *key))
            fail(QStringLiteral("Scripted key %1 is not a row of").arg(*key), prompt);
        return true;
    }
    const int recNo = std::get<int>(pick->row);
    if (recNo < 1 || recNo > dataSet.RecordCount())
        fail(QStringLiteral("Scripted row %1 is not a row of").arg(recNo), prompt);
    dataSet.SetRecNo(recNo);
    return true;
}

ListChoice ScriptedUiPort::chooseList(const ListRequest& request)
{
    const QString prompt = record({UiEventKind::List, request.title, request.chosen});
    const std::optional<ListPick> pick = take<ListPick>(prompt);
    if (!pick)
        return {};
    for (const QString& key : pick->keys) {
        if (!hasKey(request.dataSet, request.keyField, key))
            fail(QStringLiteral("Scripted key %1 is not a row of").arg(key), prompt);
    }
    return {true, pick->keys};
}

std::optional<SearchInput> ScriptedUiPort::askSearch(const SearchRequest& request)
{
    return take<SearchInput>(record({UiEventKind::Search, request.title, request.fields}));
}

std::optional<QString> ScriptedUiPort::askPassword(const PasswordPrompt& prompt)
{
    const std::optional<Password> typed = take<Password>(
        record({UiEventKind::Password, prompt.caption, {prompt.operatorCode, prompt.label}}));
    return typed ? std::optional<QString>(typed->text) : std::nullopt;
}

bool ScriptedUiPort::openModule(const QString& moduleCode, const QVariantList& args)
{
    record({UiEventKind::Module, moduleCode, {}, args});
    return UiPort::openModule(moduleCode, args);
}

int ScriptedUiPort::showModal(Form& form)
{
    const QString prompt = record({UiEventKind::Modal, {}, {}, {}, &form});
    const std::optional<ModalAction> act = take<ModalAction>(prompt);
    if (!act)
        fail(QStringLiteral("A modal form needs actInNextModal, not a cancel:"), prompt);
    form.beginModal();
    const int result = act->action(form);
    if (form.Modal() && result != mrNone)
        form.SetModalResult(result);
    if (form.Modal())
        fail(QStringLiteral("The script left the modal form open:"), prompt);
    return form.ModalResult();
}

void ScriptedUiPort::showModeless(Form& form)
{
    record({UiEventKind::Modeless, {}, {}, {}, &form});
    // The window comes up and becomes the active one, as on a screen.
    form.Show();
}

} // namespace cmp::fw

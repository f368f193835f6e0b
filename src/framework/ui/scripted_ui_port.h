#pragma once

#include "framework/ui/ui_port.h"

#include <deque>
#include <functional>
#include <stdexcept>
#include <variant>

namespace cmp::fw {

// A prompt the script did not foresee: no answer left, an answer of another
// kind next, or an answer that names no row. Not an abort, so no user action
// swallows it and the test fails with the prompt's text.
class UnscriptedPrompt : public std::logic_error
{
public:
    using std::logic_error::logic_error;
};

enum class UiEventKind
{
    Error,
    Info,
    Question,
    Progress,
    Lookup,
    List,
    Search,
    Password,
    Module,
    Modal,
    Modeless
};

// One thing shown to the user, as the script saw it.
struct UiEvent
{
    UiEventKind kind;
    QString text; // message, question, progress text, title, caption or module code
    // question buttons or captions; lookup or search fields; initially ticked
    // list keys; operator code and label of a password prompt
    QStringList options;
    QVariantList args = {}; // module arguments
    Form* form = nullptr;   // modal or modeless form
};

// The port of tests and the scenario runner: records everything shown, in
// order, and answers the prompts from a queue filled beforehand, first in,
// first out. Answers must come in the order the prompts do.
class ScriptedUiPort : public UiPort
{
public:
    void answerNext(MsgButton button);
    void answerNextCustom(int answer);
    void pickNext(const QString& key); // the row whose key field holds the key
    void pickNextRecNo(int recNo);     // the row at that position, from 1
    void pickListNext(const QStringList& keys);
    void searchNext(const QString& field, const QString& text);
    void typePasswordNext(const QString& password);
    // Starts the next modal form's run and acts on it. The run ends as on a
    // screen, when a button sets the modal result; otherwise what the action
    // returns is set as the result when it is done.
    void actInNextModal(std::function<int(Form&)> action);
    // Closes the next question, lookup, list, search or password prompt
    // without a choice.
    void cancelNext();

    const std::vector<UiEvent>& events() const { return events_; }
    // The texts of the events of one kind, in order.
    QStringList texts(UiEventKind kind) const;
    int pendingAnswers() const { return static_cast<int>(answers_.size()); }

    void showError(const QString& text) override;
    void showInfo(const QString& text) override;
    MsgButton ask(const Question& question) override;
    int askCustom(const CustomQuestion& question) override;
    bool lookup(const LookupRequest& request) override;
    ListChoice chooseList(const ListRequest& request) override;
    std::optional<SearchInput> askSearch(const SearchRequest& request) override;
    std::optional<QString> askPassword(const PasswordPrompt& prompt) override;
    bool openModule(const QString& moduleCode, const QVariantList& args) override;
    int showModal(Form& form) override;
    void showModeless(Form& form) override;
    void setBusyCursor(bool busy) override { busyCursor_ = busy; }
    bool busyCursor() const { return busyCursor_; }

protected:
    void showProgress(const QString& text) override;
    void hideProgress() override {}

private:
    struct Cancel
    {};
    struct CustomAnswer
    {
        int answer;
    };
    struct RowPick
    {
        std::variant<QString, int> row; // key or RecNo
    };
    struct ListPick
    {
        QStringList keys;
    };
    struct Password
    {
        QString text;
    };
    struct ModalAction
    {
        std::function<int(Form&)> action;
    };
    using Answer = std::variant<Cancel, MsgButton, CustomAnswer, RowPick, ListPick, SearchInput,
                                Password, ModalAction>;

    // The next answer when it is of kind A; nothing when the script cancels.
    template <class A> std::optional<A> take(const QString& prompt);
    // Records the event and returns how a failure names it.
    QString record(UiEvent event);

    std::vector<UiEvent> events_;
    std::deque<Answer> answers_;
    bool busyCursor_ = false;
};

} // namespace cmp::fw

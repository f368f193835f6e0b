#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>
#include <vector>

namespace cmp::fw {

class ClientDataSet;
class Form;

enum class MsgType
{
    Information,
    Confirmation,
    Warning,
    Error
};

// None is the answer of a question box closed without pressing a button.
enum class MsgButton
{
    None,
    Yes,
    No,
    Ok,
    Cancel,
    Abort,
    Retry,
    Ignore,
    All
};

// The buttons of a question, in the order they are shown.
using MsgButtons = std::vector<MsgButton>;

struct Question
{
    QString text;
    MsgType type = MsgType::Confirmation;
    MsgButtons buttons = {MsgButton::Yes, MsgButton::No};
    MsgButton defaultButton = MsgButton::None; // None: the first button
    int helpContext = 0;
};

// A question whose buttons carry the screen's own captions. The first button
// answers firstCustomAnswer, the next one more, and so on; any other answer
// means the box was closed without a choice.
inline constexpr int firstCustomAnswer = 10;

struct CustomQuestion
{
    QString text;
    MsgType type = MsgType::Confirmation;
    QStringList captions;
};

// Single choice among the visible records of a record set. With a level field
// the rows form a tree (product codes), each row's level telling its depth.
struct LookupRequest
{
    ClientDataSet& dataSet;
    QString title;
    QString keyField;
    QStringList displayFields = {}; // empty: the visible fields
    QString levelField = {};
};

// Multi-choice over the keys of a record set's visible records.
struct ListRequest
{
    ClientDataSet& dataSet;
    QString keyField;
    QString title;
    QStringList chosen; // ticked when the list opens
};

struct ListChoice
{
    bool confirmed = false;
    QStringList keys; // in the record set's order
};

// What the user types to search a record set: a field and the start of its value.
struct SearchRequest
{
    ClientDataSet& dataSet;
    QString title;
    QStringList fields; // the fields that may be searched
};

struct SearchInput
{
    QString field;
    QString text;
};

enum class PasswordPurpose
{
    Confirm,     // a password that vouches for an action (a manager's approval)
    SignInAgain, // the signed-in operator's, after the server ended the session
};

struct PasswordPrompt
{
    QString operatorCode;
    QString caption;
    QString label;
    PasswordPurpose purpose = PasswordPurpose::Confirm;
};

// Everything a screen shows to a person goes through here, so that the same
// screens run with real widgets and under a test script.
class UiPort
{
public:
    UiPort() = default;
    virtual ~UiPort() = default;
    UiPort(const UiPort&) = delete;
    UiPort& operator=(const UiPort&) = delete;

    virtual void showError(const QString& text) = 0;
    virtual void showInfo(const QString& text) = 0;
    virtual MsgButton ask(const Question& question) = 0;
    // firstCustomAnswer + index of the caption chosen; anything else cancels.
    virtual int askCustom(const CustomQuestion& question) = 0;

    // The progress animation shows from the outermost begin to its matching
    // end; an inner begin only changes the text. An end with nothing begun is
    // ignored, so failure paths may end it once more to be sure.
    void beginProgress(const QString& text);
    void endProgress();
    int progressDepth() const { return progressDepth_; }

    // True when a row was chosen: the record set is then positioned on it;
    // otherwise it stays where it was.
    virtual bool lookup(const LookupRequest& request) = 0;
    virtual ListChoice chooseList(const ListRequest& request) = 0;
    // Nothing when the search was cancelled.
    virtual std::optional<SearchInput> askSearch(const SearchRequest& request) = 0;
    // The typed password; nothing when the prompt was cancelled.
    virtual std::optional<QString> askPassword(const PasswordPrompt& prompt) = 0;

    // Opens another module of the suite through the opener the host
    // registered for it. A module this installation lacks is reported to the
    // user and false comes back.
    virtual bool openModule(const QString& moduleCode, const QVariantList& args);

    virtual int showModal(Form& form) = 0;
    virtual void showModeless(Form& form) = 0;

    // The hourglass while a screen is being prepared; a port without a
    // pointer ignores it.
    virtual void setBusyCursor(bool /*busy*/) {}

protected:
    virtual void showProgress(const QString& text) = 0;
    virtual void hideProgress() = 0;

private:
    int progressDepth_ = 0;
};

// The port of the process. Until one is installed, a headless port writes
// messages to the log and cancels every question, so nothing goes on that
// needed a person's yes.
UiPort& uiPort();
// Installs the port (not owned; null restores the headless one) and returns
// the previous. Errors of MensErro are shown through the installed port.
UiPort* SetUiPort(UiPort* port);

// Shows the progress animation for as long as it lives, on the port that
// was current when it began, and ends it also when an exception leaves.
class ProgressScope
{
public:
    explicit ProgressScope(const QString& text = {});
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    UiPort& port_;
};

void ActiveShowAvi(const QString& text = {});
void DeactiveShowAvi();

// Opens another module's screen with its arguments (LoadBPL of the host).
bool LoadBPL(const QString& moduleCode, const QVariantList& args);

} // namespace cmp::fw

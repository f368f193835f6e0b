#pragma once

#include "framework/ui/ui_port.h"

#include <memory>

class QMdiArea;
class QWidget;

namespace cmp::ui {

// The UI port on real widgets: message boxes, questions, the progress
// animation, lookup, list, search and password dialogs (the sign-in dialog
// when a password renews the session), and forms rendered by
// FormView, modal ones as dialogs, modeless ones as child windows of the
// shell's window area (or top-level windows when there is none).
class QtUiPort : public fw::UiPort
{
public:
    explicit QtUiPort(QMdiArea* childArea = nullptr);
    ~QtUiPort() override;

    void showError(const QString& text) override;
    void showInfo(const QString& text) override;
    fw::MsgButton ask(const fw::Question& question) override;
    int askCustom(const fw::CustomQuestion& question) override;
    bool lookup(const fw::LookupRequest& request) override;
    fw::ListChoice chooseList(const fw::ListRequest& request) override;
    std::optional<fw::SearchInput> askSearch(const fw::SearchRequest& request) override;
    std::optional<QString> askPassword(const fw::PasswordPrompt& prompt) override;
    int showModal(fw::Form& form) override;
    void showModeless(fw::Form& form) override;
    void setBusyCursor(bool busy) override;

protected:
    void showProgress(const QString& text) override;
    void hideProgress() override;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace cmp::ui

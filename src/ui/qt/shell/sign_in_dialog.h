#pragma once

#include "framework/ui/ui_port.h"
#include "ui/qt/shell/client_session.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace cmp::ui {

// Sign-in in two steps: server, operator and password first; once the server
// accepts them, the processing branch among the operator's branches.
class SignInDialog : public QDialog
{
    Q_OBJECT

public:
    // Readies the server of an address before the first sign-in there (the
    // embedded one starts on demand); an error text when it cannot.
    using ServerStarter = std::function<QString(const ServerAddress&)>;

    explicit SignInDialog(ServerStarter startServer, QWidget* parent = nullptr);

    void fill(const QString& server, const QString& operatorCode);

    // The signed-in operator once the dialog is accepted.
    const std::optional<SignedIn>& session() const { return session_; }
    QString processingBranch() const;

    // Runs the step the dialog is on, as the default button does.
    void submit();

    // The signed-in operator's password once more, after the server ended
    // the session: the server and the operator shown and fixed, the prompt's
    // label saying why, no branch step. The caller signs in with it; nothing
    // when cancelled.
    static std::optional<QString> askPasswordAgain(const fw::PasswordPrompt& prompt,
                                                   QWidget* parent);

private:
    void signIn();
    void chooseBranch();
    void offerBranches();
    void showError(const QString& text);

    ServerStarter startServer_;
    QLineEdit* server_;
    QLineEdit* operator_;
    QLineEdit* password_;
    QComboBox* branch_;
    QLabel* error_;
    QFormLayout* fields_;
    QPushButton* submit_;
    std::optional<SignedIn> session_;
    bool passwordOnly_ = false;
};

} // namespace cmp::ui

#include "ui/qt/shell/sign_in_dialog.h"

#include "framework/ui/host_context.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace cmp::ui {

namespace {

QLineEdit* lineEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

// The wait cursor for as long as the server takes: the first start of the
// embedded server creates its database.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

SignInDialog::SignInDialog(ServerStarter startServer, QWidget* parent)
    : QDialog(parent), startServer_(std::move(startServer)), server_(lineEdit("edtServidor", this)),
      operator_(lineEdit("edtOperador", this)), password_(lineEdit("edtSenha", this)),
      branch_(new QComboBox(this)), error_(new QLabel(this)), fields_(new QFormLayout)
{
    setObjectName(QStringLiteral("frmSignIn"));
    setWindowTitle(QStringLiteral("Entrar - Compras"));
    server_->setPlaceholderText(QStringLiteral("vazio: banco de dados neste computador"));
    server_->setToolTip(QStringLiteral("Endereço do servidor de aplicação (servidor:porta)"));
    password_->setEchoMode(QLineEdit::Password);
    branch_->setObjectName(QStringLiteral("cbxFilial"));
    branch_->setEnabled(false);
    branch_->setMinimumContentsLength(36);
    error_->setObjectName(QStringLiteral("lblErro"));
    error_->setStyleSheet(QStringLiteral("color: #b00020"));
    error_->setWordWrap(true);
    error_->hide();

    fields_->addRow(QStringLiteral("&Servidor:"), server_);
    fields_->addRow(QStringLiteral("&Operador:"), operator_);
    fields_->addRow(QStringLiteral("S&enha:"), password_);
    fields_->addRow(QStringLiteral("&Filial:"), branch_);

    auto* buttons = new QDialogButtonBox(this);
    submit_ = buttons->addButton(QStringLiteral("Entrar"), QDialogButtonBox::ActionRole);
    submit_->setObjectName(QStringLiteral("btnEntrar"));
    submit_->setDefault(true);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    connect(submit_, &QPushButton::clicked, this, &SignInDialog::submit);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields_);
    layout->addWidget(error_);
    layout->addWidget(buttons);
    operator_->setFocus();
}

void SignInDialog::fill(const QString& server, const QString& operatorCode)
{
    server_->setText(server);
    operator_->setText(operatorCode);
    (operatorCode.isEmpty() ? operator_ : password_)->setFocus();
}

QString SignInDialog::processingBranch() const
{
    return branch_->currentData().toString();
}

void SignInDialog::submit()
{
    if (passwordOnly_)
        accept();
    else if (session_)
        chooseBranch();
    else
        signIn();
}

std::optional<QString> SignInDialog::askPasswordAgain(const fw::PasswordPrompt& prompt,
                                                      QWidget* parent)
{
    SignInDialog dialog({}, parent);
    dialog.passwordOnly_ = true;
    dialog.setWindowTitle(prompt.caption);
    const QString server = fw::WebURL().isEmpty() || fw::WebPort() == 0
                               ? fw::WebURL()
                               : QStringLiteral("%1:%2").arg(fw::WebURL()).arg(fw::WebPort());
    dialog.fill(server, prompt.operatorCode);
    dialog.server_->setEnabled(false);
    dialog.operator_->setEnabled(false);
    dialog.fields_->setRowVisible(dialog.branch_, false);
    dialog.setMinimumWidth(360); // the reason on one line
    if (!prompt.label.isEmpty())
        dialog.showError(prompt.label);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.password_->text();
}

void SignInDialog::signIn()
{
    const ServerAddress address = parseServerAddress(server_->text());
    operator_->setText(normalizedOperatorCode(operator_->text()));
    SignInAttempt attempt;
    {
        const WaitCursor waiting;
        if (QString error = startServer_(address); !error.isEmpty())
            attempt.error = std::move(error);
        else
            attempt = ui::signIn(address, operator_->text(), password_->text());
    }
    if (!attempt.session) {
        showError(attempt.error);
        password_->selectAll();
        password_->setFocus();
        return;
    }
    session_ = std::move(attempt.session);
    offerBranches();
}

void SignInDialog::offerBranches()
{
    error_->hide();
    for (QLineEdit* edit : {server_, operator_, password_})
        edit->setEnabled(false);
    for (const OperatorBranch& branch : session_->branches)
        branch_->addItem(QStringLiteral("%1 - %2").arg(branch.code, branch.name), branch.code);
    branch_->setEnabled(true);
    branch_->setFocus();
    submit_->setText(QStringLiteral("Confirmar"));
}

void SignInDialog::chooseBranch()
{
    if (processingBranch().isEmpty()) {
        showError(QStringLiteral("Escolha a filial de processamento."));
        return;
    }
    accept();
}

void SignInDialog::showError(const QString& text)
{
    error_->setText(text);
    error_->show();
}

} // namespace cmp::ui

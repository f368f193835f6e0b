#include "framework/ui/password.h"

#include "framework/net/net_connection.h"
#include "framework/ui/host_context.h"
#include "framework/ui/ui_port.h"

#include <utility>

namespace cmp::fw {

namespace {

// The server holds the password hashes, so only it can tell.
bool checkOnServer(const QString& operatorCode, const QString& password)
{
    TNetConnection connection(QStringLiteral("Cmp.rdmCompras"));
    connection.SetWebURL(WebURL());
    connection.SetWebPort(WebPort());
    return connection.CheckPassword(operatorCode, password).ok;
}

PasswordChecker& currentChecker()
{
    static PasswordChecker checker = checkOnServer;
    return checker;
}

} // namespace

PasswordChecker SetPasswordChecker(PasswordChecker checker)
{
    return std::exchange(currentChecker(), checker ? std::move(checker) : checkOnServer);
}

bool CriaConfSenha(const QString& operatorCode, const QString& caption, const QString& label)
{
    const std::optional<QString> typed = uiPort().askPassword({operatorCode, caption, label});
    if (!typed)
        return false;
    if (currentChecker()(operatorCode, *typed))
        return true;
    uiPort().showError(QStringLiteral("Senha não confere."));
    return false;
}

} // namespace cmp::fw

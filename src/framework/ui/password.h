#pragma once

#include <QString>

#include <functional>

namespace cmp::fw {

// Whether the password belongs to the operator.
using PasswordChecker = std::function<bool(const QString& operatorCode, const QString& password)>;

// Installs the checker and returns the previous one. An empty checker
// restores the default, which asks the application server; the signed-in
// operator of the process stays who it is.
PasswordChecker SetPasswordChecker(PasswordChecker checker);

// Asks the operator's password under the caption and label given; true when
// the typed password is the operator's. A wrong password is told to the user;
// a cancelled prompt gives false silently.
bool CriaConfSenha(const QString& operatorCode, const QString& caption, const QString& label);

} // namespace cmp::fw

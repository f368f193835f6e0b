#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace cmp::server {

// Where cmp-admin talks to its user: the terminal, or a script in the tests.
class AdminConsole
{
public:
    virtual ~AdminConsole() = default;
    virtual void print(const QString& text) = 0; // standard output, as it is
    virtual void error(const QString& text) = 0; // standard error, as it is
    // A password, never echoed; empty at the end of the input.
    virtual QString readPassword(const QString& prompt) = 0;
    // A person types: passwords are asked twice and progress is redrawn in place.
    virtual bool interactive() const = 0;
};

// The console of the running process: standard output and error, passwords
// from standard input with echo off when it is a terminal.
std::unique_ptr<AdminConsole> terminalConsole();

// Runs one cmp-admin command line (arguments[0] is the program) and returns
// the exit code: 0 done, 1 refused or failed, 2 wrong usage. Every failure
// ends as a message on the console, never as an exception.
int runAdmin(const QStringList& arguments, AdminConsole& console);

} // namespace cmp::server

#pragma once

#include "framework/ui/host_context.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace cmp::fw {
class UiPort;
}

namespace cmp::ui {

// Where the application server is: an empty host means the embedded server
// of this process.
struct ServerAddress
{
    QString host;
    int port = 0;

    bool embedded() const { return host.isEmpty(); }
};

// "host:port" as the user types it; anything else (a bare host, a URL) is
// left to the transport, which names what it cannot use.
ServerAddress parseServerAddress(const QString& text);

struct OperatorBranch
{
    QString code;
    QString name;
    QDate processingDate; // null: the branch works on today's date
};

// The signed-in operator and the branches they may choose among.
struct SignedIn
{
    QString operatorCode;
    QString operatorName;
    ServerAddress server;
    std::vector<OperatorBranch> branches;

    const OperatorBranch* branch(const QString& code) const;
};

struct SignInAttempt
{
    std::optional<SignedIn> session;
    QString error; // the server's own text when it refused
};

// Operator codes are numeric columns of 12 digits; a typed "1" is operator
// 000000000001. A code holding anything but digits is taken as typed.
QString normalizedOperatorCode(const QString& typed);

// Signs in and loads the operator's branches (GetFiliaisOperador). An
// operator with no branch at all is refused, and signed out again.
SignInAttempt signIn(const ServerAddress& server, const QString& typedOperator,
                     const QString& password);

// The host values the screens read, for the processing branch chosen.
fw::HostContext hostContextFor(const SignedIn& session, const QString& processingBranch);

// Installs the host values and shows the port's progress animation while a
// server call runs.
void startSession(const SignedIn& session, const QString& processingBranch, fw::UiPort& port);

// Drops the host values, the busy hook and the server session.
void endSession();

} // namespace cmp::ui

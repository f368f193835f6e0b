#include "server/server.h"

#include "framework/sql/statement_registry.h"
#include "server/filter_options.h"
#include "server/item_checks.h"
#include "server/operator_branches.h"
#include "server/product_history.h"
#include "server/purchase_parameters.h"
#include "server/remote_modules.h"
#include "server/requisition_filter.h"
#include "server/requisition_reads.h"
#include "server/statements.h"

#include <QDebug>

namespace cmp::server {

namespace {

QString sessionRefusal(TokenCheck::Status status)
{
    switch (status) {
    case TokenCheck::Status::Expired:
        return QStringLiteral("Sessão expirada. Entre novamente.");
    case TokenCheck::Status::Revoked:
        return QStringLiteral("Sessão encerrada: entre novamente.");
    case TokenCheck::Status::Valid:
    case TokenCheck::Status::Invalid:
        break;
    }
    return QStringLiteral("Sessão inválida. Entre novamente.");
}

CallOutcome unauthenticated(TokenCheck::Status status)
{
    return CallOutcome::failed(CallFailure::Unauthenticated, sessionRefusal(status));
}

QString databaseUnavailable()
{
    return QStringLiteral("Banco de dados indisponível. Tente novamente em instantes.");
}

CallOutcome callWithoutDatabase()
{
    return CallOutcome::failed(CallFailure::DatabaseUnavailable, databaseUnavailable());
}

// "30 segundos", "1 minuto", "15 minutos": how long a locked sign-in waits.
QString waitText(std::chrono::seconds wait)
{
    const qint64 seconds = std::max<qint64>(1, wait.count());
    if (seconds < 60)
        return seconds == 1 ? QStringLiteral("1 segundo")
                            : QStringLiteral("%1 segundos").arg(seconds);
    const qint64 minutes = (seconds + 59) / 60;
    return minutes == 1 ? QStringLiteral("1 minuto") : QStringLiteral("%1 minutos").arg(minutes);
}

} // namespace

Server::Server(ServerOptions options)
    : database_(std::move(options.database)),
      signer_(options.tokenSecret, options.tokenLifetime, options.clock),
      authenticator_(signer_, options.concurrentPasswordChecks),
      throttle_(options.signInThrottle, std::move(options.clock))
{
    registerServerInfo();
    registerPurchaseParameters(registry_);
    registerStatements(registry_, fw::declaredStatements());
    registerFilterOptions(registry_);
    registerOperatorBranches(registry_);
    registerRequisitionFilter(registry_);
    registerRequisitionReads(registry_);
    registerItemChecks(registry_);
    registerProductHistory(registry_);
}

// Runs work on the calling thread's connection. A connection that broke
// while idle (the database restarted) fails on its first statement: it is
// then reopened and the work, a read, done once more. Throws DatabaseError
// when the database cannot be reached.
template <typename Work> auto Server::onConnection(Work work)
{
    try {
        QSqlDatabase db = database_.connection();
        return work(db);
    } catch (const DatabaseError& fault) {
        qWarning().noquote() << "reopening the database connection:" << fault.what();
    }
    database_.discard();
    QSqlDatabase db = database_.connection();
    return work(db);
}

SignInOutcome Server::signIn(const QString& operatorCode, const QString& password,
                             const QString& address)
{
    SignInThrottle::Attempt attempt = throttle_.begin(operatorCode, address);
    if (!attempt.allowed())
        return SignInOutcome::failed(
            SignInFailure::Throttled,
            QStringLiteral("Muitas tentativas de entrada sem sucesso. Tente novamente em %1.")
                .arg(waitText(attempt.wait())),
            attempt.wait());
    try {
        SignInOutcome outcome = onConnection(
            [&](QSqlDatabase& db) { return authenticator_.signIn(db, operatorCode, password); });
        if (outcome.failure == SignInFailure::None)
            attempt.succeeded();
        else if (outcome.failure == SignInFailure::Refused)
            attempt.failed();
        return outcome;
    } catch (const DatabaseError& fault) {
        qCritical().noquote() << "sign-in:" << fault.what();
        return SignInOutcome::failed(SignInFailure::DatabaseUnavailable, databaseUnavailable());
    }
}

std::optional<CallOutcome> Server::refuseToken(const QString& token) const
{
    const TokenCheck check = signer_.verify(token);
    if (check.status == TokenCheck::Status::Valid)
        return std::nullopt;
    return unauthenticated(check.status);
}

CallOutcome Server::execute(const fw::RemoteCall& call, const QString& token)
{
    const TokenCheck check = signer_.verify(token);
    if (check.status != TokenCheck::Status::Valid)
        return unauthenticated(check.status);
    try {
        // Disabling an operator or changing a password ends their sessions here.
        const TokenCheck session = onConnection(
            [&](QSqlDatabase& db) { return authenticator_.confirmSession(db, check); });
        if (session.status != TokenCheck::Status::Valid)
            return unauthenticated(session.status);
        std::optional<CallOutcome> outcome = run(call, session.operatorCode);
        if (!outcome && registry_.effect(call.module, call.method) == Effect::ReadsOnly)
            outcome = run(call, session.operatorCode);
        return outcome ? std::move(*outcome) : callWithoutDatabase();
    } catch (const DatabaseError& fault) {
        qCritical().noquote() << call.module + QLatin1Char('.') + call.method << fault.what();
        return callWithoutDatabase();
    }
}

// The call's outcome, or nothing when the connection broke under it; the
// next connection() then opens a fresh one.
std::optional<CallOutcome> Server::run(const fw::RemoteCall& call, const QString& operatorCode)
{
    {
        CallContext context{operatorCode, database_.connection()};
        CallOutcome outcome = registry_.invoke(call, context);
        if (outcome.failure != CallFailure::MethodFailed || ServerDatabase::reachable(context.db))
            return outcome;
    }
    qWarning().noquote() << call.module + QLatin1Char('.') + call.method
                         << "lost its database connection";
    database_.discard();
    return std::nullopt;
}

void Server::registerServerInfo()
{
    // Something every client can call to see whom it talks to.
    const Handler serverInfo = [this](CallContext&, std::vector<fw::RemoteValue>&) {
        return fw::RemoteValue(
            fw::RemoteValue::Array{QString(serverVersion), database_.config().kindName()});
    };
    for (const QLatin1String module : {rdmLancaSoliCmp, rdmCompras})
        registry_.add(module, QStringLiteral("GetServerInfo"), {}, serverInfo, Effect::ReadsOnly);
}

} // namespace cmp::server

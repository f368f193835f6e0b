#include "server/server.h"

#include "framework/sql/statement_registry.h"
#include "server/filter_options.h"
#include "server/operator_branches.h"
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

} // namespace

Server::Server(ServerOptions options)
    : database_(std::move(options.database)),
      signer_(options.tokenSecret, options.tokenLifetime, std::move(options.clock)),
      authenticator_(signer_)
{
    registerServerInfo();
    registerPurchaseParameters(registry_);
    registerStatements(registry_, fw::declaredStatements());
    registerFilterOptions(registry_);
    registerOperatorBranches(registry_);
    registerRequisitionFilter(registry_);
    registerRequisitionReads(registry_);
}

fw::SignInResult Server::signIn(const QString& operatorCode, const QString& password)
{
    try {
        QSqlDatabase db = database_.connection();
        return authenticator_.signIn(db, operatorCode, password);
    } catch (const DatabaseError& fault) {
        qCritical().noquote() << "sign-in:" << fault.what();
        fw::SignInResult result;
        result.error = databaseUnavailable();
        return result;
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
        QSqlDatabase db = database_.connection();
        // Disabling an operator or changing a password ends their sessions here.
        const TokenCheck session = authenticator_.confirmSession(db, check);
        if (session.status != TokenCheck::Status::Valid)
            return unauthenticated(session.status);
        CallContext context{session.operatorCode, std::move(db)};
        return registry_.invoke(call, context);
    } catch (const DatabaseError& fault) {
        qCritical().noquote() << call.module + QLatin1Char('.') + call.method << fault.what();
        return CallOutcome::failed(CallFailure::DatabaseUnavailable, databaseUnavailable());
    }
}

void Server::registerServerInfo()
{
    // Something every client can call to see whom it talks to.
    const Handler serverInfo = [this](CallContext&, std::vector<fw::RemoteValue>&) {
        return fw::RemoteValue(
            fw::RemoteValue::Array{QString(serverVersion), database_.config().kindName()});
    };
    for (const QLatin1String module : {rdmLancaSoliCmp, rdmCompras})
        registry_.add(module, QStringLiteral("GetServerInfo"), {}, serverInfo);
}

} // namespace cmp::server

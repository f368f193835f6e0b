#include "server/in_process_transport.h"

#include "server/server.h"

namespace cmp::server {

namespace {

// The kind the HTTP transport reads from the status the same failure gets.
fw::FailureKind failureKindOf(CallFailure failure)
{
    switch (failure) {
    case CallFailure::Unauthenticated:
        return fw::FailureKind::SessionEnded;
    case CallFailure::DatabaseUnavailable:
        return fw::FailureKind::Unreachable;
    case CallFailure::None:
    case CallFailure::UnknownMethod:
    case CallFailure::BadArguments:
    case CallFailure::MethodFailed:
        break;
    }
    return fw::FailureKind::Refused;
}

} // namespace

fw::SignInResult InProcessTransport::signIn(const QString& operatorCode, const QString& password)
{
    return server_.signIn(operatorCode, password);
}

fw::RemoteReply InProcessTransport::call(const fw::RemoteCall& call, const QString& token)
{
    CallOutcome outcome = server_.execute(call, token);
    outcome.reply.failureKind = failureKindOf(outcome.failure);
    return std::move(outcome.reply);
}

} // namespace cmp::server

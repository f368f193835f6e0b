#include "server/in_process_transport.h"

#include "server/server.h"

namespace cmp::server {

fw::SignInResult InProcessTransport::signIn(const QString& operatorCode, const QString& password)
{
    return server_.signIn(operatorCode, password);
}

fw::RemoteReply InProcessTransport::call(const fw::RemoteCall& call, const QString& token)
{
    CallOutcome outcome = server_.execute(call, token);
    // What the HTTP transport reads from the 401 status.
    if (outcome.failure == CallFailure::Unauthenticated)
        outcome.reply.failureKind = fw::FailureKind::SessionEnded;
    return std::move(outcome.reply);
}

} // namespace cmp::server

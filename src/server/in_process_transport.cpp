#include "server/in_process_transport.h"

#include "server/server.h"

namespace cmp::server {

fw::SignInResult InProcessTransport::signIn(const QString& operatorCode, const QString& password)
{
    return server_.signIn(operatorCode, password);
}

fw::RemoteReply InProcessTransport::call(const fw::RemoteCall& call, const QString& token)
{
    return server_.dispatch(call, token);
}

} // namespace cmp::server

#pragma once

#include "framework/net/remote_value.h"

namespace cmp::server {

class Server;

// The embedded mode: the client's calls run in its own process, with no
// network between, on the thread that calls (TNetConnection's call thread,
// off the GUI thread; the server keeps a database connection per thread).
// A failure has the kind the HTTP transport would give it: an unknown,
// expired or revoked token ends the session, an unreachable database makes
// the server unreachable, anything else is a refusal.
class InProcessTransport : public fw::Transport
{
public:
    explicit InProcessTransport(Server& server) : server_(server) {}

    fw::SignInResult signIn(const QString& operatorCode, const QString& password) override;
    fw::RemoteReply call(const fw::RemoteCall& call, const QString& token) override;

private:
    Server& server_;
};

} // namespace cmp::server

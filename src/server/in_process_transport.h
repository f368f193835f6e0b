#pragma once

#include "framework/net/remote_value.h"

namespace cmp::server {

class Server;

// The embedded mode: the client's calls run in its own process, on the
// calling thread, with no network between.
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

#pragma once

#include "framework/net/remote_value.h"
#include "server/auth.h"
#include "server/method_registry.h"
#include "server/server_database.h"

#include <QByteArray>
#include <QLatin1String>

#include <chrono>
#include <optional>

namespace cmp::server {

inline constexpr QLatin1String serverVersion("0.1.0");

struct ServerOptions
{
    DatabaseConfig database;
    // Shared by the servers behind one load balancer; empty: random, so
    // tokens last only as long as this process.
    QByteArray tokenSecret;
    std::chrono::seconds tokenLifetime = std::chrono::hours(8);
    TokenSigner::Clock clock; // empty: the system clock
};

// The application server, whatever transport reaches it: signs operators in
// and runs the methods of the remote data modules on their behalf.
class Server
{
public:
    // Opens and migrates the database; throws DatabaseError or
    // TokenSecretError when it cannot serve.
    explicit Server(ServerOptions options);

    // None of these throws: failures are results with a Portuguese text.
    fw::SignInResult signIn(const QString& operatorCode, const QString& password);
    // Empty when the token's signature and expiry are good, else the refusal
    // to send back; lets a transport turn away a stranger before reading what
    // it sent. execute() then also checks that the session was not revoked.
    std::optional<CallOutcome> refuseToken(const QString& token) const;
    CallOutcome execute(const fw::RemoteCall& call, const QString& token);
    fw::RemoteReply dispatch(const fw::RemoteCall& call, const QString& token)
    {
        return execute(call, token).reply;
    }

    // Methods are added before the server starts serving.
    MethodRegistry& registry() { return registry_; }
    ServerDatabase& database() { return database_; }

private:
    void registerServerInfo();

    ServerDatabase database_;
    TokenSigner signer_;
    Authenticator authenticator_;
    MethodRegistry registry_;
};

} // namespace cmp::server

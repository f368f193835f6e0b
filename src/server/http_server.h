#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <cstddef>
#include <memory>
#include <stdexcept>

namespace cmp::server {

class Server;

struct HttpOptions
{
    QString address = QStringLiteral("127.0.0.1");
    int port = 0; // 0: any free port, see HttpServer::port()
    // Threads that run calls and sign-ins. Waiting for a client's bytes takes
    // none: slow or idle clients cannot hold them.
    int threads = 32;
    // Largest /call body; a sign-in body is smaller still
    // (HttpEndpoints::maxSignInBytes).
    std::size_t maxBodyBytes = std::size_t{32} * 1024 * 1024;
    // The TLS handshake, and then a whole request head, must arrive within this.
    std::chrono::seconds headerTimeout{5};
    // A /call body must arrive, and a reply leave, within these.
    std::chrono::seconds readTimeout{30};
    std::chrono::seconds writeTimeout{30};
    // An idle connection kept open for the client's next request.
    std::chrono::seconds keepAliveTimeout{5};
    // Connections open at once, in all and per client address; beyond them a
    // new connection is closed as soon as it is accepted. The desktops of an
    // office may all come from one address, each with a few connections.
    int maxConnections = 1024;
    int maxConnectionsPerAddress = 256;
    // Reverse proxies whose X-Forwarded-For names the client, for the
    // sign-in throttle; from any other address that header is ignored.
    QStringList trustedProxies;
    // Both set: HTTPS with this PEM certificate (chain) and key.
    QString certificateFile;
    QString keyFile;
};

// The server could not listen as configured (address taken, bad certificate).
class HttpStartError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The application server over HTTP(S) with JSON bodies (HttpEndpoints).
// Serves from construction until stop() or destruction.
class HttpServer
{
public:
    HttpServer(Server& server, const HttpOptions& options); // throws HttpStartError
    ~HttpServer();

    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int port() const;
    bool secure() const;
    // Stops accepting at once and closes the connections that wait for a
    // request; the calls under way get until the grace ends to finish and
    // answer, then every connection closes. True when they all finished in
    // time; false leaves the late ones running, and then the destructor
    // waits for them.
    bool stop(std::chrono::milliseconds grace = {});

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace cmp::server

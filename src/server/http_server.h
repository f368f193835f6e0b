#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <thread>

namespace httplib {
class Server;
}

namespace cmp::server {

class Server;

struct HttpOptions
{
    QString address = QStringLiteral("127.0.0.1");
    int port = 0; // 0: any free port, see HttpServer::port()
    // Each open client connection holds a thread while it is kept alive, so
    // the pool is sized for the desktops of a site and idle connections are
    // let go soon.
    int threads = 32;
    std::chrono::seconds keepAliveTimeout{2};
    std::size_t maxBodyBytes = std::size_t{32} * 1024 * 1024;
    std::chrono::seconds readTimeout{30};
    std::chrono::seconds writeTimeout{30};
    // Both set: HTTPS with this PEM certificate and key.
    QString certificateFile;
    QString keyFile;
};

// The server could not listen as configured (address taken, bad certificate).
class HttpStartError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The application server over HTTP(S) with JSON bodies:
//   POST /signin  {"operator", "password"}       -> token, or 401
//   POST /call    Authorization: Bearer <token>  -> the call's reply
//   GET  /health                                 -> {"ok": true}
// Every refusal is {"ok": false, "error": "<text>"} with a 4xx status.
// Serves from construction, on a pool of `threads` threads, until stop() or
// destruction.
class HttpServer
{
public:
    HttpServer(Server& server, const HttpOptions& options); // throws HttpStartError
    ~HttpServer();

    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    int port() const { return port_; }
    bool secure() const { return secure_; }
    // Waits for the calls in progress to end.
    void stop();

private:
    void bind(const HttpOptions& options);
    void serve();

    std::unique_ptr<httplib::Server> http_;
    std::thread listener_;
    std::atomic<bool> listenerEnded_{false};
    int port_ = 0;
    bool secure_ = false;
};

} // namespace cmp::server

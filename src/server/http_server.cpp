#include "server/http_server.h"

#include "server/http_connection.h"
#include "server/server.h"

#include <QDateTime>
#include <QDebug>

#include <boost/asio/bind_executor.hpp>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>

#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <future>
#include <thread>
#include <unordered_set>
#include <vector>

namespace cmp::server {

namespace {

using namespace http;

// Reading and writing bytes is quick work however many clients wait; the
// calls themselves run on the workers.
constexpr int ioThreadCount = 2;

void warnWhenExpired(asio::ssl::context& context, const QString& file)
{
    const X509* certificate = SSL_CTX_get0_certificate(context.native_handle());
    if (!certificate || X509_cmp_current_time(X509_get0_notAfter(certificate)) > 0)
        return;
    std::tm notAfter{};
    ASN1_TIME_to_tm(X509_get0_notAfter(certificate), &notAfter);
    const QDateTime expired(QDate(notAfter.tm_year + 1900, notAfter.tm_mon + 1, notAfter.tm_mday),
                            QTime(notAfter.tm_hour, notAfter.tm_min), Qt::UTC);
    qWarning().noquote() << "the certificate" << file << "expired on"
                         << expired.toString(Qt::ISODate)
                         << ": clients that check it will refuse to connect";
}

std::optional<asio::ssl::context> tlsContext(const HttpOptions& options)
{
    const bool certificate = !options.certificateFile.isEmpty();
    if (certificate != !options.keyFile.isEmpty())
        throw HttpStartError("HTTPS needs both a certificate and a key");
    if (!certificate)
        return std::nullopt;
    asio::ssl::context context(asio::ssl::context::tls_server);
    context.set_options(asio::ssl::context::default_workarounds |
                        asio::ssl::context::single_dh_use);
    SSL_CTX_set_min_proto_version(context.native_handle(), TLS1_2_VERSION);
    // TLS 1.2 suites with forward secrecy only; TLS 1.3 offers no other kind.
    SSL_CTX_set_cipher_list(context.native_handle(), "ECDHE+AESGCM:ECDHE+CHACHA20");
    beast::error_code error;
    context.use_certificate_chain_file(options.certificateFile.toStdString(), error);
    if (!error)
        context.use_private_key_file(options.keyFile.toStdString(), asio::ssl::context::pem, error);
    if (error)
        throw HttpStartError(
            "the certificate or key cannot be used: " + options.certificateFile.toStdString() +
            ", " + options.keyFile.toStdString() + ": " + error.message());
    warnWhenExpired(context, options.certificateFile);
    return context;
}

// Addresses as the acceptor writes its peers', so that they compare as text.
std::unordered_set<std::string> addresses(const QStringList& written)
{
    std::unordered_set<std::string> parsed;
    for (const QString& address : written) {
        beast::error_code error;
        const asio::ip::address ip = asio::ip::make_address(address.trimmed().toStdString(), error);
        if (error)
            throw HttpStartError("not an IP address: " + address.toStdString());
        parsed.insert(ip.to_string());
    }
    return parsed;
}

} // namespace

struct HttpServer::State
{
    State(Server& server, const HttpOptions& options)
        : options(options), trustedProxies(addresses(options.trustedProxies)),
          endpoints(server, options.maxBodyBytes),
          quota(std::max(1, options.maxConnections), std::max(1, options.maxConnectionsPerAddress)),
          tls(tlsContext(options)), acceptor(io), acceptPause(io),
          workers(static_cast<std::size_t>(std::max(1, options.threads)))
    {}

    void listen();
    void accept();
    void onAccept(beast::error_code error, tcp::socket socket);
    void open(tcp::socket socket);
    void run();
    void closeAcceptor();
    void finish();

    const HttpOptions options;
    const std::unordered_set<std::string> trustedProxies;
    const HttpEndpoints endpoints;
    ConnectionQuota quota;
    ConnectionRegistry connections;
    CallCounter calls;
    std::optional<asio::ssl::context> tls;
    // Declared after what the connections use: destroying the context
    // destroys the connections still waiting in it.
    asio::io_context io{ioThreadCount};
    asio::executor_work_guard<asio::io_context::executor_type> keepRunning{io.get_executor()};
    asio::strand<asio::io_context::executor_type> acceptorStrand{io.get_executor()};
    tcp::acceptor acceptor;
    asio::steady_timer acceptPause;
    // Declared last: its threads post replies into the context above.
    asio::thread_pool workers;
    std::vector<std::thread> ioThreads;
    int port = 0;
    std::mutex stopping;
    std::optional<bool> stopped; // set once stopped: whether the calls finished
};

void HttpServer::State::listen()
{
    const std::string address = options.address.toStdString();
    beast::error_code error;
    tcp::resolver resolver(io);
    const auto endpoints =
        resolver.resolve(address, std::to_string(options.port), tcp::resolver::passive, error);
    if (!error && endpoints.empty())
        error = asio::error::host_not_found;
    if (!error) {
        const tcp::endpoint endpoint = *endpoints.begin();
        acceptor.open(endpoint.protocol(), error);
        // A quick restart may listen again while old connections linger;
        // SO_REUSEPORT stays off, so a second server cannot share the port.
        if (!error)
            acceptor.set_option(asio::socket_base::reuse_address(true), error);
        if (!error)
            acceptor.bind(endpoint, error);
        if (!error)
            acceptor.listen(asio::socket_base::max_listen_connections, error);
    }
    if (error)
        throw HttpStartError("cannot listen on " + address + ":" + std::to_string(options.port) +
                             ": " + error.message());
    port = acceptor.local_endpoint().port();
}

void HttpServer::State::accept()
{
    acceptor.async_accept(
        asio::make_strand(io),
        asio::bind_executor(acceptorStrand, [this](beast::error_code error, tcp::socket socket) {
            onAccept(error, std::move(socket));
        }));
}

void HttpServer::State::onAccept(beast::error_code error, tcp::socket socket)
{
    if (!acceptor.is_open())
        return;
    if (error) {
        // Out of file descriptors, most likely: wait for some to close
        // instead of spinning on the failure.
        qWarning().noquote() << "accepting a connection failed:"
                             << QString::fromStdString(error.message());
        acceptPause.expires_after(std::chrono::milliseconds(100));
        acceptPause.async_wait(asio::bind_executor(acceptorStrand, [this](beast::error_code) {
            if (acceptor.is_open())
                accept();
        }));
        return;
    }
    open(std::move(socket));
    accept();
}

void HttpServer::State::open(tcp::socket socket)
{
    beast::error_code error;
    const tcp::endpoint peer = socket.remote_endpoint(error);
    if (error)
        return;
    const std::string address = peer.address().to_string();
    std::optional<ConnectionQuota::Ticket> ticket = quota.admit(address);
    if (!ticket) {
        socket.close(error); // over the quota: no bytes read, no thread held
        return;
    }
    const Serving serving{endpoints, options, trustedProxies, workers, calls, connections};
    if (tls)
        std::make_shared<HttpConnection<TlsStream>>(
            serving, TlsStream(beast::tcp_stream(std::move(socket)), *tls), address,
            std::move(*ticket))
            ->start();
    else
        std::make_shared<HttpConnection<PlainStream>>(serving, PlainStream(std::move(socket)),
                                                      address, std::move(*ticket))
            ->start();
}

// A fault in one connection's handler must not end the thread that serves
// all the others.
void HttpServer::State::run()
{
    for (;;) {
        try {
            io.run();
            return;
        } catch (const std::exception& fault) {
            qCritical().noquote() << "HTTP connection failed:" << fault.what();
        }
    }
}

void HttpServer::State::closeAcceptor()
{
    std::promise<void> closed;
    asio::post(acceptorStrand, [&] {
        beast::error_code ignored;
        acceptor.close(ignored);
        acceptPause.cancel();
        closed.set_value();
    });
    closed.get_future().wait();
}

// Lets the closed connections wind down, then ends the I/O threads.
void HttpServer::State::finish()
{
    keepRunning.reset();
    connections.waitUntilEmpty(std::chrono::steady_clock::now() + std::chrono::seconds(1));
    io.stop();
    for (std::thread& thread : ioThreads)
        thread.join();
    ioThreads.clear();
}

HttpServer::HttpServer(Server& server, const HttpOptions& options)
    : state_(std::make_unique<State>(server, options))
{
    state_->listen();
    state_->accept();
    for (int i = 0; i < ioThreadCount; ++i)
        state_->ioThreads.emplace_back([this] { state_->run(); });
}

HttpServer::~HttpServer()
{
    stop();
    state_->workers.join();
}

int HttpServer::port() const
{
    return state_->port;
}

bool HttpServer::secure() const
{
    return state_->tls.has_value();
}

bool HttpServer::stop(std::chrono::milliseconds grace)
{
    std::lock_guard lock(state_->stopping);
    if (state_->stopped)
        return *state_->stopped;
    state_->closeAcceptor();
    state_->connections.forEach([](Connection& connection) { connection.drain(); });
    const bool finished = state_->calls.waitForNone(std::chrono::steady_clock::now() + grace);
    state_->connections.forEach([](Connection& connection) { connection.close(); });
    state_->finish();
    state_->stopped = finished;
    return finished;
}

} // namespace cmp::server

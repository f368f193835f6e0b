#pragma once
// Talking to an HttpServer in the tests: a well-behaved client (plain or TLS)
// and a raw socket for requests no well-behaved client would send.

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace cmp::test {

struct HttpAnswer
{
    int status = 0; // 0: no answer (refused, reset, timed out)
    QJsonObject body;
    std::string retryAfter;

    QString error() const { return body.value(QStringLiteral("error")).toString(); }
};

struct HttpRequest
{
    std::string method = "POST";
    std::string path;
    std::string body;
    QString token;
    std::string contentEncoding;
};

// One request per connection, as simple as can be; TLS without checking the
// certificate, and with the cipher suites given when not empty.
class HttpTestClient
{
public:
    explicit HttpTestClient(int port, bool tls = false, const std::string& tls12Ciphers = {})
        : port_(port), tls_(tls)
    {
        tlsContext_.set_verify_mode(boost::asio::ssl::verify_none);
        if (!tls12Ciphers.empty()) {
            SSL_CTX_set_max_proto_version(tlsContext_.native_handle(), TLS1_2_VERSION);
            SSL_CTX_set_cipher_list(tlsContext_.native_handle(), tls12Ciphers.c_str());
        }
    }

    HttpAnswer get(const std::string& path) const { return send({"GET", path, {}, {}, {}}); }

    HttpAnswer post(const std::string& path, const std::string& body,
                    const QString& token = {}) const
    {
        return send({"POST", path, body, token, {}});
    }

    HttpAnswer send(const HttpRequest& request) const
    {
        namespace beast = boost::beast;
        namespace http = beast::http;
        http::request<http::string_body> message(http::string_to_verb(request.method), request.path,
                                                 11);
        message.set(http::field::host, "127.0.0.1");
        message.set(http::field::content_type, "application/json");
        if (!request.token.isEmpty())
            message.set(http::field::authorization, "Bearer " + request.token.toStdString());
        if (!request.contentEncoding.empty())
            message.set(http::field::content_encoding, request.contentEncoding);
        message.body() = request.body;
        message.prepare_payload();
        try {
            return tls_ ? exchange(tlsStream(), message) : exchange(plainStream(), message);
        } catch (const boost::system::system_error&) {
            return {};
        }
    }

private:
    template <typename Stream, typename Message>
    static HttpAnswer exchange(Stream&& stream, Message& message)
    {
        namespace beast = boost::beast;
        namespace http = beast::http;
        beast::get_lowest_layer(stream).expires_after(std::chrono::seconds(30));
        http::write(stream, message);
        beast::flat_buffer buffer;
        http::response<http::string_body> response;
        http::read(stream, buffer, response);
        return {static_cast<int>(response.result_int()),
                QJsonDocument::fromJson(QByteArray::fromStdString(response.body())).object(),
                std::string(response[http::field::retry_after])};
    }

    boost::beast::tcp_stream plainStream() const
    {
        boost::beast::tcp_stream stream(context_);
        stream.connect(
            {boost::asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port_)});
        return stream;
    }

    boost::beast::ssl_stream<boost::beast::tcp_stream> tlsStream() const
    {
        boost::beast::ssl_stream<boost::beast::tcp_stream> stream(plainStream(), tlsContext_);
        stream.handshake(boost::asio::ssl::stream_base::client);
        return stream;
    }

    int port_;
    bool tls_;
    mutable boost::asio::io_context context_;
    mutable boost::asio::ssl::context tlsContext_{boost::asio::ssl::context::tls_client};
};

// A TCP connection that sends what the test says, when it says, from the
// local address it names (the server counts connections per address).
class RawConnection
{
public:
    explicit RawConnection(int port, const char* from = "127.0.0.1")
        : socket_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        inet_pton(AF_INET, from, &local.sin_addr);
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
        connected_ = ::bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
                     ::connect(socket_, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
    }
    ~RawConnection() { ::close(socket_); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return connected_; }

    // False once the server no longer takes bytes (closed or reset).
    bool send(const std::string& bytes)
    {
        return ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }

    // Whatever the server sent until it closed, or until the time is up.
    std::string receive(std::chrono::milliseconds within)
    {
        std::string received;
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < deadline) {
            if (!readable(deadline))
                break;
            char chunk[4096];
            const ssize_t got = ::recv(socket_, chunk, sizeof chunk, 0);
            if (got <= 0) {
                closedByServer_ = true;
                break;
            }
            received.append(chunk, static_cast<size_t>(got));
        }
        return received;
    }

    // Whether the server closed the connection within the time.
    bool closedWithin(std::chrono::milliseconds within)
    {
        receive(within);
        return closedByServer_;
    }

    // "HTTP/1.1 413 Payload Too Large" -> 413, or 0.
    static int statusOf(const std::string& answer)
    {
        return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(answer.c_str() + 9) : 0;
    }

private:
    bool readable(std::chrono::steady_clock::time_point deadline) const
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watched{socket_, POLLIN, 0};
        return ::poll(&watched, 1, static_cast<int>(std::max<qint64>(left.count(), 0))) > 0;
    }

    int socket_;
    bool connected_ = false;
    bool closedByServer_ = false;
};

} // namespace cmp::test

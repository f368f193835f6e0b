#pragma once
// One client connection of HttpServer, on Boost.Beast; only http_server.cpp
// includes this.

#include "server/http_endpoints.h"
#include "server/http_server.h"

#include <QDebug>

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/stream.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <array>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace cmp::server::http {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;

// Counts the calls under way, from the moment a worker gets one until its
// reply is sent (or its connection is gone), so that a stop can wait for them.
class CallCounter
{
public:
    // Held while a call is under way; movable into the handlers that carry it.
    class Hold
    {
    public:
        explicit Hold(CallCounter& counter) : counter_(&counter) { counter.add(1); }
        Hold(Hold&& other) noexcept : counter_(std::exchange(other.counter_, nullptr)) {}
        Hold& operator=(Hold&&) = delete;
        ~Hold()
        {
            if (counter_)
                counter_->add(-1);
        }

    private:
        CallCounter* counter_;
    };

    // True when none is left before the deadline.
    bool waitForNone(std::chrono::steady_clock::time_point deadline)
    {
        std::unique_lock lock(mutex_);
        return none_.wait_until(lock, deadline, [this] { return running_ == 0; });
    }

private:
    void add(int change)
    {
        std::lock_guard lock(mutex_);
        running_ += change;
        if (running_ == 0)
            none_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable none_;
    int running_ = 0;
};

// Open connections, in all and per client address.
class ConnectionQuota
{
public:
    // One open connection's place; gives it back when it goes.
    class Ticket
    {
    public:
        Ticket(ConnectionQuota* quota, std::string address)
            : quota_(quota), address_(std::move(address))
        {}
        Ticket(Ticket&& other) noexcept
            : quota_(std::exchange(other.quota_, nullptr)), address_(std::move(other.address_))
        {}
        Ticket& operator=(Ticket&&) = delete;
        ~Ticket()
        {
            if (quota_)
                quota_->release(address_);
        }

    private:
        ConnectionQuota* quota_;
        std::string address_;
    };

    ConnectionQuota(int total, int perAddress) : total_(total), perAddress_(perAddress) {}

    std::optional<Ticket> admit(const std::string& address)
    {
        std::lock_guard lock(mutex_);
        int& fromAddress = byAddress_[address];
        if (open_ >= total_ || fromAddress >= perAddress_) {
            if (fromAddress == 0)
                byAddress_.erase(address);
            return std::nullopt;
        }
        ++open_;
        ++fromAddress;
        return Ticket(this, address);
    }

private:
    void release(const std::string& address)
    {
        std::lock_guard lock(mutex_);
        --open_;
        if (--byAddress_[address] == 0)
            byAddress_.erase(address);
    }

    std::mutex mutex_;
    const int total_;
    const int perAddress_;
    int open_ = 0;
    std::unordered_map<std::string, int> byAddress_;
};

// What a stop asks of every open connection.
class Connection
{
public:
    virtual ~Connection() = default;
    // Close now unless a call is under way; that one closes after its reply.
    virtual void drain() = 0;
    // Close now.
    virtual void close() = 0;
};

// The open connections, for a stop to reach.
class ConnectionRegistry
{
public:
    void add(const std::shared_ptr<Connection>& connection)
    {
        std::lock_guard lock(mutex_);
        open_.emplace(connection.get(), connection);
    }
    void remove(Connection* connection)
    {
        std::lock_guard lock(mutex_);
        open_.erase(connection);
        if (open_.empty())
            empty_.notify_all();
    }
    // True when every connection went before the deadline.
    bool waitUntilEmpty(std::chrono::steady_clock::time_point deadline)
    {
        std::unique_lock lock(mutex_);
        return empty_.wait_until(lock, deadline, [this] { return open_.empty(); });
    }
    template <typename Action> void forEach(Action action)
    {
        std::vector<std::shared_ptr<Connection>> alive;
        {
            std::lock_guard lock(mutex_);
            for (const auto& [raw, weak] : open_)
                if (auto connection = weak.lock())
                    alive.push_back(std::move(connection));
        }
        for (const auto& connection : alive)
            action(*connection);
    }

private:
    std::mutex mutex_;
    std::condition_variable empty_;
    std::unordered_map<Connection*, std::weak_ptr<Connection>> open_;
};

// What the connections of one HttpServer share.
struct Serving
{
    const HttpEndpoints& endpoints;
    const HttpOptions& options;
    const std::unordered_set<std::string>& trustedProxies;
    asio::thread_pool& workers;
    CallCounter& calls;
    ConnectionRegistry& connections;
};

// A request that broke HTTP's rules, as opposed to a client that went away
// or stalled (end of stream, timeout, reset).
inline bool malformed(const beast::error_code& error)
{
    namespace http = beast::http;
    return error.category() == http::make_error_code(http::error::bad_target).category() &&
           error != http::error::end_of_stream && error != http::error::partial_message;
}

inline std::string_view view(beast::string_view text)
{
    return {text.data(), text.size()};
}

using PlainStream = beast::tcp_stream;
using TlsStream = beast::ssl_stream<beast::tcp_stream>;

// Reads requests and writes replies one after the other (no pipelining) on
// the connection's strand. Every read and write has a deadline, so a client
// that stalls loses its connection and never held a worker: the workers only
// run what HttpEndpoints::serve does with a complete request.
template <typename Stream>
class HttpConnection : public Connection,
                       public std::enable_shared_from_this<HttpConnection<Stream>>
{
public:
    HttpConnection(Serving serving, Stream stream, std::string address,
                   ConnectionQuota::Ticket ticket)
        : serving_(serving), stream_(std::move(stream)), address_(std::move(address)),
          ticket_(std::move(ticket))
    {}

    ~HttpConnection() override { serving_.connections.remove(this); }

    void start()
    {
        serving_.connections.add(this->shared_from_this());
        asio::dispatch(stream_.get_executor(),
                       [self = this->shared_from_this()] { self->handshake(); });
    }

    void drain() override
    {
        asio::post(stream_.get_executor(), [self = this->shared_from_this()] {
            self->draining_ = true;
            if (self->phase_ == Phase::Reading)
                self->closeNow();
        });
    }

    void close() override
    {
        asio::post(stream_.get_executor(), [self = this->shared_from_this()] { self->closeNow(); });
    }

private:
    void handshake()
    {
        if constexpr (std::is_same_v<Stream, TlsStream>) {
            lowest().expires_after(serving_.options.headerTimeout);
            stream_.async_handshake(asio::ssl::stream_base::server,
                                    [self = this->shared_from_this()](beast::error_code error) {
                                        if (error)
                                            return self->closeNow();
                                        self->readHead();
                                    });
        } else {
            readHead();
        }
    }

    enum class Phase
    {
        Reading, // waiting for a request, or for its body
        Working, // a worker runs the request
        Writing,
        Closed
    };
    using Parser = beast::http::request_parser<beast::http::string_body>;
    // Big enough for any request head; bodies pass through it into the parser.
    static constexpr std::size_t bufferBytes = 16 * 1024;
    static constexpr std::uint32_t maxHeadBytes = 8 * 1024;

    beast::tcp_stream& lowest() { return beast::get_lowest_layer(stream_); }

    void readHead()
    {
        phase_ = Phase::Reading;
        if (draining_)
            return closeNow();
        parser_.emplace();
        parser_->header_limit(maxHeadBytes);
        // Unlimited while the head is read, so that an announced length is
        // judged by the endpoint's own limit (admit) before anything else.
        // (Not boost::none: this Beast compares a length with it as larger.)
        parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
        lowest().expires_after(firstRequest_ ? serving_.options.headerTimeout
                                             : serving_.options.keepAliveTimeout);
        firstRequest_ = false;
        beast::http::async_read_header(
            stream_, buffer_, *parser_,
            [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                self->onHead(error);
            });
    }

    void onHead(beast::error_code error)
    {
        if (error == beast::http::error::header_limit)
            return refuse(serving_.endpoints.refusal(431));
        if (malformed(error))
            return refuse(serving_.endpoints.refusal(400));
        if (error)
            return closeNow();
        const auto& request = parser_->get();
        const auto length = parser_->content_length();
        const RequestHead head{view(request.method_string()), view(request.target()),
                               view(request[beast::http::field::authorization]),
                               view(request[beast::http::field::content_encoding]),
                               length ? std::optional<std::uint64_t>(*length) : std::nullopt};
        admission_ = serving_.endpoints.admit(head);
        clientAddress_ = clientAddress(request["X-Forwarded-For"]);
        if (admission_.refusal)
            return refuse(*admission_.refusal);
        parser_->body_limit(admission_.bodyLimit);
        if (parser_->is_done())
            return dispatch();
        if (beast::iequals(request[beast::http::field::expect], "100-continue"))
            return sendContinue();
        readBody();
    }

    // Clients that ask first (curl does) send the body only once told to.
    void sendContinue()
    {
        continue_.emplace(beast::http::status::continue_, 11);
        lowest().expires_after(serving_.options.writeTimeout);
        beast::http::async_write(
            stream_, *continue_,
            [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                if (error)
                    return self->closeNow();
                self->readBody();
            });
    }

    void readBody()
    {
        // A sign-in body is a few bytes: it comes with the head or not at all.
        lowest().expires_after(admission_.endpoint == Admission::Endpoint::SignIn
                                   ? serving_.options.headerTimeout
                                   : serving_.options.readTimeout);
        beast::http::async_read(stream_, buffer_, *parser_,
                                [self = this->shared_from_this()](
                                    beast::error_code error, std::size_t) { self->onBody(error); });
    }

    void onBody(beast::error_code error)
    {
        if (error == beast::http::error::body_limit)
            return refuse(serving_.endpoints.tooLarge(admission_.bodyLimit));
        if (malformed(error))
            return refuse(serving_.endpoints.refusal(400));
        if (error)
            return closeNow();
        dispatch();
    }

    void dispatch()
    {
        if (admission_.endpoint == Admission::Endpoint::Health)
            return send(serving_.endpoints.serve(admission_, {}, clientAddress_),
                        KeepOpen::IfAsked);
        phase_ = Phase::Working;
        lowest().expires_never();
        asio::post(serving_.workers,
                   [self = this->shared_from_this(), hold = CallCounter::Hold(serving_.calls),
                    body = std::move(parser_->get().body())]() mutable {
                       HttpReply reply = self->serve(body);
                       const auto executor = self->stream_.get_executor();
                       asio::post(executor, [self = std::move(self), hold = std::move(hold),
                                             reply = std::move(reply)]() mutable {
                           self->hold_.emplace(std::move(hold));
                           self->send(reply, KeepOpen::IfAsked);
                       });
                   });
    }

    // The peer, or the client a trusted proxy names last in X-Forwarded-For.
    QString clientAddress(beast::string_view forwarded) const
    {
        const QString peer = QString::fromStdString(address_);
        if (forwarded.empty() || !serving_.trustedProxies.contains(address_))
            return peer;
        const QString client = QString::fromLatin1(forwarded.data(), qsizetype(forwarded.size()))
                                   .section(QLatin1Char(','), -1)
                                   .trimmed();
        return client.isEmpty() ? peer : client;
    }

    // On a worker.
    HttpReply serve(const std::string& body) const
    {
        try {
            return serving_.endpoints.serve(admission_, body, clientAddress_);
        } catch (const std::exception& fault) {
            qCritical().noquote() << "HTTP request failed:" << fault.what();
        } catch (...) {
            qCritical().noquote() << "HTTP request failed with an unknown exception";
        }
        return serving_.endpoints.refusal(500);
    }

    enum class KeepOpen
    {
        IfAsked,
        Never // the request's body, or part of it, is left unread
    };

    void refuse(const HttpReply& reply) { send(reply, KeepOpen::Never); }

    void send(const HttpReply& reply, KeepOpen keepOpen)
    {
        if (phase_ == Phase::Closed)
            return;
        phase_ = Phase::Writing;
        const bool asked = parser_ && parser_->is_header_done() && parser_->get().keep_alive();
        response_.emplace(static_cast<beast::http::status>(reply.status), 11);
        response_->set(beast::http::field::content_type, "application/json; charset=utf-8");
        if (reply.retryAfter.count() > 0)
            response_->set(beast::http::field::retry_after,
                           std::to_string(reply.retryAfter.count()));
        response_->body().assign(reply.body.constData(), std::size_t(reply.body.size()));
        response_->keep_alive(keepOpen == KeepOpen::IfAsked && asked && !draining_);
        response_->prepare_payload();
        lowest().expires_after(serving_.options.writeTimeout);
        beast::http::async_write(
            stream_, *response_,
            [self = this->shared_from_this()](beast::error_code error, std::size_t) {
                self->onSent(error);
            });
    }

    void onSent(beast::error_code error)
    {
        hold_.reset();
        if (error)
            return closeNow();
        if (response_->keep_alive())
            return readHead();
        lingerAndClose();
    }

    // Closing a socket with unread bytes makes the system reset the
    // connection, and the client may lose the reply before reading it. So the
    // sending side closes first, and what the client still sends is read and
    // dropped for a moment.
    void lingerAndClose()
    {
        phase_ = Phase::Reading;
        beast::error_code ignored;
        lowest().socket().shutdown(tcp::socket::shutdown_send, ignored);
        lowest().expires_after(std::chrono::seconds(1));
        discard();
    }

    void discard()
    {
        lowest().async_read_some(
            asio::buffer(discarded_),
            [self = this->shared_from_this()](beast::error_code error, std::size_t bytes) {
                self->lingered_ += bytes;
                if (error || self->lingered_ > maxLingerBytes)
                    return self->closeNow();
                self->discard();
            });
    }

    void closeNow()
    {
        if (phase_ == Phase::Closed)
            return;
        phase_ = Phase::Closed;
        hold_.reset();
        beast::error_code ignored;
        lowest().socket().shutdown(tcp::socket::shutdown_both, ignored);
        lowest().close();
    }

    static constexpr std::size_t maxLingerBytes = 1024 * 1024;

    Serving serving_;
    Stream stream_;
    std::string address_;
    QString clientAddress_;
    ConnectionQuota::Ticket ticket_;
    beast::flat_buffer buffer_{bufferBytes};
    std::optional<Parser> parser_;
    Admission admission_;
    std::optional<beast::http::response<beast::http::empty_body>> continue_;
    std::optional<beast::http::response<beast::http::string_body>> response_;
    std::optional<CallCounter::Hold> hold_;
    std::array<char, 4096> discarded_{};
    std::size_t lingered_ = 0;
    Phase phase_ = Phase::Reading;
    bool firstRequest_ = true;
    bool draining_ = false;
};

} // namespace cmp::server::http

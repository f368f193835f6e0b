#include "framework/net/net_connection.h"

#include "framework/net/http_transport.h"

#include <algorithm>
#include <mutex>

namespace cmp::fw {

namespace {

// What all connections of the process share. The application sets it up on
// its main thread; the mutex keeps a server thread of the embedded mode safe.
struct Shared
{
    std::mutex mutex;
    std::shared_ptr<Transport> embedded;
    HttpClientOptions httpOptions;
    NetSession session;
    std::function<void(bool)> busyHook;
};

Shared& shared()
{
    static Shared instance;
    return instance;
}

template <class T> T readShared(T Shared::*member)
{
    const std::lock_guard lock(shared().mutex);
    return shared().*member;
}

template <class T> void writeShared(T Shared::*member, T value)
{
    const std::lock_guard lock(shared().mutex);
    shared().*member = std::move(value);
}

// Tells the busy hook about the outermost wait only: a call that opens its
// connection first is one wait for the user.
class BusyScope
{
public:
    BusyScope()
    {
        if (depth_ == 0)
            notify(true);
        ++depth_;
    }
    ~BusyScope()
    {
        if (--depth_ == 0)
            notify(false);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    static void notify(bool busy)
    {
        // Called outside the lock: the hook runs the screen's own code.
        if (const auto hook = readShared(&Shared::busyHook))
            hook(busy);
    }

    static inline thread_local int depth_ = 0;
};

template <class Result> Result failed(QString message)
{
    Result result;
    result.error = std::move(message);
    return result;
}

} // namespace

TNetConnection::TNetConnection(QString module) : module_(std::move(module)) {}

TNetConnection::~TNetConnection() = default;

bool TNetConnection::Connect()
{
    if (Connected())
        return true;
    if (BeforeConnect)
        BeforeConnect(*this);
    if (open())
        return true;
    raiseWhenAsked(connectError_);
    return false;
}

bool TNetConnection::open()
{
    const BusyScope busy;
    if (webURL_.trimmed().isEmpty()) {
        transport_ = readShared(&Shared::embedded);
        connectError_ = transport_ ? QString()
                                   : QStringLiteral("Não foi possível conectar ao servidor de "
                                                    "aplicação embutido: ele não foi iniciado.");
    } else {
        HttpOpening opening =
            openHttpTransport(webURL_, webPort_, readShared(&Shared::httpOptions));
        transport_ = std::move(opening.transport);
        connectError_ = std::move(opening.error);
    }
    return Connected();
}

void TNetConnection::Disconnect()
{
    transport_.reset();
}

bool TNetConnection::Reconnect()
{
    Disconnect();
    return Connect();
}

// Connects when needed and runs one request on the transport; whatever goes
// wrong becomes a failed result.
template <class Result, class Request> Result TNetConnection::ask(Request&& request)
{
    const BusyScope busy;
    if (!Connect())
        return failed<Result>(connectError_);
    // Held here: a handler run while waiting may disconnect this connection.
    const std::shared_ptr<Transport> transport = transport_;
    try {
        return request(*transport);
    } catch (const std::exception& error) {
        return failed<Result>(QString::fromUtf8(error.what()));
    }
}

SignInResult TNetConnection::CheckPassword(const QString& operatorCode, const QString& password)
{
    return ask<SignInResult>(
        [&](Transport& transport) { return transport.signIn(operatorCode, password); });
}

SignInResult TNetConnection::SignIn(const QString& operatorCode, const QString& password)
{
    SignInResult result = CheckPassword(operatorCode, password);
    if (!result.ok) {
        raiseWhenAsked(result.error);
        return result;
    }
    writeShared(&Shared::session, NetSession{result.operatorCode, result.operatorName, result.token,
                                             result.expiresAt});
    return result;
}

RemoteReply TNetConnection::Call(const QString& method, std::vector<RemoteValue>& args)
{
    RemoteReply reply = exchange(method, args);
    if (!reply.ok)
        return reply;
    // The server sends back the by-reference arguments and null in the
    // by-value positions (a packet argument can be large), so only the
    // values it sent replace the caller's.
    for (size_t i = 0; i < reply.args.size(); ++i)
        if (!reply.args[i].isNull())
            args[i] = reply.args[i];
    return reply;
}

RemoteReply TNetConnection::Call(const QString& method, const std::vector<RemoteValue>& args)
{
    return exchange(method, args);
}

RemoteReply TNetConnection::exchange(const QString& method, const std::vector<RemoteValue>& args)
{
    const QString token = Session().token;
    const RemoteCall call{module_, method, args};
    RemoteReply reply =
        ask<RemoteReply>([&](Transport& transport) { return transport.call(call, token); });
    // Arguments come back all or none, so that each lands in its own place.
    if (reply.ok && !reply.args.empty() && reply.args.size() != args.size())
        reply = RemoteReply::failure(
            QStringLiteral("O servidor de aplicação devolveu %1 argumentos de %2.%3, que "
                           "recebe %4.")
                .arg(reply.args.size())
                .arg(module_, method)
                .arg(args.size()));
    if (!reply.ok && reply.error.isEmpty())
        reply.error = QStringLiteral("O servidor de aplicação recusou %1.%2 sem dizer o motivo.")
                          .arg(module_, method);
    if (!reply.ok)
        raiseWhenAsked(reply.error);
    return reply;
}

void TNetConnection::raiseWhenAsked(const QString& error) const
{
    if (throwException_)
        throw ENetError(error.toStdString());
}

void TNetConnection::SetEmbeddedTransport(std::shared_ptr<Transport> transport)
{
    writeShared(&Shared::embedded, std::move(transport));
}

void TNetConnection::SetHttpOptions(const HttpClientOptions& options)
{
    writeShared(&Shared::httpOptions, options);
}

void TNetConnection::SetBusyHook(std::function<void(bool busy)> hook)
{
    writeShared(&Shared::busyHook, std::move(hook));
}

NetSession TNetConnection::Session()
{
    return readShared(&Shared::session);
}

void TNetConnection::SignOut()
{
    writeShared(&Shared::session, NetSession{});
}

} // namespace cmp::fw

#include "framework/net/net_connection.h"

#include "framework/net/call_thread.h"
#include "framework/net/http_transport.h"
#include "framework/ui/ui_port.h"

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
    TNetConnection::CallObserver callObserver;
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

template <class Result> Result failed(QString message, FailureKind kind)
{
    Result result;
    result.error = std::move(message);
    result.failureKind = kind;
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
    raiseWhenAsked(connectError_, FailureKind::Unreachable);
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
        // Made on the call thread, where its network manager then lives.
        HttpOpening opening;
        const HttpClientOptions options = readShared(&Shared::httpOptions);
        runOffGuiThread([&] { opening = openHttpTransport(webURL_, webPort_, options); });
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

// Connects when needed and runs one request on the transport, off the GUI
// thread. A call that cannot be encoded is refused with the encoder's text.
template <class Result, class Request> Result TNetConnection::ask(Request&& request)
{
    const BusyScope busy;
    if (!Connect())
        return failed<Result>(connectError_, FailureKind::Unreachable);
    // Held here: a handler run while waiting may disconnect this connection.
    const std::shared_ptr<Transport> transport = transport_;
    Result result;
    runOffGuiThread([&] {
        try {
            result = request(*transport);
        } catch (const RemoteValueError& error) {
            result = failed<Result>(QString::fromUtf8(error.what()), FailureKind::Refused);
        }
    });
    return result;
}

SignInResult TNetConnection::CheckPassword(const QString& operatorCode, const QString& password)
{
    return ask<SignInResult>(
        [&](Transport& transport) { return transport.signIn(operatorCode, password); });
}

SignInResult TNetConnection::SignIn(const QString& operatorCode, const QString& password)
{
    SignInResult result = signInAs(operatorCode, password);
    if (!result.ok)
        raiseWhenAsked(result.error, result.failureKind);
    return result;
}

SignInResult TNetConnection::signInAs(const QString& operatorCode, const QString& password)
{
    SignInResult result = CheckPassword(operatorCode, password);
    if (result.ok)
        writeShared(&Shared::session, NetSession{result.operatorCode, result.operatorName,
                                                 result.token, result.expiresAt});
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
    if (const CallObserver observer = readShared(&Shared::callObserver))
        observer(module_, method);
    const RemoteCall call{module_, method, args};
    RemoteReply reply = send(call);
    if (reply.sessionEnded()) {
        // The server turned the call away unrun: once more, in a new session.
        if (std::optional<RemoteReply> notRenewed = renewSession(reply.error))
            reply = std::move(*notRenewed);
        else
            reply = send(call);
    }
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
        raiseWhenAsked(reply.error, reply.failureKind);
    return reply;
}

RemoteReply TNetConnection::send(const RemoteCall& call)
{
    const QString token = Session().token;
    return ask<RemoteReply>([&](Transport& transport) { return transport.call(call, token); });
}

// Asks the signed-in operator's password until the server takes it. Nothing
// when the session is renewed; otherwise the reply that ends the call.
std::optional<RemoteReply> TNetConnection::renewSession(const QString& reason)
{
    const QString operatorCode = Session().operatorCode;
    if (operatorCode.isEmpty()) // nobody signed in: there is no session to renew
        return RemoteReply::failure(reason, FailureKind::SessionEnded);
    const PasswordPrompt prompt{operatorCode, QStringLiteral("Sessão encerrada"), reason,
                                PasswordPurpose::SignInAgain};
    for (;;) {
        const std::optional<QString> password = uiPort().askPassword(prompt);
        if (!password)
            return RemoteReply::failure(
                QStringLiteral("A sessão terminou e a senha não foi informada: a operação não "
                               "foi executada."),
                FailureKind::SessionEnded);
        const SignInResult signedIn = signInAs(operatorCode, *password);
        if (signedIn.ok)
            return std::nullopt;
        if (signedIn.unreachable())
            return RemoteReply::failure(signedIn.error, FailureKind::Unreachable);
        uiPort().showError(signedIn.error);
    }
}

void TNetConnection::raiseWhenAsked(const QString& error, FailureKind kind) const
{
    if (throwException_)
        throw ENetError(error, kind);
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

void TNetConnection::SetCallObserver(CallObserver observer)
{
    writeShared(&Shared::callObserver, std::move(observer));
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

#pragma once

#include "framework/net/remote_value.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace cmp::fw {

struct HttpClientOptions;

// A failure of a connection whose ThrowException is set; what() is the
// Portuguese UTF-8 text that the failed reply would have carried.
class ENetError : public std::runtime_error
{
public:
    ENetError(const QString& message, FailureKind kind)
        : std::runtime_error(message.toStdString()), kind_(kind)
    {}
    FailureKind kind() const { return kind_; }

private:
    FailureKind kind_;
};

// The operator signed in to the application server. One per process: every
// connection sends its token.
struct NetSession
{
    QString operatorCode;
    QString operatorName;
    QString token;
    QDateTime expiresAt;
};

// The client side of one remote data module ("Cmp03100.rdmLancaSoliCmp"):
// names the module in every call and reaches the server in this process when
// WebURL is empty, otherwise over HTTP(S) at WebURL and WebPort.
//
// Every exchange with the server runs off the GUI thread while the GUI thread
// waits, painting and refusing input (runOffGuiThread); for the caller it is
// synchronous.
//
// A failure is a reply with ok false, its kind and a readable text, for
// CheckResultServ; with ThrowException set it is thrown as ENetError instead.
// A session the server ended never reaches the caller as such: the operator
// is asked for the password again through the UI port, signed in, and the
// call, which the server did not run, is sent once more. Nothing else is
// repeated: not a refusal, and not a call that may have run.
class TNetConnection
{
public:
    explicit TNetConnection(QString module);
    ~TNetConnection();
    TNetConnection(const TNetConnection&) = delete;
    TNetConnection& operator=(const TNetConnection&) = delete;

    const QString& Module() const { return module_; }

    const QString& WebURL() const { return webURL_; }
    void SetWebURL(QString webURL) { webURL_ = std::move(webURL); }
    int WebPort() const { return webPort_; }
    void SetWebPort(int webPort) { webPort_ = webPort; }
    bool ThrowException() const { return throwException_; }
    void SetThrowException(bool throwException) { throwException_ = throwException; }

    // Runs immediately before the connection opens: where the screen takes
    // WebURL and WebPort from the host.
    std::function<void(TNetConnection&)> BeforeConnect;

    bool Connected() const { return transport_ != nullptr; }
    // Opens the connection unless it is open; over HTTP the server must answer
    // its health check. False when it could not: the reason comes back with
    // the next call.
    bool Connect();
    void Disconnect();
    // Drops the connection and opens a fresh one, after the server went away.
    bool Reconnect();

    // Signs the operator in; on success the session serves every connection
    // of the process.
    SignInResult SignIn(const QString& operatorCode, const QString& password);
    // Asks the server whether the password is the operator's, leaving the
    // process's session as it is (a manager confirming an approval).
    SignInResult CheckPassword(const QString& operatorCode, const QString& password);

    // Calls a method of the module, opening the connection first when needed.
    // The overload on a modifiable list copies the arguments the method takes
    // by reference back into it. A reply of kind SessionEnded comes back only
    // when the password prompt was cancelled or nobody was signed in.
    RemoteReply Call(const QString& method, std::vector<RemoteValue>& args);
    RemoteReply Call(const QString& method, const std::vector<RemoteValue>& args = {});

    // The server of the embedded mode, installed by the application before
    // the first connection opens.
    static void SetEmbeddedTransport(std::shared_ptr<Transport> transport);
    static void SetHttpOptions(const HttpClientOptions& options);
    // Told true when a call starts waiting for the server and false when it is
    // over, also when it failed; nested waits are told once. The screen shows
    // the progress animation and blocks input meanwhile. Must not throw.
    static void SetBusyHook(std::function<void(bool busy)> hook);
    // Told the module and method of every call, once, before it is sent: how
    // a scenario sees which calls a user action made. Must not throw.
    using CallObserver = std::function<void(const QString& module, const QString& method)>;
    static void SetCallObserver(CallObserver observer);

    static NetSession Session();
    static void SignOut();

private:
    bool open();
    template <class Result, class Request> Result ask(Request&& request);
    RemoteReply exchange(const QString& method, const std::vector<RemoteValue>& args);
    RemoteReply send(const RemoteCall& call);
    std::optional<RemoteReply> renewSession(const QString& reason);
    SignInResult signInAs(const QString& operatorCode, const QString& password);
    void raiseWhenAsked(const QString& error, FailureKind kind) const;

    QString module_;
    QString webURL_;
    int webPort_ = 0;
    bool throwException_ = false;
    std::shared_ptr<Transport> transport_;
    QString connectError_; // why the last Connect failed
};

} // namespace cmp::fw

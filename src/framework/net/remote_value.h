#pragma once

#include "framework/data/data_packet.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <memory>
#include <stdexcept>
#include <variant>
#include <vector>

namespace cmp::fw {

// A value crossing the client/server boundary: an argument of a server call,
// an argument passed back by reference, or a call's result. Arrays hold
// values of any kind, so "an array of two packets and a text" is one value.
class RemoteValue
{
public:
    using Array = std::vector<RemoteValue>;
    using Storage = std::variant<std::monostate, QString, QDate, QDateTime, double, qint64, bool,
                                 std::shared_ptr<const DataPacket>, Array>;
    enum class Kind
    {
        Null,
        String,
        Date,
        DateTime,
        Number,
        Integer,
        Boolean,
        Packet,
        Array
    };

    RemoteValue() = default;
    RemoteValue(const char* text) : value_(QString::fromUtf8(text)) {}
    RemoteValue(QString text) : value_(std::move(text)) {}
    RemoteValue(QDate date) : value_(date) {}
    RemoteValue(QDateTime moment) : value_(std::move(moment)) {}
    RemoteValue(double number) : value_(number) {}
    RemoteValue(int number) : value_(static_cast<qint64>(number)) {}
    RemoteValue(qint64 number) : value_(number) {}
    RemoteValue(bool flag) : value_(flag) {}
    RemoteValue(DataPacket packet) : value_(std::make_shared<const DataPacket>(std::move(packet)))
    {}
    RemoteValue(Array items) : value_(std::move(items)) {}

    Kind kind() const { return static_cast<Kind>(value_.index()); }
    bool isNull() const { return kind() == Kind::Null; }

    // Typed access; a value of another kind throws RemoteValueError naming
    // both kinds. toString() also gives the text of dates and numbers as the
    // user reads them ("07/12/2026", "1,5") and an empty text for null;
    // toNumber() also takes an integer.
    QString toString() const;
    QDate toDate() const;
    QDateTime toDateTime() const;
    double toNumber() const;
    qint64 toInteger() const;
    bool toBoolean() const;
    const DataPacket& toPacket() const;
    const Array& toArray() const;
    // Element of an array result ("element 0", "element 1", ...).
    const RemoteValue& at(size_t index) const;

    friend bool operator==(const RemoteValue& a, const RemoteValue& b);

private:
    Storage value_;
};

class RemoteValueError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

QString remoteKindName(RemoteValue::Kind kind);

// JSON form, documented in docs/server-api.md: a tagged object per value,
// e.g. {"string": "0001"}, {"date": "2026-12-07"}, {"packet": {...}},
// {"array": [...]}, {"null": true}. Decoding untrusted input throws
// RemoteValueError, never crashes.
QJsonValue remoteValueToJson(const RemoteValue& value);
RemoteValue remoteValueFromJson(const QJsonValue& json);

// One call of a method of a remote data module, with its ordered arguments.
struct RemoteCall
{
    QString module; // "Cmp03100.rdmLancaSoliCmp", "Cmp.rdmCompras"
    QString method; // "GetItemSoli"
    std::vector<RemoteValue> args;
};

// What a failed reply means to its caller. Each caller handles the kinds it
// expects by name; none retries a refusal.
enum class FailureKind
{
    // A rule of the purchasing system, or the server itself, said no: the text
    // is shown to the user and the call is never repeated.
    Refused,
    // The server could not be reached, the connection broke, no answer came
    // in time, or the server could not reach its database. A read may be
    // tried again; a write may have run.
    Unreachable,
    // The session expired or was revoked. The server did not run the call.
    SessionEnded,
};

// The answer to a call: the payload, or an error text and what kind of
// failure it is. Arguments the method takes by reference come back in args,
// in their positions.
struct RemoteReply
{
    bool ok = false;
    QString error;
    RemoteValue result;
    std::vector<RemoteValue> args;
    FailureKind failureKind = FailureKind::Refused; // read only when ok is false

    static RemoteReply failure(QString message, FailureKind kind = FailureKind::Refused)
    {
        RemoteReply reply;
        reply.error = std::move(message);
        reply.failureKind = kind;
        return reply;
    }
    bool refused() const { return !ok && failureKind == FailureKind::Refused; }
    bool unreachable() const { return !ok && failureKind == FailureKind::Unreachable; }
    bool sessionEnded() const { return !ok && failureKind == FailureKind::SessionEnded; }
};

QJsonObject remoteCallToJson(const RemoteCall& call);
// The same as compact JSON text, written directly for the HTTP body: a call
// saving a requisition carries a packet of 10,000 rows.
QByteArray encodeRemoteCall(const RemoteCall& call);   // throws RemoteValueError
RemoteCall remoteCallFromJson(const QJsonValue& json); // throws RemoteValueError
QJsonObject remoteReplyToJson(const RemoteReply& reply);
RemoteReply remoteReplyFromJson(const QJsonValue& json); // throws RemoteValueError

// Result of signing in: a token to send with every call, or why not. A
// refusal (wrong password, inactive operator, too many attempts) or an
// unreachable server; never SessionEnded.
struct SignInResult
{
    bool ok = false;
    QString error;
    QString token;
    QString operatorCode;
    QString operatorName;
    QDateTime expiresAt;
    FailureKind failureKind = FailureKind::Refused; // read only when ok is false

    bool refused() const { return !ok && failureKind == FailureKind::Refused; }
    bool unreachable() const { return !ok && failureKind == FailureKind::Unreachable; }
};

QJsonObject signInResultToJson(const SignInResult& result);
SignInResult signInResultFromJson(const QJsonValue& json); // throws RemoteValueError

// How a TNetConnection reaches the application server: in the same process
// (embedded mode) or over HTTP(S). Implementations never throw for expected
// failures (refused sign-in, server error, unreachable server, ended
// session): they answer with ok false, the failure's kind and a readable
// Portuguese text. A connection may run them on a thread of its own.
class Transport
{
public:
    virtual ~Transport() = default;
    virtual SignInResult signIn(const QString& operatorCode, const QString& password) = 0;
    virtual RemoteReply call(const RemoteCall& call, const QString& token) = 0;
};

} // namespace cmp::fw

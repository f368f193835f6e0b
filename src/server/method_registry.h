#pragma once

#include "framework/net/remote_value.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

namespace cmp::server {

// An expected refusal of a method ("Requisição já aprovada."): the text goes
// back to the client as the call's error, word for word.
class ServerError : public std::runtime_error
{
public:
    explicit ServerError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};

// What a method knows about the call it serves. The operator comes from the
// verified token, never from the arguments.
struct CallContext
{
    QString operatorCode;
    QSqlDatabase db; // the serving thread's connection
};

// One declared argument of a method. A by-reference argument comes back to
// the caller with the value the method left in it; the caller may send it
// empty (null).
struct Param
{
    enum class Passing
    {
        ByValue,
        ByReference
    };

    Param(fw::RemoteValue::Kind kind, Passing passing = Passing::ByValue)
        : kind(kind), passing(passing)
    {}
    static Param byReference(fw::RemoteValue::Kind kind) { return {kind, Passing::ByReference}; }

    fw::RemoteValue::Kind kind;
    Passing passing;
};

using Handler = std::function<fw::RemoteValue(CallContext&, std::vector<fw::RemoteValue>& args)>;

// Why a call got no result; the HTTP transport turns it into a status code.
enum class CallFailure
{
    None,
    Unauthenticated,
    UnknownMethod,
    BadArguments,
    MethodFailed,
    DatabaseUnavailable
};

struct CallOutcome
{
    CallFailure failure = CallFailure::None;
    fw::RemoteReply reply;

    static CallOutcome failed(CallFailure failure, QString message)
    {
        return {failure, fw::RemoteReply::failure(std::move(message))};
    }
};

// The methods of the remote data modules. Filled at start-up, read-only while
// serving, so any number of threads may invoke at once.
class MethodRegistry
{
public:
    // Registering the same module and method twice is a wiring fault: throws
    // std::logic_error.
    void add(const QString& module, const QString& method, std::vector<Param> params,
             Handler handler);
    bool contains(const QString& module, const QString& method) const;

    // Checks the call against the declaration and runs the handler. Never
    // throws: a ServerError becomes its text, anything else a generic text
    // with the cause logged.
    CallOutcome invoke(const fw::RemoteCall& call, CallContext& context) const;

private:
    struct Method
    {
        std::vector<Param> params;
        Handler handler;
    };

    const Method* find(const QString& module, const QString& method) const;
    static QString checkArguments(const fw::RemoteCall& call, const Method& method);
    static CallOutcome run(const fw::RemoteCall& call, const Method& method, CallContext& context);
    static fw::RemoteReply reply(const Method& method, fw::RemoteValue result,
                                 std::vector<fw::RemoteValue>& args);

    std::map<QString, std::map<QString, Method>> modules_;
};

} // namespace cmp::server

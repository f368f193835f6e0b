#pragma once

#include "server/json_bounds.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cmp::server {

class Server;

// A reply ready to go out: status and JSON body.
struct HttpReply
{
    int status = 200;
    QByteArray body;
    std::chrono::seconds retryAfter{0}; // 429 and 503: when to try again
};

// What the endpoints look at in a request's head.
struct RequestHead
{
    std::string_view method;
    std::string_view target;
    std::string_view authorization;
    std::string_view contentEncoding;
    std::optional<std::uint64_t> contentLength; // none: chunked, or no body
};

// The verdict on a request whose head is in and whose body is not.
struct Admission
{
    enum class Endpoint
    {
        Health,
        SignIn,
        Call
    };

    Endpoint endpoint = Endpoint::Health;
    std::size_t bodyLimit = 0;
    QString token;                    // Call: the bearer token
    std::optional<HttpReply> refusal; // set: send it and read nothing more
};

// The JSON endpoints of the HTTP transport, apart from how bytes travel:
//   GET  /health                                 -> {"ok": true}
//   POST /signin  {"operator", "password"}       -> token, or a refusal
//   POST /call    Authorization: Bearer <token>  -> the call's reply
// docs/server-api.md lists every status and text.
class HttpEndpoints
{
public:
    // A sign-in body is two short texts; anything larger is not one.
    static constexpr std::size_t maxSignInBytes = 4096;

    HttpEndpoints(Server& server, std::size_t maxCallBytes);

    // Decides from the head alone, so that a stranger, a wrong path or an
    // announced oversized body costs no body reading.
    Admission admit(const RequestHead& head) const;
    // Runs an admitted request (its body within the admission's limit).
    HttpReply serve(const Admission& admission, std::string_view body,
                    const QString& clientAddress) const;
    // A refusal of the transport itself: 400, 404, 415, 431, 500.
    HttpReply refusal(int status) const;
    // 413, naming the limit passed.
    HttpReply tooLarge(std::size_t limit) const;

private:
    HttpReply signIn(std::string_view body, const QString& clientAddress) const;
    HttpReply call(const QString& token, std::string_view body) const;

    Server& server_;
    std::size_t maxCallBytes_;
    JsonBounds callBounds_;
    JsonBounds signInBounds_;
};

} // namespace cmp::server

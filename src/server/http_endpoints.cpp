#include "server/http_endpoints.h"

#include "server/server.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace cmp::server {

namespace {

using Endpoint = Admission::Endpoint;

// A client that finds the database down may try again after this.
constexpr std::chrono::seconds databaseRetry{5};

HttpReply reply(int status, const QJsonObject& body, std::chrono::seconds retryAfter = {})
{
    return {status, QJsonDocument(body).toJson(QJsonDocument::Compact), retryAfter};
}

HttpReply refused(int status, const QString& error, std::chrono::seconds retryAfter = {})
{
    return reply(status, {{QStringLiteral("ok"), false}, {QStringLiteral("error"), error}},
                 retryAfter);
}

HttpReply malformed(const QString& detail)
{
    return refused(400, QStringLiteral("Requisição malformada: %1").arg(detail));
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return QLatin1String(a.data(), qsizetype(a.size()))
               .compare(QLatin1String(b.data(), qsizetype(b.size())), Qt::CaseInsensitive) == 0;
}

std::optional<Endpoint> endpointOf(std::string_view method, std::string_view target)
{
    const std::string_view path = target.substr(0, target.find('?'));
    if (method == "GET" && path == "/health")
        return Endpoint::Health;
    if (method == "POST" && path == "/signin")
        return Endpoint::SignIn;
    if (method == "POST" && path == "/call")
        return Endpoint::Call;
    return std::nullopt;
}

QString bearerToken(std::string_view authorization)
{
    const QString header =
        QString::fromUtf8(authorization.data(), qsizetype(authorization.size())).trimmed();
    const QLatin1String scheme("Bearer ");
    if (!header.startsWith(scheme, Qt::CaseInsensitive))
        return {};
    return header.mid(scheme.size()).trimmed();
}

int callStatus(CallFailure failure)
{
    switch (failure) {
    case CallFailure::Unauthenticated:
        return 401;
    case CallFailure::UnknownMethod:
        return 404;
    case CallFailure::BadArguments:
        return 400;
    case CallFailure::DatabaseUnavailable:
        return 503;
    case CallFailure::None:
    case CallFailure::MethodFailed:
        break;
    }
    // A method's own refusal is a reply like any other, for CheckResultServ to show.
    return 200;
}

int signInStatus(SignInFailure failure)
{
    switch (failure) {
    case SignInFailure::None:
        return 200;
    case SignInFailure::Throttled:
        return 429;
    case SignInFailure::DatabaseUnavailable:
        return 503;
    case SignInFailure::Refused:
        break;
    }
    return 401;
}

} // namespace

HttpEndpoints::HttpEndpoints(Server& server, std::size_t maxCallBytes)
    : server_(server), maxCallBytes_(maxCallBytes),
      callBounds_(JsonBounds::forBodiesOf(maxCallBytes)),
      signInBounds_(JsonBounds::forBodiesOf(maxSignInBytes))
{}

Admission HttpEndpoints::admit(const RequestHead& head) const
{
    Admission admission;
    const std::optional<Endpoint> endpoint = endpointOf(head.method, head.target);
    if (!endpoint) {
        admission.refusal = refusal(404);
        return admission;
    }
    admission.endpoint = *endpoint;
    admission.bodyLimit = *endpoint == Endpoint::Health   ? 0
                          : *endpoint == Endpoint::SignIn ? maxSignInBytes
                                                          : maxCallBytes_;
    // A stranger learns nothing more, not even the limits.
    if (*endpoint == Endpoint::Call) {
        admission.token = bearerToken(head.authorization);
        if (const std::optional<CallOutcome> stranger = server_.refuseToken(admission.token)) {
            admission.refusal = reply(401, fw::remoteReplyToJson(stranger->reply));
            return admission;
        }
    }
    // Inflating a body would let a small request grow past every limit.
    if (!head.contentEncoding.empty() && !equalsIgnoringCase(head.contentEncoding, "identity"))
        admission.refusal = refusal(415);
    else if (head.contentLength && *head.contentLength > admission.bodyLimit)
        admission.refusal = tooLarge(admission.bodyLimit);
    return admission;
}

HttpReply HttpEndpoints::serve(const Admission& admission, std::string_view body,
                               const QString& clientAddress) const
{
    switch (admission.endpoint) {
    case Endpoint::SignIn:
        return signIn(body, clientAddress);
    case Endpoint::Call:
        return call(admission.token, body);
    case Endpoint::Health:
        break;
    }
    return reply(200, {{QStringLiteral("ok"), true}});
}

HttpReply HttpEndpoints::refusal(int status) const
{
    switch (status) {
    case 400:
        return refused(status, QStringLiteral("Requisição HTTP inválida."));
    case 404:
        return refused(status, QStringLiteral("Endereço não encontrado no servidor."));
    case 415:
        return refused(status, QStringLiteral("Requisição comprimida não é aceita pelo servidor."));
    case 431:
        return refused(status, QStringLiteral("Cabeçalhos da requisição grandes demais."));
    case 500:
        return refused(status, QStringLiteral("Erro interno do servidor."));
    default:
        return refused(status,
                       QStringLiteral("Requisição recusada pelo servidor (HTTP %1).").arg(status));
    }
}

HttpReply HttpEndpoints::tooLarge(std::size_t limit) const
{
    return refused(413, QStringLiteral("Requisição grande demais: o limite é de %1 bytes.")
                            .arg(static_cast<qulonglong>(limit)));
}

HttpReply HttpEndpoints::signIn(std::string_view body, const QString& clientAddress) const
{
    const BoundedJson json = parseBoundedObject(body, signInBounds_);
    const QJsonValue operatorCode =
        json.object ? json.object->value(QStringLiteral("operator")) : QJsonValue();
    const QJsonValue password =
        json.object ? json.object->value(QStringLiteral("password")) : QJsonValue();
    if (!operatorCode.isString() || !password.isString())
        return malformed(QStringLiteral("informe operador e senha."));

    const SignInOutcome outcome =
        server_.signIn(operatorCode.toString(), password.toString(), clientAddress);
    const int status = signInStatus(outcome.failure);
    if (status != 200)
        return refused(status, outcome.result.error,
                       outcome.failure == SignInFailure::DatabaseUnavailable ? databaseRetry
                                                                             : outcome.retryAfter);
    const fw::SignInResult& result = outcome.result;
    return reply(200, {{QStringLiteral("ok"), true},
                       {QStringLiteral("token"), result.token},
                       {QStringLiteral("operator"), result.operatorCode},
                       {QStringLiteral("name"), result.operatorName},
                       {QStringLiteral("expiresAt"), result.expiresAt.toString(Qt::ISODate)}});
}

HttpReply HttpEndpoints::call(const QString& token, std::string_view body) const
{
    const BoundedJson json = parseBoundedObject(body, callBounds_);
    if (!json.object)
        return malformed(json.problem);
    fw::RemoteCall remoteCall;
    try {
        remoteCall = fw::remoteCallFromJson(*json.object);
    } catch (const fw::RemoteValueError& error) {
        return malformed(QString::fromUtf8(error.what()));
    }
    const CallOutcome outcome = server_.execute(remoteCall, token);
    const int status = callStatus(outcome.failure);
    return reply(status, fw::remoteReplyToJson(outcome.reply),
                 status == 503 ? databaseRetry : std::chrono::seconds(0));
}

} // namespace cmp::server

#include "server/http_server.h"

#include "server/server.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>

#include <httplib.h>

#include <optional>

namespace cmp::server {

namespace {

constexpr auto jsonType = "application/json; charset=utf-8";

void respond(httplib::Response& response, int status, const QJsonObject& body)
{
    response.status = status;
    response.set_content(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(),
                         jsonType);
}

void refuse(httplib::Response& response, int status, const QString& error)
{
    respond(response, status, {{QStringLiteral("ok"), false}, {QStringLiteral("error"), error}});
}

void refuseMalformed(httplib::Response& response, const QString& detail)
{
    refuse(response, 400, QStringLiteral("Requisição malformada: %1").arg(detail));
}

std::optional<QJsonObject> jsonObject(const std::string& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(body.data(), static_cast<qsizetype>(body.size())), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

QString bearerToken(const httplib::Request& request)
{
    const QString header =
        QString::fromStdString(request.get_header_value("Authorization")).trimmed();
    const QLatin1String scheme("Bearer ");
    if (!header.startsWith(scheme, Qt::CaseInsensitive))
        return {};
    return header.mid(scheme.size()).trimmed();
}

int httpStatus(CallFailure failure)
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

QString statusText(int status, std::size_t maxBodyBytes)
{
    switch (status) {
    case 400:
        return QStringLiteral("Requisição HTTP inválida.");
    case 404:
        return QStringLiteral("Endereço não encontrado no servidor.");
    case 413:
        return QStringLiteral("Requisição grande demais: o limite é de %1 bytes.")
            .arg(maxBodyBytes);
    case 500:
        return QStringLiteral("Erro interno do servidor.");
    default:
        return QStringLiteral("Requisição recusada pelo servidor (HTTP %1).").arg(status);
    }
}

void health(const httplib::Request&, httplib::Response& response)
{
    respond(response, 200, {{QStringLiteral("ok"), true}});
}

void signIn(Server& server, const httplib::Request& request, httplib::Response& response)
{
    const std::optional<QJsonObject> body = jsonObject(request.body);
    const QJsonValue operatorCode = body ? body->value(QStringLiteral("operator")) : QJsonValue();
    const QJsonValue password = body ? body->value(QStringLiteral("password")) : QJsonValue();
    if (!operatorCode.isString() || !password.isString())
        return refuseMalformed(response, QStringLiteral("informe operador e senha."));

    const fw::SignInResult result = server.signIn(operatorCode.toString(), password.toString());
    if (!result.ok)
        return refuse(response, 401, result.error);
    respond(response, 200,
            {{QStringLiteral("ok"), true},
             {QStringLiteral("token"), result.token},
             {QStringLiteral("operator"), result.operatorCode},
             {QStringLiteral("name"), result.operatorName},
             {QStringLiteral("expiresAt"), result.expiresAt.toString(Qt::ISODate)}});
}

void call(Server& server, const httplib::Request& request, httplib::Response& response)
{
    // A stranger is turned away before the server reads what it sent.
    const QString token = bearerToken(request);
    if (const std::optional<CallOutcome> refusal = server.refuseToken(token))
        return respond(response, 401, fw::remoteReplyToJson(refusal->reply));

    const std::optional<QJsonObject> body = jsonObject(request.body);
    if (!body)
        return refuseMalformed(response, QStringLiteral("o corpo não é um objeto JSON."));
    fw::RemoteCall remoteCall;
    try {
        remoteCall = fw::remoteCallFromJson(*body);
    } catch (const fw::RemoteValueError& error) {
        return refuseMalformed(response, QString::fromUtf8(error.what()));
    }
    const CallOutcome outcome = server.execute(remoteCall, token);
    respond(response, httpStatus(outcome.failure), fw::remoteReplyToJson(outcome.reply));
}

std::unique_ptr<httplib::Server> makeHttpServer(const HttpOptions& options)
{
    const bool certificate = !options.certificateFile.isEmpty();
    if (certificate != !options.keyFile.isEmpty())
        throw HttpStartError("HTTPS needs both a certificate and a key");
    if (!certificate)
        return std::make_unique<httplib::Server>();
    auto https =
        std::make_unique<httplib::SSLServer>(options.certificateFile.toLocal8Bit().constData(),
                                             options.keyFile.toLocal8Bit().constData());
    if (!https->is_valid())
        throw HttpStartError(
            "the certificate or key cannot be used: " + options.certificateFile.toStdString() +
            ", " + options.keyFile.toStdString());
    return https;
}

} // namespace

HttpServer::HttpServer(Server& server, const HttpOptions& options)
    : http_(makeHttpServer(options)), secure_(!options.certificateFile.isEmpty())
{
    const std::size_t threads = static_cast<std::size_t>(std::max(1, options.threads));
    http_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    http_->set_payload_max_length(options.maxBodyBytes);
    http_->set_read_timeout(options.readTimeout);
    http_->set_write_timeout(options.writeTimeout);
    http_->set_keep_alive_timeout(options.keepAliveTimeout.count());
    // httplib's default SO_REUSEPORT would let a second server share the port
    // unnoticed; SO_REUSEADDR alone still allows a quick restart.
    http_->set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });

    http_->Get("/health", health);
    http_->Post("/signin", [&server](const httplib::Request& request, httplib::Response& response) {
        signIn(server, request, response);
    });
    http_->Post("/call", [&server](const httplib::Request& request, httplib::Response& response) {
        call(server, request, response);
    });
    // Refusals of httplib itself (unknown path, body too large) get the same JSON shape.
    const std::size_t maxBodyBytes = options.maxBodyBytes;
    http_->set_error_handler([maxBodyBytes](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty())
            refuse(response, response.status, statusText(response.status, maxBodyBytes));
    });
    http_->set_exception_handler([](const httplib::Request& request, httplib::Response& response,
                                    std::exception_ptr fault) {
        try {
            std::rethrow_exception(fault);
        } catch (const std::exception& error) {
            qCritical().noquote() << QString::fromStdString(request.path) << error.what();
        } catch (...) {
            qCritical().noquote() << QString::fromStdString(request.path) << "unknown exception";
        }
        refuse(response, 500, statusText(500, 0));
    });

    bind(options);
    listener_ = std::thread([this] { serve(); });
    // Until the loop runs, stop() would not reach it and could wait forever.
    while (!http_->is_running() && !listenerEnded_)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

HttpServer::~HttpServer()
{
    stop();
}

void HttpServer::stop()
{
    http_->stop();
    if (listener_.joinable())
        listener_.join();
}

void HttpServer::bind(const HttpOptions& options)
{
    const std::string address = options.address.toStdString();
    if (options.port == 0)
        port_ = http_->bind_to_any_port(address);
    else
        port_ = http_->bind_to_port(address, options.port) ? options.port : -1;
    if (port_ < 0)
        throw HttpStartError("cannot listen on " + address + ":" + std::to_string(options.port));
}

void HttpServer::serve()
{
    if (!http_->listen_after_bind())
        qCritical() << "the HTTP server stopped listening on port" << port_;
    listenerEnded_ = true;
}

} // namespace cmp::server

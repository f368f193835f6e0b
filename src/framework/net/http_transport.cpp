#include "framework/net/http_transport.h"

#include "framework/core/formats.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace cmp::fw {

namespace {

constexpr QLatin1String callPath("/call");
constexpr QLatin1String signInPath("/signin");
constexpr QLatin1String healthPath("/health");

enum class Wait
{
    Finished,
    TimedOut,
    TooLarge
};

// Waits in a local event loop so that the screen keeps painting. User input
// is held back, not lost: a click made meanwhile must not start a second call
// in the middle of this one.
Wait waitFor(QNetworkReply& reply, std::chrono::milliseconds timeout, qint64 maxBytes)
{
    Wait outcome = Wait::Finished;
    const auto stop = [&](Wait why) {
        outcome = why;
        reply.abort();
    };
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &reply, [&] { stop(Wait::TimedOut); });
    QObject::connect(&reply, &QNetworkReply::downloadProgress, &reply,
                     [&](qint64 received, qint64 total) {
                         if (std::max(received, total) > maxBytes)
                             stop(Wait::TooLarge);
                     });
    timer.start(timeout);
    if (!reply.isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return outcome;
}

QString networkReason(const QNetworkReply& reply)
{
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("conexão recusada");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("o servidor fechou a conexão antes de responder");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("servidor não encontrado");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("tempo de conexão esgotado");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("falha na conexão segura: ") + reply.errorString();
    default:
        return reply.errorString();
    }
}

QString unreachable(const QString& address, const QString& reason)
{
    return QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1: %2")
        .arg(address, reason);
}

bool isSuccess(int status)
{
    return status >= 200 && status < 300;
}

template <class Result> Result failed(QString message, FailureKind kind)
{
    Result result;
    result.error = std::move(message);
    result.failureKind = kind;
    return result;
}

// What a status says about a failure: unauthorized (401), whose meaning the
// endpoint gives; an application server that cannot serve now or a proxy
// that cannot reach it; or a refusal with the server's text (a malformed
// request, too many sign-in attempts, a method's rule).
FailureKind failureKindOf(int status, FailureKind unauthorized)
{
    if (status == 401)
        return unauthorized;
    if (status == 502 || status == 503 || status == 504)
        return FailureKind::Unreachable;
    return FailureKind::Refused;
}

QString parseErrorText(const QJsonParseError& error, const QJsonDocument& document)
{
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("JSON malformado na posição %1").arg(error.offset);
    Q_ASSERT(!document.isObject()); // only asked when the body was not a JSON object
    return QStringLiteral("esperado um objeto JSON");
}

} // namespace

// What came back: an HTTP status and body, or why nothing came.
struct HttpTransport::Answer
{
    int status = 0;
    QString reason; // the status line's phrase
    QByteArray body;
    QString failure; // empty when an HTTP answer came
    FailureKind failureKind = FailureKind::Unreachable;
};

QUrl serverUrl(const QString& webURL, int webPort)
{
    const QString text = webURL.trimmed();
    QUrl url(text.contains(QLatin1String("://")) ? text : QStringLiteral("http://") + text,
             QUrl::StrictMode);
    const bool https = url.scheme() == QLatin1String("https");
    if (!url.isValid() || url.host().isEmpty() ||
        (!https && url.scheme() != QLatin1String("http")) || url.hasQuery() || url.hasFragment() ||
        !url.userInfo().isEmpty() || webPort < 0 || webPort > 65535)
        return {};
    if (url.port() == -1)
        url.setPort(webPort > 0 ? webPort : (https ? 443 : 80));
    // Endpoints are appended to the base path: "/cmp" + "/call".
    while (url.path().endsWith(QLatin1Char('/')))
        url.setPath(url.path().chopped(1));
    return url;
}

HttpTransport::HttpTransport(QUrl server, QSslConfiguration tls, HttpClientOptions options)
    : server_(std::move(server)), tls_(std::move(tls)), options_(std::move(options)),
      manager_(std::make_unique<QNetworkAccessManager>())
{
    Q_ASSERT(QCoreApplication::instance()); // the network replies need its event loop
}

HttpTransport::~HttpTransport()
{
    // The manager goes on its own thread, where its replies' events run.
    if (manager_->thread() != QThread::currentThread())
        manager_.release()->deleteLater();
}

QString HttpTransport::address() const
{
    return server_.authority();
}

QNetworkRequest HttpTransport::request(const QString& path, const QString& token) const
{
    QUrl url = server_;
    url.setPath(server_.path() + path);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    if (!token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
    if (server_.scheme() == QLatin1String("https"))
        request.setSslConfiguration(tls_);
    return request;
}

HttpTransport::Answer HttpTransport::exchange(const QString& path, const QByteArray* body,
                                              const QString& token,
                                              std::chrono::milliseconds timeout)
{
    const QNetworkRequest outgoing = request(path, token);
    const std::unique_ptr<QNetworkReply> reply(body ? manager_->post(outgoing, *body)
                                                    : manager_->get(outgoing));
    const Wait outcome = waitFor(*reply, timeout, options_.maxReplyBytes);
    Answer answer;
    if (outcome == Wait::TimedOut) {
        answer.failure = unreachable(
            address(), QStringLiteral("sem resposta em %1 segundos")
                           .arg(FormatFloat({}, std::chrono::duration<double>(timeout).count())));
        return answer;
    }
    if (outcome == Wait::TooLarge) {
        answer.failureKind = FailureKind::Refused; // the same answer would come again
        answer.failure = QStringLiteral("O servidor de aplicação em %1 enviou uma resposta maior "
                                        "que o limite de %2 MB.")
                             .arg(address())
                             .arg(options_.maxReplyBytes >> 20);
        return answer;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        answer.failure = unreachable(address(), networkReason(*reply));
        return answer;
    }
    answer.status = status.toInt();
    answer.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    answer.body = reply->readAll();
    return answer;
}

// The decoded body whatever the status, since the server also explains a
// refusal (4xx) with an error reply; otherwise a readable failure. Its kind
// comes from the status; an unreadable success is taken as a broken answer.
template <class Result>
Result HttpTransport::decode(const Answer& answer, FailureKind unauthorized,
                             Result (*fromJson)(const QJsonValue&)) const
{
    if (!answer.failure.isEmpty())
        return failed<Result>(answer.failure, answer.failureKind);
    const FailureKind kind = failureKindOf(answer.status, unauthorized);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(answer.body, &parseError);
    QString problem;
    if (parseError.error == QJsonParseError::NoError && document.isObject()) {
        try {
            Result result = fromJson(document.object());
            result.failureKind = kind;
            return result;
        } catch (const RemoteValueError& error) {
            problem = QString::fromUtf8(error.what());
        }
    } else {
        problem = parseErrorText(parseError, document);
    }
    if (!isSuccess(answer.status))
        return failed<Result>(
            QStringLiteral("O servidor de aplicação em %1 respondeu com o erro HTTP %2 (%3).")
                .arg(address())
                .arg(answer.status)
                .arg(answer.reason),
            kind);
    return failed<Result>(
        QStringLiteral("O servidor de aplicação em %1 enviou uma resposta ilegível: %2")
            .arg(address(), problem),
        FailureKind::Unreachable);
}

QString HttpTransport::checkHealth()
{
    const Answer answer = exchange(healthPath, nullptr, {}, options_.connectTimeout);
    if (!answer.failure.isEmpty())
        return answer.failure;
    if (!isSuccess(answer.status))
        return unreachable(address(), QStringLiteral("o endereço não responde como servidor de "
                                                     "aplicação (HTTP %1)")
                                          .arg(answer.status));
    return {};
}

SignInResult HttpTransport::signIn(const QString& operatorCode, const QString& password)
{
    const QByteArray body = QJsonDocument(QJsonObject{{QLatin1String("operator"), operatorCode},
                                                      {QLatin1String("password"), password}})
                                .toJson(QJsonDocument::Compact);
    // A refused sign-in is a refusal like any other.
    return decode(exchange(signInPath, &body, {}, options_.connectTimeout), FailureKind::Refused,
                  &signInResultFromJson);
}

RemoteReply HttpTransport::call(const RemoteCall& call, const QString& token)
{
    const QByteArray body = encodeRemoteCall(call);
    return decode(exchange(callPath, &body, token, options_.callTimeout), FailureKind::SessionEnded,
                  &remoteReplyFromJson);
}

HttpOpening openHttpTransport(const QString& webURL, int webPort, const HttpClientOptions& options)
{
    const QUrl server = serverUrl(webURL, webPort);
    if (!server.isValid())
        return {nullptr,
                QStringLiteral("Endereço do servidor de aplicação inválido: '%1' porta %2.")
                    .arg(webURL)
                    .arg(webPort)};
    // Plain HTTP leaves the TLS library unloaded.
    const bool https = server.scheme() == QLatin1String("https");
    QSslConfiguration tls = https ? QSslConfiguration::defaultConfiguration() : QSslConfiguration();
    if (https && !options.caCertificatesFile.isEmpty()) {
        const QList<QSslCertificate> trusted =
            QSslCertificate::fromPath(options.caCertificatesFile, QSsl::Pem);
        if (trusted.isEmpty())
            return {nullptr, QStringLiteral("Nenhum certificado legível em '%1'.")
                                 .arg(options.caCertificatesFile)};
        tls.addCaCertificates(trusted);
    }
    auto transport = std::make_shared<HttpTransport>(server, std::move(tls), options);
    QString problem = transport->checkHealth();
    if (!problem.isEmpty())
        return {nullptr, std::move(problem)};
    return {std::move(transport), {}};
}

} // namespace cmp::fw

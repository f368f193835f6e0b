#pragma once

#include "framework/net/remote_value.h"

#include <QSslConfiguration>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>

class QNetworkAccessManager;
class QNetworkRequest;

namespace cmp::fw {

struct HttpClientOptions
{
    // Longest wait for the health check that opens a connection.
    std::chrono::milliseconds connectTimeout{10'000};
    // Longest wait for one call: saving a large requisition takes a while.
    std::chrono::milliseconds callTimeout{300'000};
    // PEM file with certificates to trust besides the system's: the company's
    // own CA, or the server's self-signed certificate. Empty: system only.
    QString caCertificatesFile;
    // A larger answer is refused rather than held in memory.
    qint64 maxReplyBytes = qint64(512) << 20;
};

// The server's base URL from the configured address: "srv", "srv:8080",
// "http://srv/cmp" or "https://srv". A port written in the address wins over
// webPort; without either, the scheme's own port. An invalid QUrl when the
// address cannot be used (another scheme, no host, a query, a user name).
QUrl serverUrl(const QString& webURL, int webPort);

// Calls the application server over HTTP(S) with JSON bodies, as written
// down in docs/server-api.md, and tells each failure's kind from the status:
// 401 on a call ends the session; 502, 503, 504, no answer, a broken or an
// unreadable one mean the server is unreachable; any other failure is a
// refusal with the server's text. Waits for each answer in a local event
// loop of the thread it runs on.
// Needs a QCoreApplication; is used on the thread that created it only (its
// network manager belongs there), and may be destroyed on any thread.
class HttpTransport final : public Transport
{
public:
    HttpTransport(QUrl server, QSslConfiguration tls, HttpClientOptions options);
    ~HttpTransport() override;

    // Empty when the server answers GET /health; otherwise why not.
    QString checkHealth();

    SignInResult signIn(const QString& operatorCode, const QString& password) override;
    RemoteReply call(const RemoteCall& call, const QString& token) override;

    // "host:port", as messages name the server.
    QString address() const;

private:
    struct Answer;

    Answer exchange(const QString& path, const QByteArray* body, const QString& token,
                    std::chrono::milliseconds timeout);
    QNetworkRequest request(const QString& path, const QString& token) const;
    template <class Result>
    // unauthorized: what a 401 means on the endpoint asked.
    Result decode(const Answer& answer, FailureKind unauthorized,
                  Result (*fromJson)(const QJsonValue&)) const;

    QUrl server_;
    QSslConfiguration tls_;
    HttpClientOptions options_;
    std::unique_ptr<QNetworkAccessManager> manager_;
};

// A transport to the server at the address that answered its health check,
// or a null transport and why not, in Portuguese.
struct HttpOpening
{
    std::shared_ptr<HttpTransport> transport;
    QString error;
};
HttpOpening openHttpTransport(const QString& webURL, int webPort, const HttpClientOptions& options);

} // namespace cmp::fw

#include "server/http_server.h"

#include "db/password_hash.h"
#include "server/http_test_client.h"
#include "server/remote_modules.h"
#include "server/server_fixture.h"
#include "server/tls_certificate.h"

#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

using Kind = fw::RemoteValue::Kind;
using Args = std::vector<fw::RemoteValue>;
using test::HttpAnswer;
using test::HttpRequest;

constexpr std::size_t maxBodyBytes = 64 * 1024;

std::string json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

std::string callBody(const QString& module, const QString& method, Args args)
{
    return json(fw::remoteCallToJson({module, method, std::move(args)}));
}

std::string signInBody(const QString& password)
{
    return json({{"operator", test::testOperator}, {"password", password}});
}

// The server on 127.0.0.1 at a free port, reached with a real HTTP client.
class HttpCalls : public test::ServerTest
{
protected:
    void SetUp() override
    {
        ServerTest::SetUp();
        if (IsSkipped())
            return;
        server().registry().add(rdmLancaSoliCmp, QStringLiteral("ExcluirSolicita"), {Kind::String},
                                [](CallContext&, Args&) -> fw::RemoteValue {
                                    throw ServerError(QStringLiteral("Requisição já aprovada."));
                                });
        HttpOptions options;
        options.threads = 2;
        options.maxBodyBytes = maxBodyBytes;
        http_.emplace(server(), options);
    }

    void TearDown() override
    {
        http_.reset();
        ServerTest::TearDown();
    }

    test::HttpTestClient client() const { return test::HttpTestClient(http_->port()); }

    QString signInOverHttp()
    {
        const HttpAnswer answer = client().post("/signin", signInBody(test::testPassword));
        EXPECT_EQ(answer.status, 200) << answer.error().toStdString();
        return answer.body.value(QStringLiteral("token")).toString();
    }

    void changePassword(const QString& password)
    {
        QSqlQuery query(server().database().connection());
        query.prepare(QStringLiteral("UPDATE OPERADOR SET DSSENHAOPER = ? WHERE CDOPERADOR = ?"));
        query.addBindValue(db::hashPassword(password));
        query.addBindValue(QString::fromLatin1(test::testOperator));
        ASSERT_TRUE(query.exec()) << query.lastError().text().toStdString();
    }

    HttpServer& http() { return *http_; }

private:
    std::optional<HttpServer> http_;
};

TEST_P(HttpCalls, shouldSignInAndCallOverHttp)
{
    const HttpAnswer health = client().get("/health");
    EXPECT_EQ(health.status, 200);
    EXPECT_TRUE(health.body.value(QStringLiteral("ok")).toBool());

    const HttpAnswer signIn = client().post("/signin", signInBody(test::testPassword));
    ASSERT_EQ(signIn.status, 200) << signIn.error().toStdString();
    EXPECT_TRUE(signIn.body.value(QStringLiteral("ok")).toBool());
    EXPECT_EQ(signIn.body.value(QStringLiteral("operator")).toString(),
              QLatin1String(test::testOperator));
    EXPECT_EQ(signIn.body.value(QStringLiteral("name")).toString(),
              QLatin1String(test::testOperatorName));
    EXPECT_GT(QDateTime::fromString(signIn.body.value(QStringLiteral("expiresAt")).toString(),
                                    Qt::ISODate),
              QDateTime::currentDateTimeUtc());
    const QString token = signIn.body.value(QStringLiteral("token")).toString();

    const HttpAnswer call =
        client().post("/call", callBody(rdmCompras, QStringLiteral("GetServerInfo"), {}), token);
    ASSERT_EQ(call.status, 200);
    const fw::RemoteReply reply = fw::remoteReplyFromJson(call.body);
    ASSERT_TRUE(reply.ok) << reply.error.toStdString();
    EXPECT_EQ(reply.result.at(0).toString(), QString(serverVersion));
}

TEST_P(HttpCalls, shouldAnswerEveryRefusalWithStatusAndText)
{
    const QString token = signInOverHttp();
    struct Case
    {
        const char* what;
        HttpRequest request;
        int status;
    };
    const std::string serverInfo = callBody(rdmCompras, "GetServerInfo", {});
    const std::string refused = callBody(rdmLancaSoliCmp, "ExcluirSolicita", {"0001"});
    const std::vector<Case> cases{
        {"wrong password", {"POST", "/signin", signInBody("errada"), {}, {}}, 401},
        {"sign-in without password",
         {"POST", "/signin", json({{"operator", test::testOperator}}), {}, {}},
         400},
        {"sign-in not JSON", {"POST", "/signin", "operator=TESTE01", {}, {}}, 400},
        {"sign-in too large", {"POST", "/signin", std::string(5000, ' '), {}, {}}, 413},
        {"sign-in compressed", {"POST", "/signin", "\x1f\x8b", {}, "gzip"}, 415},
        {"call without token", {"POST", "/call", serverInfo, {}, {}}, 401},
        {"call with forged token", {"POST", "/call", serverInfo, token + "x", {}}, 401},
        {"call not JSON", {"POST", "/call", "{\"module\": ", token, {}}, 400},
        {"call not a call", {"POST", "/call", json({{"module", 5}}), token, {}}, 400},
        {"call nested too deep", {"POST", "/call", std::string(100, '['), token, {}}, 400},
        {"unknown method", {"POST", "/call", callBody(rdmCompras, "GetNada", {}), token, {}}, 404},
        {"wrong arguments",
         {"POST", "/call", callBody(rdmCompras, "GetServerInfo", {"0001"}), token, {}},
         400},
        {"method refuses", {"POST", "/call", refused, token, {}}, 200},
        {"unknown path", {"POST", "/nada", "{}", token, {}}, 404},
        {"served path, other method", {"GET", "/call", {}, token, {}}, 404},
        {"body too large", {"POST", "/call", std::string(maxBodyBytes + 1, ' '), token, {}}, 413},
    };
    for (const Case& c : cases) {
        const HttpAnswer answer = client().send(c.request);
        EXPECT_EQ(answer.status, c.status) << c.what;
        EXPECT_FALSE(answer.body.value(QStringLiteral("ok")).toBool(true)) << c.what;
        EXPECT_FALSE(answer.error().isEmpty()) << c.what;
    }

    // A head past its size limit
    test::RawConnection raw(http().port());
    raw.send("GET /health HTTP/1.1\r\nX-Enchimento: " + std::string(16 * 1024, 'x') + "\r\n\r\n");
    EXPECT_EQ(test::RawConnection::statusOf(raw.receive(std::chrono::seconds(5))), 431);

    // The token of a session revoked since
    changePassword(QStringLiteral("outra-senha"));
    const HttpAnswer revoked = client().post("/call", serverInfo, token);
    EXPECT_EQ(revoked.status, 401);
    EXPECT_EQ(revoked.error(), QStringLiteral("Sessão encerrada: entre novamente."));
    EXPECT_EQ(client().get("/health").status, 200) << "still serving";
}

TEST_P(HttpCalls, shouldLockSignInAfterRepeatedWrongPasswordsSayingWhenToTryAgain)
{
    for (int attempt = 1; attempt <= 5; ++attempt)
        EXPECT_EQ(client().post("/signin", signInBody("errada")).status, 401) << attempt;

    const HttpAnswer locked = client().post("/signin", signInBody(test::testPassword));
    EXPECT_EQ(locked.status, 429);
    EXPECT_EQ(locked.error(), QStringLiteral("Muitas tentativas de entrada sem sucesso. Tente "
                                             "novamente em %1 segundos.")
                                  .arg(QString::fromStdString(locked.retryAfter)));
    EXPECT_GT(std::stoi(locked.retryAfter), 0);
}

TEST_P(HttpCalls, shouldRefuseToListenWhereItCannot)
{
    HttpOptions taken;
    taken.port = http().port();
    HttpOptions halfTls;
    halfTls.certificateFile = QStringLiteral("/nao/existe/cert.pem");
    HttpOptions missingFiles = halfTls;
    missingFiles.keyFile = QStringLiteral("/nao/existe/key.pem");

    for (const HttpOptions& options : {taken, halfTls, missingFiles})
        EXPECT_THROW(HttpServer(server(), options), HttpStartError);
}

TEST_P(HttpCalls, shouldServeHttpsWithForwardSecrecyOnlyAndWarnOfAnExpiredCertificate)
{
    QTemporaryDir folder;
    HttpOptions options;
    options.certificateFile = folder.filePath(QStringLiteral("cert.pem"));
    options.keyFile = folder.filePath(QStringLiteral("key.pem"));
    ASSERT_TRUE(test::writeCertificate(options.certificateFile, options.keyFile,
                                       std::chrono::hours(-1), std::chrono::hours(24)));
    {
        HttpServer https(server(), options);
        EXPECT_TRUE(https.secure());
        EXPECT_EQ(test::HttpTestClient(https.port(), true).get("/health").status, 200);
        EXPECT_EQ(test::HttpTestClient(https.port(), true, "ECDHE-RSA-AES128-GCM-SHA256")
                      .get("/health")
                      .status,
                  200);
        for (const char* withoutForwardSecrecy : {"AES128-SHA", "AES256-SHA", "AES128-GCM-SHA256"})
            EXPECT_EQ(test::HttpTestClient(https.port(), true, withoutForwardSecrecy)
                          .get("/health")
                          .status,
                      0)
                << withoutForwardSecrecy;
    }

    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtWarningMsg)
                warnings << text;
        });
    ASSERT_TRUE(test::writeCertificate(options.certificateFile, options.keyFile,
                                       std::chrono::hours(-48), std::chrono::hours(-24)));
    {
        HttpServer expired(server(), options);
        EXPECT_EQ(test::HttpTestClient(expired.port(), true).get("/health").status, 200)
            << "an expired certificate is the clients' to refuse";
    }
    qInstallMessageHandler(previous);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings.front().contains("expired on")) << warnings.front().toStdString();
}

// Sign-in through a reverse proxy on 127.0.0.1, with an address lock after
// two failures.
class ProxiedSignIn : public test::ServerTest
{
protected:
    ServerOptions options() override
    {
        ServerOptions options = ServerTest::options();
        options.signInThrottle.freeAddressAttempts = 2;
        return options;
    }

    int signInFrom(const HttpServer& http, const char* forwardedFor, const char* operatorCode,
                   const char* password)
    {
        test::RawConnection proxy(http.port());
        const std::string body = json({{"operator", operatorCode}, {"password", password}});
        proxy.send("POST /signin HTTP/1.1\r\nHost: cmp\r\nX-Forwarded-For: 192.0.2.9, " +
                   std::string(forwardedFor) + "\r\nContent-Length: " +
                   std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        return test::RawConnection::statusOf(proxy.receive(std::chrono::seconds(10)));
    }
};

TEST_P(ProxiedSignIn, shouldThrottleTheClientsAProxyNamesOnlyWhenTheProxyIsTrusted)
{
    HttpOptions trusting;
    trusting.trustedProxies = {QStringLiteral("127.0.0.1")};
    const HttpServer behindProxy(server(), trusting);
    for (const char* stranger : {"NINGUEM1", "NINGUEM2"})
        EXPECT_EQ(signInFrom(behindProxy, "10.1.1.1", stranger, "x"), 401);
    EXPECT_EQ(signInFrom(behindProxy, "10.1.1.1", test::testOperator, test::testPassword), 429);
    EXPECT_EQ(signInFrom(behindProxy, "10.2.2.2", test::testOperator, test::testPassword), 200)
        << "the proxy's other clients sign in";

    // Without trust the header is the client's word: every request is the peer's
    const HttpServer direct(server(), HttpOptions{});
    for (const char* stranger : {"NINGUEM3", "NINGUEM4"})
        EXPECT_EQ(signInFrom(direct, "10.3.3.3", stranger, "x"), 401);
    EXPECT_EQ(signInFrom(direct, "10.4.4.4", test::testOperator, test::testPassword), 429);
}

INSTANTIATE_TEST_SUITE_P(Backends, ProxiedSignIn, ::testing::Values(test::Backend::SQLite),
                         test::backendName);

INSTANTIATE_TEST_SUITE_P(Backends, HttpCalls,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server

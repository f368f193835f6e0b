#include "server/http_server.h"

#include "server/remote_modules.h"
#include "server/server_fixture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <httplib.h>

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

using Kind = fw::RemoteValue::Kind;
using Args = std::vector<fw::RemoteValue>;

constexpr std::size_t maxBodyBytes = 64 * 1024;

struct Answer
{
    int status = 0;
    QJsonObject body;
};

std::string json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

std::string callBody(const QString& module, const QString& method, Args args)
{
    return json(fw::remoteCallToJson({module, method, std::move(args)}));
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

    Answer post(const std::string& path, const std::string& body, const QString& token = {})
    {
        httplib::Client client("127.0.0.1", http_->port());
        httplib::Headers headers;
        if (!token.isEmpty())
            headers.emplace("Authorization", "Bearer " + token.toStdString());
        return answer(client.Post(path.c_str(), headers, body, "application/json"));
    }

    Answer get(const std::string& path)
    {
        httplib::Client client("127.0.0.1", http_->port());
        return answer(client.Get(path.c_str()));
    }

    Answer signInOverHttp()
    {
        return post("/signin",
                    json({{"operator", test::testOperator}, {"password", test::testPassword}}));
    }

    HttpServer& http() { return *http_; }

private:
    static Answer answer(const httplib::Result& result)
    {
        if (!result)
            return {};
        return {result->status,
                QJsonDocument::fromJson(QByteArray::fromStdString(result->body)).object()};
    }

    std::optional<HttpServer> http_;
};

TEST_P(HttpCalls, shouldSignInAndCallOverHttp)
{
    const Answer health = get("/health");
    EXPECT_EQ(health.status, 200);
    EXPECT_TRUE(health.body.value(QStringLiteral("ok")).toBool());

    const Answer signIn = signInOverHttp();
    ASSERT_EQ(signIn.status, 200);
    EXPECT_TRUE(signIn.body.value(QStringLiteral("ok")).toBool());
    EXPECT_EQ(signIn.body.value(QStringLiteral("operator")).toString(),
              QLatin1String(test::testOperator));
    EXPECT_EQ(signIn.body.value(QStringLiteral("name")).toString(),
              QLatin1String(test::testOperatorName));
    EXPECT_GT(QDateTime::fromString(signIn.body.value(QStringLiteral("expiresAt")).toString(),
                                    Qt::ISODate),
              QDateTime::currentDateTimeUtc());
    const QString token = signIn.body.value(QStringLiteral("token")).toString();

    const Answer call =
        post("/call", callBody(rdmCompras, QStringLiteral("GetServerInfo"), {}), token);
    ASSERT_EQ(call.status, 200);
    const fw::RemoteReply reply = fw::remoteReplyFromJson(call.body);
    ASSERT_TRUE(reply.ok) << reply.error.toStdString();
    EXPECT_EQ(reply.result.at(0).toString(), QString(serverVersion));
}

TEST_P(HttpCalls, shouldAnswerEveryRefusalWithStatusAndText)
{
    const QString token = signInOverHttp().body.value(QStringLiteral("token")).toString();
    struct Case
    {
        const char* what;
        std::string path;
        std::string body;
        QString token;
        int status;
    };
    const std::string serverInfo = callBody(rdmCompras, "GetServerInfo", {});
    const std::string wrongPassword =
        json({{"operator", test::testOperator}, {"password", "errada"}});
    const std::string refused = callBody(rdmLancaSoliCmp, "ExcluirSolicita", {"0001"});
    const std::vector<Case> cases{
        {"wrong password", "/signin", wrongPassword, {}, 401},
        {"sign-in without password", "/signin", json({{"operator", test::testOperator}}), {}, 400},
        {"sign-in not JSON", "/signin", "operator=TESTE01", {}, 400},
        {"call without token", "/call", serverInfo, {}, 401},
        {"call with forged token", "/call", serverInfo, token + "x", 401},
        {"call not JSON", "/call", "{\"module\": ", token, 400},
        {"call not a call", "/call", json({{"module", 5}}), token, 400},
        {"unknown method", "/call", callBody(rdmCompras, "GetNada", {}), token, 404},
        {"wrong arguments", "/call", callBody(rdmCompras, "GetServerInfo", {"0001"}), token, 400},
        {"method refuses", "/call", refused, token, 200},
        {"unknown path", "/nada", "{}", token, 404},
        {"body too large", "/call", std::string(maxBodyBytes + 1, ' '), token, 413},
    };
    for (const Case& c : cases) {
        const Answer answer = post(c.path, c.body, c.token);
        EXPECT_EQ(answer.status, c.status) << c.what;
        EXPECT_FALSE(answer.body.value(QStringLiteral("ok")).toBool(true)) << c.what;
        EXPECT_FALSE(answer.body.value(QStringLiteral("error")).toString().isEmpty()) << c.what;
    }
    EXPECT_EQ(get("/health").status, 200) << "still serving";
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

TEST_P(HttpCalls, shouldServeHttpsWithAConfiguredCertificate)
{
    const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
    if (openssl.isEmpty())
        GTEST_SKIP() << "openssl is needed to make a certificate";
    QTemporaryDir folder;
    HttpOptions options;
    options.certificateFile = folder.filePath(QStringLiteral("cert.pem"));
    options.keyFile = folder.filePath(QStringLiteral("key.pem"));
    QProcess makeCertificate;
    makeCertificate.start(openssl, {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                                    "-subj", "/CN=127.0.0.1", "-keyout", options.keyFile, "-out",
                                    options.certificateFile});
    ASSERT_TRUE(makeCertificate.waitForFinished() && makeCertificate.exitCode() == 0);

    HttpServer https(server(), options);
    httplib::SSLClient client("127.0.0.1", https.port());
    client.enable_server_certificate_verification(false);
    const httplib::Result health = client.Get("/health");

    ASSERT_TRUE(health) << httplib::to_string(health.error());
    EXPECT_EQ(health->status, 200);
}

INSTANTIATE_TEST_SUITE_P(Backends, HttpCalls,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server

#include "server/auth.h"

#include "server/server_fixture.h"

#include <gtest/gtest.h>

namespace cmp::server {
namespace {

using Status = TokenCheck::Status;

const QByteArray secret("um segredo compartilhado pelos servidores");
const QDateTime start(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);
const QString storedHash = QStringLiteral("$argon2id$v=19$m=65536,t=2,p=1$c2FsdA$aGFzaA");

// A signer whose clock the test moves.
struct ClockedSigner
{
    explicit ClockedSigner(const QByteArray& key = secret)
        : signer(key, std::chrono::hours(8), [this] { return now; })
    {}
    QDateTime now = start;
    TokenSigner signer;
};

QString withPart(const QString& token, int part, const QByteArray& replacement)
{
    QStringList parts = token.split(QLatin1Char('.'));
    parts[part] = QString::fromLatin1(
        replacement.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    return parts.join(QLatin1Char('.'));
}

TEST(TokenSigner, shouldVouchForTheOperatorUntilTheTokenExpires)
{
    ClockedSigner clocked;
    const IssuedToken issued = clocked.signer.issue(QStringLiteral("0001"), storedHash);
    EXPECT_EQ(issued.expiresAt, start.addSecs(8 * 3600));

    for (const auto& [elapsed, status] : std::vector<std::pair<int, Status>>{
             {0, Status::Valid}, {8 * 3600 - 1, Status::Valid}, {8 * 3600, Status::Expired}}) {
        clocked.now = start.addSecs(elapsed);
        const TokenCheck check = clocked.signer.verify(issued.token);
        EXPECT_EQ(check.status, status) << "after " << elapsed << " s";
        EXPECT_EQ(check.operatorCode, status == Status::Valid ? QStringLiteral("0001") : QString());
    }
}

TEST(TokenSigner, shouldAcceptTokensOfAnotherServerWithTheSameSecretOnly)
{
    ClockedSigner issuer;
    ClockedSigner sameSecret;
    ClockedSigner otherSecret(QByteArray("outro segredo, de outra instalação"));
    TokenSigner randomSecret(QByteArray{});
    const QString token = issuer.signer.issue(QStringLiteral("0001"), storedHash).token;

    EXPECT_EQ(sameSecret.signer.verify(token).status, Status::Valid);
    EXPECT_EQ(otherSecret.signer.verify(token).status, Status::Invalid);
    EXPECT_EQ(randomSecret.verify(token).status, Status::Invalid);
    EXPECT_THROW(TokenSigner(QByteArray("curto")), TokenSecretError) << "too short to be safe";
}

TEST(TokenSigner, shouldRefuseTamperedAndMalformedTokens)
{
    ClockedSigner clocked;
    const QString token = clocked.signer.issue(QStringLiteral("0001"), storedHash).token;
    const QString forgedClaims =
        withPart(token, 0,
                 QByteArray(R"({"op":"ADMIN","exp":4102444800,"nonce":"AAAAAAAAAAAAAAAAAAAAAA"})"));
    const QString forgedSignature = withPart(token, 1, QByteArray(32, 'x'));
    const QString shortSignature = withPart(token, 1, QByteArray(16, 'x'));

    for (const QString& bad :
         {forgedClaims, forgedSignature, shortSignature, token + QStringLiteral("A"),
          token + QStringLiteral(".x"), token.section(QLatin1Char('.'), 0, 0), QString(),
          QStringLiteral("."), QStringLiteral("Bearer"), QStringLiteral("não é um token"),
          QStringLiteral("%%%.***"), QString(100000, QLatin1Char('A'))}) {
        const TokenCheck check = clocked.signer.verify(bad);
        EXPECT_EQ(check.status, Status::Invalid) << bad.left(80).toStdString();
        EXPECT_TRUE(check.operatorCode.isEmpty());
    }
}

// Sign-in against the operator table, on each backend.
class SignIn : public test::ServerTest
{};

TEST_P(SignIn, shouldGiveTheOperatorATokenForTheRightPassword)
{
    const fw::SignInResult result = server().signIn(test::testOperator, test::testPassword);

    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.operatorCode, QLatin1String(test::testOperator));
    EXPECT_EQ(result.operatorName, QLatin1String(test::testOperatorName));
    EXPECT_FALSE(result.token.isEmpty());
    const qint64 secondsLeft = QDateTime::currentDateTimeUtc().secsTo(result.expiresAt);
    EXPECT_LE(secondsLeft, 8 * 3600);
    EXPECT_GT(secondsLeft, 8 * 3600 - 60) << "eight hours, less the seconds the test took";
}

TEST_P(SignIn, shouldRefuseWithTheSameTextWhoeverIsWrong)
{
    const std::vector<std::pair<QString, QString>> attempts{
        {test::testOperator, QStringLiteral("senha-errada")},
        {QStringLiteral("NINGUEM"), test::testPassword},
        {test::inactiveOperator, test::testPassword},
        {test::testOperator, QString()},
        {QString(), test::testPassword},
        {QStringLiteral("TESTE01' OR '1'='1"), test::testPassword},
    };
    for (const auto& [operatorCode, password] : attempts) {
        const fw::SignInResult result = server().signIn(operatorCode, password);
        EXPECT_FALSE(result.ok) << operatorCode.toStdString();
        EXPECT_EQ(result.error, QStringLiteral("Operador ou senha inválidos."));
        EXPECT_TRUE(result.token.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, SignIn,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server

#include "server/auth.h"

#include "server/peak_memory.h"
#include "server/server_fixture.h"

#include <gtest/gtest.h>

#include <thread>

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

    // The signature spelled otherwise: unused bits of its last character set, padded
    const QString signature = token.section(QLatin1Char('.'), 1);
    QString unusedBits = token;
    const QString alphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_");
    unusedBits.back() = alphabet.at(alphabet.indexOf(signature.back()) ^ 1);
    ASSERT_EQ(signature.size() % 4, 3) << "32 bytes leave two unused bits";

    for (const QString& bad :
         {forgedClaims, forgedSignature, shortSignature, unusedBits, token + QStringLiteral("="),
          token + QStringLiteral("A"), token + QStringLiteral(".x"),
          token.section(QLatin1Char('.'), 0, 0), QString(), QStringLiteral("."),
          QStringLiteral("Bearer"), QStringLiteral("não é um token"), QStringLiteral("%%%.***"),
          QString(100000, QLatin1Char('A'))}) {
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

// Sign-in with a clock the test moves, to see locks begin and end.
class ThrottledSignIn : public test::ServerTest
{
protected:
    ServerOptions options() override
    {
        ServerOptions options = ServerTest::options();
        options.clock = [this] { return now; };
        options.signInThrottle.freeAddressAttempts = 8;
        return options;
    }

    // From an address of its own unless one is given, so that only the
    // operator's failures count.
    SignInOutcome attempt(const QString& password, const QString& operatorCode = test::testOperator,
                          QString address = {})
    {
        if (address.isEmpty()) {
            ++attempts_;
            address = QStringLiteral("10.9.%1.%2").arg(attempts_ / 256).arg(attempts_ % 256);
        }
        return server().signIn(operatorCode, password, address);
    }

    QDateTime now = start;

private:
    int attempts_ = 0;
};

QString lockedText(const char* wait)
{
    return QStringLiteral("Muitas tentativas de entrada sem sucesso. Tente novamente em %1.")
        .arg(QLatin1String(wait));
}

TEST_P(ThrottledSignIn, shouldLockAnOperatorForLongerAfterEachFurtherWrongPassword)
{
    // Five wrong passwords are only wrong
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(attempt("errada").failure, SignInFailure::Refused) << i;
    // then even the right one waits, without a password check, for a time that doubles
    for (int i = 0; i < 30; ++i) {
        const SignInOutcome locked = attempt(test::testPassword);
        EXPECT_EQ(locked.failure, SignInFailure::Throttled);
        EXPECT_EQ(locked.retryAfter, std::chrono::seconds(2));
    }
    EXPECT_EQ(attempt(test::testPassword).result.error, lockedText("2 segundos"));
    now = now.addSecs(2);
    EXPECT_EQ(attempt("errada").failure, SignInFailure::Refused);
    EXPECT_EQ(attempt(test::testPassword).result.error, lockedText("4 segundos"));
    // from another address too: the lock is the operator's
    EXPECT_EQ(attempt(test::testPassword, test::testOperator, "10.0.0.2").failure,
              SignInFailure::Throttled);

    // Once the lock ends, the right password signs in and forgives the failures
    now = now.addSecs(4);
    EXPECT_TRUE(attempt(test::testPassword).result.ok);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(attempt("errada").failure, SignInFailure::Refused) << i;
    EXPECT_TRUE(attempt(test::testPassword).result.ok);

    // Locks grow to a quarter of an hour at most
    for (int i = 0; i < 20; ++i) {
        attempt("errada");
        now = now.addSecs(15 * 60);
    }
    EXPECT_EQ(attempt(test::testPassword).result.error, QString());
}

TEST_P(ThrottledSignIn, shouldLockAnAddressThatTriesOperatorAfterOperator)
{
    const QString address = QStringLiteral("10.0.0.1");
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(attempt("errada", QStringLiteral("OPER%1").arg(i), address).failure,
                  SignInFailure::Refused);

    const SignInOutcome locked = attempt(test::testPassword, test::testOperator, address);
    EXPECT_EQ(locked.failure, SignInFailure::Throttled);
    EXPECT_EQ(locked.result.error, lockedText("2 segundos"));
    EXPECT_TRUE(attempt(test::testPassword, test::testOperator, "10.0.0.2").result.ok)
        << "other addresses go on";
    EXPECT_TRUE(server().signIn(test::testOperator, test::testPassword).ok)
        << "the embedded client has no address";
}

TEST_P(ThrottledSignIn, shouldRunAtMostTwoPasswordChecksAtOnce)
{
    // Each check holds 64 MiB while it runs; eight come at once, for eight operators
    attempt("aquece", QStringLiteral("NINGUEM")); // the unknown operators' stand-in hash, made once
    test::resetPeakMemory();
    const long before = test::peakMemoryKiB();
    std::vector<std::thread> clients;
    for (int i = 0; i < 8; ++i)
        clients.emplace_back([this, i] {
            attempt("errada", QStringLiteral("OPER%1").arg(i), QStringLiteral("10.0.1.%1").arg(i));
        });
    for (std::thread& client : clients)
        client.join();

    EXPECT_LT(test::peakMemoryKiB() - before, 3 * 64 * 1024) << "two checks and some, not eight";
}

INSTANTIATE_TEST_SUITE_P(Backends, ThrottledSignIn,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

INSTANTIATE_TEST_SUITE_P(Backends, SignIn,
                         ::testing::Values(test::Backend::SQLite, test::Backend::PostgreSQL),
                         test::backendName);

} // namespace
} // namespace cmp::server

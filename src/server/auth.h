#pragma once

#include "framework/net/remote_value.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <chrono>
#include <functional>
#include <stdexcept>

class QSqlDatabase;

namespace cmp::server {

// The configured token secret is unusable.
class TokenSecretError : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

struct IssuedToken
{
    QString token;
    QDateTime expiresAt;
};

struct TokenCheck
{
    enum class Status
    {
        Valid,
        Expired,
        Invalid,
        Revoked // well signed, but the operator was disabled or changed password since
    };

    Status status = Status::Invalid;
    QString operatorCode;    // set when Valid
    QByteArray passwordSeal; // set when Valid: see TokenSigner::seal
};

// Signed, self-contained session tokens: base64url(payload) "." base64url(HMAC-SHA256).
// The payload names the operator, the expiry, a seal of the operator's
// password hash and a random nonce, so servers sharing the secret accept each
// other's tokens without shared state; the seal lets them end a session when
// the password changes.
class TokenSigner
{
public:
    using Clock = std::function<QDateTime()>;

    // An empty secret draws a random one, valid for this process only; a
    // configured one must have at least minimumSecretLength bytes.
    explicit TokenSigner(const QByteArray& secret,
                         std::chrono::seconds lifetime = std::chrono::hours(8), Clock clock = {});
    ~TokenSigner();

    TokenSigner(const TokenSigner&) = delete;
    TokenSigner& operator=(const TokenSigner&) = delete;

    static constexpr qsizetype minimumSecretLength = 16;

    // passwordHash: the operator's stored hash, sealed into the token.
    IssuedToken issue(const QString& operatorCode, const QString& passwordHash) const;
    // Signature and expiry only; whether the operator may still work is
    // Authenticator::confirmSession's to say.
    TokenCheck verify(const QString& token) const;
    // A keyed digest of a stored password hash: equal seals, same password
    // hash. It reveals nothing of the hash to the token's holder.
    QByteArray seal(const QString& passwordHash) const;

private:
    QByteArray mac(const QByteArray& payload) const;
    QDateTime now() const;

    std::array<unsigned char, 32> key_{};
    std::chrono::seconds lifetime_;
    Clock clock_;
};

// Sign-in against the operator table; the token signer then vouches for the
// operator on every call.
class Authenticator
{
public:
    explicit Authenticator(const TokenSigner& signer) : signer_(signer) {}

    // Never throws: a refusal or a database failure is a result with a text.
    fw::SignInResult signIn(QSqlDatabase& db, const QString& operatorCode,
                            const QString& password) const;
    // A valid check stays valid while its operator is active with the same
    // password; otherwise it becomes Revoked. Throws DatabaseError when the
    // operator cannot be read.
    TokenCheck confirmSession(QSqlDatabase& db, TokenCheck check) const;

private:
    const TokenSigner& signer_;
};

} // namespace cmp::server

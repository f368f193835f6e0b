#include "server/auth.h"

#include "db/password_hash.h"
#include "server/server_database.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <sodium.h>

#include <optional>

namespace cmp::server {

namespace {

constexpr auto base64url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
constexpr qsizetype nonceBytes = 16;
constexpr qsizetype sealBytes = 16;
// Keeps the password seal's digests apart from the token signatures.
constexpr char sealContext[] = "cmp-password-seal:";
// Far beyond any token this server issues; longer input is refused unread.
constexpr qsizetype maximumTokenLength = 1024;

std::optional<QByteArray> fromBase64url(const QByteArray& text)
{
    auto decoded =
        QByteArray::fromBase64Encoding(text, base64url | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return std::move(decoded.decoded);
}

const unsigned char* bytes(const QByteArray& data)
{
    return reinterpret_cast<const unsigned char*>(data.constData());
}

QString wrongCredentials()
{
    return QStringLiteral("Operador ou senha inválidos.");
}

fw::SignInResult refused(QString reason)
{
    fw::SignInResult result;
    result.error = std::move(reason);
    return result;
}

struct OperatorRow
{
    QString name;
    QString passwordHash;
};

// An inactive operator is not found, like an unknown one.
std::optional<OperatorRow> findActiveOperator(QSqlDatabase& db, const QString& operatorCode)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT NMOPERADOR, DSSENHAOPER FROM OPERADOR "
                                 "WHERE CDOPERADOR = :P_CDOPERADOR AND IDATIVOOPER = 'S'"));
    query.bindValue(QStringLiteral(":P_CDOPERADOR"), operatorCode);
    if (!query.exec())
        throw DatabaseError(query.lastError().text().toStdString());
    if (!query.next())
        return std::nullopt;
    return OperatorRow{query.value(0).toString(), query.value(1).toString()};
}

// An unknown operator costs the same hash work as a wrong password, so that
// timing does not tell which operator codes exist.
void spendVerification(const QString& password)
{
    static const QString unusedHash = db::hashPassword(QStringLiteral("cmp-sem-operador"));
    db::verifyPassword(unusedHash, password);
}

} // namespace

TokenSigner::TokenSigner(const QByteArray& secret, std::chrono::seconds lifetime, Clock clock)
    : lifetime_(lifetime), clock_(std::move(clock))
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium could not start");
    if (secret.isEmpty()) {
        randombytes_buf(key_.data(), key_.size());
        return;
    }
    if (secret.size() < minimumSecretLength)
        throw TokenSecretError(
            QStringLiteral("O segredo dos tokens deve ter ao menos %1 caracteres.")
                .arg(minimumSecretLength)
                .toStdString());
    static_assert(crypto_hash_sha256_BYTES == crypto_auth_hmacsha256_KEYBYTES);
    crypto_hash_sha256(key_.data(), bytes(secret), static_cast<unsigned long long>(secret.size()));
}

TokenSigner::~TokenSigner()
{
    sodium_memzero(key_.data(), key_.size());
}

IssuedToken TokenSigner::issue(const QString& operatorCode, const QString& passwordHash) const
{
    QByteArray nonce(nonceBytes, Qt::Uninitialized);
    randombytes_buf(nonce.data(), static_cast<size_t>(nonce.size()));
    const qint64 expiry = now().toSecsSinceEpoch() + lifetime_.count();
    const QJsonObject claims{
        {QStringLiteral("op"), operatorCode},
        {QStringLiteral("exp"), expiry},
        {QStringLiteral("pw"), QString::fromLatin1(seal(passwordHash).toBase64(base64url))},
        {QStringLiteral("nonce"), QString::fromLatin1(nonce.toBase64(base64url))}};
    const QByteArray payload =
        QJsonDocument(claims).toJson(QJsonDocument::Compact).toBase64(base64url);
    const QByteArray token = payload + '.' + mac(payload).toBase64(base64url);
    return {QString::fromLatin1(token), QDateTime::fromSecsSinceEpoch(expiry, Qt::UTC)};
}

TokenCheck TokenSigner::verify(const QString& token) const
{
    const TokenCheck invalid;
    if (token.size() > maximumTokenLength)
        return invalid;
    const QByteArray text = token.toUtf8();
    const qsizetype dot = text.indexOf('.');
    if (dot <= 0 || text.indexOf('.', dot + 1) != -1)
        return invalid;
    const QByteArray payload = text.left(dot);
    const std::optional<QByteArray> signature = fromBase64url(text.mid(dot + 1));
    if (!signature || signature->size() != crypto_auth_hmacsha256_BYTES)
        return invalid;
    if (crypto_auth_hmacsha256_verify(bytes(*signature), bytes(payload),
                                      static_cast<unsigned long long>(payload.size()),
                                      key_.data()) != 0)
        return invalid;

    // Signed by us: the payload is ours, but is still read defensively.
    const std::optional<QByteArray> json = fromBase64url(payload);
    const QJsonObject claims = json ? QJsonDocument::fromJson(*json).object() : QJsonObject();
    const QString operatorCode = claims.value(QStringLiteral("op")).toString();
    const QJsonValue expiry = claims.value(QStringLiteral("exp"));
    const std::optional<QByteArray> passwordSeal =
        fromBase64url(claims.value(QStringLiteral("pw")).toString().toLatin1());
    if (operatorCode.isEmpty() || !expiry.isDouble() || !passwordSeal ||
        passwordSeal->size() != sealBytes)
        return invalid;
    if (now().toSecsSinceEpoch() >= expiry.toInteger())
        return {TokenCheck::Status::Expired, {}, {}};
    return {TokenCheck::Status::Valid, operatorCode, *passwordSeal};
}

QByteArray TokenSigner::seal(const QString& passwordHash) const
{
    return mac(sealContext + passwordHash.toUtf8()).left(sealBytes);
}

QByteArray TokenSigner::mac(const QByteArray& payload) const
{
    QByteArray out(crypto_auth_hmacsha256_BYTES, Qt::Uninitialized);
    crypto_auth_hmacsha256(reinterpret_cast<unsigned char*>(out.data()), bytes(payload),
                           static_cast<unsigned long long>(payload.size()), key_.data());
    return out;
}

QDateTime TokenSigner::now() const
{
    return clock_ ? clock_() : QDateTime::currentDateTimeUtc();
}

fw::SignInResult Authenticator::signIn(QSqlDatabase& db, const QString& operatorCode,
                                       const QString& password) const
{
    if (operatorCode.isEmpty() || password.isEmpty())
        return refused(wrongCredentials());
    try {
        const std::optional<OperatorRow> row = findActiveOperator(db, operatorCode);
        if (!row) {
            spendVerification(password);
            return refused(wrongCredentials());
        }
        if (!db::verifyPassword(row->passwordHash, password))
            return refused(wrongCredentials());
        const IssuedToken issued = signer_.issue(operatorCode, row->passwordHash);
        fw::SignInResult result;
        result.ok = true;
        result.token = issued.token;
        result.operatorCode = operatorCode;
        result.operatorName = row->name;
        result.expiresAt = issued.expiresAt;
        return result;
    } catch (const std::exception& fault) {
        qCritical().noquote() << "sign-in of" << operatorCode << "failed:" << fault.what();
        return refused(QStringLiteral("Não foi possível validar o operador. Tente novamente."));
    }
}

TokenCheck Authenticator::confirmSession(QSqlDatabase& db, TokenCheck check) const
{
    if (check.status != TokenCheck::Status::Valid)
        return check;
    const std::optional<OperatorRow> row = findActiveOperator(db, check.operatorCode);
    // Seals are equal-length digests; comparing them in constant time costs nothing.
    if (!row || sodium_memcmp(signer_.seal(row->passwordHash).constData(),
                              check.passwordSeal.constData(), sealBytes) != 0)
        return {TokenCheck::Status::Revoked, {}, {}};
    return check;
}

} // namespace cmp::server

#include "db/password_hash.h"

#include <QByteArray>

#include <sodium.h>

#include <stdexcept>

namespace cmp::db {

namespace {

void startSodium()
{
    // Safe to call again and from several threads; only a failure matters.
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium não pôde ser iniciada");
}

} // namespace

QString hashPassword(const QString& password)
{
    startSodium();
    const QByteArray utf8 = password.toUtf8();
    char encoded[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(encoded, utf8.constData(), static_cast<unsigned long long>(utf8.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw std::runtime_error("memória insuficiente para calcular o hash da senha");
    return QString::fromLatin1(encoded);
}

bool verifyPassword(const QString& hash, const QString& password)
{
    startSodium();
    const QByteArray encoded = hash.toLatin1();
    if (encoded.isEmpty() || encoded.size() >= crypto_pwhash_STRBYTES)
        return false;
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(encoded.constData(), utf8.constData(),
                                    static_cast<unsigned long long>(utf8.size())) == 0;
}

} // namespace cmp::db

#pragma once

#include <QString>

namespace cmp::db {

// The Argon2id encoded string of a password (libsodium's crypto_pwhash_str
// with the interactive limits): algorithm, cost, a fresh random salt and the
// hash in one text of at most 128 characters, stored as it is in
// OPERADOR.DSSENHAOPER. Throws std::runtime_error when libsodium cannot run
// (it could not start or the memory the hash needs is not available).
QString hashPassword(const QString& password);

// Whether the password is the one the encoded string was made from. A string
// that is empty or not an Argon2id encoding never matches.
bool verifyPassword(const QString& hash, const QString& password);

} // namespace cmp::db

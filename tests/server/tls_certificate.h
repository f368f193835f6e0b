#pragma once
// Self-signed certificates for the HTTPS tests, valid or already expired.

#include <QString>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <chrono>
#include <cstdio>
#include <memory>

namespace cmp::test {

// Writes an RSA key (so that suites without forward secrecy could be offered
// at all) and a certificate for 127.0.0.1 valid from `from` to
// `to`, both relative to now; true when both files were written.
inline bool writeCertificate(const QString& certificateFile, const QString& keyFile,
                             std::chrono::hours from, std::chrono::hours to)
{
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_RSA_gen(2048), EVP_PKEY_free);
    const std::unique_ptr<X509, decltype(&X509_free)> certificate(X509_new(), X509_free);
    if (!key || !certificate)
        return false;
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()),
                    std::chrono::duration_cast<std::chrono::seconds>(from).count());
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()),
                    std::chrono::duration_cast<std::chrono::seconds>(to).count());
    X509_set_pubkey(certificate.get(), key.get());
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(certificate.get(), name);
    if (X509_sign(certificate.get(), key.get(), EVP_sha256()) == 0)
        return false;

    const auto write = [](const QString& path, auto writer) {
        std::FILE* file = std::fopen(path.toLocal8Bit().constData(), "w");
        const bool written = file && writer(file) == 1;
        if (file)
            std::fclose(file);
        return written;
    };
    return write(certificateFile,
                 [&](std::FILE* file) { return PEM_write_X509(file, certificate.get()); }) &&
           write(keyFile, [&](std::FILE* file) {
               return PEM_write_PrivateKey(file, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
           });
}

} // namespace cmp::test

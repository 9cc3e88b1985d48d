#include "tests/support/TestCertificate.h"

#include <cstdio>
#include <memory>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace qvutest {

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool AddExtension(X509* certificate, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, certificate, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_nconf_nid(nullptr, &context, nid, value);
    if (extension == nullptr)
        return false;
    const bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

// Valid from an hour ago (clocks differ a little) for a day: longer than any run.
std::unique_ptr<X509, CertificateFree> SelfSigned(EVP_PKEY* key) {
    std::unique_ptr<X509, CertificateFree> certificate(X509_new());
    X509* c = certificate.get();
    X509_NAME* name = X509_get_subject_name(c);
    const auto* commonName = reinterpret_cast<const unsigned char*>("127.0.0.1");
    const bool made =
        X509_set_version(c, 2) == 1 && ASN1_INTEGER_set(X509_get_serialNumber(c), 1) == 1 &&
        X509_gmtime_adj(X509_getm_notBefore(c), -3600) != nullptr &&
        X509_gmtime_adj(X509_getm_notAfter(c), 24 * 3600) != nullptr &&
        X509_set_pubkey(c, key) == 1 &&
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, commonName, -1, -1, 0) == 1 &&
        X509_set_issuer_name(c, name) == 1 &&
        AddExtension(c, NID_basic_constraints, "critical,CA:TRUE") &&
        AddExtension(c, NID_key_usage, "critical,digitalSignature,keyCertSign") &&
        AddExtension(c, NID_subject_key_identifier, "hash") &&
        AddExtension(c, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost") &&
        X509_sign(c, key, EVP_sha256()) > 0;
    if (!made)
        certificate.reset();
    return certificate;
}

} // namespace

TestCertificate::TestCertificate(const std::filesystem::path& folder)
    : certificate_(folder / "certificate.pem"), key_(folder / "key.pem") {
    std::filesystem::create_directories(folder);
    const std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_EC_gen("P-256"));
    if (!key)
        return;
    const auto certificate = SelfSigned(key.get());
    if (!certificate)
        return;
    const std::unique_ptr<std::FILE, FileClose> keyFile(std::fopen(key_.c_str(), "w"));
    const std::unique_ptr<std::FILE, FileClose> certificateFile(
        std::fopen(certificate_.c_str(), "w"));
    made_ = keyFile && certificateFile &&
            PEM_write_PrivateKey(keyFile.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) ==
                1 &&
            PEM_write_X509(certificateFile.get(), certificate.get()) == 1;
}

} // namespace qvutest

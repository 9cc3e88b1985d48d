#include "platform/crypto.h"
#include "platform/errors.h"

#include <memory>
#include <openssl/evp.h>

namespace {

constexpr std::size_t kPublicKeySize = 32;
constexpr std::size_t kSignatureSize = 64;

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

} // namespace

BOOL VerifyEd25519Signature(const BYTE* publicKey32, const void* message, SIZE_T size,
                            const BYTE* signature64) {
    if (publicKey32 == nullptr || signature64 == nullptr || (message == nullptr && size != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::unique_ptr<EVP_MD_CTX, ContextDeleter> context(EVP_MD_CTX_new());
    if (!context) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    const std::unique_ptr<EVP_PKEY, KeyDeleter> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, publicKey32, kPublicKeySize));
    static const unsigned char nothing = 0;
    // Ed25519 hashes the message itself: no digest is named.
    if (!key || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
        EVP_DigestVerify(context.get(), signature64, kSignatureSize,
                         size != 0 ? static_cast<const unsigned char*>(message) : &nothing,
                         size) != 1) {
        SetLastError(NTE_BAD_SIGNATURE);
        return FALSE;
    }
    return TRUE;
}

#include "platform/crypto.h"

#include <openssl/evp.h>
#include <string_view>

namespace {

// The providers: a handle is the address of one of these, which live as long
// as the process, so opening allocates nothing and closing frees nothing.
struct HashProvider {
    std::u16string_view name;
    const EVP_MD* (*digest)();
    ULONG length;
};

const HashProvider kProviders[] = {
    {BCRYPT_SHA256_ALGORITHM, EVP_sha256, 32},
    {QVU_BLAKE2B512_ALGORITHM, EVP_blake2b512, 64},
};

const HashProvider* ProviderOf(BCRYPT_ALG_HANDLE handle) {
    for (const HashProvider& provider : kProviders)
        if (handle == &provider)
            return &provider;
    return nullptr;
}

} // namespace

NTSTATUS BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE* phAlgorithm, LPCWSTR pszAlgId,
                                     LPCWSTR pszImplementation, ULONG dwFlags) {
    if (phAlgorithm == nullptr || pszAlgId == nullptr)
        return STATUS_INVALID_PARAMETER;
    if (dwFlags != 0)
        return STATUS_NOT_SUPPORTED;
    if (pszImplementation != nullptr)
        return STATUS_NOT_FOUND;
    for (const HashProvider& provider : kProviders)
        if (provider.name == pszAlgId) {
            *phAlgorithm = const_cast<HashProvider*>(&provider);
            return STATUS_SUCCESS;
        }
    return STATUS_NOT_FOUND;
}

NTSTATUS BCryptCloseAlgorithmProvider(BCRYPT_ALG_HANDLE hAlgorithm, ULONG dwFlags) {
    if (ProviderOf(hAlgorithm) == nullptr)
        return STATUS_INVALID_HANDLE;
    return dwFlags == 0 ? STATUS_SUCCESS : STATUS_INVALID_PARAMETER;
}

NTSTATUS BCryptHash(BCRYPT_ALG_HANDLE hAlgorithm, BYTE* pbSecret, ULONG cbSecret,
                    const BYTE* pbInput, ULONG cbInput, BYTE* pbOutput, ULONG cbOutput) {
    const HashProvider* provider = ProviderOf(hAlgorithm);
    if (provider == nullptr)
        return STATUS_INVALID_HANDLE;
    if (pbSecret != nullptr || cbSecret != 0 || pbOutput == nullptr ||
        cbOutput != provider->length || (pbInput == nullptr && cbInput != 0))
        return STATUS_INVALID_PARAMETER;
    // The library wants an address even for no bytes.
    static const BYTE nothing = 0;
    unsigned int written = 0;
    if (EVP_Digest(cbInput != 0 ? pbInput : &nothing, cbInput, pbOutput, &written,
                   provider->digest(), nullptr) != 1 ||
        written != provider->length)
        return STATUS_NO_MEMORY;
    return STATUS_SUCCESS;
}

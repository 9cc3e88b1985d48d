#include "update/Md5Digest.h"

#include <openssl/evp.h>

void Md5Digest::ContextDeleter::operator()(evp_md_ctx_st* context) const {
    EVP_MD_CTX_free(context);
}

Md5Digest::Md5Digest() : context_(EVP_MD_CTX_new()) {
    ok_ = context_ && EVP_DigestInit_ex(context_.get(), EVP_md5(), nullptr) == 1;
}

Md5Digest::~Md5Digest() = default;

void Md5Digest::Update(const void* data, std::size_t size) {
    if (ok_ && size > 0)
        ok_ = EVP_DigestUpdate(context_.get(), data, size) == 1;
}

std::optional<Md5Bytes> Md5Digest::Final() {
    Md5Bytes digest{};
    unsigned int length = 0;
    if (!ok_ || EVP_DigestFinal_ex(context_.get(), digest.data(), &length) != 1 ||
        length != digest.size()) {
        ok_ = false;
        return std::nullopt;
    }
    ok_ = false;
    return digest;
}

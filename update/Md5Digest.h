// MD5 (RFC 1321) computed piece by piece, so a package can be digested while
// it streams to disk or is read back block by block.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>

using Md5Bytes = std::array<unsigned char, 16>;

struct evp_md_ctx_st;

class Md5Digest {
public:
    Md5Digest();
    ~Md5Digest();
    Md5Digest(const Md5Digest&) = delete;
    Md5Digest& operator=(const Md5Digest&) = delete;

    void Update(const void* data, std::size_t size);
    // The digest of everything given to Update; nothing when the crypto
    // library refused a step (e.g. MD5 disabled by its configuration).
    // Call once; the object is spent afterwards.
    std::optional<Md5Bytes> Final();

private:
    struct ContextDeleter {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, ContextDeleter> context_;
    bool ok_ = false;
};

#include "update/Digest.h"

#include "platform/files.h"
#include "platform/strings.h"

#include <cstring>
#include <openssl/evp.h>

namespace {

constexpr DWORD kBlockSize = 8192;

// A digit's value in either letter case: digests are published by tools that
// write them either way.
int HexValue(char c) {
    if (!ascii::IsHexDigit(c))
        return -1;
    return ascii::IsDigit(c) ? c - '0' : ascii::ToLower(c) - 'a' + 10;
}

std::optional<Md5Bytes> DigestOfRest(HANDLE file) {
    Md5Digest digest;
    unsigned char block[kBlockSize];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, block, kBlockSize, &read, nullptr))
            return std::nullopt;
        if (read == 0)
            return digest.Final();
        digest.Update(block, read);
    }
}

} // namespace

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

BackgroundMd5::BackgroundMd5() : hasher_([this] { HashPending(); }) {}

BackgroundMd5::~BackgroundMd5() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        ending_ = true;
    }
    work_.notify_all();
    if (hasher_.joinable())
        hasher_.join();
}

void BackgroundMd5::Update(const void* data, std::size_t size) {
    if (size == 0)
        return;
    std::unique_lock<std::mutex> guard(lock_);
    room_.wait(guard, [this] { return pending_.size() < kPendingLimit; });
    std::vector<char> block;
    if (!spare_.empty()) {
        block = std::move(spare_.back());
        spare_.pop_back();
    }
    block.resize(size);
    std::memcpy(block.data(), data, size);
    pending_.push_back(std::move(block));
    const bool batchReady = pending_.size() == kWakeBatch;
    guard.unlock();
    if (batchReady)
        work_.notify_one();
}

std::optional<Md5Bytes> BackgroundMd5::Final() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        ending_ = true;
    }
    work_.notify_all();
    if (hasher_.joinable())
        hasher_.join();
    return digest_.Final();
}

void BackgroundMd5::HashPending() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        work_.wait(guard, [this] { return pending_.size() >= kWakeBatch || ending_; });
        if (pending_.empty())
            return; // ending, and everything is hashed
        std::deque<std::vector<char>> batch;
        batch.swap(pending_);
        guard.unlock();
        room_.notify_one();
        for (const std::vector<char>& block : batch)
            digest_.Update(block.data(), block.size());
        guard.lock();
        for (std::vector<char>& block : batch)
            spare_.push_back(std::move(block));
    }
}

std::optional<Md5Bytes> ParseDigestText(const char* digestText) {
    if (digestText == nullptr)
        return std::nullopt;
    Md5Bytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        // The high digit is checked first, so the string's end stops the scan
        // before its terminator could be passed.
        const int high = HexValue(digestText[2 * i]);
        if (high < 0)
            return std::nullopt;
        const int low = HexValue(digestText[2 * i + 1]);
        if (low < 0)
            return std::nullopt;
        bytes[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return bytes;
}

bool PackageMatchesDigest(HANDLE file, const char* digestText) {
    const std::optional<Md5Bytes> expected = ParseDigestText(digestText);
    if (!expected)
        return false;
    const std::optional<Md5Bytes> actual = DigestOfRest(file);
    return actual && *actual == *expected;
}

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

// The bytes of the leading pairs of hexadecimal digits; nothing when a pair
// before the last byte holds any other character.
template <typename Bytes> std::optional<Bytes> ParseHexPairs(const char* text) {
    if (text == nullptr)
        return std::nullopt;
    Bytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        // The high digit is checked first, so the string's end stops the scan
        // before its terminator could be passed.
        const int high = HexValue(text[2 * i]);
        if (high < 0)
            return std::nullopt;
        const int low = HexValue(text[2 * i + 1]);
        if (low < 0)
            return std::nullopt;
        bytes[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return bytes;
}

template <typename Bytes>
bool MatchesWhenChecked(bool checked, const std::optional<Bytes>& expected,
                        const std::optional<Bytes>& computed) {
    return !checked || (expected && computed && *expected == *computed);
}

std::optional<PackageDigests> DigestsOfRest(HANDLE file, DigestChoice choice) {
    PackageDigest digest(choice);
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

template <DigestAlgorithm Algorithm>
void PieceDigest<Algorithm>::ContextDeleter::operator()(evp_md_ctx_st* context) const {
    EVP_MD_CTX_free(context);
}

template <DigestAlgorithm Algorithm>
PieceDigest<Algorithm>::PieceDigest() : context_(EVP_MD_CTX_new()) {
    const EVP_MD* algorithm = Algorithm == DigestAlgorithm::Md5 ? EVP_md5() : EVP_sha256();
    ok_ = context_ && EVP_DigestInit_ex(context_.get(), algorithm, nullptr) == 1;
}

template <DigestAlgorithm Algorithm> PieceDigest<Algorithm>::~PieceDigest() = default;

template <DigestAlgorithm Algorithm>
void PieceDigest<Algorithm>::Update(const void* data, std::size_t size) {
    if (ok_ && size > 0)
        ok_ = EVP_DigestUpdate(context_.get(), data, size) == 1;
}

template <DigestAlgorithm Algorithm> auto PieceDigest<Algorithm>::Final() -> std::optional<Bytes> {
    Bytes digest{};
    unsigned int length = 0;
    if (!ok_ || EVP_DigestFinal_ex(context_.get(), digest.data(), &length) != 1 ||
        length != digest.size()) {
        ok_ = false;
        return std::nullopt;
    }
    ok_ = false;
    return digest;
}

template class PieceDigest<DigestAlgorithm::Md5>;
template class PieceDigest<DigestAlgorithm::Sha256>;

PackageDigest::PackageDigest(DigestChoice choice) {
    if (choice.md5)
        md5_.emplace();
    if (choice.sha256)
        sha256_.emplace();
}

void PackageDigest::Update(const void* data, std::size_t size) {
    if (md5_)
        md5_->Update(data, size);
    if (sha256_)
        sha256_->Update(data, size);
}

PackageDigests PackageDigest::Final() {
    PackageDigests digests;
    if (md5_)
        digests.md5 = md5_->Final();
    if (sha256_)
        digests.sha256 = sha256_->Final();
    return digests;
}

BackgroundDigest::BackgroundDigest(DigestChoice choice)
    : digest_(choice), hasher_([this] { HashPending(); }) {}

BackgroundDigest::~BackgroundDigest() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        ending_ = true;
    }
    work_.notify_all();
    if (hasher_.joinable())
        hasher_.join();
}

void BackgroundDigest::Update(const void* data, std::size_t size) {
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

PackageDigests BackgroundDigest::Final() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        ending_ = true;
    }
    work_.notify_all();
    if (hasher_.joinable())
        hasher_.join();
    return digest_.Final();
}

void BackgroundDigest::HashPending() {
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
    return ParseHexPairs<Md5Bytes>(digestText);
}

std::optional<Sha256Bytes> ParseSha256Text(const char* digestText) {
    // Unlike MD5, nothing may follow the digits: this key is new, and no
    // published file relies on trailing text being ignored.
    if (digestText == nullptr || std::strlen(digestText) != 2 * Sha256Bytes{}.size())
        return std::nullopt;
    return ParseHexPairs<Sha256Bytes>(digestText);
}

DigestCheck::DigestCheck(const char* md5Text, const char* sha256Text)
    : checked_{md5Text != nullptr, sha256Text != nullptr} {
    if (checked_.md5)
        expected_.md5 = ParseDigestText(md5Text);
    if (checked_.sha256)
        expected_.sha256 = ParseSha256Text(sha256Text);
}

bool DigestCheck::Readable() const {
    return (!checked_.md5 || expected_.md5) && (!checked_.sha256 || expected_.sha256);
}

bool DigestCheck::Matches(const PackageDigests& computed) const {
    return MatchesWhenChecked(checked_.md5, expected_.md5, computed.md5) &&
           MatchesWhenChecked(checked_.sha256, expected_.sha256, computed.sha256);
}

bool PackageMatchesDigest(HANDLE file, const char* md5Text, const char* sha256Text) {
    // A package kept on disk is only ever vouched for by its MD5, and by its
    // SHA-256 as well where one is published.
    const DigestCheck check(md5Text != nullptr ? md5Text : "", sha256Text);
    if (!check.Readable())
        return false;
    const std::optional<PackageDigests> computed = DigestsOfRest(file, check.Checked());
    return computed && check.Matches(*computed);
}

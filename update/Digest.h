// Digests of packages (MD5, and SHA-256 where the description file publishes
// one): computed piece by piece, on a thread of their own while a download
// streams, or over a file on disk, and compared with the digest texts the
// description file publishes.
#pragma once

#include "platform/win_types.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct evp_md_ctx_st;

enum class DigestAlgorithm { Md5, Sha256 };

// One digest (MD5, RFC 1321, or SHA-256, FIPS 180-4) computed piece by piece,
// so a package can be digested while it streams to disk or is read back block
// by block.
template <DigestAlgorithm Algorithm> class PieceDigest {
public:
    using Bytes = std::array<unsigned char, Algorithm == DigestAlgorithm::Md5 ? 16 : 32>;

    PieceDigest();
    ~PieceDigest();
    PieceDigest(const PieceDigest&) = delete;
    PieceDigest& operator=(const PieceDigest&) = delete;

    void Update(const void* data, std::size_t size);
    // The digest of everything given to Update; nothing when the crypto
    // library refused a step (e.g. MD5 disabled by its configuration).
    // Call once; the object is spent afterwards.
    std::optional<Bytes> Final();

private:
    struct ContextDeleter {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, ContextDeleter> context_;
    bool ok_ = false;
};

extern template class PieceDigest<DigestAlgorithm::Md5>;
extern template class PieceDigest<DigestAlgorithm::Sha256>;
using Md5Digest = PieceDigest<DigestAlgorithm::Md5>;
using Sha256Digest = PieceDigest<DigestAlgorithm::Sha256>;
using Md5Bytes = Md5Digest::Bytes;
using Sha256Bytes = Sha256Digest::Bytes;

// Which digests of a package are computed.
struct DigestChoice {
    bool md5 = false;
    bool sha256 = false;

    bool Any() const { return md5 || sha256; }
};

// The digests of a package; each one only when it was chosen and the crypto
// library computed it.
struct PackageDigests {
    std::optional<Md5Bytes> md5;
    std::optional<Sha256Bytes> sha256;

    bool operator==(const PackageDigests&) const = default;
};

// The chosen digests of the same bytes, all fed in one pass.
class PackageDigest {
public:
    explicit PackageDigest(DigestChoice choice);

    void Update(const void* data, std::size_t size);
    // Call once, like PieceDigest::Final.
    PackageDigests Final();

private:
    std::optional<Md5Digest> md5_;
    std::optional<Sha256Digest> sha256_;
};

// The chosen digests computed on one thread of their own, fed block by block,
// so a download goes on receiving and writing while the blocks before are
// hashed: the digests are known when the last byte is on disk, at about the
// cost of the slower of the two instead of their sum.
class BackgroundDigest {
public:
    explicit BackgroundDigest(DigestChoice choice);
    ~BackgroundDigest();
    BackgroundDigest(const BackgroundDigest&) = delete;
    BackgroundDigest& operator=(const BackgroundDigest&) = delete;

    // Copies the bytes for the hashing thread; waits while it is kPendingLimit
    // blocks behind, so memory stays bounded whatever the package size.
    void Update(const void* data, std::size_t size);
    // The digests of everything given to Update, once the thread has caught
    // up. Call once.
    PackageDigests Final();

private:
    static constexpr std::size_t kPendingLimit = 256;
    // The hasher wakes for this many blocks at a time (or the end), and takes
    // all that wait: a wake-up for every 8 KiB block would cost the download
    // about as much as the hashing itself.
    static constexpr std::size_t kWakeBatch = 16;

    void HashPending();

    PackageDigest digest_;
    std::mutex lock_;
    std::condition_variable work_; // for the hasher
    std::condition_variable room_; // for Update, when kPendingLimit blocks wait
    std::deque<std::vector<char>> pending_;
    std::vector<std::vector<char>> spare_; // emptied blocks, reused
    bool ending_ = false;
    std::thread hasher_;
};

// ---- The check that a package is the one the description file names ----

// The MD5 text of the description file: pairs of hexadecimal digits in
// either letter case, high digit first. Parsing stops at the first pair with
// any other character and after 16 pairs, so text after the
// 32nd digit (a line end, a blank) does not count. Nothing unless 16 bytes
// were read.
std::optional<Md5Bytes> ParseDigestText(const char* digestText);

// The SHA256 text of the description file: exactly 64 hexadecimal digits in
// either letter case and nothing else (the profile reader has already
// dropped blanks and quotes around the value). Nothing for any other text:
// a digest that cannot be read vouches for no package.
std::optional<Sha256Bytes> ParseSha256Text(const char* digestText);

// The digests a package must have. A digest is checked when its text is
// given (not null); a checked text that cannot be read matches nothing.
class DigestCheck {
public:
    DigestCheck(const char* md5Text, const char* sha256Text);

    // The digests to compute of the package.
    DigestChoice Checked() const { return checked_; }
    // Whether some package could match: every checked text could be read.
    bool Readable() const;
    // Whether every checked digest was computed and equals the published one.
    bool Matches(const PackageDigests& computed) const;

private:
    DigestChoice checked_;
    PackageDigests expected_;
};

// True when the MD5 of the file's bytes from its current position to the end
// equals md5Text (ParseDigestText) and, when sha256Text is given (the entry
// publishes SHA256), their SHA-256 equals it too (ParseSha256Text; a text that
// cannot be read never matches). The file is read once, in 8192-byte blocks;
// a read that fails answers false, as the digest of the rest is then unknown.
bool PackageMatchesDigest(HANDLE file, const char* md5Text, const char* sha256Text = nullptr);

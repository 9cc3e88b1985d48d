// MD5 digests of packages: computed piece by piece, on a thread of its own while
// a download streams, or over a file on disk, and compared with the digest
// text the description file publishes.
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

using Md5Bytes = std::array<unsigned char, 16>;

struct evp_md_ctx_st;

// MD5 (RFC 1321) computed piece by piece, so a package can be digested while
// it streams to disk or is read back block by block.
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

// MD5 computed on a thread of its own, fed block by block, so a download goes
// on receiving and writing while the blocks before are hashed: the digest is
// known when the last byte is on disk, at about the cost of the slower of the
// two instead of their sum.
class BackgroundMd5 {
public:
    BackgroundMd5();
    ~BackgroundMd5();
    BackgroundMd5(const BackgroundMd5&) = delete;
    BackgroundMd5& operator=(const BackgroundMd5&) = delete;

    // Copies the bytes for the hashing thread; waits while it is kPendingLimit
    // blocks behind, so memory stays bounded whatever the package size.
    void Update(const void* data, std::size_t size);
    // The digest of everything given to Update, once the thread has caught
    // up; nothing when the crypto library refused a step. Call once.
    std::optional<Md5Bytes> Final();

private:
    static constexpr std::size_t kPendingLimit = 256;
    // The hasher wakes for this many blocks at a time (or the end), and takes
    // all that wait: a wake-up for every 8 KiB block would cost the download
    // about as much as the hashing itself.
    static constexpr std::size_t kWakeBatch = 16;

    void HashPending();

    Md5Digest digest_;
    std::mutex lock_;
    std::condition_variable work_; // for the hasher
    std::condition_variable room_; // for Update, when kPendingLimit blocks wait
    std::deque<std::vector<char>> pending_;
    std::vector<std::vector<char>> spare_; // emptied blocks, reused
    bool ending_ = false;
    std::thread hasher_;
};

// ---- The check that a package is the one the description file names ----

// The digest text of the description file: pairs of hexadecimal digits in
// either letter case, high digit first. Parsing stops at the first pair with
// any other character and after 16 pairs, so text after the
// 32nd digit (a line end, a blank) does not count. Nothing unless 16 bytes
// were read.
std::optional<Md5Bytes> ParseDigestText(const char* digestText);

// True when the MD5 of the file's bytes from its current position to the end
// equals the digest text. The file is read in 8192-byte blocks; a read that
// fails answers false, as the digest of the rest is then unknown.
bool PackageMatchesDigest(HANDLE file, const char* digestText);

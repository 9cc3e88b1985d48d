// MD5 computed on a thread of its own, fed block by block, so a download goes
// on receiving and writing while the blocks before are hashed: the digest is
// known when the last byte is on disk, at about the cost of the slower of the
// two instead of their sum.
#pragma once

#include "update/Md5Digest.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

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

    void HashPending();

    Md5Digest digest_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::vector<char>> pending_;
    std::vector<std::vector<char>> spare_; // emptied blocks, reused
    bool ending_ = false;
    std::thread hasher_;
};

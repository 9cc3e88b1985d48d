#include "update/BackgroundMd5.h"

#include <cstring>

BackgroundMd5::BackgroundMd5() : hasher_([this] { HashPending(); }) {}

BackgroundMd5::~BackgroundMd5() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        ending_ = true;
    }
    changed_.notify_all();
    if (hasher_.joinable())
        hasher_.join();
}

void BackgroundMd5::Update(const void* data, std::size_t size) {
    if (size == 0)
        return;
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return pending_.size() < kPendingLimit; });
    std::vector<char> block;
    if (!spare_.empty()) {
        block = std::move(spare_.back());
        spare_.pop_back();
    }
    block.resize(size);
    std::memcpy(block.data(), data, size);
    pending_.push_back(std::move(block));
    guard.unlock();
    changed_.notify_all();
}

std::optional<Md5Bytes> BackgroundMd5::Final() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        ending_ = true;
    }
    changed_.notify_all();
    if (hasher_.joinable())
        hasher_.join();
    return digest_.Final();
}

void BackgroundMd5::HashPending() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] { return !pending_.empty() || ending_; });
        if (pending_.empty())
            return; // ending, and everything is hashed
        std::vector<char> block = std::move(pending_.front());
        pending_.pop_front();
        guard.unlock();
        changed_.notify_all();
        digest_.Update(block.data(), block.size());
        guard.lock();
        spare_.push_back(std::move(block));
    }
}

#include "platform/internet_body_queue.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// A waiting side asks for at most this share of the ring before it is woken,
// so both sides move large pieces and neither can wait for the other forever.
constexpr std::size_t kWakeShare = 4;

} // namespace

BodyQueue::BodyQueue(std::size_t capacity) : capacity_(capacity), ring_(new char[capacity]) {}

bool BodyQueue::Put(const char* data, std::size_t size) {
    std::unique_lock guard(lock_);
    while (size > 0) {
        writerWants_ = std::min(size, capacity_ / kWakeShare);
        roomFreed_.wait(guard, [this] { return abandoned_ || Room() >= writerWants_; });
        writerWants_ = 0;
        if (abandoned_)
            return false;
        const std::size_t at = written_ % capacity_;
        const std::size_t count = std::min({size, Room(), capacity_ - at});
        guard.unlock();
        std::memcpy(ring_.get() + at, data, count);
        guard.lock();
        Wrote(count);
        data += count;
        size -= count;
    }
    return true;
}

bool BodyQueue::TryPut(const char* data, std::size_t size) {
    std::unique_lock guard(lock_);
    if (Room() < size)
        return false;
    guard.unlock();
    // Before a wrap the bytes go in two pieces; Put never waits for room here.
    return Put(data, size);
}

void BodyQueue::Close() {
    const std::lock_guard guard(lock_);
    closed_ = true;
    bytesAdded_.notify_one();
}

std::size_t BodyQueue::Take(char* block, std::size_t size) {
    std::size_t count = 0;
    std::unique_lock guard(lock_);
    while (count < size) {
        readerWants_ = std::min(size - count, capacity_ / kWakeShare);
        bytesAdded_.wait(guard, [this] { return closed_ || Available() >= readerWants_; });
        readerWants_ = 0;
        const std::size_t at = taken_ % capacity_;
        const std::size_t piece = std::min({size - count, Available(), capacity_ - at});
        if (piece == 0)
            break; // closed and empty
        guard.unlock();
        std::memcpy(block + count, ring_.get() + at, piece);
        guard.lock();
        Took(piece);
        count += piece;
    }
    return count;
}

bool BodyQueue::Drained() const {
    const std::lock_guard guard(lock_);
    return closed_ && Available() == 0;
}

void BodyQueue::Abandon() {
    const std::lock_guard guard(lock_);
    abandoned_ = true;
    roomFreed_.notify_one();
}

void BodyQueue::Wrote(std::size_t count) {
    written_ += count;
    if (readerWants_ > 0 && Available() >= readerWants_)
        bytesAdded_.notify_one();
}

void BodyQueue::Took(std::size_t count) {
    taken_ += count;
    if (writerWants_ > 0 && Room() >= writerWants_)
        roomFreed_.notify_one();
}

} // namespace platform

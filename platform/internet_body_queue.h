// For platform/ only: the bytes of a body between the thread that receives
// them and the thread that reads them. The queue is a ring of fixed size, so
// a body of any size passes through bounded memory: a writer that finds it
// full waits for the reader.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace platform {

class BodyQueue {
public:
    explicit BodyQueue(std::size_t capacity);
    BodyQueue(const BodyQueue&) = delete;
    BodyQueue& operator=(const BodyQueue&) = delete;

    // Writer: copies all bytes in, waiting for room; false once the reader
    // has abandoned the queue.
    bool Put(const char* data, std::size_t size);
    // Writer, never waits: all bytes or none.
    bool TryPut(const char* data, std::size_t size);
    // Writer: no more bytes will come.
    void Close();

    // Reader: fills the block until it is full or the queue is closed and
    // empty; answers the count.
    std::size_t Take(char* block, std::size_t size);
    // Reader: whether the queue is closed and every byte taken.
    bool Drained() const;
    // Reader: wants no more bytes; a waiting or later Put answers false.
    void Abandon();

private:
    std::size_t Available() const { return static_cast<std::size_t>(written_ - taken_); }
    std::size_t Room() const { return capacity_ - Available(); }
    void Wrote(std::size_t count);
    void Took(std::size_t count);

    const std::size_t capacity_;
    // Uninitialised, so a small body touches only the pages it uses.
    const std::unique_ptr<char[]> ring_;
    mutable std::mutex lock_;
    std::condition_variable bytesAdded_;
    std::condition_variable roomFreed_;
    // Totals so far; their difference is what waits in the ring. Each side
    // copies outside the lock into the part the totals give it alone.
    std::uint64_t written_ = 0;
    std::uint64_t taken_ = 0;
    // What a waiting side waits for, 0 when it does not wait: the other side
    // wakes it only then, not for every piece.
    std::size_t readerWants_ = 0;
    std::size_t writerWants_ = 0;
    bool closed_ = false;
    bool abandoned_ = false;
};

} // namespace platform

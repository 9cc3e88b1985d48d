// Byte sources and sinks of the in-house libraries, with memory-backed
// implementations, and the exception the stream classes throw.
#pragma once

#include "base/KxExport.h"

#include <cstdint>
#include <string>

// A byte source.
class KX_EXPORT IKxRead {
public:
    // Delivers up to size bytes into buffer and answers how many came; 0 means
    // the source is exhausted.
    virtual std::uint32_t stRead(void* buffer, std::uint32_t size) = 0;

protected:
    ~IKxRead() = default;
};

// A byte sink.
class KX_EXPORT IKxWrite {
public:
    virtual std::uint32_t stWrite(const void* data, std::uint32_t size) = 0;

protected:
    ~IKxWrite() = default;
};

// Reads a memory block the caller owns and keeps alive. Copies read on
// independently from the same position.
class KX_EXPORT KXMemRead : public IKxRead {
public:
    KXMemRead(const void* data, std::uint32_t size);

    std::uint32_t stRead(void* buffer, std::uint32_t size) override;

private:
    const unsigned char* position_;
    std::uint32_t left_;
};

// Appends to a memory block held in the caller's variables: the block pointer
// and its size. The block is allocated with new[] and belongs to the caller,
// who frees it with delete[]. Copies append to the same block.
//
// Every write allocates a new block of exactly the new size and copies the
// whole content, so n writes cost time proportional to n squared: fine for
// small results, a poor fit for megabytes written in small chunks.
class KX_EXPORT KXMemWrite : public IKxWrite {
public:
    // Sets the caller's block pointer to null and its size to 0.
    KXMemWrite(unsigned char** block, std::uint32_t* size);

    // Appends size bytes (nothing when data is null or size is 0) and answers 0.
    // Throws std::length_error when the block would outgrow a 32-bit size, and
    // std::bad_alloc when memory runs out; the caller's block stays as it was.
    std::uint32_t stWrite(const void* data, std::uint32_t size) override;

private:
    unsigned char** block_;
    std::uint32_t* size_;
};

// Thrown by the stream classes; the code tells what failed.
class KX_EXPORT KxStreamException {
public:
    explicit KxStreamException(int code);
    virtual ~KxStreamException();

    int Code() const { return code_; }
    const char* Message() const { return message_.c_str(); }

private:
    int code_;
    std::string message_;
};

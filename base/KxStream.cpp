#include "base/KxStream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

KXMemRead::KXMemRead(const void* data, std::uint32_t size)
    : position_(static_cast<const unsigned char*>(data)), left_(size) {}

std::uint32_t KXMemRead::stRead(void* buffer, std::uint32_t size) {
    const std::uint32_t count = std::min(size, left_);
    if (count == 0)
        return 0;
    std::memcpy(buffer, position_, count);
    position_ += count;
    left_ -= count;
    return count;
}

KXMemWrite::KXMemWrite(unsigned char** block, std::uint32_t* size) : block_(block), size_(size) {
    *block_ = nullptr;
    *size_ = 0;
}

std::uint32_t KXMemWrite::stWrite(const void* data, std::uint32_t size) {
    if (data == nullptr || size == 0)
        return 0;
    const std::uint32_t oldSize = *size_;
    if (size > std::numeric_limits<std::uint32_t>::max() - oldSize)
        throw std::length_error("KXMemWrite: block would exceed 4 GB");
    unsigned char* grown = new unsigned char[oldSize + size];
    if (oldSize != 0)
        std::memcpy(grown, *block_, oldSize);
    std::memcpy(grown + oldSize, data, size);
    delete[] * block_;
    *block_ = grown;
    *size_ = oldSize + size;
    return 0;
}

KxStreamException::KxStreamException(int code) : code_(code), message_("Zlib-Fehler") {}

KxStreamException::~KxStreamException() = default;

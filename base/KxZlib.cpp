#include "base/KxZlib.h"

#include <algorithm>

namespace {

// Data moves in chunks of this size between the streams and zlib.
constexpr std::uint32_t ChunkSize = 100;

// The size of the next chunk: ChunkSize, or less when the limit is nearly used up.
std::uint32_t NextChunk(std::uint32_t limit, std::uint32_t done) {
    return limit == 0 ? ChunkSize : std::min(limit - done, ChunkSize);
}

} // namespace

std::uint32_t KxZlib::Decompress(IKxWrite& sink, IKxRead& source, std::uint32_t limit) {
    StartInflate();
    unsigned char chunk[ChunkSize];
    std::uint32_t total = 0;
    while (limit == 0 || total < limit) {
        const std::uint32_t produced = Inflate(chunk, NextChunk(limit, total), source);
        if (produced == 0)
            break;
        sink.stWrite(chunk, produced);
        total += produced;
    }
    EndInflate();
    return total;
}

std::uint32_t KxZlib::Compress(IKxWrite& sink, IKxRead& source, std::uint32_t limit) {
    StartDeflate();
    unsigned char chunk[ChunkSize];
    std::uint32_t total = 0;
    while (limit == 0 || total < limit) {
        const std::uint32_t read = source.stRead(chunk, NextChunk(limit, total));
        if (read == 0)
            break;
        DeflateChunk(chunk, read, sink);
        total += read;
    }
    FinishDeflate(sink);
    return total;
}

// The zlib decompressor (KxZlib, as qvu-zlib uses it): arbitrary bytes
// decompressed with a limit, from a source that hands them out in pieces of
// varying size; and the input compressed and decompressed again.
//
// Oracles:
// - the output is what zlib's own inflate makes of the same bytes, up to the
//   point where the data ends or turns out corrupt, cut to the limit; the
//   count answered is the output's size;
// - compressing any bytes and decompressing the result gives them back.
//
// Input: a 4-byte header (limit, piece sizes of the source), then the bytes.
#include "base/KxStream.h"
#include "base/KxZlib.h"
#include "fuzz/FuzzSupport.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

using qvufuzz::Require;

namespace {

// Hands out the bytes in pieces whose sizes follow a pattern from the input.
class PieceRead : public IKxRead {
public:
    PieceRead(const std::uint8_t* data, std::size_t size, std::uint8_t pattern)
        : data_(data), left_(size), pattern_(pattern) {}

    std::uint32_t stRead(void* buffer, std::uint32_t size) override {
        std::uint32_t piece = size;
        if (pattern_ != 0) {
            // 1 to 16 bytes, varying from call to call.
            piece = std::min<std::uint32_t>(size, 1 + ((pattern_ * ++calls_) % 16));
        }
        const std::uint32_t count = static_cast<std::uint32_t>(std::min<std::size_t>(piece, left_));
        std::memcpy(buffer, data_, count);
        data_ += count;
        left_ -= count;
        return count;
    }

private:
    const std::uint8_t* data_;
    std::size_t left_;
    std::uint8_t pattern_;
    std::uint32_t calls_ = 0;
};

class StringWrite : public IKxWrite {
public:
    std::uint32_t stWrite(const void* data, std::uint32_t size) override {
        text.append(static_cast<const char*>(data), size);
        return 0;
    }
    std::string text;
};

// zlib's own reading: everything inflate produces before the data ends or
// breaks off, at most cap bytes.
std::string Reference(const std::uint8_t* data, std::size_t size, std::size_t cap) {
    z_stream stream{};
    Require(inflateInit(&stream) == Z_OK, "inflateInit failed");
    std::string out;
    stream.next_in = const_cast<std::uint8_t*>(data);
    stream.avail_in = static_cast<uInt>(size);
    unsigned char block[4096];
    for (;;) {
        stream.next_out = block;
        stream.avail_out = sizeof block;
        const int result = inflate(&stream, Z_NO_FLUSH);
        out.append(reinterpret_cast<const char*>(block), sizeof block - stream.avail_out);
        if (result != Z_OK || out.size() >= cap)
            break;
    }
    inflateEnd(&stream);
    if (out.size() > cap)
        out.resize(cap);
    return out;
}

// Inputs that expand beyond this are cut: memory and time stay small.
constexpr std::uint32_t kOutputCap = 1u << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    // Limit 0 (none) or 1 to 65535; with none, the reference cap applies.
    std::uint32_t limit = static_cast<std::uint32_t>(data[0]) << 8 | data[1];
    const std::uint8_t pattern = data[2];
    const bool roundTrip = (data[3] & 1) != 0;
    data += 4;
    size -= 4;
    if (limit == 0 && Reference(data, size, kOutputCap + 1).size() > kOutputCap)
        limit = kOutputCap;

    KxZlib zlib;
    PieceRead source(data, size, pattern);
    StringWrite sink;
    const std::uint32_t count = zlib.Decompress(sink, source, limit);
    Require(count == sink.text.size(), "the count is not the output's size");
    const std::string expected = Reference(data, size, limit == 0 ? kOutputCap : limit);
    Require(sink.text == expected, "the output is not what zlib makes of the bytes");

    // The object is reusable after a run: the round trip goes through it.
    if (roundTrip) {
        PieceRead plain(data, size, pattern);
        StringWrite packed;
        Require(zlib.Compress(packed, plain, 0) == size, "not every byte was compressed");
        PieceRead packedSource(reinterpret_cast<const std::uint8_t*>(packed.text.data()),
                               packed.text.size(), pattern);
        StringWrite unpacked;
        zlib.Decompress(unpacked, packedSource, 0);
        Require(unpacked.text.size() == size && std::memcmp(unpacked.text.data(), data, size) == 0,
                "compressed bytes do not decompress to themselves");
    }
    return 0;
}

#include "base/KxZlib.h"

#include <algorithm>
#include <new>
#include <zlib.h>

namespace {

// Data moves in chunks of this size between the streams and zlib.
constexpr std::uint32_t ChunkSize = 100;

// The size of the next chunk: ChunkSize, or less when the limit is nearly used up.
std::uint32_t NextChunk(std::uint32_t limit, std::uint32_t done) {
    return limit == 0 ? ChunkSize : std::min(limit - done, ChunkSize);
}

[[noreturn]] void Fail(int code) {
    throw KxStreamException(code);
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

ZlibImplementation::ZlibImplementation()
    : stream_(new (std::nothrow) z_stream_s{}),
      workBuffer_(new (std::nothrow) unsigned char[workSize_]) {
    if (!stream_ || !workBuffer_)
        Fail(KxZlibOutOfMemory);
}

// A run abandoned by an exception still holds zlib's state; release it here so
// that it is not lost.
ZlibImplementation::~ZlibImplementation() {
    if (mode_ == Compressing)
        deflateEnd(stream_.get());
    else if (mode_ == Decompressing || mode_ == DecompressedDataEnded)
        inflateEnd(stream_.get());
}

void ZlibImplementation::RequireMode(Mode mode) const {
    if (mode_ != mode)
        Fail(KxZlibWrongMode);
}

void ZlibImplementation::StartDeflate() {
    RequireMode(Idle);
    *stream_ = z_stream_s{};
    if (deflateInit(stream_.get(), Z_DEFAULT_COMPRESSION) != Z_OK)
        Fail(KxZlibCompressionStartFailed);
    mode_ = Compressing;
}

void ZlibImplementation::WriteWorkBuffer(IKxWrite& sink) {
    const std::uint32_t produced = workSize_ - stream_->avail_out;
    if (produced != 0)
        sink.stWrite(workBuffer_.get(), produced);
}

void ZlibImplementation::DeflateChunk(const unsigned char* data, std::uint32_t size,
                                      IKxWrite& sink) {
    RequireMode(Compressing);
    // zlib only reads the input; its interface just lacks the const.
    stream_->next_in = const_cast<unsigned char*>(data);
    stream_->avail_in = size;
    while (stream_->avail_in != 0) {
        stream_->next_out = workBuffer_.get();
        stream_->avail_out = workSize_;
        if (deflate(stream_.get(), Z_NO_FLUSH) != Z_OK)
            Fail(KxZlibCompressionStepFailed);
        WriteWorkBuffer(sink);
    }
}

void ZlibImplementation::FinishDeflate(IKxWrite& sink) {
    RequireMode(Compressing);
    int result = Z_OK;
    while (result != Z_STREAM_END) {
        stream_->next_out = workBuffer_.get();
        stream_->avail_out = workSize_;
        result = deflate(stream_.get(), Z_FINISH);
        if (result != Z_OK && result != Z_STREAM_END)
            Fail(KxZlibCompressionStepFailed);
        WriteWorkBuffer(sink);
    }
    if (deflateEnd(stream_.get()) != Z_OK)
        Fail(KxZlibCompressionEndFailed);
    mode_ = Idle;
}

void ZlibImplementation::StartInflate() {
    RequireMode(Idle);
    *stream_ = z_stream_s{};
    if (inflateInit(stream_.get()) != Z_OK)
        Fail(KxZlibDecompressionStartFailed);
    mode_ = Decompressing;
}

std::uint32_t ZlibImplementation::Inflate(unsigned char* output, std::uint32_t size,
                                          IKxRead& source) {
    if (mode_ == DecompressedDataEnded)
        return 0;
    RequireMode(Decompressing);
    stream_->next_out = output;
    stream_->avail_out = size;
    while (stream_->avail_out != 0) {
        if (stream_->avail_in == 0) {
            stream_->next_in = workBuffer_.get();
            stream_->avail_in = source.stRead(workBuffer_.get(), workSize_);
        }
        // Anything but Z_OK ends the data: its real end, corrupt input, or
        // Z_BUF_ERROR when the source is exhausted and nothing moved. Z_OK
        // always means progress, so the loop cannot spin.
        if (inflate(stream_.get(), Z_NO_FLUSH) != Z_OK) {
            mode_ = DecompressedDataEnded;
            break;
        }
    }
    return size - stream_->avail_out;
}

void ZlibImplementation::EndInflate() {
    if (mode_ != DecompressedDataEnded)
        RequireMode(Decompressing);
    if (inflateEnd(stream_.get()) != Z_OK)
        Fail(KxZlibDecompressionEndFailed);
    mode_ = Idle;
}

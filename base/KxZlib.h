// Compression of byte streams in the zlib format (zlib header and checksum).
#pragma once

#include "base/KxExport.h"
#include "base/KxStream.h"

#include <cstdint>
#include <memory>

struct z_stream_s;

// The codes of the KxStreamException the compressor throws.
enum KxZlibError : int {
    KxZlibCompressionStartFailed = -4,
    KxZlibDecompressionStartFailed = -5,
    KxZlibCompressionStepFailed = -6,
    KxZlibCompressionEndFailed = -8,
    KxZlibDecompressionEndFailed = -9,
    KxZlibOutOfMemory = -10,
    KxZlibWrongMode = -11,
};

// Moves bytes from a source to a sink, compressed or decompressed. A limit of
// 0 means no limit. Failures throw KxStreamException.
class KX_EXPORT IKxCompressor {
public:
    // Writes at most limit decompressed bytes; answers how many were written.
    // Corrupt or truncated input ends early without an error.
    virtual std::uint32_t Decompress(IKxWrite& sink, IKxRead& source, std::uint32_t limit) = 0;
    // Compresses at most limit bytes of the source; answers how many were read.
    virtual std::uint32_t Compress(IKxWrite& sink, IKxRead& source, std::uint32_t limit) = 0;

protected:
    ~IKxCompressor() = default;
};

// One zlib stream with its work buffer, and the single steps of a compression
// or decompression run. A run that failed leaves the mode where it was, so the
// object refuses further runs (-11); its zlib stream is released on destruction.
class KX_EXPORT ZlibImplementation {
public:
    enum Mode { Idle = 0, Compressing = 1, Decompressing = 2, DecompressedDataEnded = 3 };

    ZlibImplementation(const ZlibImplementation&) = delete;
    ZlibImplementation& operator=(const ZlibImplementation&) = delete;
    virtual ~ZlibImplementation();

protected:
    // Throws -10 when the work buffer cannot be allocated.
    ZlibImplementation();

    void StartDeflate();
    // Compresses size bytes, passing whatever output zlib gives to the sink.
    void DeflateChunk(const unsigned char* data, std::uint32_t size, IKxWrite& sink);
    // Flushes the rest of the compressed stream to the sink and ends it.
    void FinishDeflate(IKxWrite& sink);

    void StartInflate();
    // Produces up to size bytes of decompressed output, refilling the input from
    // the source. Answers fewer once the compressed data ended, broke off or
    // turned out corrupt; from then on it answers 0.
    std::uint32_t Inflate(unsigned char* output, std::uint32_t size, IKxRead& source);
    void EndInflate();

private:
    void RequireMode(Mode mode) const;
    void WriteWorkBuffer(IKxWrite& sink);

    Mode mode_ = Idle;

    std::unique_ptr<z_stream_s> stream_;
    // The size comes first: the constructor allocates the buffer with it.
    std::uint32_t workSize_ = 113;
    std::unique_ptr<unsigned char[]> workBuffer_;
};

class KX_EXPORT KxZlib : public ZlibImplementation, public IKxCompressor {
public:
    KxZlib() = default;

    std::uint32_t Decompress(IKxWrite& sink, IKxRead& source, std::uint32_t limit) override;
    std::uint32_t Compress(IKxWrite& sink, IKxRead& source, std::uint32_t limit) override;
};

#include "base/KxZlib.h"
#include "base/KxStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

// A source over its own copy of a string that records every read.
class RecordingRead : public IKxRead {
public:
    explicit RecordingRead(std::string data)
        : data_(std::move(data)), memory_(data_.data(), static_cast<std::uint32_t>(data_.size())) {}

    std::uint32_t stRead(void* buffer, std::uint32_t size) override {
        requested.push_back(size);
        delivered.push_back(memory_.stRead(buffer, size));
        return delivered.back();
    }

    std::vector<std::uint32_t> requested;
    std::vector<std::uint32_t> delivered;

private:
    std::string data_;
    KXMemRead memory_;
};

// A sink that appends to a string (linear cost, for large data) and records
// the size of every write.
class StringWrite : public IKxWrite {
public:
    std::uint32_t stWrite(const void* data, std::uint32_t size) override {
        text.append(static_cast<const char*>(data), size);
        writes.push_back(size);
        return 0;
    }

    std::string text;
    std::vector<std::uint32_t> writes;
};

std::string Compressed(const std::string& data) {
    KxZlib zlib;
    RecordingRead source(data);
    StringWrite sink;
    zlib.Compress(sink, source, 0);
    return sink.text;
}

std::string Decompressed(const std::string& data, std::uint32_t limit = 0) {
    KxZlib zlib;
    RecordingRead source(data);
    StringWrite sink;
    const std::uint32_t count = zlib.Decompress(sink, source, limit);
    EXPECT_EQ(count, sink.text.size());
    return sink.text;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator());
    return bytes;
}

std::string CompressibleText(std::size_t size) {
    std::string text;
    for (int line = 0; text.size() < size; ++line)
        text += "line " + std::to_string(line % 977) + ": the quick brown fox\n";
    text.resize(size);
    return text;
}

std::uint32_t Adler32(const std::string& data) {
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

int ErrorCode(auto&& operation) {
    try {
        operation();
    } catch (const KxStreamException& e) {
        return e.Code();
    }
    return 0;
}

// --- Compressing and limits ---

TEST(KxZlibTest, CompressReadsInChunksOfAHundredUntilTheSourceGivesNothing) {
    const std::string data = CompressibleText(250);
    KxZlib zlib;
    RecordingRead source(data);
    StringWrite sink;
    EXPECT_EQ(zlib.Compress(sink, source, 0), 250u);
    EXPECT_EQ(source.delivered, (std::vector<std::uint32_t>{100, 100, 50, 0}));

    unsigned char* block = nullptr;
    std::uint32_t size = 0;
    KXMemWrite restored(&block, &size);
    KXMemRead compressed(sink.text.data(), static_cast<std::uint32_t>(sink.text.size()));
    EXPECT_EQ(zlib.Decompress(restored, compressed, 0), 250u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block), size), data);
    delete[] block;
}

TEST(KxZlibTest, CompressLimitReadsNoFurtherAndGivesACompleteStream) {
    const std::string data = CompressibleText(250);
    KxZlib zlib;
    RecordingRead source(data);
    StringWrite sink;
    EXPECT_EQ(zlib.Compress(sink, source, 120), 120u);
    EXPECT_EQ(source.requested, (std::vector<std::uint32_t>{100, 20}));
    EXPECT_EQ(Decompressed(sink.text), data.substr(0, 120));
}

TEST(KxZlibTest, DecompressLimitWritesNoMoreThanTheLimit) {
    const std::string data = CompressibleText(1000);
    KxZlib zlib;
    RecordingRead source(Compressed(data));
    StringWrite sink;
    EXPECT_EQ(zlib.Decompress(sink, source, 120), 120u);
    EXPECT_EQ(sink.writes, (std::vector<std::uint32_t>{100, 20}));
    EXPECT_EQ(sink.text, data.substr(0, 120));
}

TEST(KxZlibTest, LimitAboveTheDataSizeGivesEverything) {
    const std::string data = CompressibleText(250);
    EXPECT_EQ(Decompressed(Compressed(data), 5000), data);
}

TEST(KxZlibTest, EmptySourceGivesAStreamOfNothing) {
    const std::string compressed = Compressed("");
    EXPECT_EQ(compressed, std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8));
    EXPECT_EQ(Decompressed(compressed), "");
}

// --- The zlib format ---

TEST(KxZlibTest, OutputCarriesTheZlibHeaderAndChecksum) {
    const std::string data = RandomBytes(3000, 1);
    const std::string compressed = Compressed(data);
    ASSERT_GT(compressed.size(), 6u);
    EXPECT_EQ(compressed.substr(0, 2), "\x78\x9c");
    const std::uint32_t checksum = Adler32(data);
    const std::string trailer = {static_cast<char>(checksum >> 24),
                                 static_cast<char>(checksum >> 16),
                                 static_cast<char>(checksum >> 8), static_cast<char>(checksum)};
    EXPECT_EQ(compressed.substr(compressed.size() - 4), trailer);
}

TEST(KxZlibTest, ReadsWhatOtherZlibWritersProduce) {
    EXPECT_EQ(Decompressed(std::string("\x78\x9c\xcb\x48\xcd\xc9\xc9\x07\x00\x06\x2c\x02\x15", 13)),
              "hello");
}

TEST(KxZlibTest, LargeDataSurvivesTheRoundTrip) {
    const std::string random = RandomBytes(1 << 20, 3);
    EXPECT_EQ(Decompressed(Compressed(random)), random);
    const std::string text = CompressibleText(1 << 20);
    const std::string compressed = Compressed(text);
    EXPECT_LT(compressed.size(), text.size() / 10);
    EXPECT_EQ(Decompressed(compressed), text);
}

// --- Broken input ---

TEST(KxZlibTest, CorruptOrTruncatedInputEndsEarlyWithoutAnError) {
    const std::string data = CompressibleText(20000);
    const std::string good = Compressed(data);
    std::string flipped = good;
    for (std::size_t i = 40; i < flipped.size() - 10; i += 97)
        flipped[i] = static_cast<char>(~flipped[i]);
    std::string badHeader = good;
    badHeader[0] = 0x12;
    const std::vector<std::pair<const char*, std::string>> inputs = {
        {"empty", ""},
        {"garbage", RandomBytes(2000, 5)},
        {"bad header", badHeader},
        {"truncated", good.substr(0, good.size() / 2)},
        {"header only", good.substr(0, 2)},
        {"flipped bytes", flipped},
    };
    KxZlib zlib;
    for (const auto& [name, input] : inputs) {
        SCOPED_TRACE(name);
        RecordingRead source(input);
        StringWrite sink;
        std::uint32_t count = 0;
        EXPECT_NO_THROW(count = zlib.Decompress(sink, source, 0));
        EXPECT_LT(count, data.size());
        EXPECT_EQ(count, sink.text.size());
    }
    // The compressor is ready for the next run.
    EXPECT_EQ(Decompressed(good), data);
}

TEST(KxZlibTest, RandomDamageNeverThrowsOrHangs) {
    const std::string good = Compressed(CompressibleText(3000) + RandomBytes(500, 8));
    std::mt19937 generator(9);
    KxZlib zlib;
    for (int round = 0; round < 300; ++round) {
        std::string damaged = good.substr(0, generator() % (good.size() + 1));
        for (int flips = 1 + generator() % 3; flips > 0 && !damaged.empty(); --flips)
            damaged[generator() % damaged.size()] ^= static_cast<char>(1 + generator() % 255);
        RecordingRead source(damaged);
        StringWrite sink;
        EXPECT_NO_THROW(zlib.Decompress(sink, source, 0)) << "round " << round;
    }
}

TEST(KxZlibTest, TruncatedInputGivesTheDataUpToTheBreak) {
    const std::string data = CompressibleText(20000);
    const std::string good = Compressed(data);
    const std::string restored = Decompressed(good.substr(0, good.size() - 100));
    EXPECT_GT(restored.size(), 0u);
    EXPECT_LT(restored.size(), data.size());
    EXPECT_EQ(restored, data.substr(0, restored.size()));
}

TEST(KxZlibTest, WrongChecksumIsNotReported) {
    const std::string data = CompressibleText(300);
    std::string compressed = Compressed(data);
    compressed.back() = static_cast<char>(compressed.back() ^ 1);
    EXPECT_EQ(Decompressed(compressed), data);
}

// --- Modes ---

// A sink that starts another run on the compressor that writes into it.
class ReentrantWrite : public IKxWrite {
public:
    ReentrantWrite(KxZlib& zlib, bool compress) : zlib_(zlib), compress_(compress) {}

    std::uint32_t stWrite(const void*, std::uint32_t) override {
        StringWrite sink;
        KXMemRead source(nullptr, 0);
        if (compress_)
            zlib_.Compress(sink, source, 0);
        else
            zlib_.Decompress(sink, source, 0);
        return 0;
    }

private:
    KxZlib& zlib_;
    bool compress_;
};

TEST(KxZlibTest, RunStartedDuringAnotherRaisesWrongModeAndBlocksTheCompressor) {
    const std::string data = CompressibleText(250);
    KxZlib decompressing;
    ReentrantWrite compressInSink(decompressing, true);
    RecordingRead compressed(Compressed(data));
    EXPECT_EQ(ErrorCode([&] { decompressing.Decompress(compressInSink, compressed, 0); }), -11);
    RecordingRead source(data);
    StringWrite sink;
    EXPECT_EQ(ErrorCode([&] { decompressing.Compress(sink, source, 0); }), -11);

    KxZlib compressing;
    ReentrantWrite decompressInSink(compressing, false);
    EXPECT_EQ(ErrorCode([&] { compressing.Compress(decompressInSink, source, 0); }), -11);
    EXPECT_EQ(ErrorCode([&] { compressing.Decompress(sink, compressed, 0); }), -11);
}

TEST(KxZlibTest, CompressorAbandonedByAnExceptionRefusesNewRuns) {
    class FailingWrite : public IKxWrite {
        std::uint32_t stWrite(const void*, std::uint32_t) override {
            throw std::runtime_error("disk full");
        }
    } failing;
    const std::string data = RandomBytes(1000, 6);
    KxZlib zlib;
    RecordingRead source(data);
    EXPECT_THROW(zlib.Compress(failing, source, 0), std::runtime_error);
    StringWrite sink;
    EXPECT_EQ(ErrorCode([&] { zlib.Compress(sink, source, 0); }), -11);
    EXPECT_EQ(ErrorCode([&] { zlib.Decompress(sink, source, 0); }), -11);
}

} // namespace

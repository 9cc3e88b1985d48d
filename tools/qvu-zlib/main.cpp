// qvu-zlib: compresses or decompresses a file in the zlib format with the
// in-house streams and compressor.
//   qvu-zlib -c IN OUT          compress IN into OUT
//   qvu-zlib -d IN OUT [LIMIT]  decompress IN into OUT, at most LIMIT bytes
// Exit status: 0 done, 1 a file or the compressor failed, 2 bad arguments.

#include "base/KxStream.h"
#include "base/KxZlib.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

// A sink that writes straight into an open file.
class FileWrite : public IKxWrite {
public:
    explicit FileWrite(std::ofstream& file) : file_(file) {}

    std::uint32_t stWrite(const void* data, std::uint32_t size) override {
        file_.write(static_cast<const char*>(data), size);
        return 0;
    }

private:
    std::ofstream& file_;
};

int Usage() {
    std::cerr << "usage: qvu-zlib -c IN OUT          compress IN into OUT\n"
                 "       qvu-zlib -d IN OUT [LIMIT]  decompress IN into OUT, at most LIMIT "
                 "bytes (0: all)\n";
    return 2;
}

int Failure(const std::string& text) {
    std::cerr << "qvu-zlib: " << text << "\n";
    return 1;
}

std::optional<std::uint32_t> ParseLimit(const char* text) {
    std::uint32_t value = 0;
    const char* end = text + std::strlen(text);
    const auto [stop, error] = std::from_chars(text, end, value);
    if (error != std::errc() || stop != end || stop == text)
        return std::nullopt;
    return value;
}

std::optional<std::vector<char>> ReadWholeFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::vector<char> content((std::istreambuf_iterator<char>(file)),
                              std::istreambuf_iterator<char>());
    if (file.bad())
        return std::nullopt;
    return content;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5)
        return Usage();
    const std::string mode = argv[1];
    const bool compress = mode == "-c";
    if (!compress && mode != "-d")
        return Usage();
    if (compress && argc != 4)
        return Usage();
    const std::optional<std::uint32_t> limit = argc == 5 ? ParseLimit(argv[4]) : 0;
    if (!limit)
        return Usage();

    const std::optional<std::vector<char>> input = ReadWholeFile(argv[2]);
    if (!input)
        return Failure(std::string("cannot read ") + argv[2]);
    if (input->size() > std::numeric_limits<std::uint32_t>::max())
        return Failure(std::string(argv[2]) + " is larger than 4 GB");
    std::ofstream output(argv[3], std::ios::binary | std::ios::trunc);
    if (!output)
        return Failure(std::string("cannot create ") + argv[3]);

    KXMemRead source(input->data(), static_cast<std::uint32_t>(input->size()));
    FileWrite sink(output);
    std::uint32_t count = 0;
    try {
        KxZlib zlib;
        count = compress ? zlib.Compress(sink, source, 0) : zlib.Decompress(sink, source, *limit);
    } catch (const KxStreamException& e) {
        return Failure(std::string(e.Message()) + " (code " + std::to_string(e.Code()) + ")");
    }
    output.close();
    if (!output)
        return Failure(std::string("cannot write ") + argv[3]);
    if (compress)
        std::cout << argv[2] << ": " << count << " bytes compressed into " << argv[3] << "\n";
    else
        std::cout << argv[2] << ": " << count << " bytes decompressed into " << argv[3] << "\n";
    return 0;
}

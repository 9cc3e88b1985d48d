#include "tests/platform/InternetTestSupport.h"

#include "platform/errors.h"

#include <algorithm>
#include <fstream>
#include <random>

namespace qvutest {

BodyReading ReadBody(HINTERNET file, DWORD blockSize, std::size_t maxReads) {
    BodyReading reading;
    std::vector<char> block(blockSize);
    for (std::size_t i = 0; i < maxReads; ++i) {
        DWORD count = 0;
        if (!InternetReadFile(file, block.data(), blockSize, &count)) {
            reading.failed = true;
            reading.error = GetLastError();
            break;
        }
        reading.counts.push_back(count);
        reading.bytes.append(block.data(), count);
        if (count < blockSize)
            break;
    }
    return reading;
}

ServedFolder::ServedFolder() : path_(root_.Folder() / "www") {
    // The tests talk to 127.0.0.1 directly, whatever proxy the machine has.
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        environment_.Unset(name);
    std::filesystem::create_directories(path_);
}

void ServedFolder::Write(const std::string& name, std::size_t size) {
    const std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream stream(file, std::ios::binary);
    std::mt19937 random(static_cast<unsigned>(size));
    std::string piece;
    for (std::size_t left = size; left > 0; left -= piece.size()) {
        piece.resize(std::min<std::size_t>(left, 1 << 20));
        for (char& c : piece)
            c = static_cast<char>(random());
        stream.write(piece.data(), static_cast<std::streamsize>(piece.size()));
    }
}

std::string ServedFolder::Put(const std::string& name, std::size_t size) {
    Write(name, size);
    return ReadFile(path_ / name);
}

} // namespace qvutest

#include "update/PackageDigest.h"

#include "platform/files.h"

namespace {

constexpr DWORD kBlockSize = 8192;

int LowerHexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<Md5Bytes> DigestOfRest(HANDLE file) {
    Md5Digest digest;
    unsigned char block[kBlockSize];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, block, kBlockSize, &read, nullptr))
            return std::nullopt;
        if (read == 0)
            return digest.Final();
        digest.Update(block, read);
    }
}

} // namespace

std::optional<Md5Bytes> ParseDigestText(const char* digestText) {
    if (digestText == nullptr)
        return std::nullopt;
    Md5Bytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        // The high digit is checked first, so the string's end stops the scan
        // before its terminator could be passed.
        const int high = LowerHexValue(digestText[2 * i]);
        if (high < 0)
            return std::nullopt;
        const int low = LowerHexValue(digestText[2 * i + 1]);
        if (low < 0)
            return std::nullopt;
        bytes[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return bytes;
}

bool PackageMatchesDigest(HANDLE file, const char* digestText) {
    const std::optional<Md5Bytes> expected = ParseDigestText(digestText);
    if (!expected)
        return false;
    const std::optional<Md5Bytes> actual = DigestOfRest(file);
    return actual && *actual == *expected;
}

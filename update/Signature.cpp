#include "update/Signature.h"

#include "platform/crypto.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

namespace {

constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
constexpr std::string_view kTrustedPrefix = "trusted comment: ";
constexpr std::string_view kTimestampField = "timestamp:";
constexpr std::string_view kLegacyAlgorithm = "Ed";
constexpr std::string_view kPrehashedAlgorithm = "ED";
constexpr std::size_t kMaxPublicKeyFileSize = 4096;

// The next line of rest without its end (LF or CR LF), and rest moved past
// it; nothing at the end of the text.
std::optional<std::string_view> NextLine(std::string_view& rest) {
    if (rest.empty())
        return std::nullopt;
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// Decodes a base64 line that must hold exactly out's size in bytes.
template <std::size_t N>
bool DecodeExactly(std::string_view line, std::array<unsigned char, N>& out) {
    // An empty length would mean a terminated text to the decoder.
    if (line.empty() || line.size() > kMaxSignatureFileSize)
        return false;
    DWORD size = static_cast<DWORD>(out.size());
    return CryptStringToBinaryA(line.data(), static_cast<DWORD>(line.size()), CRYPT_STRING_BASE64,
                                out.data(), &size, nullptr, nullptr) &&
           size == out.size();
}

// The algorithm named by the first two decoded bytes.
template <std::size_t N> std::string_view AlgorithmOf(const std::array<unsigned char, N>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), 2};
}

template <std::size_t N, std::size_t M>
void Take(const std::array<unsigned char, N>& bytes, std::size_t offset,
          std::array<unsigned char, M>& out) {
    static_assert(M <= N);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), M, out.begin());
}

std::string KeyIdText(const MinisignKeyId& keyId) {
    unsigned long long number = 0;
    for (std::size_t i = keyId.size(); i-- > 0;)
        number = number << 8 | keyId[i];
    char text[17];
    std::snprintf(text, sizeof text, "%llX", number);
    return text;
}

// The seconds of the trusted comment's "timestamp:" field (fields are
// separated by tabs, as minisign writes them); nothing when it has none or
// it is not a number.
std::optional<std::uint64_t> TimestampOf(std::string_view comment) {
    for (std::string_view rest = comment;;) {
        const std::size_t tab = rest.find('\t');
        const std::string_view field = rest.substr(0, tab);
        if (field.starts_with(kTimestampField)) {
            const std::string_view digits = field.substr(kTimestampField.size());
            std::uint64_t seconds = 0;
            const auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), seconds);
            if (!digits.empty() && digits.front() != '+' && digits.front() != '-' &&
                error == std::errc() && end == digits.data() + digits.size())
                return seconds;
            return std::nullopt;
        }
        if (tab == std::string_view::npos)
            return std::nullopt;
        rest.remove_prefix(tab + 1);
    }
}

bool Verify(const MinisignPublicKey& key, std::string_view message,
            const std::array<unsigned char, 64>& signature) {
    return VerifyEd25519Signature(key.key.data(), message.data(), message.size(),
                                  signature.data()) != FALSE;
}

bool HashBlake2b512(std::string_view bytes, std::array<unsigned char, 64>& hash) {
    if (bytes.size() > std::numeric_limits<ULONG>::max())
        return false;
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&algorithm, QVU_BLAKE2B512_ALGORITHM, nullptr, 0)))
        return false;
    const NTSTATUS status =
        BCryptHash(algorithm, nullptr, 0, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<ULONG>(bytes.size()), hash.data(), static_cast<ULONG>(hash.size()));
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return BCRYPT_SUCCESS(status);
}

} // namespace

std::optional<MinisignPublicKey> ParseMinisignPublicKey(std::string_view text) {
    if (text.size() > kMaxPublicKeyFileSize)
        return std::nullopt;
    std::optional<std::string_view> line = NextLine(text);
    if (line && line->starts_with(kUntrustedPrefix))
        line = NextLine(text);
    // "Ed", the key id, the key.
    std::array<unsigned char, 2 + 8 + 32> bytes;
    if (!line || !DecodeExactly(*line, bytes) || AlgorithmOf(bytes) != kLegacyAlgorithm)
        return std::nullopt;
    MinisignPublicKey key;
    Take(bytes, 2, key.keyId);
    Take(bytes, 2 + 8, key.key);
    return key;
}

std::optional<MinisignSignature> ParseMinisignSignature(std::string_view text) {
    if (text.size() > kMaxSignatureFileSize)
        return std::nullopt;
    const std::optional<std::string_view> untrusted = NextLine(text);
    const std::optional<std::string_view> signatureLine = NextLine(text);
    const std::optional<std::string_view> trusted = NextLine(text);
    const std::optional<std::string_view> globalLine = NextLine(text);
    if (!globalLine || !untrusted->starts_with(kUntrustedPrefix) ||
        !trusted->starts_with(kTrustedPrefix))
        return std::nullopt;
    // The algorithm, the key id, the signature.
    std::array<unsigned char, 2 + 8 + 64> bytes;
    MinisignSignature signature;
    if (!DecodeExactly(*signatureLine, bytes) ||
        !DecodeExactly(*globalLine, signature.globalSignature))
        return std::nullopt;
    if (AlgorithmOf(bytes) == kPrehashedAlgorithm)
        signature.prehashed = true;
    else if (AlgorithmOf(bytes) != kLegacyAlgorithm)
        return std::nullopt;
    Take(bytes, 2, signature.keyId);
    Take(bytes, 2 + 8, signature.signature);
    signature.trustedComment = trusted->substr(kTrustedPrefix.size());
    return signature;
}

SignatureResult VerifyMinisignSignature(std::string_view fileBytes, std::string_view signatureText,
                                        const std::vector<MinisignPublicKey>& trustedKeys) {
    SignatureResult result;
    const std::optional<MinisignSignature> signature = ParseMinisignSignature(signatureText);
    if (!signature)
        return result;
    result.keyId = KeyIdText(signature->keyId);
    result.check = SignatureCheck::UnknownKey;
    // What the file's signature signs: the file itself, or its hash.
    std::string_view message = fileBytes;
    std::array<unsigned char, 64> hash;
    const bool messageKnown = !signature->prehashed || HashBlake2b512(fileBytes, hash);
    if (signature->prehashed)
        message = {reinterpret_cast<const char*>(hash.data()), hash.size()};
    for (const MinisignPublicKey& key : trustedKeys) {
        if (key.keyId != signature->keyId)
            continue;
        result.check = SignatureCheck::BadSignature;
        if (!messageKnown || !Verify(key, message, signature->signature))
            continue;
        // The global signature binds the trusted comment to the signature.
        std::string global(reinterpret_cast<const char*>(signature->signature.data()),
                           signature->signature.size());
        global += signature->trustedComment;
        if (!Verify(key, global, signature->globalSignature)) {
            result.check = SignatureCheck::BadGlobalSignature;
            return result;
        }
        result.check = SignatureCheck::Ok;
        result.trustedComment = signature->trustedComment;
        result.timestamp = TimestampOf(signature->trustedComment);
        return result;
    }
    return result;
}

// Feeds arbitrary files to the minisign readers: as a signature file checked
// against one description file with the publisher's key, and as a public key.
//
// Oracles: a signature file the reader refuses is Malformed to the check and
// nothing over 4 KiB is read; without trusted keys nothing is Ok; and only the
// publisher's own signatures verify, so an Ok carries the one trusted comment
// it signed, with its time. The seed corpus holds those signatures (prehashed
// and legacy) and the key.
#include "fuzz/FuzzSupport.h"
#include "update/Signature.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using qvufuzz::Require;

namespace {

constexpr std::string_view kFile = "[QVU.ini]\r\nver=3.1\r\n[QVU.end]\r\nver=3.1\r\n";
constexpr std::string_view kPublisherKey =
    "RWRxafzuOgs/InvJYTIxjEbQAFncD7eiOsWbhorUQl0WcwanRhRVZJuc";
constexpr std::string_view kSignedComment = "timestamp:1700000000\tfile:QVU.ini";
constexpr std::uint64_t kSignedTime = 1700000000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const MinisignPublicKey publisher = ParseMinisignPublicKey(kPublisherKey).value();
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::optional<MinisignSignature> signature = ParseMinisignSignature(text);
    Require(!signature || size <= kMaxSignatureFileSize, "an oversized signature file was read");
    const std::optional<MinisignPublicKey> inputKey = ParseMinisignPublicKey(text);
    Require(!inputKey || size <= 4096, "an oversized public key was read");

    const SignatureCheck untrusted = VerifyMinisignSignature(kFile, text, {}).check;
    Require(untrusted == (signature ? SignatureCheck::UnknownKey : SignatureCheck::Malformed),
            "a signature checked without trusted keys");

    const SignatureResult result = VerifyMinisignSignature(kFile, text, {publisher});
    Require((result.check == SignatureCheck::Malformed) == !signature,
            "the check and the reader disagree on the file's form");
    if (result.check == SignatureCheck::Ok) {
        Require(result.trustedComment == kSignedComment && result.timestamp == kSignedTime,
                "a signature the publisher did not make verified");
        Require(signature->trustedComment == result.trustedComment,
                "the trusted comment is not the one read");
    } else {
        Require(result.trustedComment.empty() && !result.timestamp,
                "a failed check answered a trusted comment");
    }
    return 0;
}

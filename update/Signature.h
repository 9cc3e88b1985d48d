// Signatures of the description file in minisign's format: the publisher signs
// QVU.ini with minisign and publishes QVU.ini.minisig beside it; the
// administrator trusts one or more minisign public keys. Everything read here
// comes from outside and is bounded before it is looked at.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The 8 bytes minisign draws at random for a key pair, which every signature
// repeats, so that the key that made it is found without trying them all.
using MinisignKeyId = std::array<unsigned char, 8>;

struct MinisignPublicKey {
    MinisignKeyId keyId{};
    std::array<unsigned char, 32> key{}; // Ed25519
};

// A public key as minisign writes it: a .pub file ("untrusted comment: ..."
// line, then the key line), or the key line alone, as `minisign -P` takes
// it. The key line is the base64 of "Ed", the key id and the 32-byte key.
// Lines end with LF or CR LF; what follows the key line is not read, as
// minisign reads no further. Nothing for any other text or one over 4 KiB.
std::optional<MinisignPublicKey> ParseMinisignPublicKey(std::string_view text);

// A signature file (.minisig), as minisign writes it: four lines, ending with
// LF or CR LF (the last may lack its end; anything after it is not read):
//   untrusted comment: <anything>
//   base64 of the algorithm ("Ed": the file itself is signed; "ED": its
//     BLAKE2b-512 hash), the key id and the 64-byte signature
//   trusted comment: <text>
//   base64 of the 64-byte global signature of the signature and the text
struct MinisignSignature {
    bool prehashed = false; // "ED"
    MinisignKeyId keyId{};
    std::array<unsigned char, 64> signature{};
    std::string trustedComment; // as signed: any bytes but a line end
    std::array<unsigned char, 64> globalSignature{};
};

// Files larger than this are not signature files: the reader refuses them
// unread.
constexpr std::size_t kMaxSignatureFileSize = 4096;

// The signature file's parts; nothing for any other text, or one larger than
// kMaxSignatureFileSize.
std::optional<MinisignSignature> ParseMinisignSignature(std::string_view text);

enum class SignatureCheck {
    Ok,
    Malformed,          // not a signature file (ParseMinisignSignature)
    UnknownKey,         // no trusted key has the signature's key id
    BadSignature,       // the file is not the one signed
    BadGlobalSignature, // the trusted comment is not the one signed
};

struct SignatureResult {
    SignatureCheck check = SignatureCheck::Malformed;
    // The signature's key id as minisign prints it (the 8 bytes read as a
    // little-endian number, in upper-case hexadecimal), once the file was
    // read: which key an administrator lacks.
    std::string keyId;
    // With Ok only: the trusted comment, as signed (it may hold control
    // characters: strip them before a terminal or a log), and the signing
    // time from its "timestamp:SECONDS" field, when it has one.
    std::string trustedComment;
    std::optional<std::uint64_t> timestamp;
};

// Checks that fileBytes are what the signature file signatureText signs, with
// one of the trusted keys, and that its trusted comment is the one signed.
// Keys sharing the signature's key id are tried in order; the first that
// verifies the file counts. Changes nothing.
SignatureResult VerifyMinisignSignature(std::string_view fileBytes, std::string_view signatureText,
                                        const std::vector<MinisignPublicKey>& trustedKeys);

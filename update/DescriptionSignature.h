// Whether the stored description file comes from a publisher the machine
// trusts: its minisign signature, fetched from beside it on the update
// server, made with one of the public keys an administrator configured, and
// not older than the last signed description accepted from that server.
//
// The machine's settings, below HKEY_LOCAL_MACHINE\Software\Kaltrex\Quorvane Zelvo Update\:
//   Trusted Keys\          one REG_SZ value per trusted key, of any name: a
//                          minisign public key (its key line, or the whole
//                          .pub file); several at once while keys rotate
//   Signed Descriptions\   per description address, the signing time
//                          (seconds, REG_SZ decimal) of the last one accepted
#pragma once

#include <cstdint>
#include <string>

inline constexpr char kUpdateManagerKey[] = "Software\\Kaltrex\\Quorvane Zelvo Update";
inline constexpr char kTrustedKeysKey[] = "Software\\Kaltrex\\Quorvane Zelvo Update\\Trusted Keys";
inline constexpr char kSignedDescriptionsKey[] =
    "Software\\Kaltrex\\Quorvane Zelvo Update\\Signed Descriptions";

enum class DescriptionTrust {
    Unsigned,           // no key is trusted: the description is used unsigned
    Verified,           // signed with a trusted key, not replayed
    Missing,            // keys are trusted, but no signature file came
    Malformed,          // what came is no signature file (or one over 4 KiB)
    UnknownKey,         // signed with a key that is not trusted
    BadSignature,       // the signature is not that of this description
    BadGlobalSignature, // its trusted comment was changed
    Replayed,           // signed before the description accepted last
};

struct DescriptionTrustResult {
    DescriptionTrust trust = DescriptionTrust::Unsigned;
    // The signature's key id, as minisign prints it, once it was read.
    std::string keyId;
    // The trusted comment with its control characters shown (Verified).
    std::string trustedComment;
    // The signing time, and the last one accepted (Verified, Replayed).
    std::uint64_t signedAt = 0;
    std::uint64_t acceptedBefore = 0;

    bool Accepted() const {
        return trust == DescriptionTrust::Unsigned || trust == DescriptionTrust::Verified;
    }
};

// Checks the description stored at descriptionPath, fetched from
// descriptionAddress: with no trusted key, Unsigned at once; otherwise fetches
// descriptionAddress + ".minisig" (at most 4 KiB, stored beside the
// description) and verifies it. A verified description's signing time is
// remembered for its address (when this account may write the machine's
// settings); one older than the time remembered is Replayed, the same time
// passes. A signature without a time counts as the oldest.
DescriptionTrustResult CheckDescriptionSignature(const std::string& descriptionPath,
                                                 const std::string& descriptionAddress);

// One line for the update and trace logs: "not signed", "signature verified
// (key ..., ...)", or why the description was refused.
std::string DescribeDescriptionTrust(const DescriptionTrustResult& result);

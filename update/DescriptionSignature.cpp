#include "update/DescriptionSignature.h"

#include "base/VisibleText.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "update/Download.h"
#include "update/Signature.h"
#include "update/UpdateDescription.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

namespace {

// At most limit bytes of the file at path; nothing when it cannot be read or
// is longer.
std::optional<std::string> ReadSmallFile(const std::string& path, DWORD limit) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string bytes(limit + 1, '\0');
    DWORD total = 0;
    DWORD got = 0;
    while (total < bytes.size() &&
           ReadFile(file, bytes.data() + total, static_cast<DWORD>(bytes.size()) - total, &got,
                    nullptr) &&
           got > 0)
        total += got;
    CloseHandle(file);
    if (total > limit)
        return std::nullopt;
    bytes.resize(total);
    return bytes;
}

// Every key the administrator trusts; a value that is no public key is
// passed over (the administrator's tool reads them back to check).
std::vector<MinisignPublicKey> TrustedKeys() {
    std::vector<MinisignPublicKey> keys;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kTrustedKeysKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return keys;
    char name[256];
    std::vector<BYTE> data(2 * kMaxSignatureFileSize);
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD dataSize = static_cast<DWORD>(data.size());
        const LONG found =
            RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data.data(), &dataSize);
        if (found == ERROR_NO_MORE_ITEMS)
            break;
        if (found != ERROR_SUCCESS || type != REG_SZ)
            continue;
        const std::string text(reinterpret_cast<const char*>(data.data()), dataSize);
        if (auto parsed = ParseMinisignPublicKey(text.c_str()))
            keys.push_back(*parsed);
    }
    RegCloseKey(key);
    return keys;
}

// The signing time last accepted from address, 0 when none.
std::uint64_t AcceptedTime(HKEY times, const std::string& address) {
    char text[32] = {};
    DWORD size = sizeof text - 1;
    DWORD type = 0;
    std::uint64_t seconds = 0;
    if (RegQueryValueExA(times, address.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text),
                         &size) == ERROR_SUCCESS &&
        type == REG_SZ)
        std::from_chars(text, text + std::char_traits<char>::length(text), seconds);
    return seconds;
}

void CheckNotReplayed(const std::string& address, DescriptionTrustResult& result) {
    HKEY times = nullptr;
    const bool writable =
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSignedDescriptionsKey, 0, nullptr, 0,
                        KEY_READ | KEY_WRITE, nullptr, &times, nullptr) == ERROR_SUCCESS;
    if (!writable && RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSignedDescriptionsKey, 0, KEY_READ,
                                   &times) != ERROR_SUCCESS)
        return;
    result.acceptedBefore = AcceptedTime(times, address);
    if (result.signedAt < result.acceptedBefore) {
        result.trust = DescriptionTrust::Replayed;
    } else if (writable && result.signedAt > result.acceptedBefore) {
        const std::string text = std::to_string(result.signedAt);
        RegSetValueExA(times, address.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }
    RegCloseKey(times);
}

DescriptionTrust TrustOf(SignatureCheck check) {
    switch (check) {
    case SignatureCheck::Ok:
        return DescriptionTrust::Verified;
    case SignatureCheck::UnknownKey:
        return DescriptionTrust::UnknownKey;
    case SignatureCheck::BadSignature:
        return DescriptionTrust::BadSignature;
    case SignatureCheck::BadGlobalSignature:
        return DescriptionTrust::BadGlobalSignature;
    case SignatureCheck::Malformed:
        break;
    }
    return DescriptionTrust::Malformed;
}

} // namespace

DescriptionTrustResult CheckDescriptionSignature(const std::string& descriptionPath,
                                                 const std::string& descriptionAddress) {
    DescriptionTrustResult result;
    const std::vector<MinisignPublicKey> keys = TrustedKeys();
    if (keys.empty())
        return result;

    const std::string signaturePath = descriptionPath + ".minisig";
    DownloadChecks checks;
    checks.byteLimit = kMaxSignatureFileSize;
    checks.wholeWithinReceiveTimeout = true;
    const DownloadResult fetched = DownloadToFile((descriptionAddress + ".minisig").c_str(),
                                                  signaturePath.c_str(), nullptr, nullptr, checks);
    const std::optional<std::string> signature =
        ReadSmallFile(signaturePath, kMaxSignatureFileSize);
    const std::optional<std::string> description =
        ReadSmallFile(descriptionPath, kDescriptionSizeLimit);
    // What answers for a signature that is not there (nothing, or the
    // server's error page) is no signature file at all.
    constexpr std::string_view kSignatureStart = "untrusted comment:";
    if (fetched.bytes == 0 || fetched.WriteFailed() || !description ||
        (signature && signature->compare(0, kSignatureStart.size(), kSignatureStart) != 0)) {
        result.trust = DescriptionTrust::Missing;
        return result;
    }
    if (!signature) {
        result.trust = DescriptionTrust::Malformed;
        return result;
    }

    const SignatureResult checked = VerifyMinisignSignature(*description, *signature, keys);
    result.trust = TrustOf(checked.check);
    result.keyId = checked.keyId;
    if (result.trust != DescriptionTrust::Verified)
        return result;
    // minisign separates the comment's fields with tabs: blanks read better.
    std::string comment = checked.trustedComment;
    std::replace(comment.begin(), comment.end(), '\t', ' ');
    result.trustedComment = VisibleControls(comment);
    result.signedAt = checked.timestamp.value_or(0);
    CheckNotReplayed(descriptionAddress, result);
    return result;
}

std::string DescribeDescriptionTrust(const DescriptionTrustResult& result) {
    const std::string key = " (key " + result.keyId + ")";
    switch (result.trust) {
    case DescriptionTrust::Unsigned:
        return "Update description not signed: no publisher key is trusted on this machine";
    case DescriptionTrust::Verified:
        return "Update description signature verified" + key + ": " + result.trustedComment;
    case DescriptionTrust::Missing:
        return "Update description refused: its signature could not be fetched";
    case DescriptionTrust::Malformed:
        return "Update description refused: its signature file is malformed or over 4 KiB";
    case DescriptionTrust::UnknownKey:
        return "Update description refused: signed with a key that is not trusted" + key;
    case DescriptionTrust::BadSignature:
        return "Update description refused: the signature does not match it" + key;
    case DescriptionTrust::BadGlobalSignature:
        return "Update description refused: the signature's trusted comment was changed" + key;
    case DescriptionTrust::Replayed:
        return "Update description refused: replayed, signed at " +
               std::to_string(result.signedAt) + ", before the one accepted last, signed at " +
               std::to_string(result.acceptedBefore) + key;
    }
    return {};
}

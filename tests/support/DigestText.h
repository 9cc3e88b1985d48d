// Digests of test data as the description file publishes them: lowercase
// hexadecimal.
#pragma once

#include "update/Digest.h"

#include <string>

namespace qvutest {

template <typename Digest> std::string DigestText(const std::string& bytes) {
    Digest digest;
    digest.Update(bytes.data(), bytes.size());
    const auto value = digest.Final();
    std::string text;
    for (const unsigned char byte : value.value_or(typename Digest::Bytes{})) {
        static const char hex[] = "0123456789abcdef";
        text += hex[byte >> 4];
        text += hex[byte & 15];
    }
    return text;
}

inline std::string Md5Text(const std::string& bytes) {
    return DigestText<Md5Digest>(bytes);
}

inline std::string Sha256Text(const std::string& bytes) {
    return DigestText<Sha256Digest>(bytes);
}

} // namespace qvutest

// Conversions between the registry's narrow texts (UTF-8 here) and the
// UTF-16LE of Windows registry files.
#pragma once

#include <string>
#include <string_view>

namespace qvureg {

// UTF-16LE bytes to UTF-8; an odd last byte and unpaired surrogates become U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);
// UTF-8 to UTF-16LE bytes; invalid UTF-8 becomes U+FFFD, as the system's
// conversion makes it.
std::string Utf8ToUtf16Le(std::string_view text);

// The text of a registry file: UTF-16LE with its byte order mark, or UTF-8
// with or without one; the answer is UTF-8 without mark.
std::string DecodeFileText(std::string_view bytes);

} // namespace qvureg

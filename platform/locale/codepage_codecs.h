// The narrow encodings behind the code page functions (platform/codepage.h).
#pragma once

#include "platform/win_types.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class NarrowEncoding { Utf8, Windows1252 };

// Nothing for a code page without a conversion here.
std::optional<NarrowEncoding> NarrowEncodingOf(UINT codePage);

std::u16string DecodeNarrow(NarrowEncoding encoding, std::string_view bytes);

struct NarrowText {
    std::string bytes;
    bool usedDefaultChar = false;
};
// defaultChar stands for characters the encoding cannot represent (never
// needed for UTF-8, which has U+FFFD for lone surrogates).
NarrowText EncodeNarrow(NarrowEncoding encoding, std::u16string_view text, char defaultChar);

} // namespace platform

// KxString: the text as 16-bit characters.
#include "base/KxString.h"

#include <cstring>
#include <cwchar>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Appends one character as UTF-16; answers the position after it.
WCHAR* AppendUtf16(WCHAR* out, char32_t ch) {
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))
        ch = kReplacement;
    if (ch <= 0xFFFF) {
        *out++ = static_cast<WCHAR>(ch);
        return out;
    }
    ch -= 0x10000;
    *out++ = static_cast<WCHAR>(0xD800 + (ch >> 10));
    *out++ = static_cast<WCHAR>(0xDC00 + (ch & 0x3FF));
    return out;
}

// Converts the zero-terminated text in the current locale's multibyte encoding
// into at most room 16-bit characters, terminator included. Bytes that do not
// form a character become U+FFFD.
void Widen(const char* text, WCHAR* out, std::size_t room) {
    WCHAR* const last = out + room - 1;
    const char* const end = text + std::strlen(text);
    std::mbstate_t state{};
    while (text < end) {
        wchar_t ch = 0;
        std::size_t used = std::mbrtowc(&ch, text, static_cast<std::size_t>(end - text), &state);
        if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2)) {
            ch = static_cast<wchar_t>(kReplacement);
            used = 1;
            state = std::mbstate_t{};
        }
        const auto units = ch > 0xFFFF && ch <= 0x10FFFF ? 2 : 1;
        if (last - out < units)
            break;
        text += used;
        out = AppendUtf16(out, static_cast<char32_t>(ch));
    }
    *out = 0;
}

} // namespace

// The 16-bit text is kept at an even byte offset behind the narrow text and
// its terminator; it needs at most one 16-bit character per narrow byte.
KxString::operator const WCHAR*() {
    const int length = GetLength();
    const int offset = (length + 2) & ~1;
    GetBuffer(CheckedLength(3 * static_cast<std::size_t>(offset)));
    auto* wide = reinterpret_cast<WCHAR*>(m_pchData + offset);
    Widen(m_pchData, wide, static_cast<std::size_t>(offset));
    return wide;
}

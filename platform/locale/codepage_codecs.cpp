#include "platform/locale/codepage_codecs.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf16(std::u16string& out, char32_t codePoint) {
    if (codePoint < 0x10000) {
        out += static_cast<char16_t>(codePoint);
        return;
    }
    codePoint -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (codePoint >> 10));
    out += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
}

// Reads the code point at the start of text (text.size() > 0), or a single
// U+FFFD for its longest invalid prefix, the way Unicode recommends. The
// first continuation byte's range excludes overlong forms, surrogates and
// code points above U+10FFFF.
char32_t NextUtf8(std::string_view& text) {
    const auto lead = static_cast<std::uint8_t>(text[0]);
    text.remove_prefix(1);
    if (lead < 0x80)
        return lead;
    int continuations = 0;
    char32_t codePoint = 0;
    std::uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        continuations = 1;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        continuations = 2;
        codePoint = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        continuations = 3;
        codePoint = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return kReplacement;
    }
    for (; continuations > 0; --continuations) {
        if (text.empty())
            return kReplacement;
        const auto next = static_cast<std::uint8_t>(text[0]);
        if (next < low || next > high)
            return kReplacement; // the offending byte starts the next character
        codePoint = (codePoint << 6) | (next & 0x3F);
        text.remove_prefix(1);
        low = 0x80;
        high = 0xBF;
    }
    return codePoint;
}

// Reads the code point at the start of text (text.size() > 0); a lone
// surrogate comes back as itself.
char32_t NextUtf16(std::u16string_view& text) {
    const char32_t first = text[0];
    text.remove_prefix(1);
    if (IsHighSurrogate(first) && !text.empty() && IsLowSurrogate(text[0])) {
        const char32_t second = text[0];
        text.remove_prefix(1);
        return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
    }
    return first;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (IsHighSurrogate(codePoint) || IsLowSurrogate(codePoint))
        codePoint = kReplacement;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Code page 1252 is Latin-1 but for 0x80 to 0x9F. Its five unassigned bytes
// there map to the C1 controls of the same value, as Windows maps them.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<char> Windows1252Byte(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    const auto found = std::find(kWindows1252High.begin(), kWindows1252High.end(), codePoint);
    if (found == kWindows1252High.end())
        return std::nullopt;
    return static_cast<char>(0x80 + (found - kWindows1252High.begin()));
}

} // namespace

std::optional<NarrowEncoding> NarrowEncodingOf(UINT codePage) {
    switch (codePage) {
    case 0:     // CP_ACP
    case 1:     // CP_OEMCP
    case 65001: // CP_UTF8
        return NarrowEncoding::Utf8;
    case 1252:
        return NarrowEncoding::Windows1252;
    default:
        return std::nullopt;
    }
}

std::u16string DecodeNarrow(NarrowEncoding encoding, std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    if (encoding == NarrowEncoding::Windows1252) {
        for (const char byte : bytes) {
            const auto value = static_cast<std::uint8_t>(byte);
            out += value >= 0x80 && value < 0xA0 ? kWindows1252High[value - 0x80]
                                                 : static_cast<char16_t>(value);
        }
        return out;
    }
    while (!bytes.empty())
        AppendUtf16(out, NextUtf8(bytes));
    return out;
}

NarrowText EncodeNarrow(NarrowEncoding encoding, std::u16string_view text, char defaultChar) {
    NarrowText out;
    out.bytes.reserve(text.size());
    while (!text.empty()) {
        const char32_t codePoint = NextUtf16(text);
        if (encoding == NarrowEncoding::Utf8) {
            AppendUtf8(out.bytes, codePoint);
        } else if (const std::optional<char> byte = Windows1252Byte(codePoint)) {
            out.bytes += *byte;
        } else {
            out.bytes += defaultChar;
            out.usedDefaultChar = true;
        }
    }
    return out;
}

} // namespace platform

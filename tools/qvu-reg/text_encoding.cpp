#include "tools/qvu-reg/text_encoding.h"

#include <cstdint>

namespace qvureg {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::string& out, char32_t c) {
    auto unit = [&out](std::uint16_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    if (c >= 0x10000) {
        c -= 0x10000;
        unit(static_cast<std::uint16_t>(0xD800 | (c >> 10)));
        unit(static_cast<std::uint16_t>(0xDC00 | (c & 0x3FF)));
    } else {
        unit(static_cast<std::uint16_t>(c));
    }
}

// The character starting at text[i] and its length in bytes; a byte that
// starts no valid sequence stands for itself.
char32_t DecodeUtf8(std::string_view text, std::size_t i, std::size_t& length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    length = 1;
    if (lead < 0x80)
        return lead;
    const std::size_t needed = lead >= 0xF0 && lead < 0xF5 ? 4
                               : lead >= 0xE0              ? 3
                               : lead >= 0xC2              ? 2
                                                           : 0;
    if (needed == 0 || (lead >= 0xF5) || i + needed > text.size())
        return lead;
    char32_t c = lead & (0x7F >> needed);
    for (std::size_t k = 1; k < needed; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return lead;
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    const char32_t smallest = needed == 2 ? 0x80 : needed == 3 ? 0x800 : 0x10000;
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
        return lead;
    length = needed;
    return c;
}

} // namespace

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    const std::size_t units = bytes.size() / 2;
    const auto unit = [&](std::size_t k) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                     (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
    };
    for (std::size_t k = 0; k < units; ++k) {
        const char16_t u = unit(k);
        if (u >= 0xD800 && u < 0xDC00 && k + 1 < units && unit(k + 1) >= 0xDC00 &&
            unit(k + 1) < 0xE000) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(k + 1) - 0xDC00));
            ++k;
        } else {
            AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? kReplacement : u);
        }
    }
    if (bytes.size() % 2)
        AppendUtf8(out, kReplacement);
    return out;
}

std::string Utf8ToUtf16Le(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        AppendUtf16(out, DecodeUtf8(text, i, length));
        i += length;
    }
    return out;
}

std::string DecodeFileText(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return Utf16LeToUtf8(bytes.substr(2));
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return std::string(bytes.substr(3));
    return std::string(bytes);
}

} // namespace qvureg

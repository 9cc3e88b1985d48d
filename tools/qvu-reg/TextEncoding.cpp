#include "tools/qvu-reg/TextEncoding.h"

#include "platform/codepage.h"

namespace qvureg {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

} // namespace

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::u16string units;
    units.reserve(bytes.size() / 2 + 1);
    for (std::size_t k = 0; k + 1 < bytes.size(); k += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[k]) |
                                       (static_cast<unsigned char>(bytes[k + 1]) << 8));
    if (bytes.size() % 2)
        units += kReplacement;
    if (units.empty())
        return {};
    // Unpaired surrogates come out as U+FFFD.
    const int count = static_cast<int>(units.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, units.data(), count, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, units.data(), count, text.data(), size, nullptr, nullptr);
    return text;
}

std::string Utf8ToUtf16Le(std::string_view text) {
    if (text.empty())
        return {};
    // Bytes that are no UTF-8 come out as U+FFFD.
    const int count = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), count, nullptr, 0);
    std::u16string units(static_cast<std::size_t>(size), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), count, units.data(), size);
    std::string out;
    out.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
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

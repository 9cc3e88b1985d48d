#include "platform/profile/ini_syntax.h"

#include "platform/locale/codepage_codecs.h"
#include "platform/strings.h"

#include <algorithm>
#include <optional>
#include <string>

namespace platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Whether x lies in [first, last] and has the parity of an upper-case letter
// in a block where upper and lower case alternate.
bool IsPairedUpper(char16_t x, char16_t first, char16_t last, bool upperIsOdd) {
    return x >= first && x <= last && ((x & 1) != 0) == upperIsOdd;
}

// The simple lower-case letter of the Latin, Greek and Cyrillic blocks, the
// same in every locale; any other character stays itself.
char16_t LowerCase(char16_t x) {
    if (x < 0x80)
        return static_cast<char16_t>(ascii::ToLower(static_cast<char>(x)));
    if ((x >= 0xC0 && x <= 0xDE && x != 0xD7) || (x >= 0x391 && x <= 0x3AB && x != 0x3A2) ||
        (x >= 0x410 && x <= 0x42F))
        return x + 0x20;
    if (x >= 0x400 && x <= 0x40F)
        return x + 0x50;
    if (x == 0x178)
        return 0xFF;
    if (x == 0x386 || x == 0x38C)
        return x == 0x386 ? 0x3AC : 0x3CC;
    if ((x >= 0x388 && x <= 0x38A) || x == 0x38E || x == 0x38F)
        return x + (x <= 0x38A ? 0x25 : 0x3F);
    if (x == 0x4C0)
        return 0x4CF;
    const bool evenUpper =
        IsPairedUpper(x, 0x100, 0x12F, false) || IsPairedUpper(x, 0x132, 0x137, false) ||
        IsPairedUpper(x, 0x14A, 0x177, false) || IsPairedUpper(x, 0x460, 0x481, false) ||
        IsPairedUpper(x, 0x48A, 0x4BF, false) || IsPairedUpper(x, 0x4D0, 0x52F, false);
    const bool oddUpper = IsPairedUpper(x, 0x139, 0x148, true) ||
                          IsPairedUpper(x, 0x179, 0x17E, true) ||
                          IsPairedUpper(x, 0x4C1, 0x4CE, true);
    return evenUpper || oddUpper ? x + 1 : x;
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The UTF-16 form of a name, or nothing when its bytes are no UTF-8.
std::optional<std::u16string> Utf16Of(std::string_view name) {
    std::u16string wide = DecodeNarrow(NarrowEncoding::Utf8, name);
    if (EncodeNarrow(NarrowEncoding::Utf8, wide, '?').bytes != name)
        return std::nullopt;
    return wide;
}

} // namespace

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameIniName(std::string_view a, std::string_view b) {
    if (ascii::EqualsIgnoringCase(a, b))
        return true;
    if (IsAscii(a) && IsAscii(b))
        return false;
    // Names in the ANSI code page (UTF-8) fold their letters as Windows does
    // in its own; bytes that are no UTF-8 only match themselves.
    const std::optional<std::u16string> wideA = Utf16Of(a);
    const std::optional<std::u16string> wideB = Utf16Of(b);
    if (!wideA || !wideB || wideA->size() != wideB->size())
        return false;
    return std::equal(wideA->begin(), wideA->end(), wideB->begin(),
                      [](char16_t x, char16_t y) { return LowerCase(x) == LowerCase(y); });
}

IniLine ReadIniLine(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() == ';')
        return {};
    if (line.front() == '[') {
        const std::string_view inside = line.substr(1);
        return {IniLineKind::Section, TrimBlanks(inside.substr(0, inside.find(']'))), {}};
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return {};
    return {IniLineKind::Key, TrimBlanks(line.substr(0, equals)),
            Unquoted(TrimBlanks(line.substr(equals + 1)))};
}

IniLineSplitter::IniLineSplitter(std::string_view content) : rest_(content) {
    if (rest_.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
        rest_.remove_prefix(kUtf8ByteOrderMark.size());
}

bool IniLineSplitter::Next(std::string_view& line, std::string_view& lineEnd) {
    if (rest_.empty())
        return false;
    const std::size_t newline = rest_.find('\n');
    if (newline == std::string_view::npos) {
        line = rest_;
        lineEnd = {};
        rest_ = {};
        return true;
    }
    const std::size_t endStart =
        (newline > 0 && rest_[newline - 1] == '\r') ? newline - 1 : newline;
    line = rest_.substr(0, endStart);
    lineEnd = rest_.substr(endStart, newline + 1 - endStart);
    rest_.remove_prefix(newline + 1);
    return true;
}

} // namespace platform

#include "platform/files/windows_names.h"

#include "platform/locale/codepage_codecs.h"

#include <vector>

namespace platform {

namespace {

// A native byte Windows cannot show becomes U+F000 + the byte; in UTF-8
// every such character starts with this byte.
constexpr unsigned char kPrivateUseLead = 0xEF;
constexpr char16_t kPrivateUseBase = 0xF000;

bool IsRefused(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte > 0 && byte < 0x20) ||
           std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
}

bool IsTrailingTrimmed(char c) {
    return c == ' ' || c == '.';
}

// The characters that a native name may hold but a Windows name may not show
// as they are: the refused ones and the backslash, a separator there.
bool NeedsPrivateUse(char c) {
    return IsRefused(c) || c == '\\';
}

void AppendPrivateUse(char c, std::string& out) {
    const std::u16string code(
        1, static_cast<char16_t>(kPrivateUseBase + static_cast<unsigned char>(c)));
    out += EncodeNarrow(NarrowEncoding::Utf8, code, '?').bytes;
}

// The byte a private-use character at the start of text stands for, or 0.
char PrivateUseAt(std::string_view text) {
    if (text.size() < 3 || static_cast<unsigned char>(text[0]) != kPrivateUseLead)
        return 0;
    const std::u16string code = DecodeNarrow(NarrowEncoding::Utf8, text.substr(0, 3));
    if (code.size() != 1 || code[0] < kPrivateUseBase || code[0] >= kPrivateUseBase + 0x80)
        return 0;
    const char c = static_cast<char>(code[0] - kPrivateUseBase);
    return NeedsPrivateUse(c) || IsTrailingTrimmed(c) ? c : 0;
}

// A name as Windows takes it: refused characters fail it, trailing blanks and
// dots go, and private-use characters become the native bytes they stand for.
// "" when nothing is left. Spelt with private-use characters, "." and ".."
// name no file: natively they would be the folder itself or its parent.
std::optional<std::string> NativeOfName(std::string_view name) {
    for (const char c : name) {
        if (IsRefused(c))
            return std::nullopt;
    }
    while (!name.empty() && IsTrailingTrimmed(name.back()))
        name.remove_suffix(1);
    std::string native;
    native.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (const char c = PrivateUseAt(name.substr(i))) {
            native += c;
            i += 2;
        } else {
            native += name[i];
        }
    }
    if (native == "." || native == "..")
        return std::nullopt;
    return native;
}

void AppendWindowsName(std::string_view name, std::string& out) {
    if (name == "." || name == "..") {
        out += name;
        return;
    }
    std::size_t kept = name.size();
    while (kept > 0 && IsTrailingTrimmed(name[kept - 1]))
        --kept;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i >= kept || NeedsPrivateUse(name[i]))
            AppendPrivateUse(name[i], out);
        else
            out += name[i];
    }
}

} // namespace

std::optional<std::string> NativeNames(std::string_view names, bool onRoot) {
    std::vector<std::string> kept;
    std::size_t start = 0;
    while (start < names.size()) {
        std::size_t end = names.find('/', start);
        if (end == std::string_view::npos)
            end = names.size();
        const std::string_view name = names.substr(start, end - start);
        start = end + 1;
        if (name.empty())
            continue;
        if (name == "." || name == "..") {
            if (!onRoot)
                kept.emplace_back(name);
            else if (name == ".." && !kept.empty())
                kept.pop_back();
            continue;
        }
        std::optional<std::string> native = NativeOfName(name);
        if (!native)
            return std::nullopt;
        if (!native->empty())
            kept.push_back(std::move(*native));
    }
    std::string result = !names.empty() && names.front() == '/' ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i)
        result += (i == 0 ? "" : "/") + kept[i];
    if (!kept.empty() && names.back() == '/')
        result += '/';
    return result;
}

std::optional<std::string> NativeName(std::string_view name) {
    if (name == "." || name == "..")
        return std::nullopt;
    std::optional<std::string> native = NativeOfName(name);
    if (!native || native->empty())
        return std::nullopt;
    return native;
}

std::string WindowsNames(std::string_view nativeNames) {
    std::string windows;
    windows.reserve(nativeNames.size());
    for (std::size_t start = 0;;) {
        const std::size_t end = nativeNames.find('/', start);
        AppendWindowsName(nativeNames.substr(start, end - start), windows);
        if (end == std::string_view::npos)
            return windows;
        windows += '/';
        start = end + 1;
    }
}

} // namespace platform

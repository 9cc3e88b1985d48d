#include "platform/codepage.h"

#include "platform/errors.h"
#include "platform/locale/codepage_codecs.h"

#include <climits>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

// The input as a view, or nothing when the pointer and count make no input.
template <typename Unit>
std::optional<std::basic_string_view<Unit>> InputText(const Unit* text, int count) {
    if (text == nullptr || count == 0 || count < -1)
        return std::nullopt;
    if (count == -1)
        return std::basic_string_view<Unit>(text, std::char_traits<Unit>::length(text) + 1);
    return std::basic_string_view<Unit>(text, static_cast<std::size_t>(count));
}

template <typename Unit> bool IsValidOutput(const Unit* out, int count) {
    return count >= 0 && (out != nullptr || count == 0);
}

// Windows' answer for a converted text: its size when only the size is asked
// for, else the text copied out when it fits.
template <typename Text>
int CopyOut(const Text& converted, typename Text::value_type* out, int count) {
    if (converted.size() > static_cast<std::size_t>(INT_MAX))
        return Fail(ERROR_INSUFFICIENT_BUFFER); // no int-sized buffer could take it
    const int size = static_cast<int>(converted.size());
    if (count == 0)
        return size;
    if (size > count)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(out, converted.data(), converted.size() * sizeof(typename Text::value_type));
    return size;
}

} // namespace

UINT GetACP() {
    return CP_UTF8;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteStr, int multiByteCount,
                        LPWSTR wideCharStr, int wideCharCount) {
    const auto encoding = platform::NarrowEncodingOf(codePage);
    const auto input = InputText(multiByteStr, multiByteCount);
    if (!encoding || !input || !IsValidOutput(wideCharStr, wideCharCount))
        return Fail(ERROR_INVALID_PARAMETER);
    if (flags != 0)
        return Fail(ERROR_INVALID_FLAGS);
    return CopyOut(platform::DecodeNarrow(*encoding, *input), wideCharStr, wideCharCount);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideCharStr, int wideCharCount,
                        LPSTR multiByteStr, int multiByteCount, LPCSTR defaultChar,
                        BOOL* usedDefaultChar) {
    const auto encoding = platform::NarrowEncodingOf(codePage);
    const auto input = InputText(wideCharStr, wideCharCount);
    if (!encoding || !input || !IsValidOutput(multiByteStr, multiByteCount))
        return Fail(ERROR_INVALID_PARAMETER);
    if (*encoding == platform::NarrowEncoding::Utf8 &&
        (defaultChar != nullptr || usedDefaultChar != nullptr))
        return Fail(ERROR_INVALID_PARAMETER);
    if (flags != 0)
        return Fail(ERROR_INVALID_FLAGS);
    const platform::NarrowText converted =
        platform::EncodeNarrow(*encoding, *input, defaultChar != nullptr ? *defaultChar : '?');
    const int result = CopyOut(converted.bytes, multiByteStr, multiByteCount);
    if (result != 0 && usedDefaultChar != nullptr)
        *usedDefaultChar = converted.usedDefaultChar ? TRUE : FALSE;
    return result;
}

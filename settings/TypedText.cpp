#include "settings/TypedText.h"

#include "settings/QVRegistryErrors.h"

#include <charconv>
#include <cstring>

namespace settings {

namespace {

// from_chars takes no leading plus sign; the C library's readers do.
const char* SkipPlus(const char* text) {
    return *text == '+' ? text + 1 : text;
}

} // namespace

int ParseBoolean(const char* text, bool* value) {
    if (std::strcmp(text, "true") == 0)
        *value = true;
    else if (std::strcmp(text, "false") == 0)
        *value = false;
    else
        return QVR_CONVERSION;
    return QVR_OK;
}

int ParseInteger(const char* text, int* value) {
    const char* start = SkipPlus(text);
    int parsed = 0;
    const auto [end, error] = std::from_chars(start, start + std::strlen(start), parsed);
    if (error != std::errc() || end == start)
        return QVR_CONVERSION;
    *value = parsed;
    return QVR_OK;
}

int ParseDouble(const char* text, double* value) {
    const char* start = SkipPlus(text);
    double parsed = 0;
    const auto [end, error] = std::from_chars(start, start + std::strlen(start), parsed);
    if (error != std::errc() || end == start)
        return QVR_CONVERSION;
    *value = parsed;
    return QVR_OK;
}

KxString IntegerText(int value) {
    char text[kNumberTextSize];
    const auto result = std::to_chars(text, text + sizeof text - 1, value);
    *result.ptr = '\0';
    return KxString(text);
}

int DoubleText(double value, KxString& text) {
    // Wide enough for every double in fixed notation.
    char digits[400];
    const auto result =
        std::to_chars(digits, digits + sizeof digits - 1, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc() || result.ptr - digits > kNumberTextSize - 1)
        return QVR_CONVERSION;
    *result.ptr = '\0';
    text = digits;
    return QVR_OK;
}

int CopyDefault(const char* defaultValue, char* buffer, int size) {
    const char* text = defaultValue ? defaultValue : "";
    const std::size_t length = std::strlen(text);
    const std::size_t room = static_cast<std::size_t>(size - 1);
    const std::size_t copied = length < room ? length : room;
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
    return length > room ? QVR_DEFAULT_TOO_LONG : QVR_OK;
}

int AppendFolderBackslash(KxString& folder) {
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] != '\\')
        folder += '\\';
    return QVR_OK;
}

int AppendFolderBackslash(char* folder, int size) {
    const std::size_t length = std::strlen(folder);
    if (length == 0 || folder[length - 1] == '\\')
        return QVR_OK;
    if (length >= static_cast<std::size_t>(size - 1))
        return QVR_PATH_TOO_LONG;
    folder[length] = '\\';
    folder[length + 1] = '\0';
    return QVR_OK;
}

} // namespace settings

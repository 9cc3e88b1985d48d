// Typed values of the settings store, shared by all users and per Windows
// user: booleans, numbers and paths kept as text in the INI file.
#include "settings/QVRegistry.h"

#include "platform/system_info.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace {

// from_chars takes no leading plus sign; the C library's readers do.
const char* SkipPlus(const char* text) {
    return *text == '+' ? text + 1 : text;
}

// Room for a boolean read: "false" and the terminator.
constexpr int kBooleanTextSize = 6;
// Room for a number read: 19 characters and the terminator.
constexpr int kNumberTextSize = 20;
// The per-user numbers of accounts that cannot count on the machine's
// counter start here.
constexpr unsigned long kAccountNumbers = 1000000;

// Booleans and numbers are kept as text independent of the process locale,
// so a file written under one language reads under another.

// Exactly "true" or "false", case-sensitive; anything else is -11.
int ParseBoolean(const char* text, bool* value) {
    if (std::strcmp(text, "true") == 0)
        *value = true;
    else if (std::strcmp(text, "false") == 0)
        *value = false;
    else
        return QVR_CONVERSION;
    return QVR_OK;
}

// The decimal number at the start of the text; -11 when there is none.
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

// Six decimals, as "%f" writes them in the C locale. A text longer than a
// number read takes would read back as another number: -11, nothing to write.
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

// Copies a default into a caller's buffer, cut to size - 1 characters:
// 0, or -12 when it did not fit.
int CopyDefault(const char* defaultValue, char* buffer, int size) {
    const char* text = defaultValue ? defaultValue : "";
    const std::size_t length = std::strlen(text);
    const std::size_t room = static_cast<std::size_t>(size - 1);
    const std::size_t copied = length < room ? length : room;
    std::memcpy(buffer, text, copied);
    buffer[copied] = '\0';
    return length > room ? QVR_DEFAULT_TOO_LONG : QVR_OK;
}

// Appends a backslash to a non-empty folder that has none: 0, or -9 when a
// buffer of size characters has no room left for it.
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

// Reads a boolean or number through readText(buffer, size), the text read
// the value rests on.
template <class T, class ReadText> int ReadTyped(ReadText readText, T* value) {
    char text[std::is_same_v<T, bool> ? kBooleanTextSize : kNumberTextSize];
    if (const int result = readText(text, static_cast<int>(sizeof text)))
        return result;
    if (value == nullptr)
        return QVR_BAD_ARGUMENTS;
    if constexpr (std::is_same_v<T, bool>)
        return ParseBoolean(text, value);
    else if constexpr (std::is_same_v<T, int>)
        return ParseInteger(text, value);
    else
        return ParseDouble(text, value);
}

// A read with a default: any failure of read() stores the default.
template <class T, class Read> int ReadOrDefault(Read read, T defaultValue, T* value) {
    if (value == nullptr)
        return QVR_BAD_ARGUMENTS;
    if (read() != QVR_OK)
        *value = defaultValue;
    return QVR_OK;
}

} // namespace

int QVRegistry::WriteValue(const char* section, const char* key, bool value) {
    return WriteValue(section, key, value ? "true" : "false");
}

int QVRegistry::WriteValue(const char* section, const char* key, double value) {
    KxString text;
    if (const int result = DoubleText(value, text))
        return result;
    return WriteValue(section, key, static_cast<const char*>(text));
}

int QVRegistry::WriteValue(const char* section, const char* key, int value) {
    return WriteValue(section, key, static_cast<const char*>(IntegerText(value)));
}

int QVRegistry::ReadValue(const char* section, const char* key, bool* value) {
    return ReadTyped([&](char* text, int size) { return ReadValue(section, key, text, size); },
                     value);
}

int QVRegistry::ReadValue(const char* section, const char* key, double* value) {
    return ReadTyped([&](char* text, int size) { return ReadValue(section, key, text, size); },
                     value);
}

int QVRegistry::ReadValue(const char* section, const char* key, int* value) {
    return ReadTyped([&](char* text, int size) { return ReadValue(section, key, text, size); },
                     value);
}

int QVRegistry::ReadValue(const char* section, const char* key, bool defaultValue, bool* value) {
    return ReadOrDefault([&] { return ReadValue(section, key, value); }, defaultValue, value);
}

int QVRegistry::ReadValue(const char* section, const char* key, double defaultValue,
                          double* value) {
    return ReadOrDefault([&] { return ReadValue(section, key, value); }, defaultValue, value);
}

int QVRegistry::ReadValue(const char* section, const char* key, int defaultValue, int* value) {
    return ReadOrDefault([&] { return ReadValue(section, key, value); }, defaultValue, value);
}

int QVRegistry::ReadValue(const char* section, const char* key, const char* defaultValue,
                          KxString& value) {
    if (ReadValue(section, key, value) != QVR_OK)
        value = defaultValue;
    return QVR_OK;
}

int QVRegistry::ReadValue(const char* section, const char* key, const char* defaultValue,
                          char* buffer, int size) {
    if (buffer == nullptr || size < 1)
        return QVR_BAD_ARGUMENTS;
    if (ReadValue(section, key, buffer, size) != QVR_OK)
        return CopyDefault(defaultValue, buffer, size);
    return QVR_OK;
}

int QVRegistry::ReadPath(const char* section, const char* key, const char* defaultValue,
                         KxString& value) {
    if (const int result = ReadValue(section, key, defaultValue, value))
        return result;
    return AppendFolderBackslash(value);
}

int QVRegistry::ReadPath(const char* section, const char* key, const char* defaultValue,
                         char* buffer, int size) {
    if (const int result = ReadValue(section, key, defaultValue, buffer, size))
        return result;
    return AppendFolderBackslash(buffer, size);
}

int QVRegistry::ReadPath(const char* section, const char* key, KxString& value) {
    if (const int result = ReadValue(section, key, value))
        return result;
    return AppendFolderBackslash(value);
}

int QVRegistry::ReadPath(const char* section, const char* key, char* buffer, int size) {
    if (const int result = ReadValue(section, key, buffer, size))
        return result;
    return AppendFolderBackslash(buffer, size);
}

KxString QVRegistry::GetUserId() {
    // Room for any number handed out below, so that a number of five digits
    // or more is read back and kept instead of replaced at every call.
    char number[kNumberTextSize];
    if (ReadRegistry(HKEY_CURRENT_USER, "User", number, sizeof number) == QVR_OK)
        return KxString("User") + number;

    // First use by this user: take the machine's next number.
    int next = 1;
    if (ReadRegistry(HKEY_LOCAL_MACHINE, "LastUser", number, sizeof number) == QVR_OK)
        next = std::atoi(number) + 1;
    KxString formatted;
    formatted.Format("%.4d", next);
    if (WriteRegistry(HKEY_LOCAL_MACHINE, "LastUser", formatted, false) != QVR_OK) {
        // An account that may not change the machine's values cannot take
        // its next number without sharing it with every other such account:
        // it takes a number of its own, from its account, above the range
        // the machine hands out.
        formatted.Format("%lu", kAccountNumbers +
                                    static_cast<unsigned long>(platform::CurrentAccountId()));
    }
    WriteRegistry(HKEY_CURRENT_USER, "User", formatted, false);
    return "User" + formatted;
}

KxString QVRegistry::UserKey(const char* key) {
    return GetUserId() + "_#_" + key;
}

int QVRegistry::CheckUserArguments(const char* section, const char* key) const {
    if (!initialised_)
        return QVR_NOT_INITIALISED;
    if (section == nullptr || *section == '\0' || key == nullptr || *key == '\0')
        return QVR_BAD_ARGUMENTS;
    return QVR_OK;
}

int QVRegistry::WriteUserValue(const char* section, const char* key, const char* value) {
    if (const int result = CheckUserArguments(section, key))
        return result;
    if (value == nullptr || *value == '\0')
        return QVR_BAD_ARGUMENTS;
    return WriteValue(section, UserKey(key), value);
}

int QVRegistry::WriteUserValue(const char* section, const char* key, bool value) {
    return WriteUserValue(section, key, value ? "true" : "false");
}

int QVRegistry::WriteUserValue(const char* section, const char* key, double value) {
    KxString text;
    if (const int result = DoubleText(value, text))
        return result;
    return WriteUserValue(section, key, static_cast<const char*>(text));
}

int QVRegistry::WriteUserValue(const char* section, const char* key, int value) {
    return WriteUserValue(section, key, static_cast<const char*>(IntegerText(value)));
}

int QVRegistry::ReadUserValue(const char* section, const char* key, char* buffer, int size) {
    if (const int result = CheckUserArguments(section, key))
        return result;
    if (buffer == nullptr || size < 1)
        return QVR_BAD_ARGUMENTS;
    return ReadValue(section, UserKey(key), buffer, size);
}

int QVRegistry::ReadUserValue(const char* section, const char* key, KxString& value) {
    if (const int result = CheckUserArguments(section, key))
        return result;
    return ReadValue(section, UserKey(key), value);
}

int QVRegistry::ReadUserValue(const char* section, const char* key, bool* value) {
    return ReadTyped([&](char* text, int size) { return ReadUserValue(section, key, text, size); },
                     value);
}

int QVRegistry::ReadUserValue(const char* section, const char* key, double* value) {
    return ReadTyped([&](char* text, int size) { return ReadUserValue(section, key, text, size); },
                     value);
}

int QVRegistry::ReadUserValue(const char* section, const char* key, int* value) {
    return ReadTyped([&](char* text, int size) { return ReadUserValue(section, key, text, size); },
                     value);
}

int QVRegistry::ReadUserValue(const char* section, const char* key, bool defaultValue,
                              bool* value) {
    return ReadOrDefault([&] { return ReadUserValue(section, key, value); }, defaultValue, value);
}

int QVRegistry::ReadUserValue(const char* section, const char* key, double defaultValue,
                              double* value) {
    return ReadOrDefault([&] { return ReadUserValue(section, key, value); }, defaultValue, value);
}

int QVRegistry::ReadUserValue(const char* section, const char* key, int defaultValue, int* value) {
    return ReadOrDefault([&] { return ReadUserValue(section, key, value); }, defaultValue, value);
}

int QVRegistry::ReadUserValue(const char* section, const char* key, const char* defaultValue,
                              KxString& value) {
    if (ReadUserValue(section, key, value) != QVR_OK)
        value = defaultValue;
    return QVR_OK;
}

int QVRegistry::ReadUserValue(const char* section, const char* key, const char* defaultValue,
                              char* buffer, int size) {
    if (buffer == nullptr || size < 1)
        return QVR_BAD_ARGUMENTS;
    if (ReadUserValue(section, key, buffer, size) != QVR_OK)
        return CopyDefault(defaultValue, buffer, size);
    return QVR_OK;
}

int QVRegistry::ReadUserPath(const char* section, const char* key, const char* defaultValue,
                             KxString& value) {
    if (const int result = ReadUserValue(section, key, defaultValue, value))
        return result;
    return AppendFolderBackslash(value);
}

int QVRegistry::ReadUserPath(const char* section, const char* key, const char* defaultValue,
                             char* buffer, int size) {
    if (const int result = ReadUserValue(section, key, defaultValue, buffer, size))
        return result;
    return AppendFolderBackslash(buffer, size);
}

int QVRegistry::ReadUserPath(const char* section, const char* key, KxString& value) {
    if (const int result = ReadUserValue(section, key, value))
        return result;
    return AppendFolderBackslash(value);
}

int QVRegistry::ReadUserPath(const char* section, const char* key, char* buffer, int size) {
    if (const int result = ReadUserValue(section, key, buffer, size))
        return result;
    return AppendFolderBackslash(buffer, size);
}

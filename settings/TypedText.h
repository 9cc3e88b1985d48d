// How the settings store keeps booleans and numbers as text. Independent of
// the process locale, so a file written under one language reads under another.
#pragma once

#include "base/KxString.h"
#include "settings/QVRegistryErrors.h"

#include <type_traits>

namespace settings {

// Room for a boolean read: "false" and the terminator.
constexpr int kBooleanTextSize = 6;
// Room for a number read: 19 characters and the terminator.
constexpr int kNumberTextSize = 20;

// Exactly "true" or "false", case-sensitive; anything else is -11.
int ParseBoolean(const char* text, bool* value);
// The decimal number at the start of the text; -11 when there is none.
int ParseInteger(const char* text, int* value);
int ParseDouble(const char* text, double* value);

KxString IntegerText(int value);
// Six decimals, as "%f" writes them in the C locale. A text longer than a
// number read takes would read back as another number: -11, nothing to write.
int DoubleText(double value, KxString& text);

// Copies a default into a caller's buffer, cut to size - 1 characters:
// 0, or -12 when it did not fit.
int CopyDefault(const char* defaultValue, char* buffer, int size);

// Appends a backslash to a non-empty folder that has none: 0, or -9 when a
// buffer of size characters has no room left for it.
int AppendFolderBackslash(KxString& folder);
int AppendFolderBackslash(char* folder, int size);

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

} // namespace settings

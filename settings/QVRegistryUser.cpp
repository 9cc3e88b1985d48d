// Values kept apart per Windows user: stored in the shared INI file under the
// key "User0001_#_" + key, where the number is this user's settings number.
// Like the shared typed values, they go through the text operations by virtual call.
#include "settings/QVRegistry.h"
#include "settings/TypedText.h"

#include <cstdlib>

using namespace settings;

KxString QVRegistry::GetUserId() {
    char number[5];
    if (ReadRegistry(HKEY_CURRENT_USER, "User", number, sizeof number) == QVR_OK)
        return KxString("User") + number;

    // First use by this user: take the machine's next number.
    int next = 1;
    if (ReadRegistry(HKEY_LOCAL_MACHINE, "LastUser", number, sizeof number) == QVR_OK)
        next = std::atoi(number) + 1;
    KxString formatted;
    formatted.Format("%.4d", next);
    WriteRegistry(HKEY_LOCAL_MACHINE, "LastUser", formatted, false);
    WriteRegistry(HKEY_CURRENT_USER, "User", formatted, false);
    return "User" + formatted;
}

KxString QVRegistry::UserKey(const char* key) {
    return GetUserId() + "_#_" + key;
}

int QVRegistry::CheckUserArguments(const char* section, const char* key) const {
    if (!m_initialised)
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

// Typed values shared by all users. They keep nothing themselves: each goes
// through the text operations by virtual call, so a derived store that
// replaces a text operation changes these too.
#include "settings/QVRegistry.h"
#include "settings/TypedText.h"

using namespace settings;

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

// Small helpers of the registry tests: write and read a key's text values.
#pragma once

#include "platform/registry.h"

#include <cstring>
#include <string>

namespace registrytest {

// Creates root\path and sets its value name (null: the default value) to
// text, without terminator as the settings store writes it.
inline LONG SetText(HKEY root, const char* path, const char* name, const std::string& text) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                  nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                            static_cast<DWORD>(text.size()));
    RegCloseKey(key);
    return result;
}

inline LONG SetDefault(HKEY root, const char* path, const std::string& text) {
    return SetText(root, path, nullptr, text);
}

// The default value of root\path, or "<error N>".
inline std::string Default(HKEY root, const char* path) {
    LONG size = 0;
    LONG result = RegQueryValueA(root, path, nullptr, &size);
    if (result != ERROR_SUCCESS)
        return "<error " + std::to_string(result) + ">";
    std::string text(static_cast<std::size_t>(size), '\0');
    result = RegQueryValueA(root, path, text.data(), &size);
    if (result != ERROR_SUCCESS)
        return "<error " + std::to_string(result) + ">";
    text.resize(std::strlen(text.c_str()));
    return text;
}

inline bool KeyExists(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

} // namespace registrytest

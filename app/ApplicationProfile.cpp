#include "app/ApplicationProfile.h"

#include "platform/files.h"
#include "platform/registry.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

ApplicationProfile::ApplicationProfile(std::string applicationName)
    : applicationKey_(std::string("Software\\") + kProfileRegistryKey + '\\' +
                      std::move(applicationName)) {}

std::string ApplicationProfile::SectionKey(const char* section) const {
    if (section == nullptr || *section == '\0')
        return applicationKey_;
    return applicationKey_ + '\\' + section;
}

UINT ApplicationProfile::GetProfileIntA(const char* section, const char* entry,
                                        int defaultValue) const {
    // Reading opens without creating: a user who never chose leaves no keys.
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SectionKey(section).c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return static_cast<UINT>(defaultValue);
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG result =
        RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return static_cast<UINT>(defaultValue);
    return value;
}

BOOL ApplicationProfile::WriteProfileIntA(const char* section, const char* entry, int value) const {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SectionKey(section).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return FALSE;
    const DWORD data = static_cast<DWORD>(value);
    const LONG result =
        RegSetValueExA(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? TRUE : FALSE;
}

std::string RunningProgramPath() {
    // Long enough for any path the platform hands back, unlike MAX_PATH.
    // The buffer stays empty when the path cannot be had; a path is always terminated.
    std::vector<char> path(32768, '\0');
    GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::string(path.data());
}

std::string ApplicationNameOf(const std::string& programPath) {
    const std::string fileName = FileNameOf(programPath);
    return fileName.substr(0, fileName.find_last_of('.'));
}

bool IsBetaBuild(const std::string& programPath) {
    std::string fileName = FileNameOf(programPath);
    std::transform(fileName.begin(), fileName.end(), fileName.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return fileName.find("beta") != std::string::npos;
}

// The application's per-user profile and its name, as the application
// framework keeps them: values below
// HKEY_CURRENT_USER\Software\<registry key>\<application name>\<section>.
#pragma once

#include "platform/win_types.h"

#include <string>

// The profile's registry key ("company" part of the profile path).
inline constexpr const char* kProfileRegistryKey = "Kaltrex";

class ApplicationProfile {
public:
    explicit ApplicationProfile(std::string applicationName);

    // The integer value entry of section ("" for the application's own key);
    // defaultValue when it is absent, unreadable or not a REG_DWORD.
    UINT GetProfileIntA(const char* section, const char* entry, int defaultValue) const;
    // Stores value as a REG_DWORD, creating the keys it needs. FALSE when the
    // registry refused.
    BOOL WriteProfileIntA(const char* section, const char* entry, int value) const;

    // Below HKEY_CURRENT_USER: "Software\Kaltrex\<application name>".
    const std::string& ApplicationKey() const { return applicationKey_; }

private:
    std::string SectionKey(const char* section) const;

    std::string applicationKey_;
};

// The running program's full path, with backslashes.
std::string RunningProgramPath();
// The application name: the program file's base name without its extension.
std::string ApplicationNameOf(const std::string& programPath);
// A beta build is any copy whose file name (not folder) contains "beta" in
// any letter case.
bool IsBetaBuild(const std::string& programPath);

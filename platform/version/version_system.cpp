// The version of the operating system: VerSetConditionMask and VerifyVersionInfoW.

#include "platform/version.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/system_info.h"

#include <bit>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr DWORD kKnownAttributes = 0xFF;
constexpr BYTE kConditionBits = 0x07;

struct SystemVersion {
    DWORD major;
    DWORD minor;
    DWORD build;
};

// A file of the system folder by its Windows-style path; "" without a system folder.
std::string SystemFile(const char* name) {
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder)
        return {};
    return std::string(folder) + (folder[length - 1] == '\\' ? "" : "\\") + name;
}

// The file version of the system library, or nothing when it cannot be read.
std::optional<SystemVersion> ReadSystemVersion() {
    const std::string library = SystemFile("Kernel32.dll");
    if (library.empty())
        return std::nullopt;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(library.c_str(), &handle);
    if (size == 0)
        return std::nullopt;
    std::vector<unsigned char> data(size);
    void* value = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoA(library.c_str(), handle, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", &value, &length))
        return std::nullopt;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    return SystemVersion{fixed->dwFileVersionMS >> 16, fixed->dwFileVersionMS & 0xFFFF,
                         fixed->dwFileVersionLS >> 16};
}

// A marker file in the system folder makes the system a server edition.
BYTE SystemProductType() {
    const std::string marker = SystemFile("server");
    const bool isServer =
        !marker.empty() && GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
    return isServer ? VER_NT_SERVER : VER_NT_WORKSTATION;
}

BYTE ConditionOf(DWORDLONG conditionMask, DWORD attribute) {
    return static_cast<BYTE>(conditionMask >> (3 * std::countr_zero(attribute)) & kConditionBits);
}

bool Holds(DWORD system, DWORD wanted, BYTE condition) {
    switch (condition) {
    case VER_EQUAL:
        return system == wanted;
    case VER_GREATER:
        return system > wanted;
    case VER_GREATER_EQUAL:
        return system >= wanted;
    case VER_LESS:
        return system < wanted;
    case VER_LESS_EQUAL:
        return system <= wanted;
    }
    return false;
}

bool ConditionsAreValid(DWORD typeMask, DWORDLONG conditionMask) {
    if (typeMask == 0 || (typeMask & ~kKnownAttributes) != 0 || (typeMask & VER_SUITENAME) != 0)
        return false;
    for (DWORD attribute = 1; attribute <= VER_PRODUCT_TYPE; attribute <<= 1) {
        const BYTE condition = ConditionOf(conditionMask, attribute);
        if ((typeMask & attribute) != 0 && (condition < VER_EQUAL || condition > VER_LESS_EQUAL))
            return false;
    }
    return true;
}

// Major, minor and service pack are compared as one number, as Windows
// compares them: a later part decides only when the earlier ones are equal.
bool VersionHolds(const SystemVersion& system, const OSVERSIONINFOEXW& info, DWORD typeMask,
                  DWORDLONG conditionMask) {
    if ((typeMask & VER_BUILDNUMBER) != 0 &&
        !Holds(system.build, info.dwBuildNumber, ConditionOf(conditionMask, VER_BUILDNUMBER)))
        return false;
    // The library's file version carries no service pack.
    const struct {
        DWORD attribute;
        DWORD system;
        DWORD wanted;
    } parts[] = {{VER_MAJORVERSION, system.major, info.dwMajorVersion},
                 {VER_MINORVERSION, system.minor, info.dwMinorVersion},
                 {VER_SERVICEPACKMAJOR, 0, info.wServicePackMajor},
                 {VER_SERVICEPACKMINOR, 0, info.wServicePackMinor}};
    bool holds = true;
    for (const auto& part : parts) {
        if ((typeMask & part.attribute) == 0)
            continue;
        holds = Holds(part.system, part.wanted, ConditionOf(conditionMask, part.attribute));
        if (part.system != part.wanted)
            break;
    }
    return holds;
}

} // namespace

ULONGLONG VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition) {
    typeMask &= kKnownAttributes;
    condition &= kConditionBits;
    if (typeMask == 0 || condition == 0)
        return conditionMask;
    // One attribute a call: the highest named.
    const DWORD attribute = std::bit_floor(typeMask);
    return conditionMask | ULONGLONG{condition} << (3 * std::countr_zero(attribute));
}

BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW info, DWORD typeMask, DWORDLONG conditionMask) {
    if (info == nullptr || !ConditionsAreValid(typeMask, conditionMask)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    bool holds = true;
    if ((typeMask & VER_PRODUCT_TYPE) != 0)
        holds = Holds(SystemProductType(), info->wProductType,
                      ConditionOf(conditionMask, VER_PRODUCT_TYPE));
    if (holds && (typeMask & VER_PLATFORMID) != 0)
        holds = Holds(VER_PLATFORM_WIN32_NT, info->dwPlatformId,
                      ConditionOf(conditionMask, VER_PLATFORMID));
    const DWORD versionParts = VER_MAJORVERSION | VER_MINORVERSION | VER_BUILDNUMBER |
                               VER_SERVICEPACKMAJOR | VER_SERVICEPACKMINOR;
    if (holds && (typeMask & versionParts) != 0) {
        // An unknown version lets every version comparison pass.
        const std::optional<SystemVersion> version = ReadSystemVersion();
        holds = !version || VersionHolds(*version, *info, typeMask, conditionMask);
    }
    SetLastError(holds ? ERROR_SUCCESS : ERROR_OLD_WIN_VERSION);
    return holds ? TRUE : FALSE;
}

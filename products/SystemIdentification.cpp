#include "products/SystemIdentification.h"

#include "platform/version.h"

#include <vector>

namespace {

// Anything but a workstation product type counts as a server.
bool IsServerSystem() {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    info.wProductType = VER_NT_WORKSTATION;
    const DWORDLONG conditions = VerSetConditionMask(0, VER_PRODUCT_TYPE, VER_EQUAL);
    return !VerifyVersionInfoW(&info, VER_PRODUCT_TYPE, conditions);
}

struct NamedVersion {
    int major;
    unsigned minor;
    const char* workstation;
    const char* server;
};

// Editions without a server name of their own use the workstation name.
constexpr NamedVersion kNamedVersions[] = {
    {5, 0, "Microsoft Windows 2000", nullptr},
    {5, 1, "Microsoft Windows XP", nullptr},
    {5, 2, "Microsoft Windows 2003 Server", nullptr},
    {6, 0, "Microsoft Windows Vista", "Microsoft Windows Server 2008"},
    {6, 1, "Microsoft Windows 7", "Microsoft Windows Server 2008 R2"},
    {6, 2, "Microsoft Windows 8", "Microsoft Windows Server 2012"},
    {6, 3, "Microsoft Windows 8.1", "Microsoft Windows Server 2012 R2"},
    // Windows 11 and Server 2019/2022 report 10.0 too.
    {10, 0, "Microsoft Windows 10", "Microsoft Windows Server 2016"},
};

} // namespace

bool QuerySystemVersion(int& major, unsigned& minor, bool& isServer) {
    major = 0;
    minor = 0;
    isServer = IsServerSystem();

    // Compatibility shims may hide the true version from the version
    // functions; the system library's own file version tells it.
    constexpr const char* kSystemLibrary = "Kernel32.dll";
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(kSystemLibrary, &handle);
    if (size == 0)
        return false;
    std::vector<BYTE> data(size);
    LPVOID block = nullptr;
    UINT length = 0;
    if (GetFileVersionInfoA(kSystemLibrary, handle, size, data.data()) &&
        VerQueryValueA(data.data(), "\\", &block, &length) && block != nullptr &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
        const DWORD versionMS = static_cast<const VS_FIXEDFILEINFO*>(block)->dwFileVersionMS;
        major = static_cast<int>(versionMS >> 16);
        minor = versionMS & 0xFFFF;
    }
    return major > 0;
}

std::string OperatingSystemName(const SystemVersion& version) {
    // NT 3 and 4 are named by their major version alone.
    if (version.major == 3)
        return "Microsoft Windows NT 3.51";
    if (version.major == 4)
        return "Microsoft Windows NT 4.0";
    for (const NamedVersion& named : kNamedVersions) {
        if (named.major == version.major && named.minor == version.minor)
            return version.isServer && named.server ? named.server : named.workstation;
    }
    return "Microsoft WindowsNT " + std::to_string(version.major) + "." +
           std::to_string(version.minor) + " (unknown)";
}

std::string DescribeOperatingSystem() {
    SystemVersion version;
    if (!QuerySystemVersion(version.major, version.minor, version.isServer))
        return "(unknown)";
    return OperatingSystemName(version);
}

bool IsSupportedSystemVersion(int major, unsigned minor) {
    return major > 6 || (major == 6 && minor >= 2);
}

bool IsUnsupportedSystem(std::string& systemName) {
    SystemVersion version;
    if (!QuerySystemVersion(version.major, version.minor, version.isServer) ||
        IsSupportedSystemVersion(version.major, version.minor))
        return false;
    systemName = OperatingSystemName(version);
    return true;
}

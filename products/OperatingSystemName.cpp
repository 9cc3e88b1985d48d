#include "products/OperatingSystemName.h"

namespace {

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

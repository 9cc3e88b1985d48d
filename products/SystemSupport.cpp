#include "products/SystemSupport.h"

#include "products/OperatingSystemName.h"
#include "products/SystemVersion.h"

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

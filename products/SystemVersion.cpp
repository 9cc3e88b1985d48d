#include "products/SystemVersion.h"

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

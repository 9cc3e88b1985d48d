#include "platform/system_info.h"

#include "platform/errors.h"
#include "platform/files/native_path.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    const char* configured = std::getenv("QVU_SYSTEM_DIR");
    if (configured == nullptr || *configured == '\0') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    std::string folder = *configured == '/' ? platform::ToWindowsPath(configured) : configured;
    // Windows names the folder without a trailing backslash, but a drive's root keeps it.
    while (folder.size() > 1 && folder.back() == '\\' && !(folder.size() == 3 && folder[1] == ':'))
        folder.pop_back();
    if (buffer == nullptr || folder.size() + 1 > size)
        return static_cast<UINT>(folder.size() + 1);
    std::memcpy(buffer, folder.c_str(), folder.size() + 1);
    return static_cast<UINT>(folder.size());
}

DWORD platform::CurrentAccountId() {
    return static_cast<DWORD>(geteuid());
}

#include "app/FileTimeReset.h"

#include "platform/files.h"
#include "platform/handles.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;

std::uint64_t WholeSeconds(const FILETIME& time) {
    return ((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime) / kTicksPerSecond;
}

FILETIME FromSeconds(std::uint64_t seconds) {
    const std::uint64_t ticks = seconds * kTicksPerSecond;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void ResetFileTimes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA status;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &status))
        return;
    const std::uint64_t created = WholeSeconds(status.ftCreationTime);
    if (WholeSeconds(status.ftLastWriteTime) == created)
        return;
    // A file in use or without write permission keeps its times: the
    // installer then decides about it by its own rules.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const FILETIME creation = FromSeconds(created);
    const FILETIME lastAccess = FromSeconds(WholeSeconds(status.ftLastAccessTime));
    SetFileTime(file, &creation, &lastAccess, &creation);
    CloseHandle(file);
}

} // namespace

void ResetModificationTimes(const std::string& folder) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0)
            continue;
        const std::string path = folder + found.cFileName;
        // A link leads out of the product's own files, or back up the tree:
        // neither it nor its target is touched.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ResetModificationTimes(path + "\\");
        else
            ResetFileTimes(path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// For platform/ only: a file's status as Windows describes it.
#pragma once

#include "platform/win_types.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace platform {

struct FileStatus {
    DWORD attributes = 0;
    bool hasCreationTime = false; // the file system keeps birth times
    FILETIME creationTime{};
    FILETIME lastAccessTime{};
    FILETIME lastWriteTime{};
    std::uint64_t size = 0;
};

// The status of path relative to folderFd (AT_FDCWD: the current directory),
// or of folderFd itself when path is "". Symbolic links are followed; false
// with errno on failure.
bool ReadFileStatus(int folderFd, const char* path, FileStatus& status);

// Windows attributes for a file mode: folder, read-only when nobody may write,
// else normal.
DWORD AttributesOfMode(unsigned mode);

// Whether what this account writes may go into, or through, an entry owned
// by owner: its own or root's. Another account's entry, put where this
// account writes, would hand that account what is written.
bool IsOwnOrRoots(uid_t owner);

// Sets the last error for a failure to reach a native path: ENOENT is
// ERROR_PATH_NOT_FOUND when a folder on the way is missing, else
// ERROR_FILE_NOT_FOUND.
void SetLastErrorForPath(int error, const std::string& nativePath);

} // namespace platform

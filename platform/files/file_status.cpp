#include "platform/files/file_status.h"

#include "platform/errors.h"
#include "platform/file_times.h"
#include "platform/files.h"
#include "platform/files/native_path.h"
#include "platform/runtime/native_errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

FILETIME FromTimestamp(const struct statx_timestamp& time) {
    return FileTimeFromUnix(time.tv_sec, time.tv_nsec);
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.empty() ? "." : path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

bool ReadFileStatus(int folderFd, const char* path, FileStatus& status) {
    struct statx details;
    const int flags = *path ? 0 : AT_EMPTY_PATH;
    if (statx(folderFd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &details) != 0)
        return false;
    status.attributes = AttributesOfMode(details.stx_mode);
    status.hasCreationTime = (details.stx_mask & STATX_BTIME) != 0;
    status.creationTime = status.hasCreationTime ? FromTimestamp(details.stx_btime) : FILETIME{};
    status.lastAccessTime = FromTimestamp(details.stx_atime);
    status.lastWriteTime = FromTimestamp(details.stx_mtime);
    status.size = details.stx_size;
    return true;
}

DWORD AttributesOfMode(unsigned mode) {
    DWORD attributes = S_ISDIR(mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

bool IsOwnOrRoots(uid_t owner) {
    return owner == geteuid() || owner == 0;
}

void SetLastErrorForPath(int error, const std::string& nativePath) {
    if (error != ENOENT) {
        SetLastErrorFromErrno(error);
        return;
    }
    const std::size_t slash = nativePath.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "" : nativePath.substr(0, slash == 0 ? 1 : slash);
    SetLastError(nativePath.empty() || !IsFolder(folder) ? ERROR_PATH_NOT_FOUND
                                                         : ERROR_FILE_NOT_FOUND);
}

} // namespace platform

BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS infoLevel,
                          LPVOID fileInformation) {
    if (fileName == nullptr || fileInformation == nullptr || infoLevel != GetFileExInfoStandard) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string native = platform::ToNativePath(fileName);
    platform::FileStatus status;
    if (!platform::ReadFileStatus(AT_FDCWD, native.c_str(), status)) {
        platform::SetLastErrorForPath(native.empty() ? ENOENT : errno, native);
        return FALSE;
    }
    if (!status.hasCreationTime) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    data.dwFileAttributes = status.attributes;
    data.ftCreationTime = status.creationTime;
    data.ftLastAccessTime = status.lastAccessTime;
    data.ftLastWriteTime = status.lastWriteTime;
    data.nFileSizeHigh = static_cast<DWORD>(status.size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(status.size);
    std::memcpy(fileInformation, &data, sizeof data);
    return TRUE;
}

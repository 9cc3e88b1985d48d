// File handles: CreateFileA and the operations on the handle it answers.
#include "platform/errors.h"
#include "platform/file_times.h"
#include "platform/files.h"
#include "platform/files/file_object.h"
#include "platform/files/file_open.h"
#include "platform/files/file_status.h"
#include "platform/files/native_path.h"
#include "platform/runtime/native_errors.h"
#include "platform/sync/kernel_objects.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::FileObject;
using platform::FindFile;

BOOL FailWithErrno(int error) {
    platform::SetLastErrorFromErrno(error);
    return FALSE;
}

// A time to set; null, zero and all ones leave the file's time alone, as on Windows.
timespec TimespecOf(const FILETIME* time) {
    timespec result{0, UTIME_OMIT};
    const bool given = time != nullptr && (time->dwLowDateTime || time->dwHighDateTime) &&
                       !(time->dwLowDateTime == 0xFFFFFFFF && time->dwHighDateTime == 0xFFFFFFFF);
    if (given) {
        std::int64_t seconds;
        std::uint32_t nanoseconds;
        platform::UnixFromFileTime(*time, seconds, nanoseconds);
        result.tv_sec = static_cast<time_t>(seconds);
        result.tv_nsec = static_cast<long>(nanoseconds);
    }
    return result;
}

} // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    platform::SharedFile opened =
        platform::OpenSharedFile(platform::ToNativePath(fileName), desiredAccess, shareMode,
                                 creationDisposition, flagsAndAttributes);
    if (!opened.IsOpen())
        return INVALID_HANDLE_VALUE;
    const DWORD outcome = GetLastError(); // ERROR_ALREADY_EXISTS or success
    HANDLE handle = platform::RegisterKernelObject(
        std::make_shared<FileObject>(std::move(opened), FileObject::Kind::Disk));
    SetLastError(outcome);
    return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped) {
    if (bytesRead)
        *bytesRead = 0;
    if (overlapped != nullptr || (buffer == nullptr && bytesToRead > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto object = FindFile(file);
    if (!object)
        return FALSE;
    if (object->kind == FileObject::Kind::Pipe)
        return platform::ReadPipe(*object, buffer, bytesToRead, bytesRead);
    // Like Windows on a disk file: the whole count unless the end comes first.
    auto* bytes = static_cast<char*>(buffer);
    DWORD total = 0;
    while (total < bytesToRead) {
        const ssize_t got = read(object->file.Fd(), bytes + total, bytesToRead - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return FailWithErrno(errno);
        if (got == 0)
            break;
        total += static_cast<DWORD>(got);
        if (bytesRead)
            *bytesRead = total;
    }
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped) {
    if (bytesWritten)
        *bytesWritten = 0;
    if (overlapped != nullptr || (buffer == nullptr && bytesToWrite > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto object = FindFile(file);
    if (!object)
        return FALSE;
    if (object->kind == FileObject::Kind::Pipe)
        return platform::WritePipe(*object, buffer, bytesToWrite, bytesWritten);
    const auto* bytes = static_cast<const char*>(buffer);
    DWORD total = 0;
    while (total < bytesToWrite) {
        const ssize_t put = write(object->file.Fd(), bytes + total, bytesToWrite - total);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return FailWithErrno(put < 0 ? errno : ENOSPC);
        total += static_cast<DWORD>(put);
        if (bytesWritten)
            *bytesWritten = total;
    }
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
    const auto object = FindFile(file);
    if (!object)
        return FALSE;
    return fsync(object->file.Fd()) == 0 ? TRUE : FailWithErrno(errno);
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod) {
    const auto object = FindFile(file);
    if (!object)
        return INVALID_SET_FILE_POINTER;
    // With a high part the distance is 64 bits; without, a signed 32-bit one.
    const std::int64_t distance =
        distanceToMoveHigh
            ? static_cast<std::int64_t>((static_cast<std::uint64_t>(*distanceToMoveHigh) << 32) |
                                        static_cast<DWORD>(distanceToMove))
            : distanceToMove;
    static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (moveMethod > FILE_END) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    const off_t position = lseek(object->file.Fd(), distance, whence[moveMethod]);
    if (position < 0) {
        SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : platform::Win32ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceToMoveHigh)
        *distanceToMoveHigh = static_cast<LONG>(static_cast<std::uint64_t>(position) >> 32);
    // A position whose low part happens to be 0xFFFFFFFF is told apart by the error.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
    const auto object = FindFile(file);
    struct stat st;
    if (!object || fstat(object->file.Fd(), &st) != 0) {
        if (object)
            platform::SetLastErrorFromErrno(errno);
        return INVALID_FILE_SIZE;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (fileSizeHigh)
        *fileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL SetEndOfFile(HANDLE file) {
    const auto object = FindFile(file);
    if (!object)
        return FALSE;
    const off_t position = lseek(object->file.Fd(), 0, SEEK_CUR);
    if (position < 0 || ftruncate(object->file.Fd(), position) != 0)
        return FailWithErrno(errno);
    return TRUE;
}

BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime,
                 LPFILETIME lastWriteTime) {
    const auto object = FindFile(file);
    if (!object)
        return FALSE;
    platform::FileStatus status;
    if (!platform::ReadFileStatus(object->file.Fd(), "", status))
        return FailWithErrno(errno);
    if (creationTime && !status.hasCreationTime) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    if (creationTime)
        *creationTime = status.creationTime;
    if (lastAccessTime)
        *lastAccessTime = status.lastAccessTime;
    if (lastWriteTime)
        *lastWriteTime = status.lastWriteTime;
    return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME*, const FILETIME* lastAccessTime,
                 const FILETIME* lastWriteTime) {
    const auto object = FindFile(file);
    if (!object)
        return FALSE;
    const timespec times[2] = {TimespecOf(lastAccessTime), TimespecOf(lastWriteTime)};
    return futimens(object->file.Fd(), times) == 0 ? TRUE : FailWithErrno(errno);
}

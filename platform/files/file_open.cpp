#include "platform/files/file_open.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/files/file_status.h"
#include "platform/runtime/native_errors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Rounds of exclusive creation and plain opening before a name that keeps
// appearing and vanishing under another process's hands is given up.
constexpr int kOpenRounds = 16;

bool IsLink(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Opens the file, creating it when the disposition allows; existed tells
// whether it was there before. -1 with errno on failure; a symbolic link
// that leads nowhere is a missing file, never one to create.
int OpenForDisposition(const std::string& path, int flags, DWORD disposition, mode_t mode,
                       bool& existed) {
    const bool mayCreate = disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING;
    const bool mayOpen = disposition != CREATE_NEW;
    for (int round = 0; round < kOpenRounds; ++round) {
        if (mayCreate) {
            const int fd = open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
            if (fd >= 0 || errno != EEXIST || !mayOpen) {
                existed = fd < 0;
                return fd;
            }
        }
        const int fd = open(path.c_str(), flags);
        if (fd >= 0 || errno != ENOENT || !mayCreate) {
            existed = true;
            return fd;
        }
        // There for exclusive creation, missing for opening: a dangling
        // link, or a file deleted between the two attempts.
        if (IsLink(path)) {
            errno = ENOENT;
            return -1;
        }
    }
    errno = ENOENT;
    return -1;
}

int AccessFlags(unsigned rights) {
    if (rights & kRightWrite)
        return (rights & kRightRead) ? O_RDWR : O_WRONLY;
    return O_RDONLY;
}

SharedFile Fail(int fd, DWORD error) {
    if (fd >= 0)
        close(fd);
    SetLastError(error);
    return {};
}

} // namespace

SharedFile::SharedFile(SharedFile&& other) noexcept
    : fd_(other.fd_), claim_(std::move(other.claim_)) {
    other.fd_ = -1;
}

SharedFile& SharedFile::operator=(SharedFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        claim_ = std::move(other.claim_);
        other.fd_ = -1;
    }
    return *this;
}

SharedFile::~SharedFile() {
    Close();
}

void SharedFile::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    claim_.reset();
}

SharedFile OpenSharedFile(const std::string& nativePath, DWORD desiredAccess, DWORD shareMode,
                          DWORD creationDisposition, DWORD flagsAndAttributes) {
    if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING)
        return Fail(-1, ERROR_INVALID_PARAMETER);
    const unsigned rights = RightsOfAccess(desiredAccess);
    const bool truncates =
        creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING;
    if (truncates && !(rights & kRightWrite))
        return Fail(-1, ERROR_INVALID_PARAMETER);

    // A file is written only under its own name: a symbolic link put in its
    // place (by whoever may write the folder) is not followed to its target.
    // No open waits for the other end of a pipe or for a device.
    const bool writes = (rights & kRightWrite) != 0;
    int flags = AccessFlags(rights) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (writes ? O_NOFOLLOW : 0);
    if (flagsAndAttributes & FILE_FLAG_WRITE_THROUGH)
        flags |= O_DSYNC;
    // New files are writable by their owner alone, whatever the umask.
    const mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0644;
    bool existed = false;
    const int fd = OpenForDisposition(nativePath, flags, creationDisposition, mode, existed);
    if (fd < 0 && errno == EEXIST)
        return Fail(fd, ERROR_FILE_EXISTS); // CREATE_NEW found the file
    if (fd < 0 && errno == ELOOP && writes && IsLink(nativePath))
        return Fail(fd, ERROR_ACCESS_DENIED);
    if (fd < 0 && errno == ENXIO) // a pipe without a reader, a socket
        return Fail(fd, ERROR_ACCESS_DENIED);
    if (fd < 0) {
        SetLastErrorForPath(nativePath.empty() ? ENOENT : errno, nativePath);
        return {};
    }

    struct stat st;
    if (fstat(fd, &st) != 0)
        return Fail(fd, Win32ErrorFromErrno(errno));
    // Windows opens no folder as a file, and honours the read-only attribute
    // even for administrators. Only regular files are files here, and only
    // the account's own or root's take what it writes.
    if (!S_ISREG(st.st_mode) || (writes && !IsOwnOrRoots(st.st_uid)))
        return Fail(fd, ERROR_ACCESS_DENIED);
    if (existed && writes && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return Fail(fd, ERROR_ACCESS_DENIED);
    if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        return Fail(fd, Win32ErrorFromErrno(errno));

    std::unique_ptr<ShareClaim> claim = ClaimShareMode(fd, rights, shareMode);
    if (!claim)
        return Fail(fd, GetLastError());
    // Only an admitted open may empty the file.
    if (existed && truncates && ftruncate(fd, 0) != 0)
        return Fail(fd, Win32ErrorFromErrno(errno));
    const bool reportExisting =
        existed && (creationDisposition == OPEN_ALWAYS || creationDisposition == CREATE_ALWAYS);
    SetLastError(reportExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return SharedFile(fd, std::move(claim));
}

} // namespace platform

// Each file (device and inode) has a lock file "file-<device>-<inode>". An
// open holds shared byte locks on it: byte 1 + r while it uses right r, byte
// 4 + r while it denies right r to others. A newcomer checks for locks of
// other opens on the opposite bytes; the check and the taking of its own
// locks happen under an exclusive lock on byte 0, so two newcomers cannot
// both pass. The locks belong to the open of the lock file and vanish with
// the process, so a crashed holder never keeps anyone out.
//
// The last open to go removes the lock file under the byte-0 lock; a newcomer
// that opened the removed file notices after taking byte 0 that its file is
// no longer the one the name leads to, and starts over. Lock files are left
// behind only by crashed holders, and the next open and close of the same
// file removes them.
#include "platform/files/share_modes.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/files/file_locks.h"
#include "platform/runtime/native_errors.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace platform {

namespace {

constexpr long kGuardByte = 0;
constexpr long kUsesFirstByte = 1;
constexpr long kDeniesFirstByte = 4;
constexpr unsigned kRightCount = 3;

std::string LockName(const struct stat& file) {
    char name[64];
    std::snprintf(name, sizeof name, "file-%llx-%llx", static_cast<unsigned long long>(file.st_dev),
                  static_cast<unsigned long long>(file.st_ino));
    return name;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens the lock file and takes its guard byte, making sure the file is still
// the one the name leads to.
int OpenGuardedLockFile(const std::string& path) {
    for (;;) {
        const int fd = OpenLockFile(path);
        if (fd < 0)
            return -1;
        struct stat held, named;
        if (!LockByteWaiting(fd, kGuardByte) || fstat(fd, &held) != 0) {
            const int error = errno;
            close(fd);
            errno = error;
            return -1;
        }
        if (stat(path.c_str(), &named) == 0 && SameFile(held, named))
            return fd;
        close(fd); // removed by the last user meanwhile: take the new one
    }
}

bool Conflicts(int fd, unsigned rights, unsigned sharedRights) {
    for (unsigned r = 0; r < kRightCount; ++r) {
        const unsigned bit = 1u << r;
        if ((rights & bit) && OthersHoldLock(fd, kDeniesFirstByte + r))
            return true;
        if (!(sharedRights & bit) && OthersHoldLock(fd, kUsesFirstByte + r))
            return true;
    }
    return false;
}

bool TakeLocks(int fd, unsigned rights, unsigned sharedRights) {
    for (unsigned r = 0; r < kRightCount; ++r) {
        const unsigned bit = 1u << r;
        if ((rights & bit) && !TryLockByte(fd, kUsesFirstByte + r, false))
            return false;
        if (!(sharedRights & bit) && !TryLockByte(fd, kDeniesFirstByte + r, false))
            return false;
    }
    return true;
}

// Called with the guard byte held; closing drops the guard and the open's locks.
void RemoveIfLastAndClose(int fd, const std::string& path) {
    if (!OthersHoldLock(fd, kUsesFirstByte, 0))
        unlink(path.c_str());
    close(fd);
}

} // namespace

unsigned RightsOfAccess(DWORD desiredAccess) {
    unsigned rights = 0;
    if (desiredAccess & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA))
        rights |= kRightRead;
    if (desiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA))
        rights |= kRightWrite;
    if (desiredAccess & (GENERIC_ALL | DELETE))
        rights |= kRightDelete;
    return rights;
}

ShareClaim::ShareClaim(int lockFd, std::string lockPath)
    : lockFd_(lockFd), lockPath_(std::move(lockPath)) {}

ShareClaim::~ShareClaim() {
    if (LockByteWaiting(lockFd_, kGuardByte))
        RemoveIfLastAndClose(lockFd_, lockPath_);
    else
        close(lockFd_);
}

std::unique_ptr<ShareClaim> ClaimShareMode(const struct stat& file, unsigned rights,
                                           unsigned sharedRights) {
    // As on Windows, an open without data access takes no part in sharing:
    // its share mode denies nothing.
    if (rights == 0)
        sharedRights = kRightRead | kRightWrite | kRightDelete;
    const std::string path = LockFilePath(LockName(file));
    const int fd = OpenGuardedLockFile(path);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    if (Conflicts(fd, rights, sharedRights)) {
        RemoveIfLastAndClose(fd, path);
        SetLastError(ERROR_SHARING_VIOLATION);
        return nullptr;
    }
    if (!TakeLocks(fd, rights, sharedRights)) {
        const int error = errno;
        RemoveIfLastAndClose(fd, path);
        SetLastErrorFromErrno(error);
        return nullptr;
    }
    UnlockByte(fd, kGuardByte);
    return std::make_unique<ShareClaim>(fd, path);
}

} // namespace platform

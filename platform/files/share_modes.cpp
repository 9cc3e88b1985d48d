// An open marks its share mode with shared byte locks on the file itself, at
// offsets no file reaches: byte kMarks + r while it uses right r, byte
// kMarks + 3 + r while it denies right r to others. A newcomer checks for
// marks of other opens on the opposite bytes; the check and the taking of its
// own marks happen under an exclusive flock on the file (the admission guard),
// so two newcomers cannot both pass. Marks and guard belong to one open of the
// file and vanish with it, so a crashed holder never keeps anyone out.
//
// Only an account that can open the file can mark it or hold its guard. Such
// an account may keep a file busy, as on Windows, but never for ever: an
// admission waits for the guard only as long as admissions take, and is then
// refused like a conflicting open.
#include "platform/files/share_modes.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/files/file_locks.h"
#include "platform/runtime/native_errors.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <limits>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr off_t kMarks = std::numeric_limits<off_t>::max() - 8;
constexpr off_t kUsesFirstByte = kMarks;
constexpr off_t kDeniesFirstByte = kMarks + 3;
constexpr unsigned kRightCount = 3;
// Admissions take a moment; one that waits longer meets a guard held on purpose.
constexpr std::chrono::milliseconds kGuardWait(1000);

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

bool TakeMarks(int fd, unsigned rights, unsigned sharedRights) {
    for (unsigned r = 0; r < kRightCount; ++r) {
        const unsigned bit = 1u << r;
        if ((rights & bit) && !TryLockByte(fd, kUsesFirstByte + r, false))
            return false;
        if (!(sharedRights & bit) && !TryLockByte(fd, kDeniesFirstByte + r, false))
            return false;
    }
    return true;
}

void DropMarks(int fd) {
    for (unsigned r = 0; r < kRightCount; ++r) {
        UnlockByte(fd, kUsesFirstByte + r);
        UnlockByte(fd, kDeniesFirstByte + r);
    }
}

// Checks and marks under the guard; false with the last error set.
bool Admit(int fd, unsigned rights, unsigned sharedRights) {
    if (!FlockWithin(fd, kGuardWait)) {
        SetLastError(errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : Win32ErrorFromErrno(errno));
        return false;
    }
    DWORD error = ERROR_SUCCESS;
    if (Conflicts(fd, rights, sharedRights))
        error = ERROR_SHARING_VIOLATION;
    else if (!TakeMarks(fd, rights, sharedRights))
        error = Win32ErrorFromErrno(errno);
    if (error != ERROR_SUCCESS)
        DropMarks(fd);
    flock(fd, LOCK_UN);
    SetLastError(error);
    return error == ERROR_SUCCESS;
}

// A second open of the file open as fd, for reading (marks are read locks).
int ReopenForReading(int fd) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return open(self.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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

ShareClaim::~ShareClaim() {
    if (ownFd_ >= 0)
        close(ownFd_);
}

std::unique_ptr<ShareClaim> ClaimShareMode(int fd, unsigned rights, unsigned sharedRights) {
    // As on Windows, an open without data access takes no part in sharing:
    // it uses nothing and denies nothing.
    if (rights == 0)
        return std::make_unique<ShareClaim>(-1);
    int ownFd = -1;
    if ((fcntl(fd, F_GETFL) & O_ACCMODE) == O_WRONLY) {
        ownFd = ReopenForReading(fd);
        if (ownFd < 0) {
            SetLastErrorFromErrno(errno);
            return nullptr;
        }
    }
    auto claim = std::make_unique<ShareClaim>(ownFd);
    if (!Admit(ownFd >= 0 ? ownFd : fd, rights, sharedRights))
        return nullptr;
    return claim;
}

std::unique_ptr<ShareClaim> ClaimEntry(const std::string& path, const struct stat& entry,
                                       unsigned rights) {
    if (!S_ISREG(entry.st_mode))
        return std::make_unique<ShareClaim>(-1);
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        SetLastErrorFromErrno(errno);
        return nullptr;
    }
    auto claim = std::make_unique<ShareClaim>(fd);
    struct stat opened;
    if (fstat(fd, &opened) != 0 || opened.st_dev != entry.st_dev || opened.st_ino != entry.st_ino) {
        SetLastError(ERROR_SHARING_VIOLATION); // replaced meanwhile: in use by someone else
        return nullptr;
    }
    if (!Admit(fd, rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
        return nullptr;
    return claim;
}

} // namespace platform

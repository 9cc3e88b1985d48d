#include "platform/files/file_locks.h"

#include "platform/files/machine_folders.h"
#include "platform/files/native_path.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

// Sticky and writable for all, like /tmp: every account adds its own folder,
// none can remove or rename another's.
constexpr mode_t kLockFolderMode = 01777;
constexpr mode_t kLockFileMode = 0600;

struct flock ByteRange(short type, off_t offset) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = offset;
    range.l_len = 1;
    return range;
}

int LockCommand(int fd, int command, struct flock& range) {
    int result;
    do
        result = fcntl(fd, command, &range);
    while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

int OpenLockFile(const std::string& name) {
    const std::string locks = MachineRoot() + "/locks";
    EnsureMachineFolder(locks, kLockFolderMode);
    const int folder = OpenAccountFolder(locks);
    if (folder < 0)
        return -1;
    const int fd =
        openat(folder, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kLockFileMode);
    const int error = errno;
    close(folder);
    errno = error;
    return fd;
}

bool TryLockByte(int fd, off_t offset, bool exclusive) {
    struct flock range = ByteRange(exclusive ? F_WRLCK : F_RDLCK, offset);
    return LockCommand(fd, F_OFD_SETLK, range) == 0;
}

bool LockByteWaiting(int fd, off_t offset) {
    struct flock range = ByteRange(F_WRLCK, offset);
    return LockCommand(fd, F_OFD_SETLKW, range) == 0;
}

void UnlockByte(int fd, off_t offset) {
    struct flock range = ByteRange(F_UNLCK, offset);
    LockCommand(fd, F_OFD_SETLK, range);
}

bool OthersHoldLock(int fd, off_t offset) {
    // Asking for an exclusive lock reports any lock of another open, shared or not.
    struct flock range = ByteRange(F_WRLCK, offset);
    if (LockCommand(fd, F_OFD_GETLK, range) != 0)
        return true; // cannot tell: assume held, so nobody is let in wrongly
    return range.l_type != F_UNLCK;
}

bool FlockWithin(int fd, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(1);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace platform

#include "platform/files/file_locks.h"

#include "platform/files/machine_folders.h"

#include "platform/files/native_path.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

struct flock ByteRange(short type, long offset, long length) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = offset;
    range.l_len = length;
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

std::string LockFilePath(const std::string& name) {
    const std::string folder = MachineRoot() + "/locks";
    // Sticky and writable for all, like /tmp: every account shares the locks,
    // none can remove another's.
    EnsureMachineFolder(folder, 01777);
    return folder + "/" + name;
}

int OpenLockFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0)
        fchmod(fd, 0666); // despite the umask: other accounts open it too
    return fd;
}

bool TryLockByte(int fd, long offset, bool exclusive) {
    struct flock range = ByteRange(exclusive ? F_WRLCK : F_RDLCK, offset, 1);
    return LockCommand(fd, F_OFD_SETLK, range) == 0;
}

bool LockByteWaiting(int fd, long offset) {
    struct flock range = ByteRange(F_WRLCK, offset, 1);
    return LockCommand(fd, F_OFD_SETLKW, range) == 0;
}

void UnlockByte(int fd, long offset) {
    struct flock range = ByteRange(F_UNLCK, offset, 1);
    LockCommand(fd, F_OFD_SETLK, range);
}

bool OthersHoldLock(int fd, long offset, long length) {
    // Asking for an exclusive lock reports any lock of another open, shared or not.
    struct flock range = ByteRange(F_WRLCK, offset, length);
    if (LockCommand(fd, F_OFD_GETLK, range) != 0)
        return true; // cannot tell: assume held, so nobody is let in wrongly
    return range.l_type != F_UNLCK;
}

} // namespace platform

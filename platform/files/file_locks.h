// For platform/ only: byte locks, and the lock files of named objects.
//
// The locks are open-file-description locks: they belong to one open of a
// file, so two opens in the same process conflict like two processes, and
// they vanish with the process that holds them.
//
// Lock files lie in a folder of the account's own, $QVU_ROOT/locks/uid-<N>
// (mode 0700), in the lock folder that every account may add its folder to.
// No other account can plant a link there, hold a lock on a lock file or
// change its permissions, so named objects are shared among the processes of
// one account, as Windows shares them within a session.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>

namespace platform {

// Opens (creating it, readable and writable by the account alone) the lock
// file of that name, never through a symbolic link. -1 with errno on
// failure; EACCES when the account's lock folder is not its own (another
// account made it first) and the account is not root, which takes its
// folder back (machine_folders.h).
int OpenLockFile(const std::string& name);

// Takes a shared or exclusive lock on one byte without waiting.
bool TryLockByte(int fd, off_t offset, bool exclusive);
// Takes an exclusive lock on one byte, waiting as long as it takes.
bool LockByteWaiting(int fd, off_t offset);
void UnlockByte(int fd, off_t offset);
// Whether another open of the file holds any lock on the byte at offset.
bool OthersHoldLock(int fd, off_t offset);

// Takes an exclusive flock on the open file or folder fd, polling with pauses
// growing to 10 ms for at most wait: any account that can open a file or
// folder can hold its flock, so it is never waited for without bound. False
// with errno set; EWOULDBLOCK when the time has passed.
bool FlockWithin(int fd, std::chrono::milliseconds wait);

} // namespace platform

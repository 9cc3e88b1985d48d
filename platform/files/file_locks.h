// For platform/ only: lock files under $QVU_ROOT/locks/ and byte locks on
// them. The locks are open-file-description locks: they belong to one open of
// the lock file, so two opens in the same process conflict like two processes,
// and they vanish with the process that holds them.
#pragma once

#include <string>

namespace platform {

// The path of the lock file of that name; its folder is created on demand,
// open to every account.
std::string LockFilePath(const std::string& name);

// Opens (creating it) a lock file for reading and writing; -1 with errno on failure.
int OpenLockFile(const std::string& path);

// Takes a shared or exclusive lock on one byte without waiting.
bool TryLockByte(int fd, long offset, bool exclusive);
// Takes an exclusive lock on one byte, waiting as long as it takes.
bool LockByteWaiting(int fd, long offset);
void UnlockByte(int fd, long offset);
// Whether another open of the lock file holds any lock on the byte at offset
// (length 1), or from offset to the end of the file (length 0).
bool OthersHoldLock(int fd, long offset, long length = 1);

} // namespace platform

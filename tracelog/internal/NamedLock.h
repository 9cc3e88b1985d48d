// The trace log's named locks (the file lock and the server lock) as shared
// handles. Shutdown lets go of a lock while a writer of another thread may
// still wait for it or hold it: the handle is closed only by its last user,
// so every writer releases the very handle it waited on, never a closed one.
#pragma once

#include "platform/win_types.h"

#include <memory>

namespace tracelog {

// A named mutex's handle, closed when the last reference goes.
class LockHandle {
public:
    explicit LockHandle(HANDLE handle) : handle_(handle) {}
    ~LockHandle();
    LockHandle(const LockHandle&) = delete;
    LockHandle& operator=(const LockHandle&) = delete;

    HANDLE Get() const { return handle_; }

private:
    const HANDLE handle_;
};

using SharedLock = std::shared_ptr<const LockHandle>;

// The named locks: the program id followed by these.
constexpr char kFileLockSuffix[] = "_LogLockingMutex";
constexpr char kServerLockSuffix[] = "_LogLockingMutexServer";

// The program id followed by the suffix, created or opened; null when that fails.
SharedLock CreateNamedLock(const char* suffix);

// Holds a named lock for a scope: waits for it at most kLockWaitMs (a lock
// left by a writer that died is ours as well) and releases it at the end of
// the scope, through the handle it waited on.
class HeldLock {
public:
    explicit HeldLock(SharedLock lock);
    ~HeldLock();
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

    bool Held() const { return lock_ != nullptr; }

private:
    SharedLock lock_; // null when not held
};

} // namespace tracelog

#include "tracelog/internal/NamedLock.h"

#include "platform/handles.h"
#include "platform/sync.h"
#include "tracelog/internal/TraceLogState.h"

#include <string>

namespace tracelog {

LockHandle::~LockHandle() {
    CloseHandle(handle_);
}

SharedLock CreateNamedLock(const char* suffix) {
    const std::string name = std::string(State().programId) + suffix;
    HANDLE handle = CreateMutexA(nullptr, FALSE, name.c_str());
    return handle == nullptr ? nullptr : std::make_shared<const LockHandle>(handle);
}

HeldLock::HeldLock(SharedLock lock) : lock_(std::move(lock)) {
    if (lock_ == nullptr)
        return;
    const DWORD result = WaitForSingleObject(lock_->Get(), kLockWaitMs);
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED)
        lock_.reset();
}

HeldLock::~HeldLock() {
    if (lock_ != nullptr)
        ReleaseMutex(lock_->Get());
}

} // namespace tracelog

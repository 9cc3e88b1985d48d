#include "platform/errors.h"
#include "platform/sync/sync_objects.h"

namespace platform {

Deadline DeadlineAfter(DWORD milliseconds) {
    if (milliseconds == INFINITE)
        return std::nullopt;
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

DWORD EndState::Wait(const Deadline& deadline) {
    std::unique_lock<std::mutex> lock(lock_);
    return WaitUntil(ended_, lock, deadline, [this] { return finished_; }) ? WAIT_OBJECT_0
                                                                           : WAIT_TIMEOUT;
}

void EndState::Finish(DWORD exitCode) {
    std::lock_guard<std::mutex> guard(lock_);
    exitCode_ = exitCode;
    finished_ = true;
    ended_.notify_all();
}

DWORD EndState::ExitCode() {
    std::lock_guard<std::mutex> guard(lock_);
    return finished_ ? exitCode_ : STILL_ACTIVE;
}

} // namespace platform

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    // The object stays alive for the wait even if the handle is closed meanwhile.
    const auto object = platform::FindKernelObjectAs<platform::Waitable>(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->Wait(platform::DeadlineAfter(milliseconds));
}

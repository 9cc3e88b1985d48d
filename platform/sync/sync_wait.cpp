#include "platform/errors.h"
#include "platform/sync/sync_objects.h"

namespace platform {

Deadline DeadlineAfter(DWORD milliseconds) {
    if (milliseconds == INFINITE)
        return std::nullopt;
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
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

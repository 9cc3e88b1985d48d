#include "platform/console.h"

#include "platform/errors.h"
#include "platform/sync/kernel_objects.h"

#include <memory>
#include <unistd.h>

namespace {

// The modes a fresh console starts with: processed, line-wise, echoed input;
// processed output that wraps at the line end.
constexpr DWORD kInputMode = 0x0001 | 0x0002 | 0x0004;
constexpr DWORD kOutputMode = 0x0001 | 0x0002;

struct StandardDevice : platform::KernelObject {
    explicit StandardDevice(int descriptor) : fd(descriptor) {}
    int fd;
};

HANDLE RegisterDevice(int fd) {
    return platform::RegisterKernelObject(std::make_shared<StandardDevice>(fd));
}

} // namespace

HANDLE GetStdHandle(DWORD device) {
    // Registered once each, so every call hands out the same handle.
    static const HANDLE input = RegisterDevice(STDIN_FILENO);
    static const HANDLE output = RegisterDevice(STDOUT_FILENO);
    static const HANDLE error = RegisterDevice(STDERR_FILENO);
    switch (device) {
    case STD_INPUT_HANDLE:
        return input;
    case STD_OUTPUT_HANDLE:
        return output;
    case STD_ERROR_HANDLE:
        return error;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
}

BOOL GetConsoleMode(HANDLE console, LPDWORD mode) {
    const std::shared_ptr<StandardDevice> device =
        platform::FindKernelObjectAs<StandardDevice>(console);
    if (!device || mode == nullptr || isatty(device->fd) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *mode = device->fd == STDIN_FILENO ? kInputMode : kOutputMode;
    return TRUE;
}

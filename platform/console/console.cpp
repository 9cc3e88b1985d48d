#include "platform/console.h"

#include "platform/errors.h"
#include "platform/files/file_object.h"

#include <memory>
#include <unistd.h>

namespace {

// The modes a fresh console starts with: processed, line-wise, echoed input;
// processed output that wraps at the line end.
constexpr DWORD kInputMode = 0x0001 | 0x0002 | 0x0004;
constexpr DWORD kOutputMode = 0x0001 | 0x0002;

} // namespace

HANDLE GetStdHandle(DWORD device) {
    // Registered once each, so every call hands out the same handle; read
    // and written as pipes are, whatever the device is.
    static const HANDLE input = platform::RegisterPipeEnd(STDIN_FILENO);
    static const HANDLE output = platform::RegisterPipeEnd(STDOUT_FILENO);
    static const HANDLE error = platform::RegisterPipeEnd(STDERR_FILENO);
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
    const int fd = platform::NativeDescriptorOf(console);
    if (fd < 0 || fd > STDERR_FILENO || mode == nullptr || isatty(fd) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *mode = fd == STDIN_FILENO ? kInputMode : kOutputMode;
    return TRUE;
}

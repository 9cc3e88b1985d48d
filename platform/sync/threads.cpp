// Threads: a detached std::thread whose end is recorded in a state that the
// handle shares, so the handle can be waited on and closed at any time.
#include "platform/errors.h"
#include "platform/sync/sync_objects.h"

#include <cstdio>
#include <future>
#include <iostream>
#include <sys/syscall.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

constexpr DWORD CREATE_SUSPENDED = 0x4;

struct ThreadObject : platform::EndingObject {
    using EndingObject::EndingObject;
};

} // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE startAddress,
                    LPVOID parameter, DWORD creationFlags, LPDWORD threadId) {
    if (startAddress == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (creationFlags & CREATE_SUSPENDED) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto state = std::make_shared<platform::EndState>();
    std::promise<DWORD> started;
    std::future<DWORD> id = started.get_future();
    try {
        std::thread([state, startAddress, parameter, started = std::move(started)]() mutable {
            started.set_value(GetCurrentThreadId());
            state->Finish(startAddress(parameter));
        }).detach();
    } catch (const std::system_error&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const DWORD newId = id.get();
    if (threadId)
        *threadId = newId;
    return platform::RegisterKernelObject(std::make_shared<ThreadObject>(state));
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    return platform::ExitCodeOf<ThreadObject>(thread, exitCode);
}

DWORD GetCurrentThreadId() {
    return static_cast<DWORD>(syscall(SYS_gettid));
}

DWORD GetCurrentProcessId() {
    return static_cast<DWORD>(getpid());
}

void ExitProcess(UINT exitCode) {
    std::cout.flush();
    std::cerr.flush();
    // Only the output streams: a thread may hold standard input's lock while
    // it waits for a line.
    std::fflush(stdout);
    std::fflush(stderr);
    // No exit handlers and no static destructors: other threads still run.
    _exit(static_cast<int>(exitCode));
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;)
            pause();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

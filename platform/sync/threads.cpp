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

class ThreadState {
public:
    DWORD Wait(const platform::Deadline& deadline) {
        std::unique_lock<std::mutex> lock(lock_);
        return platform::WaitUntil(ended_, lock, deadline, [this] { return finished_; })
                   ? WAIT_OBJECT_0
                   : WAIT_TIMEOUT;
    }

    void Finish(DWORD exitCode) {
        std::lock_guard<std::mutex> guard(lock_);
        exitCode_ = exitCode;
        finished_ = true;
        ended_.notify_all();
    }

    DWORD ExitCode() {
        std::lock_guard<std::mutex> guard(lock_);
        return finished_ ? exitCode_ : STILL_ACTIVE;
    }

private:
    std::mutex lock_;
    std::condition_variable ended_;
    bool finished_ = false;
    DWORD exitCode_ = 0;
};

struct ThreadObject : platform::Waitable {
    explicit ThreadObject(std::shared_ptr<ThreadState> thread) : state(std::move(thread)) {}
    DWORD Wait(const platform::Deadline& deadline) override { return state->Wait(deadline); }
    std::shared_ptr<ThreadState> state;
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
    auto state = std::make_shared<ThreadState>();
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
    const auto object = platform::FindKernelObjectAs<ThreadObject>(thread);
    if (!object || exitCode == nullptr) {
        SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exitCode = object->state->ExitCode();
    return TRUE;
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

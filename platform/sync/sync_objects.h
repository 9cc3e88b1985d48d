// For platform/ only: what the waitable kernel objects share.
#pragma once

#include "platform/errors.h"
#include "platform/sync.h"
#include "platform/sync/kernel_objects.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace platform {

using Deadline = std::optional<std::chrono::steady_clock::time_point>;

// When a wait of that many milliseconds ends; none for INFINITE.
Deadline DeadlineAfter(DWORD milliseconds);

struct Waitable : KernelObject {
    // WAIT_OBJECT_0, WAIT_ABANDONED, WAIT_TIMEOUT or WAIT_FAILED (last error set).
    virtual DWORD Wait(const Deadline& deadline) = 0;
};

// Waits on a condition variable until the predicate holds or the deadline
// passes; answers the predicate.
template <class Predicate>
bool WaitUntil(std::condition_variable& condition, std::unique_lock<std::mutex>& lock,
               const Deadline& deadline, Predicate predicate) {
    if (!deadline) {
        condition.wait(lock, predicate);
        return true;
    }
    return condition.wait_until(lock, *deadline, predicate);
}

// When a thread or process ended and with what exit code, shared by its handles.
class EndState {
public:
    // WAIT_OBJECT_0 once it ended, WAIT_TIMEOUT when the deadline passed first.
    DWORD Wait(const Deadline& deadline);
    void Finish(DWORD exitCode);
    // STILL_ACTIVE until it ended, then its exit code.
    DWORD ExitCode();

private:
    std::mutex lock_;
    std::condition_variable ended_;
    bool finished_ = false;
    DWORD exitCode_ = 0;
};

// A handle of something that ends (a thread, a process): signalled once it ended.
struct EndingObject : Waitable {
    explicit EndingObject(std::shared_ptr<EndState> end) : state(std::move(end)) {}
    DWORD Wait(const Deadline& deadline) override { return state->Wait(deadline); }
    std::shared_ptr<EndState> state;
};

// GetExitCodeThread and GetExitCodeProcess: the exit code behind a handle of
// kind T (an EndingObject), or FALSE with the last error set.
template <class T> BOOL ExitCodeOf(HANDLE handle, LPDWORD exitCode) {
    const auto object = FindKernelObjectAs<T>(handle);
    if (!object || exitCode == nullptr) {
        SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exitCode = object->state->ExitCode();
    return TRUE;
}

// The named objects of one kind living in this process. An object made
// before a fork belongs to the parent and is not found by the child.
template <class T> class NamedObjects {
public:
    // The live object of that name (existed true), else the one make()
    // answers, which may be null.
    template <class Make>
    std::shared_ptr<T> FindOrMake(const std::string& name, bool& existed, Make make) {
        std::lock_guard<std::mutex> guard(lock_);
        const DWORD process = GetCurrentProcessId();
        auto found = objects_.find(name);
        if (found != objects_.end() && found->second.process == process) {
            if (auto object = found->second.object.lock()) {
                existed = true;
                return object;
            }
        }
        existed = false;
        std::shared_ptr<T> object = make();
        if (object)
            objects_[name] = Entry{object, process};
        return object;
    }

private:
    struct Entry {
        std::weak_ptr<T> object;
        DWORD process;
    };
    std::mutex lock_;
    std::map<std::string, Entry> objects_;
};

} // namespace platform

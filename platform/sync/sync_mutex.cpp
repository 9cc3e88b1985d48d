// Mutexes. Within the process a mutex is an owner thread and a count under a
// std::mutex. A named one also holds, while some thread of the process owns
// it, an exclusive lock on byte 0 of its lock file "mutex-<name>": an
// open-file-description lock, so the kernel drops it when the process dies
// and the next process's poll gets it. Content byte 0 is 1 while owned; a new
// owner that finds it set knows the previous one died holding the mutex.
// Every process with the name open holds a shared lock on byte 1, which tells
// a creator whether the name already exists elsewhere; when it does not, the
// creator starts a new mutex, not abandoned whatever the mark says. Lock files of mutexes
// stay in the account's lock folder (file_locks.h): one per name ever used.
//
// A release hands the mutex, byte 0 and all, to the longest waiting thread
// of the process, so another process's poll would never find a gap: a
// process that waits holds a shared lock on byte 3 meanwhile, and a process
// that has had the mutex for a turn releases byte 0 when another waits and
// stands back until that one got it (or a short while has passed). Under
// contention the processes take turns.
#include "platform/errors.h"
#include "platform/files/file_locks.h"
#include "platform/runtime/native_errors.h"
#include "platform/strings.h"
#include "platform/sync/sync_objects.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <thread>
#include <unistd.h>

namespace {

constexpr long kOwnerByte = 0;
constexpr long kPresenceByte = 1;
constexpr long kCreationGuardByte = 2;
constexpr long kWaitingByte = 3;
constexpr char kOwnedMark = 1;
constexpr char kFreeMark = 0;

using Clock = std::chrono::steady_clock;
// A turn long enough that a waiter's poll delay costs little of it, short
// enough that no waiter of another process waits long.
constexpr auto kTurn = std::chrono::milliseconds(5);
// How long a process stands back for a waiter that does not come.
constexpr auto kStandBack = std::chrono::milliseconds(20);
// Polls stay short while the mutex is likely passed on soon, then slow down.
constexpr auto kShortPause = std::chrono::milliseconds(1);
constexpr auto kLongPause = std::chrono::milliseconds(10);
constexpr auto kShortPauses = std::chrono::milliseconds(100);

class MutexState {
public:
    explicit MutexState(int lockFd) : lockFd_(lockFd) {}
    ~MutexState() {
        if (lockFd_ >= 0)
            close(lockFd_); // also ends a process-wide ownership still held
    }
    MutexState(const MutexState&) = delete;
    MutexState& operator=(const MutexState&) = delete;

    DWORD Acquire(const platform::Deadline& deadline) {
        const std::thread::id me = std::this_thread::get_id();
        std::unique_lock<std::mutex> lock(lock_);
        if (owner_ == me) {
            ++count_;
            return WAIT_OBJECT_0;
        }
        if (owner_ == std::thread::id() && queue_.empty()) {
            owner_ = me; // keeps the other threads waiting while this one asks the other processes
        } else {
            // In turn: a thread that releases and asks again at once would
            // otherwise keep the others waiting without end.
            std::condition_variable turn;
            queue_.push_back({me, &turn});
            if (!platform::WaitUntil(turn, lock, deadline, [&] { return owner_ == me; })) {
                queue_.erase(std::find_if(queue_.begin(), queue_.end(),
                                          [&](const Waiter& waiter) { return waiter.id == me; }));
                return WAIT_TIMEOUT;
            }
        }
        if (lockFd_ < 0 || held_) {
            count_ = 1;
            return WAIT_OBJECT_0;
        }
        lock.unlock();
        const DWORD result = AcquireAcrossProcesses(deadline);
        lock.lock();
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
            count_ = 1;
            held_ = true;
        } else {
            PassOn();
        }
        return result;
    }

    bool Release() {
        std::lock_guard<std::mutex> guard(lock_);
        if (owner_ != std::this_thread::get_id() || count_ == 0)
            return false;
        if (--count_ == 0) {
            if (held_) {
                // A thread of this process waiting gets the mutex without a
                // gap, until this process's turn is over and another waits.
                const auto now = Clock::now();
                const bool turnOver =
                    now - turnStart_ >= kTurn && platform::OthersHoldLock(lockFd_, kWaitingByte);
                if (turnOver)
                    standBackUntil_ = now + kStandBack;
                if (turnOver || queue_.empty()) {
                    pwrite(lockFd_, &kFreeMark, 1, 0);
                    platform::UnlockByte(lockFd_, kOwnerByte);
                    held_ = false;
                }
            }
            PassOn();
        }
        return true;
    }

private:
    // Makes the longest waiting thread the owner; lock_ is held.
    void PassOn() {
        owner_ = std::thread::id();
        if (!queue_.empty()) {
            owner_ = queue_.front().id;
            queue_.front().turn->notify_one();
            queue_.pop_front();
        }
    }

    // Polls the lock of the other processes, announced as a waiter once it
    // is not free at once. Only the owner thread gets here, so turnStart_ and
    // standBackUntil_ are its own until it releases.
    DWORD AcquireAcrossProcesses(const platform::Deadline& deadline) {
        const auto start = Clock::now();
        bool waited = false;
        bool announced = false;
        DWORD result = WAIT_OBJECT_0;
        for (;;) {
            // Standing back ends once another process has the mutex, so
            // that this one is not standing back still when that one's turn ends.
            if (Clock::now() >= standBackUntil_ || platform::OthersHoldLock(lockFd_, kOwnerByte) ||
                !platform::OthersHoldLock(lockFd_, kWaitingByte))
                standBackUntil_ = Clock::time_point();
            if (standBackUntil_ == Clock::time_point()) {
                if (platform::TryLockByte(lockFd_, kOwnerByte, true))
                    break;
                if (errno != EAGAIN && errno != EACCES) {
                    platform::SetLastErrorFromErrno(errno);
                    result = WAIT_FAILED;
                    break;
                }
            }
            const auto now = Clock::now();
            if (deadline && now >= *deadline) {
                result = WAIT_TIMEOUT;
                break;
            }
            waited = true;
            if (!announced)
                announced = platform::TryLockByte(lockFd_, kWaitingByte, false);
            const Clock::duration pause = now - start < kShortPauses ? kShortPause : kLongPause;
            std::this_thread::sleep_for(deadline ? std::min(pause, *deadline - now) : pause);
        }
        if (announced)
            platform::UnlockByte(lockFd_, kWaitingByte);
        if (result != WAIT_OBJECT_0)
            return result;
        if (waited)
            turnStart_ = Clock::now();
        char mark = kFreeMark;
        const bool abandoned = pread(lockFd_, &mark, 1, 0) == 1 && mark == kOwnedMark;
        pwrite(lockFd_, &kOwnedMark, 1, 0);
        return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
    }

    std::mutex lock_;
    std::thread::id owner_;
    DWORD count_ = 0;
    const int lockFd_;  // -1: local to the process
    bool held_ = false; // this process has byte 0, owned by a thread or passed on to one
    struct Waiter {
        std::thread::id id;
        std::condition_variable* turn;
    };
    std::deque<Waiter> queue_;         // waiting threads of this process, longest first
    Clock::time_point turnStart_;      // when this process last got the mutex from another
    Clock::time_point standBackUntil_; // set on a release that ends this process's turn
};

struct MutexObject : platform::Waitable {
    explicit MutexObject(std::shared_ptr<MutexState> mutex) : state(std::move(mutex)) {}
    DWORD Wait(const platform::Deadline& deadline) override { return state->Acquire(deadline); }
    std::shared_ptr<MutexState> state;
};

platform::NamedObjects<MutexState>& NamedMutexes() {
    static auto* mutexes = new platform::NamedObjects<MutexState>();
    return *mutexes;
}

// Names may hold any character; the lock file's name keeps letters, digits
// and "-_." and writes the rest as %XX.
std::string LockFileName(const std::string& name) {
    std::string escaped = "mutex-";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (ascii::IsLetter(c) || ascii::IsDigit(c) || c == '-' || c == '_' || c == '.') {
            escaped += c;
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", byte);
            escaped += code;
        }
    }
    return escaped;
}

// Opens the named mutex's lock file and marks this process as a user of the
// name; existedElsewhere tells whether another process already was one.
std::shared_ptr<MutexState> OpenNamedMutex(const std::string& name, bool& existedElsewhere) {
    const int fd = platform::OpenLockFile(LockFileName(name));
    if (fd < 0) {
        platform::SetLastErrorFromErrno(errno);
        return nullptr;
    }
    // Checked and taken under a guard, so two creators cannot both miss each other.
    platform::LockByteWaiting(fd, kCreationGuardByte);
    existedElsewhere = platform::OthersHoldLock(fd, kPresenceByte);
    // Nobody else has the name open, so nobody owns it: a mark left by a
    // crashed owner belongs to a mutex that no longer exists.
    if (!existedElsewhere)
        pwrite(fd, &kFreeMark, 1, 0);
    platform::TryLockByte(fd, kPresenceByte, false);
    platform::UnlockByte(fd, kCreationGuardByte);
    return std::make_shared<MutexState>(fd);
}

} // namespace

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
    bool existed = false;
    std::shared_ptr<MutexState> state;
    if (name == nullptr || *name == '\0') {
        state = std::make_shared<MutexState>(-1);
    } else {
        bool existedElsewhere = false;
        state = NamedMutexes().FindOrMake(name, existed,
                                          [&] { return OpenNamedMutex(name, existedElsewhere); });
        existed = existed || existedElsewhere;
    }
    if (!state)
        return nullptr;
    HANDLE handle = platform::RegisterKernelObject(std::make_shared<MutexObject>(state));
    if (initialOwner && !existed)
        state->Acquire(platform::DeadlineAfter(INFINITE));
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReleaseMutex(HANDLE mutex) {
    const auto object = platform::FindKernelObjectAs<MutexObject>(mutex);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->state->Release()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}

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
#include "platform/errors.h"
#include "platform/files/file_locks.h"
#include "platform/runtime/native_errors.h"
#include "platform/strings.h"
#include "platform/sync/sync_objects.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <thread>
#include <unistd.h>

namespace {

constexpr long kOwnerByte = 0;
constexpr long kPresenceByte = 1;
constexpr long kCreationGuardByte = 2;
constexpr char kOwnedMark = 1;
constexpr char kFreeMark = 0;

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
        if (!platform::WaitUntil(released_, lock, deadline,
                                 [this] { return owner_ == std::thread::id(); }))
            return WAIT_TIMEOUT;
        owner_ = me; // keeps the other threads waiting while this one asks the other processes
        if (lockFd_ < 0) {
            count_ = 1;
            return WAIT_OBJECT_0;
        }
        lock.unlock();
        const DWORD result = AcquireAcrossProcesses(deadline);
        lock.lock();
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
            count_ = 1;
        } else {
            owner_ = std::thread::id();
            released_.notify_one();
        }
        return result;
    }

    bool Release() {
        std::lock_guard<std::mutex> guard(lock_);
        if (owner_ != std::this_thread::get_id() || count_ == 0)
            return false;
        if (--count_ == 0) {
            if (lockFd_ >= 0) {
                pwrite(lockFd_, &kFreeMark, 1, 0);
                platform::UnlockByte(lockFd_, kOwnerByte);
            }
            owner_ = std::thread::id();
            released_.notify_one();
        }
        return true;
    }

private:
    // Polls the lock of the other processes, with pauses growing to 10 ms.
    DWORD AcquireAcrossProcesses(const platform::Deadline& deadline) {
        auto pause = std::chrono::milliseconds(1);
        while (!platform::TryLockByte(lockFd_, kOwnerByte, true)) {
            if (errno != EAGAIN && errno != EACCES) {
                platform::SetLastErrorFromErrno(errno);
                return WAIT_FAILED;
            }
            const auto now = std::chrono::steady_clock::now();
            if (deadline && now >= *deadline)
                return WAIT_TIMEOUT;
            std::this_thread::sleep_for(
                deadline ? std::min<std::chrono::steady_clock::duration>(pause, *deadline - now)
                         : pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(10));
        }
        char mark = kFreeMark;
        const bool abandoned = pread(lockFd_, &mark, 1, 0) == 1 && mark == kOwnedMark;
        pwrite(lockFd_, &kOwnedMark, 1, 0);
        return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
    }

    std::mutex lock_;
    std::condition_variable released_;
    std::thread::id owner_;
    DWORD count_ = 0;
    const int lockFd_; // -1: local to the process
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

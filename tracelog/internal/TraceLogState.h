// The trace log's process-wide state, shared by the front end, start-up,
// shutdown and the server journal. Internal to the library: not installed.
#pragma once

#include "platform/win_types.h"
#include "tracelog/internal/NamedLock.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <string>

namespace tracelog {

// The local log file's handle states.
enum class LogFile { NotOpened, Open, ClosedByShutdown };

// How long a writer waits for a named lock before it drops its work.
constexpr DWORD kLockWaitMs = 10000;
// Size of the path buffers: a path must leave room for its terminator.
constexpr int kLogPathSize = 520;
// Size of the last entry's buffer.
constexpr int kLastEntrySize = 4049;

struct TraceLogState {
    std::atomic<int> threshold{5};
    char lastEntry[kLastEntrySize] = {};

    char programId[5] = {};
    HMODULE module = reinterpret_cast<HMODULE>(0xFFFF);
    char localLogPath[kLogPathSize] = {};
    char serverLogPath[kLogPathSize] = {};

    std::atomic<LogFile> logFileState{LogFile::NotOpened};
    HANDLE logFile = INVALID_HANDLE_VALUE;
    std::atomic<SharedLock> fileLock;
    std::atomic<SharedLock> serverLock;
    bool startFailed = false;
    bool errorBoxShown = false;
    // Start-up runs once at a time: the first lines of several threads all
    // find the log not opened. Lock order: file lock, server lock, queue
    // lock; a line written under the file lock may take the start-up lock,
    // and start-up takes none of the others while it holds it.
    std::mutex startMutex;

    std::atomic<bool> serverLogging{false};
    std::atomic<bool> flushRequest{false};
    std::atomic<bool> stop{false};
    std::atomic<int> failureCount{0};

    // The server queue and the journal thread's handle, under the queue lock.
    // Queued lines end with their CR LF; the first may be the rest of a line
    // that a failed write cut short.
    std::mutex queueLock;
    std::deque<std::string> serverQueue;
    HANDLE journalThread = nullptr;
    DWORD journalThreadId = 0;
    HANDLE wakeEvent = nullptr;
};

// The one state of the process; it lives until the process ends, so that a
// journal thread still at work never meets a destroyed state.
TraceLogState& State();

// A module handle that says start-up never ran.
inline bool StartUpNeverRan(const TraceLogState& state) {
    return state.module == reinterpret_cast<HMODULE>(0xFFFF);
}

// The program's file name, or the given module's ("" when unknown).
std::string ModuleFileName(HMODULE module);

// Start-up for a line that found the log not opened, unless another thread
// opened it meanwhile.
void StartIfNotOpened(HMODULE module);

// Closes the local log file under the file lock, so that no writer of this
// process is between its writes, deletes it when asked, and leaves the
// handle in newState.
void CloseLogFile(LogFile newState, bool deleteFile = false);

// Back to the never-started state of a new process: a running journal thread
// is stopped and waited for, handles are closed, every switch is reset. For
// test programs that start and stop the log many times in one process.
void ResetTraceLogState();

} // namespace tracelog

#include "tracelog/internal/TraceLogState.h"

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/sync.h"

#include <vector>

namespace tracelog {

TraceLogState& State() {
    static TraceLogState* const state = new TraceLogState;
    return *state;
}

std::string ModuleFileName(HMODULE module) {
    std::vector<char> buffer(32768, '\0');
    const DWORD length =
        GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size())
        return {};
    return buffer.data();
}

void CloseLogFile(LogFile newState, bool deleteFile) {
    TraceLogState& state = State();
    const HeldLock fileLock(state.fileLock.load());
    if (state.logFileState == LogFile::Open) {
        CloseHandle(state.logFile);
        // Before the state changes: a line that then finds the log not
        // opened starts a new file, which is not to be deleted.
        if (deleteFile)
            DeleteFileA(state.localLogPath);
    }
    state.logFile = INVALID_HANDLE_VALUE;
    state.logFileState = newState;
}

void ResetTraceLogState() {
    TraceLogState& state = State();
    HANDLE thread = nullptr;
    {
        const std::lock_guard<std::mutex> lock(state.queueLock);
        thread = state.journalThread;
        state.journalThread = nullptr;
        state.journalThreadId = 0;
        state.stop = true;
    }
    if (thread != nullptr) {
        if (state.wakeEvent != nullptr)
            SetEvent(state.wakeEvent);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    if (state.logFileState == LogFile::Open)
        CloseHandle(state.logFile);
    state.fileLock.store(nullptr);
    state.serverLock.store(nullptr);
    if (state.wakeEvent != nullptr)
        CloseHandle(state.wakeEvent);
    state.wakeEvent = nullptr;
    state.logFile = INVALID_HANDLE_VALUE;
    state.logFileState = LogFile::NotOpened;
    state.threshold = 5;
    state.lastEntry[0] = '\0';
    state.programId[0] = '\0';
    state.module = reinterpret_cast<HMODULE>(0xFFFF);
    state.localLogPath[0] = '\0';
    state.serverLogPath[0] = '\0';
    state.startFailed = false;
    state.errorBoxShown = false;
    state.serverLogging = false;
    state.flushRequest = false;
    state.stop = false;
    state.failureCount = 0;
    const std::lock_guard<std::mutex> lock(state.queueLock);
    state.serverQueue.clear();
}

} // namespace tracelog

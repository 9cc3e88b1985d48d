#include "tracelog/ServerJournal.h"

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/sync.h"
#include "tracelog/internal/JournalPause.h"
#include "tracelog/internal/TraceLogState.h"

#include <string>

using tracelog::State;
using tracelog::TraceLogState;

namespace {

constexpr std::size_t kDiscardAbove = 2000;
constexpr DWORD kIdleWaitMs = 2000;

DWORD JournalThreadMain(LPVOID) {
    ServerJournalThread(false);
    return 0;
}

std::size_t QueueLength(TraceLogState& state) {
    const std::lock_guard<std::mutex> lock(state.queueLock);
    return state.serverQueue.size();
}

// After a failure the share gets a rest before the next try; a queue that
// piled up meanwhile is given up.
void BackOff(TraceLogState& state, bool synchronous) {
    const int failures = state.failureCount;
    if (failures <= 0)
        return;
    const DWORD pauseSeconds = tracelog::JournalPauseSeconds(failures);
    {
        const std::lock_guard<std::mutex> lock(state.queueLock);
        if (state.serverQueue.size() > kDiscardAbove)
            state.serverQueue.clear();
    }
    if (synchronous)
        return;
    DWORD slept = 0;
    do {
        Sleep(1000);
        ++slept;
    } while (slept < pauseSeconds && !state.stop);
}

// Writes the queue to the end of the file under the server lock, including
// lines queued meanwhile.
void WriteQueue(TraceLogState& state, HANDLE file, const tracelog::SharedLock& serverLock) {
    const tracelog::HeldLock held(serverLock);
    if (!held.Held())
        return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    for (;;) {
        std::string line;
        {
            const std::lock_guard<std::mutex> lock(state.queueLock);
            if (state.serverQueue.empty())
                break;
            line = std::move(state.serverQueue.front());
            state.serverQueue.pop_front();
        }
        DWORD written = 0;
        if (!WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
            written != line.size()) {
            // What did not reach the file waits for the next try with the
            // others: a line cut short is finished then, not written again.
            line.erase(0, written);
            const std::lock_guard<std::mutex> lock(state.queueLock);
            state.serverQueue.push_front(std::move(line));
            ++state.failureCount;
            state.flushRequest = false;
            break;
        }
    }
}

void ForgetThisThread(TraceLogState& state) {
    const std::lock_guard<std::mutex> lock(state.queueLock);
    if (state.journalThread == nullptr || state.journalThreadId != GetCurrentThreadId())
        return;
    CloseHandle(state.journalThread);
    state.journalThread = nullptr;
    state.journalThreadId = 0;
}

} // namespace

void PostToServerJournal(const char* line, bool signal, bool flush) {
    TraceLogState& state = State();
    if (!state.serverLogging)
        return;
    if (line != nullptr) {
        const std::lock_guard<std::mutex> lock(state.queueLock);
        state.serverQueue.emplace_back(line).append("\r\n");
    }
    if (flush)
        state.flushRequest = true;
    if (state.serverLock.load() == nullptr) {
        state.serverLock = tracelog::CreateNamedLock(tracelog::kServerLockSuffix);
        if (state.serverLock.load() == nullptr)
            return;
        ServerJournalThread(true);
    }
    bool running = true;
    {
        const std::lock_guard<std::mutex> lock(state.queueLock);
        if (state.wakeEvent == nullptr)
            state.wakeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (state.journalThread == nullptr) {
            running = false;
            state.journalThread =
                CreateThread(nullptr, 0, JournalThreadMain, nullptr, 0, &state.journalThreadId);
        }
    }
    if (running && signal)
        SetEvent(state.wakeEvent);
}

void ServerJournalThread(bool synchronous) {
    TraceLogState& state = State();
    BackOff(state, synchronous);
    HANDLE file = CreateFileA(state.serverLogPath, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ++state.failureCount;
    } else {
        state.failureCount = 0;
        // Kept for the whole pass: shutdown may let go of the lock while a
        // detached thread still writes.
        const tracelog::SharedLock serverLock = state.serverLock.load();
        for (;;) {
            if (QueueLength(state) > 0)
                WriteQueue(state, file, serverLock);
            if (state.flushRequest) {
                FlushFileBuffers(file);
                state.flushRequest = false;
                break;
            }
            if (state.stop || synchronous || state.failureCount != 0)
                break;
            WaitForSingleObject(state.wakeEvent, kIdleWaitMs);
            if (QueueLength(state) == 0)
                break;
        }
        CloseHandle(file);
    }
    if (!synchronous)
        ForgetThisThread(state);
}

#include "tracelog/TraceLogStart.h"

#include "base/CreateFolderPath.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/strings.h"
#include "platform/sync.h"
#include "platform/time.h"
#include "platform/window.h"
#include "tracelog/internal/LogFolders.h"
#include "tracelog/internal/TraceLogState.h"
#include "tracelog/LogFileCleanup.h"
#include "tracelog/ServerJournal.h"
#include "tracelog/TraceLog.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using tracelog::LogFile;
using tracelog::State;
using tracelog::TraceLogState;

namespace {

// First four characters of a file's base name (no folder, no extension).
std::string ShortBaseName(const std::string& path) {
    char name[_MAX_FNAME] = {};
    _splitpath(path.c_str(), nullptr, nullptr, name, nullptr);
    return std::string(name).substr(0, 4);
}

bool IsOneOf(const std::string& id, std::initializer_list<const char*> ids) {
    for (const char* other : ids) {
        if (ascii::EqualsIgnoringCase(id, other))
            return true;
    }
    return false;
}

// folder + id + "(yyyy-mm-dd).log" into path; false when it does not fit.
bool BuildLogPath(char (&path)[tracelog::kLogPathSize], const char* folder, const char* id,
                  const SYSTEMTIME& today) {
    const int length = std::snprintf(path, sizeof path, "%s%s(%02d-%02d-%02d).log", folder, id,
                                     today.wYear, today.wMonth, today.wDay);
    if (length >= 0 && length < static_cast<int>(sizeof path))
        return true;
    path[0] = '\0';
    return false;
}

// The open error, shown once per process.
void ReportOpenError(TraceLogState& state, DWORD error) {
    if (state.errorBoxShown)
        return;
    char directory[1025] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    if (length == 0 || length >= sizeof directory)
        directory[0] = '\0';
    std::vector<char> message(sizeof directory + tracelog::kLogPathSize + 128);
    std::snprintf(message.data(), message.size(),
                  "Error creating or opening the trace log file (working Dir:%s) %s\nLogging is "
                  "disabled\n error Code %d",
                  directory, state.localLogPath, static_cast<int>(error));
    state.errorBoxShown = true;
    MessageBoxA(nullptr, message.data(), "Log Error", MB_ICONERROR | MB_OK);
}

bool OpenLocalLog(TraceLogState& state, bool pathFits) {
    if (state.logFileState == LogFile::Open)
        CloseHandle(state.logFile);
    state.logFileState = LogFile::NotOpened;
    state.logFile = INVALID_HANDLE_VALUE;
    if (!pathFits) {
        ReportOpenError(state, ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    state.logFile = CreateFileA(state.localLogPath, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_FLAG_WRITE_THROUGH, nullptr);
    if (state.logFile == INVALID_HANDLE_VALUE) {
        ReportOpenError(state, GetLastError());
        return false;
    }
    return true;
}

void StartServerLogging(TraceLogState& state, const KxString& folder, const SYSTEMTIME& today,
                        const SYSTEMTIME& cutOff) {
    if (folder.IsEmpty() || state.serverLogging)
        return;
    if (!BuildLogPath(state.serverLogPath, folder, state.programId, today))
        return;
    DeleteOldLogFiles(folder, cutOff.wYear, cutOff.wMonth, cutOff.wDay);
    state.flushRequest = true;
    state.serverLogging = true;
    if (state.serverLock.load() == nullptr)
        state.serverLock = tracelog::CreateNamedLock(tracelog::kServerLockSuffix);
}

// Start-up up to the start line, under the start-up lock; answers whether
// the start line is due.
bool SetUpLog(TraceLogState& state, HMODULE module) {
    state.threshold = 5;
    std::string id = ShortBaseName(tracelog::ModuleFileName(nullptr));
    state.module = module;
    std::strcpy(state.programId, id.c_str());
    // These programs never log.
    if (IsOneOf(id, {"qvgu", "regs", "qvun"}))
        return false;

    tracelog::LogFolders folders = tracelog::FindLogFolders();
    if (IsOneOf(id, {"anir", "anis"})) {
        // Only the QVSE module of these hosts logs, into the temporary folder.
        char temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathA(sizeof temp, temp);
        folders.local = length > 0 && length < sizeof temp ? temp : "";
        if (!ascii::EqualsIgnoringCase(ShortBaseName(tracelog::ModuleFileName(module)), "QVSE"))
            return false;
        std::strcpy(state.programId, "QVSE");
    }

    SYSTEMTIME today{};
    GetLocalTime(&today);
    SYSTEMTIME cutOff = today;
    if (today.wMonth == 1) {
        cutOff.wMonth = 12;
        cutOff.wYear = static_cast<WORD>(today.wYear - 1);
    } else {
        cutOff.wMonth = static_cast<WORD>(today.wMonth - 1);
    }

    const bool pathFits = BuildLogPath(state.localLogPath, folders.local, state.programId, today);
    if (!folders.local.IsEmpty()) {
        std::vector<char> folder(folders.local.GetLength() + 1);
        std::memcpy(folder.data(), static_cast<const char*>(folders.local), folder.size());
        CreateFolderPath(folder.data());
    }
    DeleteOldLogFiles(folders.local, cutOff.wYear, cutOff.wMonth, cutOff.wDay);

    const bool opened = OpenLocalLog(state, pathFits);
    if (state.fileLock.load() == nullptr)
        state.fileLock = tracelog::CreateNamedLock(tracelog::kFileLockSuffix);
    state.startFailed = !opened || state.fileLock.load() == nullptr;
    // Other threads write as soon as the file counts as open: the lock must
    // be there by then.
    if (opened)
        state.logFileState = LogFile::Open;

    StartServerLogging(state, folders.server, today, cutOff);
    return !state.startFailed;
}

// The start-up lock is held for the set-up only, never while the start line
// waits for the file lock: a line written under the file lock (DumpStack,
// AppendFileToLog) may need start-up, so the file lock comes first.
void Start(HMODULE module, bool unlessOpened) {
    TraceLogState& state = State();
    bool started = false;
    {
        const std::lock_guard<std::mutex> start(state.startMutex);
        if (unlessOpened && state.logFileState != LogFile::NotOpened)
            return;
        started = SetUpLog(state, module);
    }
    if (started) {
        const std::string program = tracelog::ModuleFileName(module);
        TraceLog(0).Format(0, "Starting Program/DLL \"%s\"", program.c_str());
    }
}

} // namespace

void StartTraceLog(HMODULE module) {
    Start(module, false);
}

namespace tracelog {

void StartIfNotOpened(HMODULE module) {
    Start(module, true);
}

} // namespace tracelog

void TraceLogExitFunc3(bool writeEndLine) {
    TraceLogState& state = State();
    if (writeEndLine) {
        const std::string program = tracelog::ModuleFileName(state.module);
        TraceLog(0).Format(0, "Program/DLL \"%s\" terminated correctly", program.c_str());
    }
    tracelog::CloseLogFile(LogFile::ClosedByShutdown);

    if (state.serverLogging) {
        bool queued = false;
        {
            const std::lock_guard<std::mutex> lock(state.queueLock);
            if (state.journalThread != nullptr) {
                state.stop = true;
                DWORD exitCode = 0;
                if (GetExitCodeThread(state.journalThread, &exitCode) && exitCode == STILL_ACTIVE)
                    SetEvent(state.wakeEvent);
                CloseHandle(state.journalThread);
                state.journalThread = nullptr;
                state.journalThreadId = 0;
            }
            queued = !state.serverQueue.empty();
        }
        if (queued)
            ServerJournalThread(true);
    }

    // A writer still waiting for a lock or holding it keeps its handle until
    // it is done; later writers find none.
    state.fileLock.store(nullptr);
    state.serverLock.store(nullptr);
}

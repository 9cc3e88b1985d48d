#include "tracelog/TraceLog.h"

#include "platform/debug.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/resources.h"
#include "platform/sync.h"
#include "platform/time.h"
#include "tracelog/internal/TraceLogState.h"
#include "tracelog/ServerJournal.h"
#include "tracelog/TraceLogStart.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

using tracelog::HeldLock;
using tracelog::LogFile;
using tracelog::State;
using tracelog::TraceLogState;

namespace {

// Room for the formatted text of Format: 8191 characters and the terminator.
constexpr int kFormatLimit = 8192;
constexpr char kOverflowMark[] = "xxx Buffer Overflow xxx ";
constexpr int kOverflowMarkLength = sizeof kOverflowMark - 1;
// The last entry holds at most this many characters.
constexpr int kLastEntryLimit = tracelog::kLastEntrySize - 1;
constexpr char kHyphens[] = "---------------------------------------------------------------";
constexpr DWORD kCopyBlock = 4096;

// "hh:mm:ss.mmm     0  pid :tid\t"; answers its length.
int BuildHeader(char (&header)[64]) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const int length = std::snprintf(header, sizeof header, "%02d:%02d:%02d.%03d  %4x %4x :%4x\t",
                                     now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, 0,
                                     static_cast<unsigned>(GetCurrentProcessId()),
                                     static_cast<unsigned>(GetCurrentThreadId()));
    return std::min(length, static_cast<int>(sizeof header) - 1);
}

void StoreLastEntry(TraceLogState& state, const char* header, int headerLength, const char* text) {
    const std::size_t room = static_cast<std::size_t>(kLastEntryLimit - 1 - headerLength);
    if (headerLength == 0) {
        const std::size_t length = strnlen(text, kLastEntryLimit);
        std::memcpy(state.lastEntry, text, length);
        state.lastEntry[length] = '\0';
        return;
    }
    std::memcpy(state.lastEntry, header, static_cast<std::size_t>(headerLength));
    const std::size_t length = strnlen(text, room);
    std::memcpy(state.lastEntry + headerLength, text, length);
    state.lastEntry[static_cast<std::size_t>(headerLength) + length] = '\0';
}

void WriteBytes(HANDLE file, const char* bytes, std::size_t size) {
    DWORD written = 0;
    WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
}

// The log file's line: header, text and CR LF, each its own write, after a
// move to the end, so that lines of other processes land whole before or after.
void AppendLine(TraceLogState& state, const char* header, int headerLength, const char* text,
                std::size_t textLength) {
    SetFilePointer(state.logFile, 0, nullptr, FILE_END);
    if (headerLength > 0)
        WriteBytes(state.logFile, header, static_cast<std::size_t>(headerLength));
    WriteBytes(state.logFile, text, textLength);
    WriteBytes(state.logFile, "\r\n", 2);
}

// Steps of a line that passed the filter, under the file lock: the last
// entry, the debugger output, the log file and the server queue.
void WriteLine(TraceLogState& state, int level, const char* text, bool withHeader) {
    char header[64] = {};
    const int headerLength = withHeader ? BuildHeader(header) : 0;
    StoreLastEntry(state, header, headerLength, text);
    if (headerLength > 0)
        OutputDebugStringA(header);
    OutputDebugStringA(text);
    OutputDebugStringA("\r\n");
    const std::size_t textLength = std::strlen(text);
    AppendLine(state, header, headerLength, text, textLength);
    if (state.serverLogging) {
        std::string line(header, static_cast<std::size_t>(headerLength));
        line.append(text, textLength);
        PostToServerJournal(line.c_str(), false, false);
    }
    if (level < 4)
        FlushFileBuffers(state.logFile);
}

} // namespace

TraceLog::TraceLog() : level_(1) {}

TraceLog::TraceLog(int level) : level_(level) {
    const TraceLogState& state = State();
    if (level < state.threshold && state.logFileState != LogFile::NotOpened &&
        tracelog::StartUpNeverRan(state)) {
        StartTraceLog(nullptr);
        TraceLog(1).Write(1, "warning calling TraceLog without initializing", true);
    }
}

TraceLog::~TraceLog() = default;

void TraceLog::LogFuncsAt(int level) {
    level_ = level;
}

void TraceLog::Write(const char* text, bool withHeader) {
    Write(-1, text, withHeader);
}

void TraceLog::Write(int level, const char* text, bool withHeader) {
    TraceLogState& state = State();
    if (state.logFileState == LogFile::NotOpened) {
        tracelog::StartIfNotOpened(GetModuleHandleA(nullptr));
        if (state.logFileState != LogFile::Open)
            return;
    }
    {
        const HeldLock fileLock(state.fileLock.load());
        if (!fileLock.Held())
            return;
        if (level == -1)
            level = level_;
        if (level < state.threshold && state.logFileState == LogFile::Open)
            WriteLine(state, level, text, withHeader);
    }
    PostToServerJournal(nullptr, true, level < 4);
}

void TraceLog::Format(int level, const char* format, ...) {
    const auto buffer = std::make_unique<char[]>(kFormatLimit + 1);
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(buffer.get(), kFormatLimit, format, arguments);
    va_end(arguments);
    if (length < 0 || length >= kFormatLimit) {
        // A failed format may leave less than the mark behind: the mark then
        // ends the text.
        if (length < 0 || std::strlen(buffer.get()) < static_cast<std::size_t>(kOverflowMarkLength))
            std::memcpy(buffer.get(), kOverflowMark, sizeof kOverflowMark);
        else
            std::memcpy(buffer.get(), kOverflowMark, kOverflowMarkLength);
    }
    Write(level, buffer.get(), true);
}

void TraceLog::SetLogLevel(int threshold) {
    State().threshold = threshold;
}

const char* TraceLog::GetLastLogEntry() {
    return State().lastEntry;
}

void TraceLog::StopLogging(bool deleteFile, bool writeEndLine) {
    TraceLogState& state = State();
    if (state.logFileState == LogFile::Open)
        tracelog::CloseLogFile(LogFile::NotOpened, deleteFile);
    TraceLogExitFunc3(writeEndLine);
}

void TraceLog::FlushBuffers() {
    TraceLogState& state = State();
    {
        const std::lock_guard<std::mutex> lock(state.queueLock);
        if (state.journalThread != nullptr) {
            state.flushRequest = true;
            SetEvent(state.wakeEvent);
        }
    }
    if (state.logFileState == LogFile::Open)
        FlushFileBuffers(state.logFile);
}

void TraceLog::DumpStack() {
    TraceLogState& state = State();
    {
        const HeldLock fileLock(state.fileLock.load());
        if (!fileLock.Held())
            return;
        Write(-1,
              "************************************B*A*C*K*T*R*A*C*E***S*T*A*R*T*S***H*E*R*E"
              "************************************",
              false);
        Write(-1,
              "**************************************B*A*C*K*T*R*A*C*E***E*N*D*S***H*E*R*E"
              "**************************************",
              false);
        if (state.logFileState == LogFile::Open)
            FlushFileBuffers(state.logFile);
    }
    if (state.serverLogging) {
        state.flushRequest = true;
        ServerJournalThread(true);
    }
}

void TraceLog::ClearMemory() {}

bool TraceLog::AppendFileToLog(const char* path) {
    Format(0, "%s", kHyphens);
    Format(0, "Appending File %s", path);
    Format(0, "%s", kHyphens);
    Format(0, "%s", kHyphens);
    TraceLogState& state = State();
    const HeldLock fileLock(state.fileLock.load());
    if (!fileLock.Held())
        return false;
    HANDLE source = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (source == INVALID_HANDLE_VALUE)
        return false;
    HANDLE log = CreateFileA(state.localLogPath, GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) {
        CloseHandle(source);
        return false;
    }
    SetFilePointer(log, 0, nullptr, FILE_END);
    // Only what the file holds now: the log itself as source would otherwise
    // grow as fast as it is read.
    DWORD left = GetFileSize(source, nullptr);
    auto block = std::make_unique<char[]>(kCopyBlock);
    DWORD read = kCopyBlock;
    while (read == kCopyBlock && left > 0) {
        if (!ReadFile(source, block.get(), std::min(kCopyBlock, left), &read, nullptr))
            break;
        WriteBytes(log, block.get(), read);
        left -= read;
    }
    CloseHandle(log);
    CloseHandle(source);
    Format(0, "%s", kHyphens);
    Format(0, "%s", kHyphens);
    return true;
}

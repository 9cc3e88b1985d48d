// Logging stopped while other threads write or dump the stack: nobody is
// left owning the file lock, nobody waits for it in vain, and the restart
// that writes the end line keeps its start line. Each case repeats the race
// a bounded number of times; a lost race used to cost a 10-second wait.
#include "platform/handles.h"
#include "platform/sync.h"
#include "tests/tracelog/TraceLogFixture.h"
#include "tracelog/TraceLog.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

using qvutest::TraceLogTest;
using tracelog::LogFile;

constexpr int kRounds = 20;
constexpr int kWriters = 4;

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

TEST_F(TraceLogTest, WritersRacingStopLoggingLeaveTheFileLockFree) {
    for (int round = 0; round < kRounds; ++round) {
        tracelog::ResetTraceLogState();
        TraceLog(0).Write(0, "started", false);
        // A handle of our own keeps the lock alive after shutdown, as one in
        // another process of the program would.
        HANDLE lock = CreateMutexA(nullptr, FALSE, "test_LogLockingMutex");
        ASSERT_NE(lock, nullptr);
        std::atomic<bool> stop{false};
        std::vector<std::thread> writers;
        for (int i = 0; i < kWriters; ++i) {
            writers.emplace_back([&stop] {
                TraceLog log(4);
                while (!stop)
                    log.Write(4, "racing", false);
            });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        TraceLog::StopLogging(false, false);
        stop = true;
        for (std::thread& writer : writers)
            writer.join();
        ASSERT_EQ(WaitForSingleObject(lock, 0), WAIT_OBJECT_0) << "left owned, round " << round;
        ReleaseMutex(lock);
        CloseHandle(lock);
    }
}

TEST_F(TraceLogTest, DumpStackRacingStopLoggingKeepsTheRestartsStartLine) {
    for (int round = 0; round < kRounds; ++round) {
        tracelog::ResetTraceLogState();
        TraceLog(0).Write(0, "started", false);
        // The dump comes while the restart that writes the end line is
        // starting the log, when its own lines find the log not opened.
        std::thread dumper([] {
            tracelog::TraceLogState& state = tracelog::State();
            while (state.logFileState != LogFile::ClosedByShutdown && state.startMutex.try_lock()) {
                state.startMutex.unlock();
                std::this_thread::yield();
            }
            TraceLog(0).DumpStack();
        });
        TraceLog::StopLogging(true, true);
        dumper.join();
        const auto lines = Lines(LocalLog());
        ASSERT_FALSE(lines.empty()) << "round " << round;
        int starts = 0;
        for (const std::string& line : lines)
            starts += StartsWith(TextOf(line), "Starting Program/DLL") ? 1 : 0;
        ASSERT_EQ(starts, 1) << "round " << round;
        ASSERT_NE(lines.back().find("\" terminated correctly"), std::string::npos)
            << "round " << round;
    }
}

} // namespace

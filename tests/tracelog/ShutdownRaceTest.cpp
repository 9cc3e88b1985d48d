// Logging stopped while other threads write: nobody is left owning the file
// lock and nobody waits for it in vain. The race is repeated a bounded number
// of times; a lost race used to cost a 10-second wait.
#include "platform/handles.h"
#include "platform/sync.h"
#include "tests/tracelog/TraceLogFixture.h"
#include "tracelog/TraceLog.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

using qvutest::TraceLogTest;

constexpr int kRounds = 20;
constexpr int kWriters = 4;

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

} // namespace

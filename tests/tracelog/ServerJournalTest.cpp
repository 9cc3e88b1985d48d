#include "tracelog/ServerJournal.h"
#include "platform/time.h"
#include "tests/tracelog/TraceLogFixture.h"
#include "tracelog/internal/JournalPause.h"
#include "tracelog/TraceLog.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

namespace fs = std::filesystem;

class ServerJournalTest : public qvutest::TraceLogTest {
protected:
    void SetUp() override {
        TraceLogTest::SetUp();
        share = root.MapShare("server", "share");
        fs::create_directories(share / "Log");
        fs::create_directories(drive / "Logs");
        SetDataPath("C:\\Logs\\", "\\\\server\\share\\Log\\");
    }

    fs::path ServerLog() const { return share / "Log" / TodaysLogName(); }
    fs::path LocalLogs() const { return drive / "Logs" / TodaysLogName(); }
    void Unmap() const { fs::remove(root.Root() / "dosdevices" / "unc" / "server" / "share"); }
    static std::size_t Queued() {
        const std::lock_guard<std::mutex> lock(tracelog::State().queueLock);
        return tracelog::State().serverQueue.size();
    }
    // Writes the queue on this thread and lets the background thread end;
    // false when it does not end within seconds.
    static bool JournalIdle(TraceLog& log) {
        ServerJournalThread(true);
        log.FlushBuffers();
        for (int i = 0; i < 500; ++i) {
            {
                const std::lock_guard<std::mutex> lock(tracelog::State().queueLock);
                if (tracelog::State().journalThread == nullptr)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    fs::path share;
};

TEST_F(ServerJournalTest, TheServerLogGetsTheSameLinesInOrder) {
    TraceLog log(4);
    for (int i = 0; i < 300; ++i)
        log.Format(4, "line %d", i);
    log.Write(2, "important", true);
    TraceLog::StopLogging(false, true);
    EXPECT_EQ(Lines(ServerLog()), Lines(LocalLogs()));
    // Start line, the lines, and the end line after a second start line.
    EXPECT_EQ(Lines(ServerLog()).size(), 1u + 300 + 1 + 2);
}

TEST_F(ServerJournalTest, AnUnreachableShareNeitherStopsNorSlowsTheLocalLog) {
    TraceLog log(4);
    log.Write(4, "reachable", false);
    Unmap();
    const DWORD start = timeGetTime();
    for (int i = 0; i < 2100; ++i)
        log.Format(4, "queued %d", i);
    // Only a guard against a writer that waits for the share, loose enough
    // for a loaded machine; bench_trace_write measures what a write costs.
    EXPECT_LT(timeGetTime() - start, 60000u);
    EXPECT_EQ(Lines(LocalLogs()).size(), 1u + 1 + 2100);
    EXPECT_GT(tracelog::State().failureCount, 0);
    // A try that finds more than 2000 lines waiting gives them up: this one,
    // or the background thread's after its pause.
    ServerJournalThread(true);
    EXPECT_LT(Queued(), 2000u);
    share = root.MapShare("server", "share");
    fs::create_directories(share / "Log");
    log.Write(3, "after the share came back", false);
    TraceLog::StopLogging(false, false);
    const auto lines = Lines(ServerLog());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "after the share came back");
    EXPECT_LT(lines.size(), 2000u) << "the lines queued while the share was away are given up";
}

// Files of this process may grow to limit bytes, no further, while the object
// lives; a write across the limit is cut there and the next one fails.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit cut{limit, previous_.rlim_max};
        set_ = setrlimit(RLIMIT_FSIZE, &cut) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Set() const { return set_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
    bool set_ = false;
};

TEST_F(ServerJournalTest, ALineCutShortByAFullServerLogIsFinishedNotRepeated) {
    TraceLog log(4);
    log.Write(4, "before", false);
    ASSERT_TRUE(JournalIdle(log));
    // Room for only the first bytes of the next line.
    constexpr std::uintmax_t kLimit = 65536;
    constexpr std::uintmax_t kRoom = 10;
    const std::uintmax_t size = fs::file_size(ServerLog());
    ASSERT_LT(size + 2, kLimit - kRoom);
    std::ofstream(ServerLog(), std::ios::binary | std::ios::app)
        << std::string(kLimit - kRoom - size - 2, 'p') << "\r\n";
    const std::string line = "a line the full server log cuts short";
    {
        const FileSizeLimit full(kLimit);
        ASSERT_TRUE(full.Set());
        log.Write(4, line.c_str(), false);
        for (int i = 0; i < 500 && tracelog::State().failureCount == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_GT(tracelog::State().failureCount, 0);
    }
    ASSERT_EQ(fs::file_size(ServerLog()), kLimit) << "the write stopped half-way";
    ServerJournalThread(true);
    const auto lines = Lines(ServerLog());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), line);
}

TEST(JournalPause, TheRestGrowsWithTheFailures) {
    const std::pair<int, DWORD> cases[] = {{1, 1},    {3, 1},     {10, 1},    {11, 60},
                                           {100, 60}, {101, 600}, {5000, 600}};
    for (const auto& [failures, seconds] : cases)
        EXPECT_EQ(tracelog::JournalPauseSeconds(failures), seconds) << failures;
}

} // namespace

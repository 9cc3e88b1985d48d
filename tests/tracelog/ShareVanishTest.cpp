// The trace log's server share vanishing under a process that is writing
// lines, and coming back: the writer never waits for the share, its local
// log keeps every line, and the server log carries on once the share is back.
#include "tests/support/ForkedChild.h"
#include "tests/tracelog/TraceLogFixture.h"
#include "tracelog/TraceLog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Channel = qvutest::ChildProcess::Channel;
using Clock = std::chrono::steady_clock;

// The lines of a log that the writer below wrote, in their order.
std::vector<std::string> WrittenLines(const std::vector<std::string>& lines) {
    std::vector<std::string> written;
    for (const std::string& line : lines) {
        const std::string text = line.substr(line.find('\t') + 1);
        if (text.rfind("line ", 0) == 0 || text.rfind("end after ", 0) == 0)
            written.push_back(text);
    }
    return written;
}

// The writing process: lines at level 3, each flushed (so that the server
// log is opened anew for each), in three phases the parent ends by removing
// and restoring the share. Reports 'k' when no write took long, the journal
// met the missing share, and logging stopped promptly.
void WriteThroughTheVanish(const Channel& parent) {
    TraceLog log(3);
    int count = 0;
    Clock::duration longest{};
    const auto writeFor = [&](std::chrono::milliseconds span) {
        const auto end = Clock::now() + span;
        while (Clock::now() < end) {
            const auto start = Clock::now();
            log.Format(3, "line %d", count++);
            longest = std::max(longest, Clock::now() - start);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    };
    writeFor(std::chrono::milliseconds(300));
    parent.Send('a');
    if (parent.Receive() != 'u')
        return;
    writeFor(std::chrono::milliseconds(1500));
    const bool failed = tracelog::State().failureCount > 0;
    parent.Send('b');
    if (parent.Receive() != 'r')
        return;
    writeFor(std::chrono::milliseconds(1500));
    log.Format(3, "end after %d lines", count);
    const auto stopping = Clock::now();
    TraceLog::StopLogging(false, true);
    const auto stop = Clock::now() - stopping;

    const auto ms = [](Clock::duration span) {
        return static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(span).count());
    };
    std::fprintf(stderr, "%d lines, longest write %lld ms, stop %lld ms, journal failed: %d\n",
                 count, ms(longest), ms(stop), failed);
    const bool prompt = longest < std::chrono::seconds(1) && stop < std::chrono::seconds(2);
    parent.Send(!failed ? 'n' : prompt ? 'k' : 's');
}

class ShareVanishTest : public qvutest::TraceLogTest {};

TEST_F(ShareVanishTest, ShareGoneUnderAWritingProcessNeitherHoldsItUpNorCostsLines) {
    const fs::path share = root.MapShare("server", "share");
    fs::create_directories(share / "Log");
    fs::create_directories(drive / "Logs");
    SetDataPath("C:\\Logs\\", "\\\\server\\share\\Log\\");
    const fs::path mapping = root.Root() / "dosdevices" / "unc" / "server" / "share";

    qvutest::ChildProcess writer(WriteThroughTheVanish);
    ASSERT_TRUE(writer.Started());
    ASSERT_EQ(writer.Talk().Receive(), 'a');
    ASSERT_TRUE(fs::remove(mapping));
    writer.Talk().Send('u');
    ASSERT_EQ(writer.Talk().Receive(), 'b');
    fs::create_directory_symlink(share, mapping);
    writer.Talk().Send('r');
    EXPECT_EQ(writer.Talk().Receive(10000), 'k')
        << "'n': the journal never missed the share; 's': a write or the stop took long";
    writer.Finish();

    // Every line in the local log, in order, up to the last.
    const std::vector<std::string> local = WrittenLines(Lines(drive / "Logs" / TodaysLogName()));
    ASSERT_FALSE(local.empty());
    const int count = std::atoi(local.back().c_str() + std::string("end after ").size());
    ASSERT_EQ(local.size(), static_cast<std::size_t>(count) + 1);
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(local[i], "line " + std::to_string(i));
    // The lines queued while the share was away were fewer than the queue
    // gives up: the server log got them all once it was back.
    EXPECT_EQ(WrittenLines(Lines(share / "Log" / TodaysLogName())), local);
}

} // namespace

#include "tests/support/ForkedChild.h"
#include "tests/tracelog/TraceLogFixture.h"
#include "tracelog/TraceLog.h"

#include <set>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using qvutest::TraceLogTest;

constexpr int kThreads = 8;
constexpr int kLines = 5000;

// kThreads threads of one process write kLines lines each, then logging ends
// so that the server queue is written out.
void WriteLines(char process) {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([process, t] {
            TraceLog log(4);
            for (int i = 0; i < kLines; ++i)
                log.Format(4, "%c %d %d %s", process, t, i, "end");
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    TraceLog::StopLogging(false, false);
}

// Every line of both processes, whole and once; nothing else but start lines.
void ExpectEveryLineOnce(const std::vector<std::string>& lines) {
    std::set<std::string> seen;
    int starts = 0;
    for (const std::string& line : lines) {
        const std::string text = line.substr(line.find('\t') + 1);
        if (text.rfind("Starting Program/DLL", 0) == 0) {
            ++starts;
            continue;
        }
        EXPECT_TRUE(seen.insert(text).second) << "twice: " << text;
    }
    EXPECT_EQ(starts, 2);
    ASSERT_EQ(seen.size(), 2u * kThreads * kLines);
    for (char process : {'a', 'b'}) {
        for (int t = 0; t < kThreads; ++t) {
            for (int i = 0; i < kLines; i += 997)
                EXPECT_TRUE(seen.count(std::string(1, process) + " " + std::to_string(t) + " " +
                                       std::to_string(i) + " end"));
        }
    }
}

TEST_F(TraceLogTest, TwoProcessesOfEightThreadsLoseAndMixNothing) {
    const fs::path share = root.MapShare("server", "share");
    fs::create_directories(share / "Log");
    fs::create_directories(drive / "Logs");
    SetDataPath("C:\\Logs\\", "\\\\server\\share\\Log\\");

    qvutest::ChildProcess child([](const qvutest::ChildProcess::Channel& parent) {
        if (parent.Receive() != 'g')
            return;
        WriteLines('b');
        parent.Send('d');
    });
    ASSERT_TRUE(child.Started());
    child.Talk().Send('g');
    WriteLines('a');
    EXPECT_EQ(child.Talk().Receive(240000), 'd');
    child.Finish();

    const auto local = Lines(drive / "Logs" / TodaysLogName());
    ExpectEveryLineOnce(local);
    ExpectEveryLineOnce(Lines(share / "Log" / TodaysLogName()));
}

} // namespace

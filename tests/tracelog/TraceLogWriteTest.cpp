#include "tests/support/ForkedChild.h"
#include "tests/tracelog/TraceLogFixture.h"
#include "tracelog/TraceLog.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <regex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using qvutest::TraceLogTest;

TEST_F(TraceLogTest, FirstLineStartsTheLogWithAHeaderedStartLine) {
    TraceLog(0).Write(0, "first", true);
    const auto lines = Lines(LocalLog());
    ASSERT_EQ(lines.size(), 2u);
    const std::regex header("\\d\\d:\\d\\d:\\d\\d\\.\\d{3}     0 +([0-9a-f]+) :( *[0-9a-f]+)\t");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(lines[0], match, header)) << lines[0];
    EXPECT_EQ(match.position(0), 0);
    char pid[16];
    std::snprintf(pid, sizeof pid, "%4x", static_cast<unsigned>(getpid()));
    EXPECT_EQ(lines[0].substr(14, 4 + 1 + std::strlen(pid)), "   0 " + std::string(pid));
    EXPECT_EQ(TextOf(lines[0]).rfind("Starting Program/DLL \"", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("test_tracelog\""), std::string::npos);
    EXPECT_EQ(TextOf(lines[1]), "first");
}

TEST_F(TraceLogTest, ThresholdFiltersAndLevelMinusOneIsTheObjectsLevel) {
    TraceLog log(2);
    log.Write(4, "four", false);
    log.Write(5, "five", false);
    EXPECT_STREQ(TraceLog::GetLastLogEntry(), "four") << "a filtered line leaves the last entry";
    log.Write(-1, "object level", false);
    log.Write("default level", false);
    TraceLog::SetLogLevel(2);
    log.Write(-1, "now filtered", false);
    log.Write(1, "one", false);
    const auto lines = Lines(LocalLog());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{"four", "object level", "default level", "one"}));
}

// The last entry is cut to its buffer; the file always gets the whole text.
TEST_F(TraceLogTest, LongAndEmptyTextsAreWrittenWholeAndCutOnlyInTheLastEntry) {
    struct Case {
        std::size_t length;
        bool header;
        std::size_t lastEntryLength; // 0: header length + text length
    };
    const Case cases[] = {{0, true, 0},        {0, false, 0},      {4048, false, 4048},
                          {5000, false, 4048}, {5000, true, 4047}, {100000, true, 4047},
                          {100, true, 0}};
    TraceLog log(1);
    for (const Case& c : cases) {
        const std::string text(c.length, 'a' + static_cast<char>(c.length % 26));
        log.Write(1, text.c_str(), c.header);
        const std::string last = TraceLog::GetLastLogEntry();
        const std::string line = Lines(LocalLog()).back();
        EXPECT_EQ(TextOf(line), text) << c.length;
        EXPECT_EQ(last.size(), c.lastEntryLength ? c.lastEntryLength : line.size()) << c.length;
        EXPECT_EQ(line.rfind(last, 0), 0u) << "the last entry begins the line, " << c.length;
    }
}

TEST_F(TraceLogTest, FormatCutsResultsThatDoNotFitAndMarksThem) {
    const std::string marker = "xxx Buffer Overflow xxx ";
    struct Case {
        std::size_t length;
        bool cut;
    };
    for (const Case c :
         {Case{8191, false}, Case{8192, true}, Case{10000, true}, Case{20000, true}}) {
        std::string result;
        for (std::size_t i = 0; i < c.length; ++i)
            result += static_cast<char>('a' + i % 26);
        TraceLog(1).Format(1, "%s", result.c_str());
        const std::string text = TextOf(Lines(LocalLog()).back());
        if (!c.cut) {
            EXPECT_EQ(text, result);
            continue;
        }
        EXPECT_EQ(text.size(), 8191u) << c.length;
        EXPECT_EQ(text.substr(0, marker.size()), marker);
        EXPECT_EQ(text.substr(marker.size()), result.substr(marker.size(), 8191 - marker.size()));
    }
}

TEST_F(TraceLogTest, StopLoggingWithBothFlagsLeavesOnlyAStartAndAnEndLine) {
    TraceLog log(0);
    log.Write(0, "before", true);
    TraceLog::StopLogging(true, true);
    log.Write(0, "after", true);
    TraceLog(0).Write(0, "after, new object", true);
    const auto lines = Lines(LocalLog());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(TextOf(lines[0]).rfind("Starting Program/DLL", 0), 0u);
    EXPECT_NE(TextOf(lines[1]).find("\" terminated correctly"), std::string::npos) << lines[1];
}

TEST_F(TraceLogTest, StopLoggingWithoutFlagsKeepsTheFileAndEndsLogging) {
    TraceLog log(0);
    log.Write(0, "before", false);
    TraceLog::StopLogging(false, false);
    log.Write(0, "after", false);
    const auto lines = Lines(LocalLog());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "before");
}

TEST_F(TraceLogTest, AppendFileToLogCopiesTheBytesBetweenHyphenLines) {
    const std::string hyphens(63, '-');
    qvutest::WriteFile(drive / "extra.txt", "raw\nbytes\r\nno end");
    TraceLog log(0);
    ASSERT_TRUE(log.AppendFileToLog("C:\\extra.txt"));
    const std::string text = qvutest::ReadFile(LocalLog());
    const std::string copied = "raw\nbytes\r\nno end";
    const std::size_t at = text.find(copied);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(text.substr(at - hyphens.size() - 2, hyphens.size() + 2), hyphens + "\r\n");
    // The copy ends without a line end: the next headered line follows at once.
    const std::string rest = text.substr(at + copied.size());
    EXPECT_LT(rest.find('\t'), 40u);
    EXPECT_EQ(rest.substr(rest.find('\t') + 1, hyphens.size() + 2), hyphens + "\r\n");
    const auto lines = Lines(LocalLog());
    EXPECT_EQ(TextOf(lines[2]), "Appending File C:\\extra.txt");
}

TEST_F(TraceLogTest, AppendFileToLogCreatesAMissingFileAndAppendsNothing) {
    TraceLog log(0);
    ASSERT_TRUE(log.AppendFileToLog("C:\\missing.txt"));
    EXPECT_TRUE(std::filesystem::exists(drive / "missing.txt"));
    const auto lines = Lines(LocalLog());
    ASSERT_EQ(lines.size(), 1u + 4 + 2);
    for (int i : {1, 3, 4, 5, 6})
        EXPECT_EQ(TextOf(lines[i]), std::string(63, '-')) << i;
}

TEST_F(TraceLogTest, AppendFileToLogRefusesAPipeAtOnceAndOtherLinesGoOn) {
    ASSERT_EQ(mkfifo((drive / "pipe.txt").c_str(), 0666), 0);
    // In a child: an append that waits for the pipe for ever, holding the
    // log's lock, fails the test instead of stopping it.
    qvutest::ChildProcess child([](const qvutest::ChildProcess::Channel& channel) {
        TraceLog(0).Write(0, "started", false);
        std::atomic<int> appended{-1};
        std::thread appender([&] { appended = TraceLog(0).AppendFileToLog("C:\\pipe.txt"); });
        TraceLog(0).Write(0, "another thread's line", false);
        appender.join();
        channel.Send(appended == 0 ? 'o' : 'x');
    });
    EXPECT_EQ(child.Talk().Receive(5000), 'o') << "0: the append or the line waited";
    const auto lines = Lines(LocalLog());
    EXPECT_NE(std::find_if(
                  lines.begin(), lines.end(),
                  [](const std::string& line) { return TextOf(line) == "another thread's line"; }),
              lines.end());
    EXPECT_TRUE(std::filesystem::is_fifo(drive / "pipe.txt"));
}

TEST_F(TraceLogTest, DumpStackWritesBothBannersWithoutHeaderAtTheObjectsLevel) {
    TraceLog(3).DumpStack();
    EXPECT_FALSE(std::filesystem::exists(LocalLog())) << "no log yet: nothing to lock";
    TraceLog(3).Write(3, "started", false);
    TraceLog(7).DumpStack();
    TraceLog(3).DumpStack();
    const auto after = Lines(LocalLog());
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[2].substr(0, 40), std::string(36, '*') + "B*A*");
    EXPECT_NE(after[3].find("E*N*D*S"), std::string::npos);
}

} // namespace

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr const char* kLog = "C:\\Logs\\QVUUpdate(2024-03-05).log";

class FilesStreamTest : public ::testing::Test {
protected:
    void SetUp() override { logs = root.MapDrive('C') / "Logs"; }

    static std::string ReadAll(const char* mode) {
        FILE* in = _fsopen(kLog, mode, _SH_DENYNO);
        EXPECT_NE(in, nullptr);
        std::string text;
        char block[1000];
        while (const std::size_t got = std::fread(block, 1, sizeof block, in))
            text.append(block, got);
        std::fclose(in);
        return text;
    }

    qvutest::TempRoot root;
    fs::path logs;
};

TEST_F(FilesStreamTest, UpdateLogIsCreatedThenAppendedInTextMode) {
    fs::create_directories(logs);
    for (const char* line : {"first\n", "second\n"}) {
        FILE* log = _fsopen(kLog, "a+", _SH_DENYNO);
        ASSERT_NE(log, nullptr);
        ASSERT_EQ(std::fseek(log, 0, SEEK_END), 0);
        EXPECT_GT(std::fputs(line, log), -1);
        EXPECT_EQ(std::fflush(log), 0);
        EXPECT_EQ(std::fclose(log), 0);
    }
    EXPECT_EQ(qvutest::ReadFile(logs / "QVUUpdate(2024-03-05).log"), "first\r\nsecond\r\n");
    EXPECT_EQ(ReadAll("r"), "first\nsecond\n");
    EXPECT_EQ(ReadAll("rb"), "first\r\nsecond\r\n");

    FILE* emptied = _fsopen(kLog, "w", _SH_DENYNO);
    ASSERT_NE(emptied, nullptr);
    std::fclose(emptied);
    EXPECT_EQ(fs::file_size(logs / "QVUUpdate(2024-03-05).log"), 0u);
}

TEST_F(FilesStreamTest, LineEndsSplitAcrossReadsAreJoined) {
    // The stream reads in blocks of a few KiB: put CR LF pairs across every
    // likely block boundary.
    std::string raw, expected;
    for (int i = 0; i < 3000; ++i) {
        raw += (i % 7 == 0) ? "ab\r\r\n" : "ab\r\n";
        expected += (i % 7 == 0) ? "ab\r\n" : "ab\n";
    }
    raw += "\r";
    expected += "\r";
    qvutest::WriteFile(logs / "QVUUpdate(2024-03-05).log", raw);
    EXPECT_EQ(ReadAll("r"), expected);
}

TEST_F(FilesStreamTest, ShareFlagIsHonouredLikeAShareMode) {
    qvutest::WriteFile(logs / "QVUUpdate(2024-03-05).log", "x");
    FILE* reader = _fsopen(kLog, "r", _SH_DENYWR);
    ASSERT_NE(reader, nullptr);
    HANDLE otherReader =
        CreateFileA(kLog, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(otherReader, INVALID_HANDLE_VALUE);
    CloseHandle(otherReader);
    EXPECT_EQ(_fsopen(kLog, "a", _SH_DENYNO), nullptr);
    EXPECT_EQ(errno, EACCES);
    std::fclose(reader);

    FILE* writer = _fsopen(kLog, "a", _SH_DENYNO);
    EXPECT_NE(writer, nullptr);
    std::fclose(writer);

    EXPECT_EQ(_fsopen("C:\\Logs\\None.log", "r", _SH_DENYNO), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(_fsopen(kLog, "r", 0), nullptr) << "not a share flag";
    EXPECT_EQ(errno, EINVAL);
}

} // namespace

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

class FilesHandleTest : public ::testing::Test {
protected:
    void SetUp() override { drive = root.MapDrive('C'); }

    static HANDLE Open(const char* name, DWORD access, DWORD disposition, DWORD flags = 0) {
        return CreateFileA(name, access, FILE_SHARE_READ, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    }

    static std::string Read(HANDLE file, DWORD count) {
        std::string text(count, '\0');
        DWORD got = 0;
        EXPECT_TRUE(ReadFile(file, text.data(), count, &got, nullptr));
        text.resize(got);
        return text;
    }

    qvutest::TempRoot root;
    fs::path drive;
};

TEST_F(FilesHandleTest, WritesReadsSeeksAndCuts) {
    HANDLE file =
        Open("C:\\Data.bin", GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_FLAG_WRITE_THROUGH);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "hello world", 11, &written, nullptr));
    EXPECT_EQ(written, 11u);
    EXPECT_TRUE(FlushFileBuffers(file));
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(file, &high), 11u);
    EXPECT_EQ(high, 0u);

    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), 0u);
    EXPECT_EQ(Read(file, 5), "hello");
    EXPECT_EQ(SetFilePointer(file, 1, nullptr, FILE_CURRENT), 6u);
    EXPECT_EQ(Read(file, 100), "world") << "a read stops at the end";
    EXPECT_EQ(Read(file, 100), "") << "at the end: success with 0 bytes";
    EXPECT_EQ(SetFilePointer(file, -5, nullptr, FILE_END), 6u);
    EXPECT_EQ(Read(file, 5), "world");

    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    LONG positionHigh = 1;
    EXPECT_EQ(SetFilePointer(file, 16, &positionHigh, FILE_BEGIN), 16u);
    EXPECT_EQ(positionHigh, 1) << "a 64-bit position past 4 GiB";

    EXPECT_EQ(SetFilePointer(file, 5, nullptr, FILE_BEGIN), 5u);
    EXPECT_TRUE(SetEndOfFile(file));
    EXPECT_EQ(GetFileSize(file, nullptr), 5u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(qvutest::ReadFile(drive / "Data.bin"), "hello");

    EXPECT_FALSE(ReadFile(file, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE) << "a closed handle";
    EXPECT_FALSE(CloseHandle(file));
}

TEST_F(FilesHandleTest, DispositionsCreateKeepOrEmptyTheFile) {
    qvutest::WriteFile(drive / "Old.txt", "old");

    EXPECT_EQ(Open("C:\\Old.txt", GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

    HANDLE kept = Open("C:\\OLD.TXT", GENERIC_READ, OPEN_ALWAYS);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(Read(kept, 10), "old") << "found ignoring case, content kept";
    CloseHandle(kept);

    HANDLE fresh = Open("C:\\New.txt", GENERIC_WRITE, OPEN_ALWAYS);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    CloseHandle(fresh);
    EXPECT_TRUE(fs::exists(drive / "New.txt"));

    HANDLE emptied = Open("C:\\Old.txt", GENERIC_WRITE, CREATE_ALWAYS);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    CloseHandle(emptied);
    EXPECT_EQ(fs::file_size(drive / "Old.txt"), 0u);

    qvutest::WriteFile(drive / "Old.txt", "again");
    HANDLE truncated = Open("C:\\Old.txt", GENERIC_WRITE, TRUNCATE_EXISTING);
    ASSERT_NE(truncated, INVALID_HANDLE_VALUE);
    CloseHandle(truncated);
    EXPECT_EQ(fs::file_size(drive / "Old.txt"), 0u);
    EXPECT_EQ(Open("C:\\Missing.txt", GENERIC_WRITE, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
}

TEST_F(FilesHandleTest, OpenFailuresTellWhatIsWrong) {
    EXPECT_EQ(Open("C:\\Missing.txt", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open("C:\\NoFolder\\File.txt", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Open("Q:\\File.txt", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND) << "an unmapped drive";

    fs::create_directory(drive / "Folder");
    EXPECT_EQ(Open("C:\\Folder", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    // The read-only attribute holds even for root, as for a Windows administrator.
    qvutest::WriteFile(drive / "ReadOnly.txt", "fixed");
    fs::permissions(drive / "ReadOnly.txt", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(Open("C:\\ReadOnly.txt", GENERIC_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    HANDLE reader = Open("C:\\ReadOnly.txt", GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
}

TEST_F(FilesHandleTest, WriteToAFullDiskFails) {
    HANDLE full = CreateFileA("\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (full == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "no /dev/full here";
    DWORD written = 99;
    EXPECT_FALSE(WriteFile(full, "block", 5, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(written, 0u);
    CloseHandle(full);
}

} // namespace

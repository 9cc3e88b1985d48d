#include "platform/errors.h"
#include "platform/file_times.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

FILETIME Make(std::uint64_t ticks) {
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

SYSTEMTIME Date(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0,
                WORD ms = 0) {
    return SYSTEMTIME{year, month, 0, day, hour, minute, second, ms};
}

FILETIME ToFileTime(const SYSTEMTIME& date) {
    FILETIME time{};
    EXPECT_TRUE(SystemTimeToFileTime(&date, &time));
    return time;
}

constexpr std::uint64_t kUnixEpoch = 116444736000000000;
constexpr std::uint64_t kHour = 36000000000;

TEST(FilesTimesTest, FileTimesConvertToCalendarAndBack) {
    SYSTEMTIME date{};
    FILETIME epoch = Make(kUnixEpoch);
    ASSERT_TRUE(FileTimeToSystemTime(&epoch, &date));
    EXPECT_EQ(date.wYear, 1970);
    EXPECT_EQ(date.wMonth, 1);
    EXPECT_EQ(date.wDay, 1);
    EXPECT_EQ(date.wDayOfWeek, 4) << "a Thursday";

    FILETIME first = Make(0);
    ASSERT_TRUE(FileTimeToSystemTime(&first, &date));
    EXPECT_EQ(date.wYear, 1601);
    EXPECT_EQ(date.wDayOfWeek, 1) << "a Monday";

    const SYSTEMTIME leap = Date(2024, 2, 29, 23, 59, 59, 999);
    const FILETIME time = ToFileTime(leap);
    ASSERT_TRUE(FileTimeToSystemTime(&time, &date));
    EXPECT_EQ(date.wYear, 2024);
    EXPECT_EQ(date.wMonth, 2);
    EXPECT_EQ(date.wDay, 29);
    EXPECT_EQ(date.wDayOfWeek, 4);
    EXPECT_EQ(date.wHour, 23);
    EXPECT_EQ(date.wMinute, 59);
    EXPECT_EQ(date.wSecond, 59);
    EXPECT_EQ(date.wMilliseconds, 999);
    EXPECT_EQ(Ticks(ToFileTime(Date(1970, 1, 1))), kUnixEpoch);

    FILETIME ignored;
    const SYSTEMTIME invalid[] = {Date(2023, 2, 29), Date(2024, 13, 1), Date(1600, 12, 31),
                                  Date(2024, 1, 1, 24)};
    for (const SYSTEMTIME& bad : invalid)
        EXPECT_FALSE(SystemTimeToFileTime(&bad, &ignored));
    FILETIME tooLarge = Make(0x8000000000000000);
    EXPECT_FALSE(FileTimeToSystemTime(&tooLarge, &date));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    const FILETIME earlier = Make(5), later = Make(0x100000000);
    EXPECT_EQ(CompareFileTime(&earlier, &later), -1);
    EXPECT_EQ(CompareFileTime(&later, &earlier), 1);
    EXPECT_EQ(CompareFileTime(&later, &later), 0);
}

// Central European time: one hour ahead of UTC in winter, two in summer.
class CentralEuropeanTime : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ"))
            previous = tz;
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }
    void TearDown() override {
        if (previous.empty())
            unsetenv("TZ");
        else
            setenv("TZ", previous.c_str(), 1);
        tzset();
    }
    std::string previous;
};

TEST_F(CentralEuropeanTime, LocalTimeUsesTheOffsetInForceThen) {
    FILETIME local{}, utc{};
    const FILETIME winter = ToFileTime(Date(2024, 1, 15, 12));
    ASSERT_TRUE(FileTimeToLocalFileTime(&winter, &local));
    EXPECT_EQ(Ticks(local), Ticks(winter) + kHour);
    const FILETIME summer = ToFileTime(Date(2024, 7, 15, 12));
    ASSERT_TRUE(FileTimeToLocalFileTime(&summer, &local));
    EXPECT_EQ(Ticks(local), Ticks(summer) + 2 * kHour);
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    EXPECT_EQ(Ticks(utc), Ticks(summer));

    // 00:30 local time in winter is 23:30 UTC of the day before.
    const FILETIME halfPastMidnight = ToFileTime(Date(2024, 1, 15, 0, 30));
    ASSERT_TRUE(LocalFileTimeToFileTime(&halfPastMidnight, &utc));
    EXPECT_EQ(Ticks(utc), Ticks(ToFileTime(Date(2024, 1, 14, 23, 30))));
}

class FileTimesOnDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        drive = root.MapDrive('C');
        qvutest::WriteFile(drive / "Data" / "Help.txt", "12345");
    }
    qvutest::TempRoot root;
    std::filesystem::path drive;
};

TEST_F(FileTimesOnDiskTest, TimesSetThroughAHandleAreReadBack) {
    HANDLE file = CreateFileA("C:\\Data\\Help.txt", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const FILETIME written = ToFileTime(Date(2001, 2, 3, 4, 5, 6, 789));
    const FILETIME accessed = ToFileTime(Date(2002, 3, 4));
    ASSERT_TRUE(SetFileTime(file, nullptr, &accessed, &written));

    FILETIME lastAccess{}, lastWrite{};
    ASSERT_TRUE(GetFileTime(file, nullptr, &lastAccess, &lastWrite));
    EXPECT_EQ(Ticks(lastWrite), Ticks(written));
    EXPECT_EQ(Ticks(lastAccess), Ticks(accessed));

    // A null or zero time leaves that time alone.
    const FILETIME zero{0, 0};
    ASSERT_TRUE(SetFileTime(file, nullptr, &zero, nullptr));
    ASSERT_TRUE(GetFileTime(file, nullptr, &lastAccess, &lastWrite));
    EXPECT_EQ(Ticks(lastWrite), Ticks(written));
    EXPECT_EQ(Ticks(lastAccess), Ticks(accessed));
    CloseHandle(file);
}

TEST_F(FileTimesOnDiskTest, StatusByNameCarriesBirthTimeSizeAndAttributes) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA("C:\\Data\\Help.txt", GetFileExInfoStandard, &data)) {
        ASSERT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
        GTEST_SKIP() << "the temporary folder's file system keeps no birth times";
    }
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    const std::uint64_t now =
        kUnixEpoch + static_cast<std::uint64_t>(std::time(nullptr)) * 10000000;
    EXPECT_LE(Ticks(data.ftCreationTime), now + 20000000);
    EXPECT_GE(Ticks(data.ftCreationTime), now - 600000000) << "born within the last minute";

    // Setting the last-write time back to the creation time, as the installer
    // hand-off does for data files, leaves the creation time as it was.
    HANDLE file = CreateFileA("C:\\Data\\Help.txt", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    FILETIME created{}, accessed{}, written{};
    ASSERT_TRUE(GetFileTime(file, &created, &accessed, &written));
    EXPECT_EQ(Ticks(created), Ticks(data.ftCreationTime));
    const FILETIME past = ToFileTime(Date(2010, 1, 1));
    ASSERT_TRUE(SetFileTime(file, &past, &accessed, &past));
    CloseHandle(file);
    ASSERT_TRUE(GetFileAttributesExA("C:\\Data\\Help.txt", GetFileExInfoStandard, &data));
    EXPECT_EQ(Ticks(data.ftLastWriteTime), Ticks(past));
    EXPECT_EQ(Ticks(data.ftCreationTime), Ticks(created)) << "a birth time cannot be set";

    ASSERT_TRUE(GetFileAttributesExA("C:\\Data", GetFileExInfoStandard, &data));
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(GetFileAttributesExA("C:\\Data\\None.txt", GetFileExInfoStandard, &data));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

} // namespace

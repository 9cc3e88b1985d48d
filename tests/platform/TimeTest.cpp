#include "platform/time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

namespace {

bool SameSecond(const SYSTEMTIME& time, const std::tm& expected) {
    return time.wYear == expected.tm_year + 1900 && time.wMonth == expected.tm_mon + 1 &&
           time.wDay == expected.tm_mday && time.wDayOfWeek == expected.tm_wday &&
           time.wHour == expected.tm_hour && time.wMinute == expected.tm_min &&
           time.wSecond == expected.tm_sec;
}

// The precise clock's second now; std::time reads a coarse clock that may
// still be in the second before.
std::time_t Now() {
    return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
}

// The platform's reading must equal the C library's conversion of a second
// taken just before or just after it (the second may turn in between).
template <class Read, class Convert> void ExpectAgreesWithCLibrary(Read read, Convert convert) {
    const std::time_t before = Now();
    SYSTEMTIME time{};
    read(&time);
    const std::time_t after = Now();
    std::tm first{}, second{};
    convert(&before, &first);
    convert(&after, &second);
    EXPECT_TRUE(SameSecond(time, first) || SameSecond(time, second))
        << time.wYear << "-" << time.wMonth << "-" << time.wDay << " " << time.wHour << ":"
        << time.wMinute << ":" << time.wSecond;
    EXPECT_LE(time.wMilliseconds, 999);
}

TEST(TimeTest, LocalTimeIsTheCLibrarysLocalTimeWithMilliseconds) {
    ExpectAgreesWithCLibrary(GetLocalTime, localtime_r);
}

TEST(TimeTest, SystemTimeIsUtc) {
    ExpectAgreesWithCLibrary(GetSystemTime, gmtime_r);
}

TEST(TimeTest, MillisecondCountersAdvanceWithTheClock) {
    const DWORD start = timeGetTime();
    const DWORD startTicks = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    // Differences as unsigned 32-bit numbers, correct across the wrap.
    EXPECT_GE(static_cast<DWORD>(timeGetTime() - start), 20u);
    EXPECT_LT(static_cast<DWORD>(timeGetTime() - start), 10000u);
    EXPECT_GE(static_cast<DWORD>(GetTickCount() - startTicks), 20u);
}

} // namespace

#include "platform/file_times.h"

#include "platform/errors.h"

#include <ctime>

namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::uint64_t kTicksPerDay = kTicksPerSecond * 86400;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
constexpr std::int64_t kDaysFrom1601To1970 = 134774;
constexpr std::uint64_t kLargestConvertible = 0x7FFFFFFFFFFFFFFF;

std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FromTicks(std::uint64_t ticks) {
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back
// (H. Hinnant's algorithms).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2);
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// The offset from UTC, in seconds, of local time at a Unix time.
long LocalOffsetAt(std::time_t unixTime) {
    struct tm local;
    return localtime_r(&unixTime, &local) ? local.tm_gmtoff : 0;
}

BOOL Fail() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// Adds seconds to a file time, refusing results outside the convertible range.
BOOL Shift(std::uint64_t ticks, long seconds, LPFILETIME result) {
    const std::int64_t shifted =
        static_cast<std::int64_t>(ticks) + static_cast<std::int64_t>(seconds) * 10000000;
    if (shifted < 0)
        return Fail();
    *result = FromTicks(static_cast<std::uint64_t>(shifted));
    return TRUE;
}

} // namespace

BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
    if (fileTime == nullptr || systemTime == nullptr || Ticks(*fileTime) > kLargestConvertible)
        return Fail();
    const std::uint64_t ticks = Ticks(*fileTime);
    const std::int64_t days = static_cast<std::int64_t>(ticks / kTicksPerDay);
    const std::uint64_t ofDay = ticks % kTicksPerDay;
    std::int64_t year;
    unsigned month, day;
    CivilFromDays(days - kDaysFrom1601To1970, year, month, day);
    systemTime->wYear = static_cast<WORD>(year);
    systemTime->wMonth = static_cast<WORD>(month);
    systemTime->wDay = static_cast<WORD>(day);
    systemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7); // 1601-01-01 was a Monday
    systemTime->wHour = static_cast<WORD>(ofDay / (3600 * kTicksPerSecond));
    systemTime->wMinute = static_cast<WORD>(ofDay / (60 * kTicksPerSecond) % 60);
    systemTime->wSecond = static_cast<WORD>(ofDay / kTicksPerSecond % 60);
    systemTime->wMilliseconds = static_cast<WORD>(ofDay / 10000 % 1000);
    return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime) {
    if (systemTime == nullptr || fileTime == nullptr)
        return Fail();
    const SYSTEMTIME& t = *systemTime;
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
        t.wDay > DaysInMonth(t.wYear, t.wMonth) || t.wHour > 23 || t.wMinute > 59 ||
        t.wSecond > 59 || t.wMilliseconds > 999)
        return Fail();
    const std::uint64_t days =
        static_cast<std::uint64_t>(DaysFromCivil(t.wYear, t.wMonth, t.wDay) + kDaysFrom1601To1970);
    const std::uint64_t seconds = days * 86400 + t.wHour * 3600u + t.wMinute * 60u + t.wSecond;
    *fileTime = FromTicks(seconds * kTicksPerSecond + t.wMilliseconds * 10000u);
    return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
    if (fileTime == nullptr || localFileTime == nullptr)
        return Fail();
    const std::uint64_t ticks = Ticks(*fileTime);
    const std::time_t unixTime =
        static_cast<std::time_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
    return Shift(ticks, LocalOffsetAt(unixTime), localFileTime);
}

BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
    if (localFileTime == nullptr || fileTime == nullptr)
        return Fail();
    const std::uint64_t ticks = Ticks(*localFileTime);
    // Read the local wall-clock fields and let the C library find the offset in
    // force then (in a repeated hour it picks one of the two).
    const std::time_t wallClock =
        static_cast<std::time_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
    struct tm fields;
    if (gmtime_r(&wallClock, &fields) == nullptr)
        return Fail();
    fields.tm_isdst = -1;
    const std::time_t utc = mktime(&fields);
    if (utc == static_cast<std::time_t>(-1))
        return Fail();
    return Shift(ticks, -static_cast<long>(wallClock - utc), fileTime);
}

LONG CompareFileTime(const FILETIME* fileTime1, const FILETIME* fileTime2) {
    const std::uint64_t first = Ticks(*fileTime1);
    const std::uint64_t second = Ticks(*fileTime2);
    return first < second ? -1 : (first > second ? 1 : 0);
}

namespace platform {

FILETIME FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds) {
    if (seconds < -kSecondsFrom1601To1970)
        return {0, 0};
    const std::uint64_t since1601 = static_cast<std::uint64_t>(seconds + kSecondsFrom1601To1970);
    return FromTicks(since1601 * kTicksPerSecond + nanoseconds / 100);
}

void UnixFromFileTime(const FILETIME& fileTime, std::int64_t& seconds, std::uint32_t& nanoseconds) {
    const std::uint64_t ticks = Ticks(fileTime);
    seconds = static_cast<std::int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
    nanoseconds = static_cast<std::uint32_t>(ticks % kTicksPerSecond) * 100;
}

} // namespace platform

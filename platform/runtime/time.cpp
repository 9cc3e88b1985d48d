#include "platform/time.h"

#include <ctime>

namespace {

using CalendarConversion = struct tm* (*)(const time_t*, struct tm*);

void FillSystemTime(SYSTEMTIME* systemTime, CalendarConversion toCalendar) {
    if (systemTime == nullptr)
        return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm calendar {};
    toCalendar(&now.tv_sec, &calendar);
    systemTime->wYear = static_cast<WORD>(calendar.tm_year + 1900);
    systemTime->wMonth = static_cast<WORD>(calendar.tm_mon + 1);
    systemTime->wDayOfWeek = static_cast<WORD>(calendar.tm_wday);
    systemTime->wDay = static_cast<WORD>(calendar.tm_mday);
    systemTime->wHour = static_cast<WORD>(calendar.tm_hour);
    systemTime->wMinute = static_cast<WORD>(calendar.tm_min);
    // A leap second (tm_sec 60) is not a valid Windows time.
    systemTime->wSecond = static_cast<WORD>(calendar.tm_sec > 59 ? 59 : calendar.tm_sec);
    systemTime->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

} // namespace

void GetLocalTime(SYSTEMTIME* systemTime) {
    FillSystemTime(systemTime, localtime_r);
}

void GetSystemTime(SYSTEMTIME* systemTime) {
    FillSystemTime(systemTime, gmtime_r);
}

DWORD timeGetTime() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const unsigned long long milliseconds =
        static_cast<unsigned long long>(now.tv_sec) * 1000ULL + now.tv_nsec / 1000000;
    return static_cast<DWORD>(milliseconds); // keeps the low 32 bits: the counter wraps
}

DWORD GetTickCount() {
    return timeGetTime();
}

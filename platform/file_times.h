// File times (FILETIME: 100-ns intervals since 1601-01-01 UTC) and their
// conversion to calendar time.
#pragma once

#include "platform/win_types.h"

#include <cstdint>

// Calendar fields of a file time; FALSE (ERROR_INVALID_PARAMETER) above the
// largest time Windows converts.
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
// FALSE (ERROR_INVALID_PARAMETER) for fields out of range; wDayOfWeek is ignored.
BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime);

// UTC to local time and back. Unlike Windows, which applies today's offset
// to every time, the offset in force at that time is used, so a summer time
// converted in winter is still right.
BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime);
BOOL LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime);

// -1, 0 or 1 as the first time is earlier, equal or later.
LONG CompareFileTime(const FILETIME* fileTime1, const FILETIME* fileTime2);

namespace platform {

// For platform/: between file times and Unix times (seconds and nanoseconds
// since 1970). Times before 1601 become 0.
FILETIME FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds);
void UnixFromFileTime(const FILETIME& fileTime, std::int64_t& seconds, std::uint32_t& nanoseconds);

} // namespace platform

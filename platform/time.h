// Clock services: the wall clock as calendar time and the millisecond counters.
#pragma once

#include "platform/win_types.h"

// The current local time, down to milliseconds, with the day of the week (0 = Sunday).
void GetLocalTime(SYSTEMTIME* systemTime);
// The current time in UTC, same fields as GetLocalTime.
void GetSystemTime(SYSTEMTIME* systemTime);

// Milliseconds of a monotonic clock; the value wraps at 32 bits (about every
// 49.7 days), so callers take differences as unsigned 32-bit numbers.
DWORD timeGetTime();
DWORD GetTickCount();

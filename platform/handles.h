// Kernel object handles: files, mutexes, events and threads share one handle
// space and one CloseHandle, as on Windows.
#pragma once

#include "platform/win_types.h"

BOOL CloseHandle(HANDLE object);

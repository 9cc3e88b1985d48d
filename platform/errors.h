// The calling thread's last system error, as Windows keeps it.
#pragma once

#include "platform/win_types.h"

DWORD GetLastError();
void SetLastError(DWORD error);

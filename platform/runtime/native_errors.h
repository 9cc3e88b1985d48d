// For platform/ only: maps the C library's errno values to system error codes.
#pragma once

#include "platform/win_types.h"

namespace platform {

DWORD Win32ErrorFromErrno(int error);
void SetLastErrorFromErrno(int error);

} // namespace platform

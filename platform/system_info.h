// The system folder, where the operating system keeps its libraries, and the
// folder of the machine state this layer keeps in place of Windows' own.
#pragma once

#include "platform/win_types.h"

#include <string>

// This machine has no Windows system folder of its own: the folder is the one
// named by the environment variable QVU_SYSTEM_DIR (a native absolute path,
// answered Windows-style, or a Windows-style path), without a trailing
// backslash. Answers the length without terminator when it fits into size,
// else the size needed with it; 0 with ERROR_FILE_NOT_FOUND when the
// variable is unset or empty.
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);

namespace platform {
// The machine-state folder (registry hives, drive table, lock files) as a
// native path: $QVU_ROOT, by default /var/lib/quorvane, without a trailing slash.
std::string MachineRoot();

// The number of the account the process runs as, unique on the machine (the
// relative id of the user's security id on Windows, the user id here).
DWORD CurrentAccountId();
} // namespace platform

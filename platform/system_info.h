// The system folder, where the operating system keeps its libraries.
#pragma once

#include "platform/win_types.h"

// This machine has no Windows system folder of its own: the folder is the one
// named by the environment variable QVU_SYSTEM_DIR (a native absolute path,
// answered Windows-style, or a Windows-style path), without a trailing
// backslash. Answers the length without terminator when it fits into size,
// else the size needed with it; 0 with ERROR_FILE_NOT_FOUND when the
// variable is unset or empty.
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);

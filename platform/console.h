// Consoles: the standard devices of the process and whether one of them is a
// terminal, as a console program learns it on Windows.
#pragma once

#include "platform/win_types.h"

// The standard devices, as GetStdHandle names them.
constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);

// The handle of a standard device: the same handle on every call. ReadFile
// and WriteFile work on it as on a pipe (platform/pipes.h).
// INVALID_HANDLE_VALUE with ERROR_INVALID_PARAMETER for any other number.
HANDLE GetStdHandle(DWORD device);

// TRUE, with the mode in *mode, only when console is a standard device that
// is a terminal (a console). A redirected device (file, pipe) answers FALSE
// with ERROR_INVALID_HANDLE, as it does on Windows; so does any other handle.
BOOL GetConsoleMode(HANDLE console, LPDWORD mode);

// Shell: starting programs and opening web addresses, as ShellExecuteA does.
#pragma once

#include "platform/win_types.h"

// Show commands. There are no windows to show here; they are accepted and ignored.
constexpr INT SW_HIDE = 0;
constexpr INT SW_SHOWNORMAL = 1;
constexpr INT SW_SHOW = 5;

// Results of ShellExecuteA at or below 32: the operation failed. A file that
// is no program answers ERROR_BAD_FORMAT (11), as on Windows.
constexpr INT SE_ERR_FNF = 2;          // file not found
constexpr INT SE_ERR_PNF = 3;          // folder not found
constexpr INT SE_ERR_ACCESSDENIED = 5; // not allowed to run the file
constexpr INT SE_ERR_OOM = 8;          // out of processes or memory
constexpr INT SE_ERR_NOASSOC = 31;     // nothing here opens this kind of file or verb

// Opens file with the verb operation (null or "open"; any other verb answers
// SE_ERR_NOASSOC):
// - an "http://" or "https://" address opens in the user's default browser
//   (xdg-open found on PATH; without one SE_ERR_NOASSOC);
// - a program path (Windows-style) or a bare program name, searched on PATH
//   ignoring case with ".exe" optional, starts as a detached process that
//   nobody waits for. parameters are split into arguments by the Windows
//   command-line rules; directory, when not null, is its working folder.
// The child inherits standard input and output, but no other descriptor.
// A result above 32 means success.
HINSTANCE ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                        LPCSTR directory, INT showCommand);

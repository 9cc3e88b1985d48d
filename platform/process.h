// Processes: starting a program as a child and waiting for its end, as
// CreateProcessA, WaitForSingleObject and GetExitCodeProcess do.
#pragma once

#include "platform/win_types.h"

// Creation flags. A program started with either has no console: its
// standard input, output and error lead nowhere. A suspended start
// (CREATE_SUSPENDED, 0x4) is not offered (ERROR_NOT_SUPPORTED); other flags
// are ignored.
constexpr DWORD DETACHED_PROCESS = 0x00000008;
constexpr DWORD CREATE_NO_WINDOW = 0x08000000;

// Start-up flag for standard handles of the caller's choice: not offered
// (ERROR_NOT_SUPPORTED).
constexpr DWORD STARTF_USESTDHANDLES = 0x00000100;

struct STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
using LPSTARTUPINFOA = STARTUPINFOA*;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

// Starts a program as a child process. The program is applicationName (a
// Windows-style path) or, when that is null, the first argument of
// commandLine, which a bare name is searched for on PATH as ShellExecuteA
// does (ignoring case, ".exe" optional). commandLine is split into the
// arguments by the Windows command-line rules; its first argument is the
// program's own name and is not passed on. currentDirectory (Windows-style,
// null: this process's) is its working folder. The child inherits the
// environment and, without DETACHED_PROCESS or CREATE_NO_WINDOW, standard
// input, output and error, but no other descriptor (inheritHandles is
// ignored); environment blocks are not offered (ERROR_NOT_SUPPORTED).
// Answers TRUE with both handles set once the program runs, both signalled
// when it ends; the process is reaped when it ends, whether or not anybody
// waits. Else FALSE with the last error ERROR_FILE_NOT_FOUND,
// ERROR_PATH_NOT_FOUND (also for a missing working folder),
// ERROR_ACCESS_DENIED or ERROR_BAD_FORMAT.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);

// STILL_ACTIVE while the process runs, then its exit status (128 + the
// signal's number when a signal ended it).
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

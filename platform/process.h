// Processes: starting a program as a child and waiting for its end, as
// CreateProcessA, WaitForSingleObject and GetExitCodeProcess do.
#pragma once

#include "platform/win_types.h"

#include <string>
#include <vector>

// Creation flags. A program started with either has no console: its
// standard input, output and error lead nowhere. A suspended start
// (CREATE_SUSPENDED, 0x4) is not offered (ERROR_NOT_SUPPORTED); other flags
// are ignored.
constexpr DWORD DETACHED_PROCESS = 0x00000008;
constexpr DWORD CREATE_NO_WINDOW = 0x08000000;

// Start-up flag for standard handles of the caller's choice: hStdInput,
// hStdOutput and hStdError, each a file or pipe handle (platform/pipes.h),
// become the program's standard input, output and error.
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
// null: this process's) is its working folder. The child gets environment
// (a block of "NAME=VALUE" strings each ended by a NUL, ended by one more
// NUL; null: this process's environment) and, without DETACHED_PROCESS or
// CREATE_NO_WINDOW, this process's standard input, output and error, or
// those of STARTF_USESTDHANDLES, but no other descriptor (inheritHandles is
// ignored).
// Answers TRUE with both handles set once the program runs, both signalled
// when it ends; the process is reaped when it ends, whether or not anybody
// waits. Else FALSE with the last error ERROR_FILE_NOT_FOUND,
// ERROR_PATH_NOT_FOUND (also for a missing working folder),
// ERROR_ACCESS_DENIED, ERROR_BAD_FORMAT, or ERROR_INVALID_HANDLE for a
// standard handle that is no file or pipe.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine,
                    LPSECURITY_ATTRIBUTES processAttributes, LPSECURITY_ATTRIBUTES threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);

// STILL_ACTIVE while the process runs, then its exit status (128 + the
// signal's number when a signal ended it).
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

namespace platform {

// The exit statuses of a process started as the administrator when it never
// ran: the user cancelled the authentication, or it was refused (or no way
// to ask for it was there).
constexpr DWORD kElevationCancelled = 126;
constexpr DWORD kElevationRefused = 127;

// CreateProcessA, the program (applicationName, a Windows-style path)
// running as the administrator once the system's authentication agrees
// (pkexec, which asks the desktop's user for an administrator's password
// under the polkit action that names the program). Its environment is the
// system's own, not this process's; standard handles come from startupInfo
// as for CreateProcessA. The process handle ends with
// kElevationCancelled or kElevationRefused when the program never ran.
// FALSE with ERROR_FILE_NOT_FOUND when the program or pkexec is missing.
BOOL CreateProcessAsAdministrator(LPCSTR applicationName, const std::vector<std::string>& arguments,
                                  LPSTARTUPINFOA startupInfo,
                                  LPPROCESS_INFORMATION processInformation);

} // namespace platform

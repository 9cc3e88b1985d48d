// Accounts: what an elevated program uses to start a part of itself as the
// desktop's user instead of as the administrator, as on Windows: the
// account's token (WTSQueryUserToken, OpenProcessToken), whether it is
// elevated (GetTokenInformation), its profile folder and environment
// (GetUserProfileDirectoryA, CreateEnvironmentBlock) and a program started
// as it (CreateProcessAsUserA).
//
// Here a token names an account of the system: its user, group and further
// groups, its home folder and shell. Root is the elevated account.
#pragma once

#include "platform/pipes.h" // PHANDLE
#include "platform/process.h"
#include "platform/win_types.h"

constexpr DWORD ERROR_NO_TOKEN = 1008;
constexpr DWORD ERROR_PRIVILEGE_NOT_HELD = 1314;

constexpr ULONG WTS_CURRENT_SESSION = static_cast<ULONG>(-1);
constexpr DWORD TOKEN_QUERY = 0x0008;

enum TOKEN_INFORMATION_CLASS { TokenElevation = 20 };
struct TOKEN_ELEVATION {
    DWORD TokenIsElevated;
};

// The pseudo handle of this process, good only for OpenProcessToken here;
// it needs no closing.
HANDLE GetCurrentProcess();

// The token of the account this process runs as. FALSE with
// ERROR_INVALID_HANDLE for any process but GetCurrentProcess(), with
// ERROR_INVALID_PARAMETER for a null token pointer. Close it with CloseHandle.
BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token);

// The token of the desktop's user this process serves (sessionId must be
// WTS_CURRENT_SESSION): run as root, the account that asked for the run
// through pkexec (PKEXEC_UID) or else sudo (SUDO_UID), which may be root
// itself; run as any other account, that account. FALSE with ERROR_NO_TOKEN
// when root knows of no such account (neither variable, or one that is no
// number or names no account), ERROR_INVALID_PARAMETER for another session
// or a null pointer. Close it with CloseHandle.
BOOL WTSQueryUserToken(ULONG sessionId, PHANDLE token);

// Of a token, only TokenElevation: TokenIsElevated is 1 for root, else 0.
// FALSE with ERROR_INVALID_HANDLE for a handle that is no token,
// ERROR_NOT_SUPPORTED for another class, ERROR_INSUFFICIENT_BUFFER (the
// size needed in *returnLength) for a buffer too small.
BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, LPVOID information,
                         DWORD informationLength, LPDWORD returnLength);

// The account's home folder, Windows-style (backslashes, no drive). *size
// is the buffer's size in characters; FALSE with ERROR_INSUFFICIENT_BUFFER
// and *size the size needed (with the terminator) when it is too small,
// ERROR_INVALID_HANDLE for a handle that is no token.
BOOL GetUserProfileDirectoryA(HANDLE token, LPSTR profileDirectory, LPDWORD size);

// The environment a program of the account starts with: the account's own
// HOME, USER, LOGNAME, SHELL, and, where the system gave the account a
// runtime folder of its own (/run/user/UID, owned by it and private to it),
// XDG_RUNTIME_DIR and the session bus in it. With inherit, this process's
// variables come along, except those that belong to this process's account
// or to how it was started (its home, name, shell, runtime, configuration,
// cache and data folders, its session bus, SUDO_*, PKEXEC_UID) and the
// loader's (LD_*). A block of "NAME=VALUE" strings, each ended by a NUL,
// ended by one more NUL; free it with DestroyEnvironmentBlock. FALSE with
// ERROR_INVALID_HANDLE for a handle that is no token.
BOOL CreateEnvironmentBlock(LPVOID* environment, HANDLE token, BOOL inherit);
BOOL DestroyEnvironmentBlock(LPVOID environment);

// CreateProcessA (platform/process.h), the program running as the token's
// account: it gives up this process's account, groups included, before it
// changes to currentDirectory (checked as the account) and starts. FALSE
// with ERROR_PRIVILEGE_NOT_HELD when this process, not root, is asked for
// another account, ERROR_INVALID_HANDLE for a handle that is no token, and
// CreateProcessA's errors.
BOOL CreateProcessAsUserA(HANDLE token, LPCSTR applicationName, LPSTR commandLine,
                          LPSECURITY_ATTRIBUTES processAttributes,
                          LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                          DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                          LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInformation);

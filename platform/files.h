// Files and folders: the kernel's file functions and the runtime library's
// folder functions, on Windows-style paths.
#pragma once

#include "platform/win_types.h"

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES securityAttributes);
BOOL RemoveDirectoryA(LPCSTR pathName);
DWORD GetFileAttributesA(LPCSTR fileName);

// Current directory of the process, with backslashes; a folder on a mapped
// drive is answered with its drive ("C:\Data").
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR pathName);

// The temporary folder ($TMPDIR or /tmp), ending with a backslash.
DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer);

// Full path of the running program (module null) with backslashes.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// Runtime library: access test (mode 0 exists, 2 write, 4 read, 6 both;
// 0 when allowed, else -1), current directory and current drive (1 = A:,
// 0 when the current directory lies on no drive).
int _access(const char* path, int mode);
char* _getcwd(char* buffer, int maxlen);
int _chdir(const char* dirname);
int _getdrive();
int _chdrive(int drive);

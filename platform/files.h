// Files and folders: the kernel's file functions and the runtime library's
// folder functions, on Windows-style paths.
#pragma once

#include "platform/win_types.h"

#include <cstdio>

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
// A symbolic link (FindFirstFileA): the other attributes are its target's.
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

// Desired access of CreateFileA.
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD GENERIC_ALL = 0x10000000;
constexpr DWORD FILE_READ_DATA = 0x0001;
constexpr DWORD FILE_WRITE_DATA = 0x0002;
constexpr DWORD FILE_APPEND_DATA = 0x0004;

// Share modes: what an open lets other opens of the same file do, in this
// process and in every other process of the machine. An open is refused with
// ERROR_SHARING_VIOLATION when an existing open does not share what it asks
// for, or when it does not share what an existing open uses. Only an account
// that can open a file takes part in its sharing; an open kept waiting for
// another's admission longer than a second is refused the same way.
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

// Creation dispositions.
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

// Flags: every write reaches the disk before WriteFile returns.
constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;

enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard, GetFileExMaxInfoLevel };

struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

// Opens or creates a file; INVALID_HANDLE_VALUE on failure. OPEN_ALWAYS and
// CREATE_ALWAYS set ERROR_ALREADY_EXISTS when the file was there. A file
// without write permission (FILE_ATTRIBUTE_READONLY) is not opened for
// writing, and a folder is not opened at all (ERROR_ACCESS_DENIED). A
// symbolic link in the file's place is not written through
// (ERROR_ACCESS_DENIED), and one that leads nowhere is no file to create
// (ERROR_FILE_NOT_FOUND for reading). Only regular files are opened, at once:
// a pipe, socket or device in the file's place is refused without waiting
// (ERROR_ACCESS_DENIED), and so is, for writing (or appending), a file that
// belongs neither to the calling account nor to root. A new file is writable
// by its owner alone, whatever the umask.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
// Synchronous only: overlapped must be null. Reading at the end answers TRUE
// with 0 bytes; a write that cannot be completed (a full disk: ERROR_DISK_FULL)
// answers FALSE with the bytes written so far.
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead,
              LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED overlapped);
BOOL FlushFileBuffers(HANDLE file);
DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod);
DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh);
BOOL SetEndOfFile(HANDLE file);

// File times: 100-ns intervals since 1601-01-01 UTC. The creation time is the
// file system's birth time; where the file system keeps none, asking for it
// fails (ERROR_NOT_SUPPORTED) rather than answering a made-up time. Linux
// cannot set a birth time: SetFileTime leaves it as it is and sets the others
// (a null time is left unchanged).
BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime,
                 LPFILETIME lastWriteTime);
BOOL SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                 const FILETIME* lastWriteTime);

// Status by name: attributes, times and size. It answers the creation time,
// so it fails (ERROR_NOT_SUPPORTED) on a file system without birth times;
// size and last-write time alone can be read through a handle there
// (GetFileSize, GetFileTime without a creation time).
BOOL GetFileAttributesExA(LPCSTR fileName, GET_FILEEX_INFO_LEVELS infoLevel,
                          LPVOID fileInformation);

// Deleting, moving or replacing a file needs every open of it to share
// deletion (else ERROR_SHARING_VIOLATION); a read-only file is not deleted.
BOOL DeleteFileA(LPCSTR fileName);
// Copies content, permission bits and last-write time. The copy is written
// beside the target under a temporary name and renamed into place, so the
// target is never left half written.
BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists);
BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags);

// Directory search: the last component of the pattern may hold "*" and "?",
// matched ignoring case; names are answered as they are on disk. No match:
// INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND; the end: FALSE with
// ERROR_NO_MORE_FILES.
HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findFileData);
BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findFileData);
BOOL FindClose(HANDLE findFile);

// A new folder is writable by its owner alone, whatever the umask.
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

// Runtime library: splits a path into drive ("C:"), folder (with its final
// backslash), base name and extension (with its dot); any output may be null.
// A part too long for its buffer leaves every output empty (errno ERANGE)
// instead of writing past the buffer.
constexpr int _MAX_DRIVE = 3;
constexpr int _MAX_DIR = 256;
constexpr int _MAX_FNAME = 256;
constexpr int _MAX_EXT = 256;
void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);

// Runtime library: opens a stream on a Windows path with fopen's modes ("r",
// "w", "a", each with "+"; "b" binary, else text: "\n" is written as CR LF
// and CR LF read as "\n") and a share flag, honoured like CreateFileA's
// share modes; files are opened by CreateFileA's rules. Close it with
// fclose. Null with errno on failure (EACCES for a sharing violation, or a
// file CreateFileA refuses).
constexpr int _SH_DENYRW = 0x10;
constexpr int _SH_DENYWR = 0x20;
constexpr int _SH_DENYRD = 0x30;
constexpr int _SH_DENYNO = 0x40;
FILE* _fsopen(const char* filename, const char* mode, int shflag);

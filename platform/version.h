// Version information: the version resource of executable files, and the
// version of the operating system.
#pragma once

#include "platform/win_types.h"

#include <cstddef>
#include <vector>

// ---- Version resource of a file ----

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;

struct VS_FIXEDFILEINFO {
    DWORD dwSignature; // VS_FFI_SIGNATURE
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS; // major << 16 | minor
    DWORD dwFileVersionLS; // build << 16 | revision
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

// The files are Windows executables (PE32 or PE32+) on Windows-style paths.
// A bare file name is looked for as the system's library search finds a
// library: first in the system folder (GetSystemDirectoryA), then in the
// current folder.
//
// The size of the data GetFileVersionInfoA hands out, 0 when the file cannot
// be read or has no sound version resource (the error is then set). The
// handle is always set to 0.
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);

// Reads the version data into data. Unlike Windows, a size smaller than
// GetFileVersionInfoSizeA answered fails with ERROR_INSUFFICIENT_BUFFER rather
// than cutting the data, since VerQueryValueA could not tell a cut block from
// a whole one.
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data);

// A value of version data: "\" the VS_FIXEDFILEINFO, "\VarFileInfo\Translation"
// the language and code page pairs, "\StringFileInfo\<language><code page>\<Name>"
// a string, answered as a narrow (UTF-8) copy that lies inside the data, with
// its length in bytes including the terminator. Names are matched ignoring
// case. FALSE with ERROR_RESOURCE_TYPE_NOT_FOUND when there is no such value.
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length);

// The version data of bytes held in memory rather than in a file, for readers
// of images that arrive otherwise (and for fuzzing the reader): the same data
// GetFileVersionInfoA lays out, for the version resource of an executable
// image, or for a version resource (VS_VERSIONINFO) given alone. Empty, with
// the error set, when the bytes hold no sound version resource.
namespace platform {
std::vector<BYTE> VersionInfoOfImage(const void* image, std::size_t size);
std::vector<BYTE> VersionInfoOfResource(const void* resource, std::size_t size);
} // namespace platform

// ---- Version of the operating system ----

struct OSVERSIONINFOEXW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};
static_assert(sizeof(OSVERSIONINFOEXW) == 284);
using LPOSVERSIONINFOEXW = OSVERSIONINFOEXW*;

constexpr DWORD VER_MINORVERSION = 0x01;
constexpr DWORD VER_MAJORVERSION = 0x02;
constexpr DWORD VER_BUILDNUMBER = 0x04;
constexpr DWORD VER_PLATFORMID = 0x08;
constexpr DWORD VER_SERVICEPACKMINOR = 0x10;
constexpr DWORD VER_SERVICEPACKMAJOR = 0x20;
constexpr DWORD VER_SUITENAME = 0x40;
constexpr DWORD VER_PRODUCT_TYPE = 0x80;

constexpr BYTE VER_EQUAL = 1;
constexpr BYTE VER_GREATER = 2;
constexpr BYTE VER_GREATER_EQUAL = 3;
constexpr BYTE VER_LESS = 4;
constexpr BYTE VER_LESS_EQUAL = 5;

constexpr BYTE VER_NT_WORKSTATION = 1;
constexpr BYTE VER_NT_DOMAIN_CONTROLLER = 2;
constexpr BYTE VER_NT_SERVER = 3;

constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

// Adds the condition for one attribute (the highest of typeMask) to a condition mask.
ULONGLONG VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition);

// Compares the running system with the attributes of info that typeMask
// names, each by its condition in conditionMask; FALSE with
// ERROR_OLD_WIN_VERSION when one does not hold.
//
// The system is described by the system folder (QVU_SYSTEM_DIR, see
// GetSystemDirectoryA): its version is the file version of Kernel32.dll
// there (major.minor.build, service pack 0, platform VER_PLATFORM_WIN32_NT);
// its product type is VER_NT_SERVER when the folder holds a file named
// "server", else VER_NT_WORKSTATION. When no version can be read, every
// comparison of version numbers holds: an unknown system is let through.
// Suite names are not known here; asking for them fails with
// ERROR_INVALID_PARAMETER, as does an attribute without a condition.
BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW info, DWORD typeMask, DWORDLONG conditionMask);

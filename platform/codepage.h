// Conversion between narrow code pages and UTF-16. The machine's ANSI code
// page is UTF-8 here, so the system's narrow texts hold any character.
#pragma once

#include "platform/win_types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_UTF8 = 65001;

constexpr DWORD ERROR_INVALID_FLAGS = 1004;

// CP_UTF8. CP_ACP and CP_OEMCP stand for it.
UINT GetACP();

// Code pages: CP_ACP, CP_OEMCP, CP_UTF8 and 1252 (Western European); any other
// fails with ERROR_INVALID_PARAMETER, and any flag with ERROR_INVALID_FLAGS.
// A count of -1 takes the input up to and including its terminating zero. An
// output count of 0 asks for the size needed. Output too small: 0 with
// ERROR_INSUFFICIENT_BUFFER. The result is the number of units written (or needed).

// Invalid UTF-8 becomes U+FFFD, one for each maximal invalid subsequence.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteStr, int multiByteCount,
                        LPWSTR wideCharStr, int wideCharCount);

// A lone surrogate becomes U+FFFD in UTF-8. A character that code page 1252
// cannot represent becomes defaultChar's first byte ('?' when null), and
// *usedDefaultChar tells whether that happened. For UTF-8 both must be null.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideCharStr, int wideCharCount,
                        LPSTR multiByteStr, int multiByteCount, LPCSTR defaultChar,
                        BOOL* usedDefaultChar);

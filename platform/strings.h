// Runtime library: comparisons of narrow strings that ignore letter case.
//
// Case is folded for the ASCII letters only; other bytes of the ANSI code
// page compare by their unsigned value, as the "C" locale of the runtime
// library does. Like Microsoft's runtime, both sides are folded to lower case
// before comparing, so '_' sorts before the letters.
#pragma once

#include <cstddef>

// <0, 0 or >0 as a sorts before, equal to or after b.
int _stricmp(const char* a, const char* b);
// The same over at most count characters.
int _strnicmp(const char* a, const char* b, std::size_t count);
// The multibyte form: the system's narrow texts are single-byte, so it
// compares like _stricmp.
int _mbsicmp(const unsigned char* a, const unsigned char* b);

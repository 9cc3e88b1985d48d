// INI profile functions: the Windows profile (INI) file reader and writer on
// Windows-style paths.
//
// Section and key names are compared without regard to case; the first
// section of a name counts, and in it the first key of a name. A value is the
// text after the first '=', without blanks at either end and without one pair
// of enclosing quotes (" or '). Comments (';' lines), blank lines and lines
// the functions cannot read stay byte for byte when a file is written; the
// file keeps its line ends (CR LF or LF; a new file gets CR LF) and a UTF-8
// byte order mark. A bare file name names a file in the current directory.
#pragma once

#include "platform/win_types.h"

// Copies the value of key in section into buffer, or the default (null reads
// as "", trailing blanks removed) when the file, section or key is missing;
// cut to size - 1 characters and terminated. Answers the characters copied,
// size - 1 when the value was cut.
// A null key lists the section's key names, a null section all section names:
// each name terminated, one more terminator at the end; a list that does not
// fit is cut to size - 2 characters, terminated twice, and answers size - 2.
// An empty key list gives the default instead.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName);

// The decimal number at the start of the value (blanks and a '+' before it
// allowed; larger than the range reads as its largest value); the default when
// the key is missing or its value empty; 0 for a negative or non-numeric value.
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName);

// Sets key in section to value, creating the file and the section as needed;
// a null value removes the key, a null key the whole section. TRUE on
// success; FALSE with the last error set when the file cannot be written
// (missing folder, read-only file or folder, unmapped drive, full disk, its
// folder kept locked by another writer for seconds; ERROR_ACCESS_DENIED for
// anything but a regular file, and for another account's file or link),
// which then stays as it was. The content is on disk when a write returns;
// null section, key and value flush, so that the latest replacement of the
// file survives a crash too. Text that would break the file's lines apart (a
// line break anywhere, ']' in a section name, '=' in a key name, a key
// beginning with '[' or ';') is refused with ERROR_INVALID_PARAMETER.
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);

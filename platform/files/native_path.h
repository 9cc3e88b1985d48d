// For platform/ only: conversion between the system's Windows-style paths and
// this machine's paths.
//
// - A backslash becomes a slash; a path without a drive is a local path.
// - "X:" and "\\server\share" are looked up in the drive table, symbolic links
//   at $QVU_ROOT/dosdevices/x: and $QVU_ROOT/dosdevices/unc/server/share. An
//   unmapped drive gives a path that does not exist, like a missing drive.
// - A name that does not exist as written is looked up ignoring case in its
//   folder, as Windows would find it.
// - Windows' rules for names hold, and ".." stays on its drive or share
//   (windows_names.h); a relative path with ".." from a current directory on
//   a drive or share is taken from that directory's Windows path.
#pragma once

#include "platform/system_info.h"

#include <string>
#include <string_view>

namespace platform {

// The native path for a Windows-style path (relative paths stay relative,
// but for ".." from a current directory on a drive or share). "" when it
// cannot name a file: an unmapped drive or share, or a name with a character
// Windows refuses; every file operation fails on "".
std::string ToNativePath(std::string_view windowsPath);

// The Windows-style path for a native path: a mapped drive or share becomes
// its prefix again, anything else keeps its folders with backslashes; names
// Windows would not take are spelt so that they come back (windows_names.h).
std::string ToWindowsPath(std::string_view nativePath);

// Drive letter ('A' to 'Z') of a path "X:...", or 0 when it names no drive.
char DriveLetterOf(std::string_view windowsPath);

// The native folder a drive letter is mapped to, or "" when it is unmapped.
std::string DriveRoot(char letter);

// The current directory remembered for a drive (native), "" when none was
// remembered; _chdir records it, _chdrive returns to it.
std::string RememberedDriveDirectory(char letter);
void RememberDriveDirectory(char letter, const std::string& nativeDirectory);

} // namespace platform

// For platform/ only: Windows' rules for the names in a path, applied where
// a Windows-style path becomes a native one, and the Windows spelling of
// native names that break them.
//
// - A name holding a character Windows refuses ("<>:\"|?*" and the control
//   characters) names no file.
// - Trailing blanks and dots of a name are dropped ("trail.dll. " is
//   "trail.dll"); a name of nothing else is no name.
// - On a drive or share, "." and ".." are resolved by the text, as Windows
//   resolves them, and ".." at the root stays at the root.
// - A native name with such characters or a backslash, or ending with a
//   blank or a dot, is answered with each of them as the private-use
//   character U+F000 + its code (in UTF-8, the ANSI code page), so that a name
//   handed out (a current folder, a found file) names the same file when it
//   comes back. Spelt that way, "." and ".." name no file: the rules above
//   hold for the names as the native system reads them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The native form of the names of a path with slashes ("/Data/../Log/",
// leading and trailing slash kept). onRoot: the names lie below a drive's or
// share's root, so "." and ".." are resolved here and cannot leave it; else
// they stay for the native system. Nothing when a name is refused.
std::optional<std::string> NativeNames(std::string_view names, bool onRoot);

// The native form of one name: a server or share name, never "." or "..".
std::optional<std::string> NativeName(std::string_view name);

// The Windows spelling of the names of a native path (slashes kept).
std::string WindowsNames(std::string_view nativeNames);

} // namespace platform

// For platform/ only: reading and replacing the files behind the profile
// functions.
//
// A file is replaced, not rewritten in place: the new content goes to a
// temporary file in the same folder, reaches the disk, and is renamed over the
// old one, so a reader sees either the old or the new file and a failed write
// leaves the old one as it was. Only the writer's own files and root's are
// written; a file of root's that others may write (shared by all accounts)
// is rewritten in place by them, so that it stays root's. The rename itself (the folder) reaches
// the disk when the file is flushed. Writers hold an exclusive lock on the file's folder for the
// whole read-modify-write, so writers in different processes do not lose each other's changes; a
// writer waits for it five seconds at the most (then ERROR_SHARING_VIOLATION), as any account that
// can read the folder could hold it. Readers need no lock. Locking the folder itself leaves no lock
// files behind in users' folders, and the temporary files of writers killed halfway are removed by
// the next write of the file.
//
// A symbolic link in a written file's place stays a link and its target gets
// the new content when the link is the writer's own or the administrator's;
// one another account put there is refused (ERROR_ACCESS_DENIED), as writing
// through it would change a file of that account's choosing.
#pragma once

#include "platform/win_types.h"

#include <functional>
#include <optional>
#include <string>

namespace platform {

// The native path of a profile file: a path with a folder is converted as
// every path is; a bare file name (Windows looks in the Windows folder, which
// this machine lacks) names a file in the current directory. "" when the path
// names no file (unmapped drive).
std::string ProfileFilePath(LPCSTR fileName);

// The whole content of a file; nullopt with the last error set when it is
// missing or cannot be read.
std::optional<std::string> ReadProfileFile(const std::string& nativePath);

// The new content for a file's old content ("" for a missing file), or
// nullopt when nothing is to change.
using ProfileEdit = std::function<std::optional<std::string>(const std::string& oldContent)>;

// Applies edit under the folder's lock and replaces the file (creating it,
// writable by its owner alone) with the result; the file keeps its owner,
// group and permission bits. False with the last error set when the file
// could not be read or replaced; ERROR_ACCESS_DENIED for another account's
// file.
bool EditProfileFile(const std::string& nativePath, const ProfileEdit& edit);

// Makes the latest replacements of the file durable: flushes its folder.
void FlushProfileFolder(const std::string& nativePath);

} // namespace platform

// Finding a requested name among the files of the served folder.
#pragma once

#include <filesystem>
#include <string>

struct FolderLookup {
    // 200 when found, 403 for a name that leaves the folder, 404 otherwise.
    int status = 404;
    std::filesystem::path file;
};

// The regular file NAME below the folder (canonical path). Slashes and
// backslashes separate folders, leading ones are ignored; a ".." part, or a
// symbolic link leading out of the folder, is refused.
FolderLookup FindInFolder(const std::filesystem::path& canonicalFolder, const std::string& name);

// A file time as HTTP writes it (RFC 1123, GMT): "Sun, 06 Nov 1994 08:49:37 GMT".
std::string HttpDate(std::filesystem::file_time_type time);

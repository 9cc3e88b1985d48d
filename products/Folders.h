// Folder texts as the update run keeps them: Windows-style, ending with a
// backslash so that file names are appended directly.
#pragma once

#include <string>

// The folder with a backslash at its end; an empty text stays empty (it
// stands for the current folder).
std::string WithTrailingBackslash(std::string folder);

// Windows folder names do not tell letter case apart.
bool IsSameFolder(const std::string& a, const std::string& b);

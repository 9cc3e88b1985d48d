// For platform/ only: finding the program ShellExecuteA is asked to start.
#pragma once

#include <string>

namespace platform {

// The native path of an executable named name (no folder) in a folder of
// PATH, matched ignoring case, with a ".exe" suffix optional on either side;
// "" when none is found. The first folder of PATH holding one wins.
std::string SearchProgramPath(const std::string& name);

// Resolves a Windows-style program path or a bare program name to the native
// file to execute. Answers 0 with native set, or the SE_ERR_ code of why it
// cannot be run.
int ResolveProgram(const std::string& file, std::string& native);

} // namespace platform

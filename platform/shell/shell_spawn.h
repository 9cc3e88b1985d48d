// For platform/ only: starting a program as a process of its own.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts the executable program (native path) with arguments in workingFolder
// (native; empty: the current folder) as a detached process in a session of
// its own: nobody waits for it and it leaves no zombie behind. Answers 0 once
// the program runs, or the SE_ERR_ code of why it could not be started.
int StartDetachedProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingFolder);

} // namespace platform

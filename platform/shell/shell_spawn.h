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

// Starts the program as a child of this process, to be waited for with
// WaitForChildProcess (which alone reaps it). silent: its standard input,
// output and error lead to /dev/null instead of this process's. Answers 0
// with processId set once the program runs, or the SE_ERR_ code of why it
// could not be started (then nothing is left to wait for).
int StartChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workingFolder, bool silent, int& processId);

// Waits until the child ends: its exit status, 128 + the signal that ended
// it, or -1 when it cannot be waited for.
int WaitForChildProcess(int processId);

} // namespace platform

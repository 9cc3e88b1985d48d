// For platform/ only: starting a program as a process of its own.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

// Starts the executable program (native path) with arguments in workingFolder
// (native; empty: the current folder) as a detached process in a session of
// its own: nobody waits for it and it leaves no zombie behind. Answers 0 once
// the program runs, or the SE_ERR_ code of why it could not be started.
int StartDetachedProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingFolder);

// The account a child runs as: its user, group and further groups.
struct ChildAccount {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
};

// How a child starts, beyond its program and arguments.
struct ChildSetup {
    // Standard input, output and error lead to /dev/null.
    bool silent = false;
    // When not -1: the descriptor the child gets as standard input, output
    // or error (before silent applies to the others).
    int standardStreams[3] = {-1, -1, -1};
    // "NAME=VALUE" entries; none: this process's environment.
    std::optional<std::vector<std::string>> environment;
    // The account to run as; none: this process's. The child gives up this
    // process's account for it before it changes folder and runs the program.
    std::optional<ChildAccount> account;
};

// Starts the program as a child of this process, to be waited for with
// WaitForChildProcess (which alone reaps it), as setup says. Answers 0
// with processId set once the program runs, or the SE_ERR_ code of why it
// could not be started (then nothing is left to wait for); a child that
// cannot take the account is SE_ERR_ACCESSDENIED.
int StartChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workingFolder, const ChildSetup& setup, int& processId);

// Waits until the child ends: its exit status, 128 + the signal that ended
// it, or -1 when it cannot be waited for.
int WaitForChildProcess(int processId);

} // namespace platform

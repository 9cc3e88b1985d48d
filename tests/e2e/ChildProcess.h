// Runs a built program as a child process, the way a user or a script runs
// it: given arguments and environment, standard input fed from a text,
// standard output and error captured, ended after a time limit.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace qvutest {

struct ProgramRun {
    int exitStatus = -1; // -1 when it did not exit by itself
    int signal = 0;      // the signal that ended it, if one did
    bool timedOut = false;
    std::string output; // standard output
    std::string errors; // standard error
    double seconds = 0;
};

// How standard input ends: after the text, or never (a pipe whose writer
// stays open, as a terminal nobody types at).
enum class InputEnd { AfterText, Never };

// Runs program with arguments; environment adds to or replaces variables of
// this process's environment. Files for the redirections go into scratch.
ProgramRun RunProgram(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments,
                      const std::map<std::string, std::string>& environment,
                      const std::string& input, const std::filesystem::path& scratch,
                      InputEnd inputEnd = InputEnd::AfterText, int timeoutSeconds = 20);

} // namespace qvutest

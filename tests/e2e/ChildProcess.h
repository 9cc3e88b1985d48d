// Runs a built program as a child process, the way a user or a script runs
// it: given arguments and environment, standard input fed from a text,
// standard output and error captured, ended after a time limit.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <sys/types.h>
#include <thread>
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

// A program started in the background, for tests that act while it runs:
// type at its input (InputEnd::Never), look at its output, kill it. A
// program still running when the object goes is killed.
class StartedProgram {
public:
    // Starts program with arguments; environment adds to or replaces
    // variables of this process's environment. Files for the redirections go
    // into scratch.
    StartedProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                   const std::map<std::string, std::string>& environment, const std::string& input,
                   const std::filesystem::path& scratch, InputEnd inputEnd = InputEnd::AfterText);
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    // More input, as typed (InputEnd::Never only; small texts).
    void Type(const std::string& text) const;
    // What it wrote to standard output and error so far.
    std::string OutputSoFar() const;
    std::string ErrorsSoFar() const;
    pid_t ProcessId() const { return pid_; }
    // Whether it still runs (false once it ended or was reaped).
    bool Running();
    void Kill(int signal) const;
    // Waits for its end, killing it (SIGKILL) after timeoutSeconds from its
    // start, and answers the run.
    ProgramRun Wait(int timeoutSeconds = 20);

private:
    pid_t pid_ = -1;
    int writer_ = -1;
    int status_ = 0;
    bool reaped_ = false;
    std::filesystem::path outFile_;
    std::filesystem::path errFile_;
    std::chrono::steady_clock::time_point started_;
};

// Runs program to its end (see StartedProgram).
ProgramRun RunProgram(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments,
                      const std::map<std::string, std::string>& environment,
                      const std::string& input, const std::filesystem::path& scratch,
                      InputEnd inputEnd = InputEnd::AfterText, int timeoutSeconds = 20);

// Checks condition every 10 ms until it holds or timeoutMs passed; answers
// whether it held.
template <class Condition> bool WaitUntil(Condition condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace qvutest

#include "tests/e2e/ChildProcess.h"

#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qvutest {

namespace {

std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& changes) {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos)
            merged[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : changes)
        merged[name] = value;
    std::vector<std::string> list;
    for (const auto& [name, value] : merged)
        list.push_back(name + "=" + value);
    return list;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

StartedProgram::StartedProgram(const std::filesystem::path& program,
                               const std::vector<std::string>& arguments,
                               const std::map<std::string, std::string>& environment,
                               const std::string& input, const std::filesystem::path& scratch,
                               InputEnd inputEnd)
    : outFile_(scratch / "stdout.txt"), errFile_(scratch / "stderr.txt") {
    std::filesystem::create_directories(scratch);
    const std::filesystem::path inFile = scratch / "stdin.txt";
    WriteFile(inFile, input);

    // Everything the child needs is prepared before fork: after it, only exec.
    std::vector<std::string> argumentTexts{program.string()};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentTexts = MergedEnvironment(environment);
    std::vector<char*> argv = Pointers(argumentTexts);
    std::vector<char*> envp = Pointers(environmentTexts);
    int in = open(inFile.c_str(), O_RDONLY | O_CLOEXEC);
    int ends[2];
    if (inputEnd == InputEnd::Never && pipe2(ends, O_CLOEXEC) == 0) {
        close(in);
        in = ends[0];
        writer_ = ends[1];
        Type(input);
    }
    const int out = open(outFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = open(errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);

    started_ = std::chrono::steady_clock::now();
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(in);
    close(out);
    close(err);
}

StartedProgram::~StartedProgram() {
    if (Running()) {
        Kill(SIGKILL);
        waitpid(pid_, &status_, 0);
    }
    if (writer_ >= 0)
        close(writer_);
}

void StartedProgram::Type(const std::string& text) const {
    // Small texts only: the pipe holds them without a reader.
    const ssize_t written = write(writer_, text.data(), text.size());
    EXPECT_EQ(written, static_cast<ssize_t>(text.size()));
}

std::string StartedProgram::OutputSoFar() const {
    return ReadFile(outFile_);
}

std::string StartedProgram::ErrorsSoFar() const {
    return ReadFile(errFile_);
}

bool StartedProgram::Running() {
    if (pid_ <= 0 || reaped_)
        return false;
    // Anything but 0 (still running) ends it: its status, or no such child.
    reaped_ = waitpid(pid_, &status_, WNOHANG) != 0;
    return !reaped_;
}

void StartedProgram::Kill(int signal) const {
    if (pid_ > 0 && !reaped_)
        kill(pid_, signal);
}

ProgramRun StartedProgram::Wait(int timeoutSeconds) {
    ProgramRun run;
    if (pid_ <= 0)
        return run;
    const auto deadline = started_ + std::chrono::seconds(timeoutSeconds);
    while (Running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            run.timedOut = true;
            Kill(SIGKILL);
            waitpid(pid_, &status_, 0);
            reaped_ = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (writer_ >= 0) {
        close(writer_);
        writer_ = -1;
    }
    run.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    if (!run.timedOut && WIFEXITED(status_))
        run.exitStatus = WEXITSTATUS(status_);
    if (WIFSIGNALED(status_))
        run.signal = WTERMSIG(status_);
    run.output = ReadFile(outFile_);
    run.errors = ReadFile(errFile_);
    return run;
}

ProgramRun RunProgram(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments,
                      const std::map<std::string, std::string>& environment,
                      const std::string& input, const std::filesystem::path& scratch,
                      InputEnd inputEnd, int timeoutSeconds) {
    StartedProgram started(program, arguments, environment, input, scratch, inputEnd);
    return started.Wait(timeoutSeconds);
}

} // namespace qvutest

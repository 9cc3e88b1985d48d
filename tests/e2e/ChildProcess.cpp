#include "tests/e2e/ChildProcess.h"

#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
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

ProgramRun RunProgram(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments,
                      const std::map<std::string, std::string>& environment,
                      const std::string& input, const std::filesystem::path& scratch,
                      InputEnd inputEnd, int timeoutSeconds) {
    std::filesystem::create_directories(scratch);
    const std::filesystem::path inFile = scratch / "stdin.txt";
    const std::filesystem::path outFile = scratch / "stdout.txt";
    const std::filesystem::path errFile = scratch / "stderr.txt";
    WriteFile(inFile, input);

    // Everything the child needs is prepared before fork: after it, only exec.
    std::vector<std::string> argumentTexts{program.string()};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentTexts = MergedEnvironment(environment);
    std::vector<char*> argv = Pointers(argumentTexts);
    std::vector<char*> envp = Pointers(environmentTexts);
    int in = open(inFile.c_str(), O_RDONLY | O_CLOEXEC);
    int writer = -1;
    int ends[2];
    if (inputEnd == InputEnd::Never && pipe2(ends, O_CLOEXEC) == 0) {
        close(in);
        in = ends[0];
        writer = ends[1];
        // Small texts only: the pipe holds them without a reader.
        const ssize_t written = write(writer, input.data(), input.size());
        EXPECT_EQ(written, static_cast<ssize_t>(input.size()));
    }
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);

    ProgramRun run;
    const auto started = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(in);
    close(out);
    close(err);
    if (pid < 0)
        return run;

    int status = 0;
    const auto deadline = started + std::chrono::seconds(timeoutSeconds);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            run.timedOut = true;
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (writer >= 0)
        close(writer);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!run.timedOut && WIFEXITED(status))
        run.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        run.signal = WTERMSIG(status);
    run.output = ReadFile(outFile);
    run.errors = ReadFile(errFile);
    return run;
}

} // namespace qvutest

#include "tests/support/BackgroundProgram.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qvutest {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);
constexpr auto kStopTimeout = std::chrono::seconds(5);

// The first line the child writes, "" when none comes in time.
std::string ReadFirstLine(int descriptor) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd wait{descriptor, POLLIN, 0};
        if (poll(&wait, 1, 100) <= 0)
            continue;
        char c = 0;
        if (read(descriptor, &c, 1) != 1 || c == '\n')
            break;
        line += c;
    }
    return line;
}

} // namespace

BackgroundProgram::BackgroundProgram(std::vector<std::string> words, Announcement announcement) {
    int pipeEnds[2];
    if (words.empty() || pipe2(pipeEnds, O_CLOEXEC) != 0)
        return;
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    output_ = pipeEnds[0];
    if (pid_ > 0 && announcement == Announcement::FirstLine)
        firstLine_ = ReadFirstLine(output_);
}

BackgroundProgram::~BackgroundProgram() {
    Stop();
    if (output_ >= 0)
        close(output_);
}

bool BackgroundProgram::Running() {
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, WNOHANG) != pid_)
        return pid_ > 0;
    pid_ = -1;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
}

int BackgroundProgram::Stop() {
    if (pid_ <= 0)
        return exitCode_;
    const pid_t pid = pid_;
    pid_ = -1;
    kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

} // namespace qvutest

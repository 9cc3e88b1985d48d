#include "tests/support/LocalServer.h"

#include "tests/support/TempRoot.h"

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

LocalServer::LocalServer(const std::filesystem::path& folder,
                         const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return;
    std::vector<std::string> words{ProgramPath("qvu-server").string(), "--root", folder.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    output_ = pipeEnds[0];
    if (pid_ <= 0)
        return;

    firstLine_ = ReadFirstLine(output_);
    for (const std::string scheme : {"http", "https"}) {
        const std::string prefix = "listening on " + scheme + "://127.0.0.1:";
        if (firstLine_.rfind(prefix, 0) == 0) {
            scheme_ = scheme;
            port_ = std::atoi(firstLine_.c_str() + prefix.size());
        }
    }
}

LocalServer::~LocalServer() {
    Stop();
    if (output_ >= 0)
        close(output_);
}

std::string LocalServer::Url(const std::string& target) const {
    return scheme_ + "://127.0.0.1:" + std::to_string(port_) + target;
}

int LocalServer::Stop() {
    if (pid_ <= 0)
        return -1;
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

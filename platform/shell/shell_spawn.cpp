#include "platform/shell/shell_spawn.h"

#include "platform/shell.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <linux/close_range.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

// What the started process reports back when it fails before running the program.
struct StartFailure {
    int stage = 0; // kChangeFolder or kExecute
    int error = 0;
};
constexpr int kChangeFolder = 1;
constexpr int kExecute = 2;
constexpr int kTakeAccount = 3;

// No descriptor of this process may reach the program: an inherited lock file
// or shared-mode file would stay held for as long as the program runs.
void MarkDescriptorsCloseOnExec() {
    if (syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
    rlimit limit{};
    const int last = getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536
                         ? static_cast<int>(limit.rlim_cur)
                         : 65536;
    for (int fd = 3; fd < last; ++fd)
        fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// Standard input, output and error lead nowhere, as for a program without a console.
void DetachStandardStreams() {
    const int null = open("/dev/null", O_RDWR);
    if (null < 0)
        return;
    for (int fd = 0; fd <= 2; ++fd)
        dup2(null, fd);
    if (null > 2)
        close(null);
}

// Puts the given descriptors in place as standard input, output and error.
void SetStandardStreams(const int (&streams)[3]) {
    for (int target = 0; target <= 2; ++target) {
        const int fd = streams[target];
        if (fd < 0)
            continue;
        if (fd == target)
            fcntl(fd, F_SETFD, 0); // kept across the program's start
        else
            dup2(fd, target);
    }
}

// Gives up this process's account for account: false when any part of it
// could not be taken, or root could be taken back.
bool TakeAccount(const ChildAccount& account) {
    if (setgroups(account.groups.size(), account.groups.data()) != 0 || setgid(account.gid) != 0 ||
        setuid(account.uid) != 0)
        return false;
    return getuid() == account.uid && geteuid() == account.uid && getgid() == account.gid &&
           getegid() == account.gid && (account.uid == 0 || setuid(0) != 0);
}

// Runs in the child that becomes the program; only async-signal-safe calls.
[[noreturn]] void RunProgram(const char* program, char* const* argv, char* const* envp,
                             const char* workingFolder, const ChildSetup& setup, int reportFd) {
    if (setup.silent)
        DetachStandardStreams();
    SetStandardStreams(setup.standardStreams);
    MarkDescriptorsCloseOnExec();
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    StartFailure failure;
    if (setup.account && !TakeAccount(*setup.account)) {
        failure = {kTakeAccount, errno};
    } else if (*workingFolder != '\0' && chdir(workingFolder) != 0) {
        failure = {kChangeFolder, errno};
    } else {
        if (envp != nullptr)
            execve(program, argv, envp);
        else
            execv(program, argv);
        failure = {kExecute, errno};
    }
    [[maybe_unused]] const ssize_t written = write(reportFd, &failure, sizeof failure);
    _exit(127);
}

int CodeOfFailure(const StartFailure& failure) {
    if (failure.stage == kChangeFolder)
        return SE_ERR_PNF;
    if (failure.stage == kTakeAccount)
        return SE_ERR_ACCESSDENIED;
    switch (failure.error) {
    case ENOENT:
        return SE_ERR_FNF; // also a script whose interpreter is missing
    case EACCES:
    case EPERM:
        return SE_ERR_ACCESSDENIED;
    case ENOEXEC:
        return static_cast<int>(ERROR_BAD_FORMAT);
    default:
        return SE_ERR_OOM;
    }
}

// A null-terminated vector of the strings, for exec: first, then the rest.
std::vector<char*> StringVector(const std::string* first, const std::vector<std::string>& rest) {
    std::vector<char*> vector;
    if (first != nullptr)
        vector.push_back(const_cast<char*>(first->c_str()));
    for (const std::string& text : rest)
        vector.push_back(const_cast<char*>(text.c_str()));
    vector.push_back(nullptr);
    return vector;
}

// Reads the report of a started program: end of file means it runs (the
// report's write end closes at a successful exec), else why it did not.
int ReadStartReport(int reportFd) {
    StartFailure failure;
    ssize_t got;
    while ((got = read(reportFd, &failure, sizeof failure)) < 0 && errno == EINTR) {
    }
    close(reportFd);
    return got == static_cast<ssize_t>(sizeof failure) ? CodeOfFailure(failure) : 0;
}

// Forks with a pipe for the start report: the child gets 0 with reportFd the
// write end, the parent the child's id with reportFd the read end, or -1
// (nothing left open) when no child could be made.
pid_t ForkReporting(int& reportFd) {
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        reportFd = report[1];
        return 0;
    }
    close(report[1]);
    if (child < 0)
        close(report[0]);
    reportFd = report[0];
    return child;
}

void Reap(pid_t child) {
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

int StartDetachedProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingFolder) {
    // Everything the children need is prepared before forking.
    std::vector<char*> argv = StringVector(&program, arguments);
    int report = -1;
    const pid_t child = ForkReporting(report);
    if (child == 0) {
        // The intermediate process leaves at once, so the program becomes a
        // child of the system's reaper and never a zombie of ours.
        setsid();
        const pid_t grandchild = fork();
        if (grandchild == 0)
            RunProgram(program.c_str(), argv.data(), nullptr, workingFolder.c_str(), {}, report);
        if (grandchild < 0) {
            const StartFailure failure{kExecute, errno};
            [[maybe_unused]] const ssize_t written = write(report, &failure, sizeof failure);
        }
        _exit(0);
    }
    if (child < 0)
        return SE_ERR_OOM;
    Reap(child);
    return ReadStartReport(report);
}

int StartChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& workingFolder, const ChildSetup& setup, int& processId) {
    std::vector<char*> argv = StringVector(&program, arguments);
    std::vector<char*> envp;
    if (setup.environment)
        envp = StringVector(nullptr, *setup.environment);
    int report = -1;
    const pid_t child = ForkReporting(report);
    if (child == 0)
        RunProgram(program.c_str(), argv.data(), setup.environment ? envp.data() : nullptr,
                   workingFolder.c_str(), setup, report);
    if (child < 0)
        return SE_ERR_OOM;
    if (const int failure = ReadStartReport(report)) {
        // The child ended without running the program: it leaves no zombie.
        Reap(child);
        return failure;
    }
    processId = child;
    return 0;
}

int WaitForChildProcess(int processId) {
    int status = 0;
    while (waitpid(processId, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

} // namespace platform

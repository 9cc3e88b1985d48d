// The engine's start and end with nothing to do: `QVUUpdate --version`, its
// wall time (median) and its peak resident memory (largest), against two
// programs that do about as little: /bin/true and `curl --version`, run
// alternated with it in the same rounds.
//
// The peak memory is the program's own high-water mark (VmHWM), read at its
// exit under ptrace: a child's ru_maxrss from wait4 also counts the memory
// of the process that forked it, up to its exec.
//
//   bench_program_start [RUNS]     (default 20)
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kTimeGoalMs = 30;
constexpr double kPeakGoalMib = 16;

struct Program {
    std::string label;
    std::vector<std::string> arguments;
    std::vector<double> milliseconds;
    long peakKib = 0;
};

std::vector<char*> Argv(std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return argv;
}

// Standard input and output on /dev/null, as a script would run it; -1 when
// the program did not end with status 0.
double TimedRun(Program& program) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv = Argv(program.arguments);
    const auto start = Clock::now();
    pid_t child = 0;
    const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (error != 0 || waitpid(child, &status, 0) != child)
        return -1;
    const double milliseconds =
        std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? milliseconds : -1;
}

long HighWaterKib(pid_t process) {
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// The program's peak resident memory in KiB, read when it exits; -1 when it
// could not be read or the program failed.
long PeakRun(Program& program) {
    std::vector<char*> argv = Argv(program.arguments);
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    long peak = -1;
    int status = 0;
    bool first = true;
    while (waitpid(child, &status, 0) == child && WIFSTOPPED(status)) {
        int deliver = 0;
        if (first) {
            // Stopped at its exec: from now on it stops once more at its exit.
            first = false;
            ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL);
        } else if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            peak = HighWaterKib(child);
        } else {
            deliver = WSTOPSIG(status);
        }
        ptrace(PTRACE_CONT, child, nullptr, deliver);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? peak : -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    const long runs = argc > 1 ? std::atol(argv[1]) : 20;
    if (runs <= 0) {
        std::fprintf(stderr, "usage: %s [RUNS]\n", argv[0]);
        return 2;
    }
    const std::string engine = (fs::absolute(argv[0]).parent_path() / "QVUUpdate").string();
    std::array<Program, 3> programs{{{"reference, /bin/true:", {"/bin/true"}, {}},
                                     {"reference, curl --version:", {"curl", "--version"}, {}},
                                     {"QVUUpdate --version:", {engine, "--version"}, {}}}};
    // One run of each first, not counted: the files' pages in the cache.
    for (Program& program : programs)
        if (TimedRun(program) < 0) {
            std::fprintf(stderr, "%s did not run or failed\n", program.arguments[0].c_str());
            return 1;
        }
    for (long run = 0; run < runs; ++run)
        for (Program& program : programs) {
            const double milliseconds = TimedRun(program);
            const long peakKib = PeakRun(program);
            if (milliseconds < 0 || peakKib < 0) {
                std::fprintf(stderr, "%s failed\n", program.arguments[0].c_str());
                return 1;
            }
            program.milliseconds.push_back(milliseconds);
            program.peakKib = std::max(program.peakKib, peakKib);
        }

    std::printf("%ld runs each, alternated: median wall time, largest peak RSS\n", runs);
    for (const Program& program : programs)
        std::printf("%-28s %7.2f ms  %7ld KiB\n", program.label.c_str(),
                    Median(program.milliseconds), program.peakKib);
    const double trueMs = Median(programs[0].milliseconds);
    const double curlMs = Median(programs[1].milliseconds);
    const double engineMs = Median(programs[2].milliseconds);
    const double engineMib = programs[2].peakKib / 1024.0;
    std::printf("time:     %.2f ms (%.2fx curl --version, %.2fx /bin/true; goal <= %.0f ms)\n",
                engineMs, engineMs / curlMs, engineMs / trueMs, kTimeGoalMs);
    std::printf("peak RSS: %.2f MiB (%.2fx curl --version, %.2fx /bin/true; goal <= %.0f MiB)\n",
                engineMib, static_cast<double>(programs[2].peakKib) / programs[1].peakKib,
                static_cast<double>(programs[2].peakKib) / programs[0].peakKib, kPeakGoalMib);
    return 0;
}

// A whole update run of QVUUpdate with a large package, in its window on an
// Xvfb display against the same run at the console, alternated in rounds on
// one sandboxed machine: the window must not slow the download down, and it
// must show the progress promptly while the bytes pour in. As from a
// desktop's sudo, the engine runs as root and shows its window program as
// the desktop's user (an account of its own the benchmark makes), which
// reports its longest delay between a progress command's arrival and its
// display on the debug channel.
//
//   bench_gui_download [SIZE_IN_MIB [ROUNDS]]     (default 1024 MiB, 3 rounds, as root)
#include "bench/BenchMachine.h"
#include "tests/support/DesktopAccount.h"
#include "tests/support/VirtualDisplay.h"

#include <chrono>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace {

namespace fs = bench::fs;
using bench::Lines;
using bench::Machine;
using bench::Median;

constexpr double kRatioGoal = 1.10;
constexpr long kDelayGoalMs = 100;

// From the line the window program writes on the debug channel at its end
// (on the engine's standard error); it writes none when all progress was
// shown at once.
long ProgressDelayMs(const std::vector<std::string>& output) {
    const std::string marker = "QVUUpdateWindow: progress shown at most ";
    for (const std::string& line : output)
        if (const auto at = line.find(marker); at != std::string::npos)
            return std::atol(line.c_str() + at + marker.size());
    return 0;
}

// One update run; its seconds, or nothing (and why, on standard error) when
// it did not hand the package to the installer.
std::optional<double> RunUpdate(const Machine& machine, bool console, const fs::path& output) {
    machine.ForgetLastRun();
    std::string ignored;
    double seconds = 0;
    const int status = bench::RunCommand(machine.UpdateCommand(console, output), ignored, seconds);
    if (status == 0 && machine.InstallerStarted())
        return seconds;
    const std::string why =
        status != 0 ? "QVUUpdate ended with status " +
                          std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : status)
                    : "the installer was not started";
    std::fprintf(stderr, "the %s run failed: %s; its output:\n", console ? "console" : "window",
                 why.c_str());
    for (const std::string& line : Lines(output))
        std::fprintf(stderr, "  %s\n", line.c_str());
    return std::nullopt;
}

// Whether a process still has the file as its standard error: the window
// program, which ends after the engine, or a process of its page view.
bool WrittenAsStandardError(const fs::path& file) {
    std::error_code unreadable;
    for (const auto& entry : fs::directory_iterator("/proc", unreadable)) {
        const std::string name = entry.path().filename().string();
        if (!std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        std::error_code gone;
        if (fs::read_symlink(entry.path() / "fd" / "2", gone) == file)
            return true;
    }
    return false;
}

// Waits until the window program and its page view have ended, so that its
// last line is in its output and its end does not slow the next run; the
// seconds that took, or nothing after 30 s.
std::optional<double> WaitForWindowEnd(const fs::path& output) {
    const auto start = bench::Clock::now();
    while (WrittenAsStandardError(output)) {
        if (bench::SecondsSince(start) > 30)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return bench::SecondsSince(start);
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const long rounds = argc > 2 ? std::atol(argv[2]) : 3;
    if (mebibytes == 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: %s [SIZE_IN_MIB [ROUNDS]]\n", argv[0]);
        return 2;
    }

    // The engine shows no window as root, and only root starts it as the
    // desktop's user.
    if (geteuid() != 0) {
        std::fprintf(stderr,
                     "%s: run it as root: the engine, run as root, shows its window as "
                     "the desktop's user %s\n",
                     argv[0], qvutest::DesktopAccount::kName);
        return 1;
    }
    const qvutest::DesktopAccount desktop;
    if (!desktop.Available()) {
        std::fprintf(stderr,
                     "%s: the desktop's user %s with its home %s cannot be made (useradd)\n",
                     argv[0], qvutest::DesktopAccount::kName, desktop.Home().c_str());
        return 1;
    }
    // Of the sandbox the window's account reaches the stand-ins alone.
    umask(077);
    const bench::BenchFolder folder("/tmp/qvu-bench-gui-XXXXXX");
    const Machine machine(argv[0], folder.Path(), mebibytes << 20);
    machine.LetOthersRunStandIns();
    // One X server for the whole run, named by DISPLAY while it lives.
    const qvutest::VirtualDisplay display;
    if (!display.Started()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    // Both front ends in the same environment, a root run asked for by the
    // desktop's user: only --console tells them apart.
    setenv("QVU_DEBUG_OUTPUT", "1", 1);
    for (const auto& [name, value] : desktop.AskingEnvironment())
        setenv(name.c_str(), value.c_str(), 1);
    std::printf("package %llu MiB, %ld rounds, Xvfb on %s, window as %s (uid %ld)\n",
                static_cast<unsigned long long>(mebibytes), rounds, display.Name().c_str(),
                qvutest::DesktopAccount::kName, static_cast<long>(desktop.Uid()));

    std::vector<double> ratios;
    std::vector<double> extraSeconds;
    long longestDelayMs = 0;
    for (long round = 1; round <= rounds; ++round) {
        const fs::path consoleOutput = folder.Path() / "console.out";
        const fs::path windowOutput = folder.Path() / "window.out";
        const std::optional<double> console = RunUpdate(machine, true, consoleOutput);
        if (!console)
            return 1;
        const std::optional<double> window = RunUpdate(machine, false, windowOutput);
        if (!window)
            return 1;
        const std::optional<double> windowEnd = WaitForWindowEnd(windowOutput);
        if (!windowEnd) {
            std::fprintf(stderr, "the window program did not end within 30 s of the engine\n");
            return 1;
        }
        // When the window program cannot be started or reached, the engine
        // says why in one line and runs at the console instead.
        const std::vector<std::string> windowLines = Lines(windowOutput);
        const auto atConsole =
            std::find_if(windowLines.begin(), windowLines.end(), [](const std::string& line) {
                return line.find(": the update runs at the console") != std::string::npos;
            });
        if (atConsole != windowLines.end()) {
            std::fprintf(stderr, "the window run ran at the console (DISPLAY %s): %s\n",
                         std::getenv("DISPLAY"), atConsole->c_str());
            return 1;
        }
        const long delayMs = ProgressDelayMs(windowLines);
        longestDelayMs = std::max(longestDelayMs, delayMs);
        ratios.push_back(*window / *console);
        extraSeconds.push_back(*window - *console);
        std::printf("round %ld: console %7.2f s, window %7.2f s (%.2fx), progress delay %ld ms, "
                    "window program gone %.2f s after the engine\n",
                    round, *console, *window, ratios.back(), delayMs, *windowEnd);
        std::fflush(stdout);
    }
    std::printf("window/console time ratio (median of %ld): %.2f (goal <= %.2f)\n", rounds,
                Median(ratios), kRatioGoal);
    // Most of the difference is fixed: the toolkit and the page view start
    // once, whatever the size of the package.
    std::printf("the window takes %.2f s longer (median)\n", Median(extraSeconds));
    std::printf("longest progress delay in the window: %ld ms (goal < %ld)\n", longestDelayMs,
                kDelayGoalMs);
    return 0;
}

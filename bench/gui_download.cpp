// A whole update run of QVUUpdate with a large package, in its window on an
// Xvfb display against the same run at the console, alternated in rounds on
// one sandboxed machine: the window must not slow the download down, and it
// must show the progress promptly while the bytes pour in. The window reports
// its longest delay between a progress command's post and its display on the
// debug channel.
//
//   bench_gui_download [SIZE_IN_MIB [ROUNDS]]     (default 1024 MiB, 3 rounds)
#include "bench/BenchMachine.h"
#include "tests/support/VirtualDisplay.h"

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

namespace {

namespace fs = bench::fs;
using bench::Lines;
using bench::Machine;
using bench::Median;

constexpr double kRatioGoal = 1.10;
constexpr long kDelayGoalMs = 100;

// From the line the window writes on the debug channel at its end; it writes
// none when all progress was shown at once.
long ProgressDelayMs(const std::vector<std::string>& output) {
    const std::string marker = "progress shown at most ";
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

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const long rounds = argc > 2 ? std::atol(argv[2]) : 3;
    if (mebibytes == 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: %s [SIZE_IN_MIB [ROUNDS]]\n", argv[0]);
        return 2;
    }

    const bench::BenchFolder folder("/tmp/qvu-bench-gui-XXXXXX");
    const Machine machine(argv[0], folder.Path(), mebibytes << 20);
    // One X server for the whole run, named by DISPLAY while it lives.
    const qvutest::VirtualDisplay display;
    if (!display.Started()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    // Both front ends in the same environment: only --console tells them apart.
    setenv("QVU_DEBUG_OUTPUT", "1", 1);
    std::printf("package %llu MiB, %ld rounds, Xvfb on %s\n",
                static_cast<unsigned long long>(mebibytes), rounds, display.Name().c_str());

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
        // Without a display the program runs at the console instead, and
        // starts with the console's first line.
        const std::vector<std::string> windowLines = Lines(windowOutput);
        const std::vector<std::string> consoleLines = Lines(consoleOutput);
        if (consoleLines.empty() || std::find(windowLines.begin(), windowLines.end(),
                                              consoleLines.front()) != windowLines.end()) {
            std::fprintf(stderr, "the window run ran at the console: no window opened on %s\n",
                         std::getenv("DISPLAY"));
            return 1;
        }
        const long delayMs = ProgressDelayMs(windowLines);
        longestDelayMs = std::max(longestDelayMs, delayMs);
        ratios.push_back(*window / *console);
        extraSeconds.push_back(*window - *console);
        std::printf("round %ld: console %7.2f s, window %7.2f s (%.2fx), progress delay %ld ms\n",
                    round, *console, *window, ratios.back(), delayMs);
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

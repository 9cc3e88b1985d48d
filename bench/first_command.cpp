// The program's time from its start to the end of its first command: product
// detection, the self-check against the server, the description file and the
// versions shown, up to the question whether to start. At the console without
// input the question is answered with Cancel at once, so the whole run is
// that time. Against curl fetching the description file from the same server:
// a process that starts and makes one request; and the same runs with the
// description signed and the key trusted, against those without a signature.
//
//   bench_first_command [ROUNDS]     (default 10)
#include "bench/BenchMachine.h"

namespace {

namespace fs = bench::fs;

constexpr int kEndedByUser = 1;

} // namespace

namespace {

// One run to the question to start; false, with its output shown, when it did
// not end there.
bool TimeRun(const bench::Machine& machine, const fs::path& output, std::vector<double>& times) {
    std::string ignored;
    double seconds = 0;
    const int status = bench::RunCommand(machine.Command("--console", output), ignored, seconds);
    const std::vector<std::string> lines = bench::Lines(output);
    const bool asked = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("Type start to update") != std::string::npos;
    });
    if (!WIFEXITED(status) || WEXITSTATUS(status) != kEndedByUser || !asked) {
        std::fprintf(stderr, "the run did not end at the question to start; its output:\n");
        for (const std::string& line : lines)
            std::fprintf(stderr, "  %s\n", line.c_str());
        return false;
    }
    times.push_back(seconds);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const long rounds = argc > 1 ? std::atol(argv[1]) : 10;
    if (rounds <= 0) {
        std::fprintf(stderr, "usage: %s [ROUNDS]\n", argv[0]);
        return 2;
    }
    const bench::BenchFolder folder("/tmp/qvu-bench-first-XXXXXX");
    const bench::Machine machine(argv[0], folder.Path(), 1 << 20);
    const fs::path output = folder.Path() / "run.out";
    const std::string curl = "curl -sf -o /dev/null " + bench::Quoted(machine.Url("/QVU.ini"));

    // The signed runs alternate with the unsigned ones, so both see the same machine.
    machine.SignDescription();
    std::vector<double> program, reference, signedRuns;
    for (long round = 0; round < rounds; ++round) {
        double seconds = 0;
        bench::Run(curl, seconds);
        reference.push_back(seconds);
        machine.TrustPublisher(true);
        if (!TimeRun(machine, output, signedRuns))
            return 1;
        machine.TrustPublisher(false);
        if (!TimeRun(machine, output, program))
            return 1;
    }
    const double measured = bench::Median(program);
    const double base = bench::Median(reference);
    std::printf("start to the end of the first command, median of %ld rounds:\n", rounds);
    std::printf("reference, curl of the description file: %8.1f ms\n", base * 1000);
    std::printf("QVUUpdate --console:                     %8.1f ms  (%.2fx)\n", measured * 1000,
                measured / base);
    const double signedMedian = bench::Median(signedRuns);
    std::printf("the description signed:                  %8.1f ms  (%.2fx, against unsigned)\n",
                signedMedian * 1000, signedMedian / measured);
    return 0;
}

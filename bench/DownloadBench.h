// Shared by the download benchmarks: a package of pseudo-random bytes in a
// temporary folder, a qvu-server serving it, timing of shell commands, and
// the peak memory of the process.
#pragma once

#include "tests/support/BackgroundProgram.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Timed passes of each side, the best one counting: the disk's writeback of
// a gibibyte makes single passes vary by a third.
constexpr int kTimedPasses = 5;

inline double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Fills the file with pseudo-random bytes, so no layer can shortcut them.
inline void WritePackage(const fs::path& path, std::uint64_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<std::uint64_t> block(1 << 17);
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    for (std::uint64_t written = 0; written < size;) {
        for (auto& word : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        const auto bytes = std::min<std::uint64_t>(size - written, block.size() * sizeof block[0]);
        out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(bytes));
        written += bytes;
    }
}

// The system's name of a local file: backslashes.
inline std::string WindowsPath(const fs::path& path) {
    std::string text = path.string();
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

// Runs a shell command; its exit status, with its first output line and the
// seconds it took. The files written before are flushed first, so one run's
// writeback does not slow the next.
inline int RunCommand(const std::string& command, std::string& firstLine, double& seconds) {
    ::sync();
    const auto start = Clock::now();
    std::FILE* pipe = popen(command.c_str(), "r");
    char line[256] = {};
    if (pipe == nullptr || std::fgets(line, sizeof line, pipe) == nullptr)
        line[0] = '\0';
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    seconds = SecondsSince(start);
    firstLine = line;
    return status;
}

// RunCommand for a command that must succeed: the benchmark ends when it fails.
inline std::string Run(const std::string& command, double& seconds) {
    std::string line;
    if (RunCommand(command, line, seconds) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
    return line;
}

// Peak resident memory of this process (VmHWM) in KiB.
inline long PeakResidentKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// A temporary folder with its own machine root, removed at the end.
class BenchFolder {
public:
    explicit BenchFolder(const char* pattern) {
        std::string name = pattern;
        if (mkdtemp(name.data()) == nullptr)
            std::exit(1);
        path_ = name;
        fs::create_directories(path_ / "root");
        fs::create_directories(path_ / "served");
        setenv("QVU_ROOT", (path_ / "root").c_str(), 1);
    }
    ~BenchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// qvu-server (beside the benchmark in the build tree) serving a folder on 127.0.0.1.
class BenchServer {
public:
    BenchServer(const char* self, const fs::path& folder)
        : server_(
              {(fs::path(self).parent_path() / "qvu-server").string(), "--root", folder.string()}) {
        const std::string prefix = "listening on ";
        if (server_.FirstLine().rfind(prefix, 0) != 0) {
            std::fprintf(stderr, "qvu-server did not start\n");
            std::exit(1);
        }
        base_ = server_.FirstLine().substr(prefix.size());
    }
    std::string Url(const std::string& target) const { return base_ + target; }

private:
    qvutest::BackgroundProgram server_;
    std::string base_;
};

} // namespace bench

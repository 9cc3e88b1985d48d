// Throughput of DownloadUrlToFile (8192-byte blocks, a progress command
// after each, drained by another thread as the dialog would) against
// `curl -s -o` of the same package from the same local qvu-server, and the
// peak memory of a process doing nothing but the download, for two package
// sizes: it must not grow with the package.
//
//   bench_download_url [SIZE_IN_MIB]     (default 1024; 256 MiB is measured too)
//   bench_download_url --download URL PATH   (the measured child: prints seconds and VmHWM)
#include "bench/DownloadBench.h"
#include "platform/window_queue.h"
#include "update/Download.h"

#include <atomic>
#include <thread>

namespace {

// The child: one download with its progress drained; prints "bytes seconds peakKiB".
int DownloadOnce(const char* address, const char* path) {
    const HWND window = platform::CreateWindowQueue();
    std::atomic<bool> done = false;
    long commands = 0;
    std::thread drainer([&] {
        MSG message{};
        while (!done || platform::PeekWindowMessage(window, &message))
            if (platform::GetWindowMessage(window, &message, 20))
                ++commands;
    });
    const auto start = bench::Clock::now();
    const DWORD bytes = DownloadUrlToFile(address, path, window, nullptr);
    const double seconds = bench::SecondsSince(start);
    done = true;
    drainer.join();
    std::printf("%lu %.6f %ld %ld\n", static_cast<unsigned long>(bytes), seconds,
                bench::PeakResidentKib(), commands);
    return bytes > 0 ? 0 : 1;
}

struct Measured {
    double ours = 1e9, curl = 1e9;
    long peakKib = 0;
};

Measured Measure(const char* self, const bench::BenchServer& server, const bench::fs::path& folder,
                 const std::string& name, std::uint64_t size) {
    Measured measured;
    const bench::fs::path out = folder / "out.msi";
    for (int pass = 0; pass < bench::kTimedPasses; ++pass) {
        double seconds = 0;
        bench::Run("curl -s -o '" + out.string() + "' '" + server.Url("/" + name) + "'", seconds);
        measured.curl = std::min(measured.curl, seconds);
        bench::fs::remove(out);
        const std::string line =
            bench::Run(std::string("'") + self + "' --download '" + server.Url("/" + name) + "' '" +
                           bench::WindowsPath(out) + "'",
                       seconds);
        unsigned long bytes = 0;
        double ours = 0;
        long peak = 0, commands = 0;
        if (std::sscanf(line.c_str(), "%lu %lf %ld %ld", &bytes, &ours, &peak, &commands) != 4 ||
            bytes != static_cast<unsigned long>(size)) {
            std::fprintf(stderr, "download incomplete: %s\n", line.c_str());
            std::exit(1);
        }
        measured.ours = std::min(measured.ours, ours);
        measured.peakKib = std::max(measured.peakKib, peak);
        bench::fs::remove(out);
    }
    return measured;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--download")
        return DownloadOnce(argv[2], argv[3]);
    const std::uint64_t large = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    if (large == 0) {
        std::fprintf(stderr, "usage: %s [SIZE_IN_MIB]\n", argv[0]);
        return 2;
    }

    const bench::BenchFolder folder("/tmp/qvu-bench-download-XXXXXX");
    const bench::BenchServer server(argv[0], folder.Path() / "served");
    for (const std::uint64_t mebibytes : {std::uint64_t{256}, large}) {
        const std::uint64_t size = mebibytes << 20;
        const std::string name = std::to_string(mebibytes) + ".msi";
        bench::WritePackage(folder.Path() / "served" / name, size);
        const Measured measured = Measure(argv[0], server, folder.Path(), name, size);
        bench::fs::remove(folder.Path() / "served" / name);
        const double megabytes = static_cast<double>(size) / 1e6;
        std::printf("package %5llu MiB: curl -o %7.1f MB/s, DownloadUrlToFile %7.1f MB/s "
                    "(%.2fx), peak RSS %ld KiB\n",
                    static_cast<unsigned long long>(mebibytes), megabytes / measured.curl,
                    megabytes / measured.ours, measured.curl / measured.ours, measured.peakKib);
    }
    return 0;
}

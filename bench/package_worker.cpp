// The whole package download of the worker thread (fetch, write, MD5 and,
// when asked, SHA-256 computed while the bytes stream to disk, final command)
// against what a script would do: `curl -s -o` and then `md5sum` (and
// `sha256sum`) of the stored file, both from the same local qvu-server in the
// same run.
//
//   bench_package_worker [SIZE_IN_MIB [sha256]]     (default 1024, MD5 only)
//   bench_package_worker --worker DESCRIPTION TARGET   (the measured child)
#include "bench/DownloadBench.h"
#include "platform/window_queue.h"
#include "update/Download.h"

namespace {

// The child: one worker run until its final command; prints "command seconds".
int RunWorker(const char* description, const char* target) {
    const HWND window = platform::CreateWindowQueue();
    const auto start = bench::Clock::now();
    StartPackageDownload(window, Olvin5, description, target);
    MSG message{};
    while (platform::GetWindowMessage(window, &message, 120000))
        if (message.wParam >= 1028 && message.wParam <= 1030)
            break;
    std::printf("%lu %.6f\n", static_cast<unsigned long>(message.wParam),
                bench::SecondsSince(start));
    return message.wParam == 1029 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--worker")
        return RunWorker(argv[2], argv[3]);
    const std::uint64_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const bool withSha256 = argc > 2 && std::string(argv[2]) == "sha256";
    if (mebibytes == 0 || argc > 3 || (argc > 2 && !withSha256)) {
        std::fprintf(stderr, "usage: %s [SIZE_IN_MIB [sha256]]\n", argv[0]);
        return 2;
    }
    const std::uint64_t size = mebibytes << 20;

    const bench::BenchFolder folder("/tmp/qvu-bench-worker-XXXXXX");
    const bench::fs::path package = folder.Path() / "served" / "Quorvane.msi";
    bench::WritePackage(package, size);
    const bench::BenchServer server(argv[0], folder.Path() / "served");
    double seconds = 0;
    const std::string digest =
        bench::Run("md5sum '" + package.string() + "'", seconds).substr(0, 32);
    const std::string sha256Line =
        withSha256
            ? "SHA256=" +
                  bench::Run("sha256sum '" + package.string() + "'", seconds).substr(0, 64) + "\r\n"
            : "";

    const bench::fs::path update = folder.Path() / "Update";
    bench::fs::create_directories(update);
    std::ofstream(update / "QVU.ini")
        << "[QVU.ini]\r\nver=3.1\r\n[Olvin5]\r\nFileSize=" << size << "\r\nMD5=" << digest << "\r\n"
        << sha256Line << "MSI1=" << server.Url("/Quorvane.msi") << "\r\n[QVU.end]\r\nver=3.1\r\n";
    const bench::fs::path out = update / "Quorvane.msi";
    // md5sum first: its line is the one compared.
    const std::string script =
        "curl -s -o '" + out.string() + "' '" + server.Url("/Quorvane.msi") + "' && md5sum '" +
        out.string() + "'" + (withSha256 ? " && sha256sum '" + out.string() + "' >/dev/null" : "");
    const std::string worker = std::string("'") + argv[0] + "' --worker '" +
                               bench::WindowsPath(update / "QVU.ini") + "' '" +
                               bench::WindowsPath(out) + "'";

    double reference = 1e9, measured = 1e9;
    for (int pass = 0; pass < bench::kTimedPasses; ++pass) {
        if (bench::Run(script, seconds).substr(0, 32) != digest) {
            std::fprintf(stderr, "curl's copy has another digest\n");
            return 1;
        }
        reference = std::min(reference, seconds);
        bench::fs::remove(out);
        double workerSeconds = 0;
        const std::string line = bench::Run(worker, seconds);
        if (std::sscanf(line.c_str(), "%*u %lf", &workerSeconds) != 1)
            return 1;
        measured = std::min(measured, workerSeconds);
        bench::fs::remove(out);
    }
    const double megabytes = static_cast<double>(size) / 1e6;
    std::printf("package %llu MiB: curl -o + md5sum%s %7.1f MB/s, worker with streaming digest%s "
                "%7.1f MB/s (%.2fx)\n",
                static_cast<unsigned long long>(mebibytes), withSha256 ? " + sha256sum" : "",
                megabytes / reference, withSha256 ? "s" : "", megabytes / measured,
                reference / measured);
    return 0;
}

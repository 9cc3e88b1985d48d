// Throughput of the package digest check (PackageMatchesDigest: 8192-byte
// ReadFile blocks through the platform layer into OpenSSL's MD5) against
// md5sum on the same file, measured in the same run. Both read the file from
// the page cache after a first warming pass, so the ratio shows what the
// block reads and the handle layer cost against a tuned command-line tool.
//
//   bench_package_digest [SIZE_IN_MIB]     (default 1024)
#include "bench/DownloadBench.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "update/Digest.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bench::Clock;
using bench::WritePackage;

// md5sum's digest of the file and the seconds it took; exits on failure.
std::string Md5sum(const fs::path& path, double& seconds) {
    const std::string command = "md5sum '" + path.string() + "'";
    const auto start = Clock::now();
    std::FILE* pipe = popen(command.c_str(), "r");
    char digest[33] = {};
    const bool read = pipe != nullptr && std::fscanf(pipe, "%32s", digest) == 1;
    const bool ended = pipe != nullptr && pclose(pipe) == 0;
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!read || !ended) {
        std::fprintf(stderr, "md5sum failed\n");
        std::exit(1);
    }
    return digest;
}

// The seconds PackageMatchesDigest took; exits unless the digest matched.
double CheckDigest(const std::string& windowsPath, const std::string& digest) {
    const auto start = Clock::now();
    HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool matches = file != INVALID_HANDLE_VALUE && PackageMatchesDigest(file, digest.c_str());
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!matches) {
        std::fprintf(stderr, "PackageMatchesDigest did not match md5sum's digest\n");
        std::exit(1);
    }
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    if (mebibytes == 0) {
        std::fprintf(stderr, "usage: %s [SIZE_IN_MIB]\n", argv[0]);
        return 2;
    }
    const std::uint64_t size = mebibytes << 20;

    std::string pattern = "/tmp/qvu-bench-digest-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        return 1;
    const fs::path folder = pattern;
    // A machine root of the benchmark's own, for the platform's share-mode locks.
    fs::create_directories(folder / "root");
    setenv("QVU_ROOT", (folder / "root").c_str(), 1);
    const fs::path package = folder / "Quorvane.msi";
    WritePackage(package, size);
    // The system's name for the file: a local path with backslashes.
    std::string windowsPath = package.string();
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');

    // A warming pass of each, then the best of two timed passes.
    double seconds = 0;
    const std::string digest = Md5sum(package, seconds);
    CheckDigest(windowsPath, digest);
    double reference = 1e9, measured = 1e9;
    for (int pass = 0; pass < 2; ++pass) {
        Md5sum(package, seconds);
        reference = std::min(reference, seconds);
        measured = std::min(measured, CheckDigest(windowsPath, digest));
    }

    const double megabytes = static_cast<double>(size) / 1e6;
    std::printf("package: %llu MiB, MD5 %s\n", static_cast<unsigned long long>(mebibytes),
                digest.c_str());
    std::printf("reference, md5sum:                %8.1f MB/s\n", megabytes / reference);
    std::printf("PackageMatchesDigest:             %8.1f MB/s  (%.2fx)\n", megabytes / measured,
                reference / measured);

    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}

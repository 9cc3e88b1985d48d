// Throughput of the package digest check (PackageMatchesDigest: 8192-byte
// ReadFile blocks through the platform layer into OpenSSL's MD5, and SHA-256
// in the same pass when asked) against md5sum (and sha256sum) on the same
// file, measured in the same run. Both read the file from the page cache
// after a first warming pass, so the ratio shows what the block reads and
// the handle layer cost against tuned command-line tools.
//
//   bench_package_digest [SIZE_IN_MIB [sha256]]     (default 1024, MD5 only)
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

// The digest a tool (md5sum, sha256sum) prints for the file, and the seconds
// it took; exits on failure.
std::string ToolDigest(const char* tool, const fs::path& path, double& seconds) {
    const std::string command = std::string(tool) + " '" + path.string() + "'";
    const auto start = Clock::now();
    std::FILE* pipe = popen(command.c_str(), "r");
    char digest[65] = {};
    const bool read = pipe != nullptr && std::fscanf(pipe, "%64s", digest) == 1;
    const bool ended = pipe != nullptr && pclose(pipe) == 0;
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!read || !ended) {
        std::fprintf(stderr, "%s failed\n", tool);
        std::exit(1);
    }
    return digest;
}

// The seconds the tools took together; their digests are stored.
double ReferenceDigests(const fs::path& path, bool withSha256, std::string& md5,
                        std::string& sha256) {
    double seconds = 0, sha256Seconds = 0;
    md5 = ToolDigest("md5sum", path, seconds);
    if (withSha256)
        sha256 = ToolDigest("sha256sum", path, sha256Seconds);
    return seconds + sha256Seconds;
}

// The seconds PackageMatchesDigest took; exits unless the digests matched.
double CheckDigest(const std::string& windowsPath, const std::string& md5,
                   const std::string& sha256) {
    const auto start = Clock::now();
    HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool matches =
        file != INVALID_HANDLE_VALUE &&
        PackageMatchesDigest(file, md5.c_str(), sha256.empty() ? nullptr : sha256.c_str());
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!matches) {
        std::fprintf(stderr, "PackageMatchesDigest did not match the tools' digests\n");
        std::exit(1);
    }
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
    const bool withSha256 = argc > 2 && std::string(argv[2]) == "sha256";
    if (mebibytes == 0 || argc > 3 || (argc > 2 && !withSha256)) {
        std::fprintf(stderr, "usage: %s [SIZE_IN_MIB [sha256]]\n", argv[0]);
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
    std::string md5, sha256;
    ReferenceDigests(package, withSha256, md5, sha256);
    CheckDigest(windowsPath, md5, sha256);
    double reference = 1e9, measured = 1e9;
    for (int pass = 0; pass < 2; ++pass) {
        reference = std::min(reference, ReferenceDigests(package, withSha256, md5, sha256));
        measured = std::min(measured, CheckDigest(windowsPath, md5, sha256));
    }

    const double megabytes = static_cast<double>(size) / 1e6;
    std::printf("package: %llu MiB, MD5 %s%s%s\n", static_cast<unsigned long long>(mebibytes),
                md5.c_str(), withSha256 ? ", SHA-256 " : "", sha256.c_str());
    std::printf("reference, %-23s%8.1f MB/s\n",
                withSha256 ? "md5sum + sha256sum:" : "md5sum:", megabytes / reference);
    std::printf("PackageMatchesDigest:             %8.1f MB/s  (%.2fx)\n", megabytes / measured,
                reference / measured);

    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}

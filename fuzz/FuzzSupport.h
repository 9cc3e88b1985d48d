// What the fuzz targets share: a temporary machine root for the whole run,
// and the oracles' way to stop on a finding.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace qvufuzz {

// Stops the run on a broken oracle: libFuzzer reports the input that did it.
[[noreturn]] inline void Finding(const char* what) {
    std::fprintf(stderr, "fuzz oracle: %s\n", what);
    std::fflush(stderr);
    __builtin_trap();
}

inline void Require(bool condition, const char* what) {
    if (!condition)
        Finding(what);
}

// A temporary folder that QVU_ROOT (the machine root: registry hives, drive
// table) points to for the whole run, removed when the run ends. It lies in
// memory (/dev/shm) where there is such a place, so that the files a target
// writes and flushes cost no disk writes.
class TempRoot {
public:
    TempRoot() {
        namespace fs = std::filesystem;
        std::string pattern = "/dev/shm/qvu-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            pattern = (fs::temp_directory_path() / "qvu-fuzz-XXXXXX").string();
            if (mkdtemp(pattern.data()) == nullptr)
                Finding("cannot create the temporary folder");
        }
        folder_ = fs::canonical(pattern);
        fs::create_directories(folder_ / "root" / "dosdevices");
        fs::create_directories(folder_ / "files");
        setenv("QVU_ROOT", (folder_ / "root").c_str(), 1);
    }
    ~TempRoot() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    // A folder for the target's files.
    std::filesystem::path Files() const { return folder_ / "files"; }

    // The Windows name of a native path: a local path with backslashes.
    static std::string WindowsName(const std::filesystem::path& path) {
        std::string name = path.string();
        for (char& c : name)
            if (c == '/')
                c = '\\';
        return name;
    }

private:
    std::filesystem::path folder_;
};

// The one root of the run, made on first use.
inline TempRoot& Root() {
    static TempRoot root;
    return root;
}

} // namespace qvufuzz

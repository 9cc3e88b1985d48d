// Cost of reading one value from an INI file of 1000 keys with
// GetPrivateProfileStringA, against reading the whole file into memory with
// fread, measured in the same run. Every read opens and parses the file anew,
// as nothing is cached, so the ratio shows what the parsing adds to the I/O.
#include "platform/profile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kSections = 10;
constexpr int kKeysPerSection = 100;

using Clock = std::chrono::steady_clock;

// Microseconds per call of action, run for about a second.
template <typename Action> double MicrosecondsPerCall(Action action) {
    int calls = 0;
    const auto start = Clock::now();
    auto elapsed = Clock::duration::zero();
    while (elapsed < std::chrono::seconds(1)) {
        for (int i = 0; i < 100; ++i)
            action();
        calls += 100;
        elapsed = Clock::now() - start;
    }
    return std::chrono::duration<double, std::micro>(elapsed).count() / calls;
}

std::string IniContent() {
    std::string content;
    for (int section = 0; section < kSections; ++section) {
        content += "[Section" + std::to_string(section) + "]\r\n";
        for (int key = 0; key < kKeysPerSection; ++key)
            content += "Key" + std::to_string(key) + "=Value " + std::to_string(key) +
                       " of section " + std::to_string(section) + "\r\n";
    }
    return content;
}

} // namespace

int main() {
    const fs::path folder =
        fs::temp_directory_path() / ("qvu-bench-profile-" + std::to_string(std::rand()));
    fs::create_directories(folder);
    const std::string path = (folder / "Bench.ini").string();
    const std::string content = IniContent();
    if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(content.data(), 1, content.size(), out);
        std::fclose(out);
    }

    char value[260];
    const auto readValue = [&](const char* section, const char* key) {
        return [&, section, key] {
            GetPrivateProfileStringA(section, key, "", value, sizeof value, path.c_str());
        };
    };
    std::vector<char> whole(content.size());
    const auto readWholeFile = [&] {
        if (std::FILE* in = std::fopen(path.c_str(), "rb")) {
            if (std::fread(whole.data(), 1, whole.size(), in) != whole.size())
                std::abort();
            std::fclose(in);
        }
    };

    const double reference = MicrosecondsPerCall(readWholeFile);
    const double first = MicrosecondsPerCall(readValue("Section0", "Key0"));
    const double middle = MicrosecondsPerCall(readValue("section5", "KEY50"));
    const double last = MicrosecondsPerCall(readValue("Section9", "Key99"));
    const double missing = MicrosecondsPerCall(readValue("Section9", "Absent"));

    std::printf("INI file: %d keys in %d sections, %zu bytes\n", kSections * kKeysPerSection,
                kSections, content.size());
    std::printf("reference, fread of the whole file:        %8.2f us\n", reference);
    std::printf("GetPrivateProfileStringA, first key:        %8.2f us  (%.2fx)\n", first,
                first / reference);
    std::printf("GetPrivateProfileStringA, middle key:       %8.2f us  (%.2fx)\n", middle,
                middle / reference);
    std::printf("GetPrivateProfileStringA, last key:         %8.2f us  (%.2fx)\n", last,
                last / reference);
    std::printf("GetPrivateProfileStringA, missing key:      %8.2f us  (%.2fx)\n", missing,
                missing / reference);

    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}

// Programs for tests of process starts: shell scripts that record how they
// were started, and a wait for what they wrote.
#pragma once

#include "tests/support/TempRoot.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace qvutest {

// Writes an executable "#!/bin/sh" script with body.
inline void WriteScript(const std::filesystem::path& path, const std::string& body) {
    WriteFile(path, "#!/bin/sh\n" + body);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

// A script appending one line to record: its arguments, each in brackets,
// separated by blanks. Only shell built-ins, so it runs with any PATH.
inline void WriteRecordingScript(const std::filesystem::path& path,
                                 const std::filesystem::path& record,
                                 const std::string& prefix = "") {
    WriteScript(path, "line='" + prefix +
                          "'\n"
                          "for a in \"$@\"; do line=\"$line${line:+ }[$a]\"; done\n"
                          "printf '%s\\n' \"$line\" >> '" +
                          record.string() + "'\n");
}

// The content of file once it holds at least lines complete lines, or
// whatever it holds after a few seconds.
inline std::string WaitForLines(const std::filesystem::path& file, int lines) {
    std::string text;
    for (int attempt = 0; attempt < 500; ++attempt) {
        text = ReadFile(file);
        if (std::count(text.begin(), text.end(), '\n') >= lines)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return text;
}

} // namespace qvutest

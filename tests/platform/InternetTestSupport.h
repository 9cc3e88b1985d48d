// Shared by the internet tests: a served folder with files of known bytes,
// internet handles that close themselves, and reading a body block by block.
#pragma once

#include "platform/internet.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempRoot.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qvutest {

struct InternetHandleCloser {
    void operator()(void* handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

// What reading a body in blocks gave: the bytes, the count of every read,
// and whether the last read failed (with its error).
struct BodyReading {
    std::string bytes;
    std::vector<DWORD> counts;
    bool failed = false;
    DWORD error = 0;
};

// Reads blocks until a read answers fewer bytes than asked for or fails, as
// the download loop does; at most maxReads reads.
BodyReading ReadBody(HINTERNET file, DWORD blockSize = 8192, std::size_t maxReads = 100000);

class ServedFolder {
public:
    ServedFolder();
    // Writes a file of size pseudo-random bytes below the folder, in pieces.
    void Write(const std::string& name, std::size_t size);
    // Writes such a file and answers its bytes.
    std::string Put(const std::string& name, std::size_t size);
    const std::filesystem::path& Path() const { return path_; }

private:
    TempRoot root_;
    ScopedEnvironment environment_;
    std::filesystem::path path_;
};

} // namespace qvutest

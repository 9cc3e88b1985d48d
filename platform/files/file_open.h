// For platform/ only: opening a native file the way CreateFileA does, with
// its share mode admitted among all opens of the file.
#pragma once

#include "platform/files/share_modes.h"
#include "platform/win_types.h"

#include <memory>
#include <string>

namespace platform {

// An open file and its admitted share mode; closes the file when destroyed.
class SharedFile {
public:
    SharedFile() = default;
    SharedFile(int fd, std::unique_ptr<ShareClaim> claim) : fd_(fd), claim_(std::move(claim)) {}
    SharedFile(SharedFile&& other) noexcept;
    SharedFile& operator=(SharedFile&& other) noexcept;
    ~SharedFile();

    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

private:
    void Close();

    int fd_ = -1;
    std::unique_ptr<ShareClaim> claim_;
};

// Opens nativePath with CreateFileA's access, share mode, disposition and
// flags. Not open on failure, with the last error set; on success the last
// error is ERROR_ALREADY_EXISTS when OPEN_ALWAYS or CREATE_ALWAYS found the
// file, else ERROR_SUCCESS.
SharedFile OpenSharedFile(const std::string& nativePath, DWORD desiredAccess, DWORD shareMode,
                          DWORD creationDisposition, DWORD flagsAndAttributes);

} // namespace platform

// For platform/ only: Windows share modes between every open of a file, in
// this process and in all others on the machine.
//
// An open uses some rights (read, write, delete) and lets others use some. It
// is admitted only when every existing open lets it use its rights, and when
// it lets every existing open keep the rights that open uses. Like an
// inherited handle on Windows, an open is shared with a child made by fork
// until the child starts another program.
#pragma once

#include "platform/win_types.h"

#include <memory>
#include <string>
#include <sys/stat.h>

namespace platform {

// Rights, with the bit values of FILE_SHARE_READ, FILE_SHARE_WRITE and FILE_SHARE_DELETE.
constexpr unsigned kRightRead = 1;
constexpr unsigned kRightWrite = 2;
constexpr unsigned kRightDelete = 4;

// The rights a desired access of CreateFileA asks for.
unsigned RightsOfAccess(DWORD desiredAccess);

// One admitted open. Destroying it withdraws the open; the last one removes
// the file's lock file.
class ShareClaim {
public:
    ShareClaim(int lockFd, std::string lockPath);
    ~ShareClaim();
    ShareClaim(const ShareClaim&) = delete;
    ShareClaim& operator=(const ShareClaim&) = delete;

private:
    int lockFd_;
    std::string lockPath_;
};

// Admits an open of the file with that status. On a conflict: null with
// ERROR_SHARING_VIOLATION; on another failure: null with its error.
std::unique_ptr<ShareClaim> ClaimShareMode(const struct stat& file, unsigned rights,
                                           unsigned sharedRights);

} // namespace platform

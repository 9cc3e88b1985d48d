// For platform/ only: Windows share modes between every open of a file, in
// this process and in all others on the machine.
//
// An open uses some rights (read, write, delete) and lets others use some. It
// is admitted only when every existing open lets it use its rights, and when
// it lets every existing open keep the rights that open uses. An open marks
// what it uses and what it denies with locks on the file itself, far beyond
// any data, so that only an account that can open a file takes part in its
// sharing, as on Windows, and the marks vanish with the open. Like an
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

// One admitted open. Its marks are on the descriptor it was admitted for, or
// on an open of the file of the claim's own, which it closes when destroyed.
class ShareClaim {
public:
    explicit ShareClaim(int ownFd) : ownFd_(ownFd) {}
    ~ShareClaim();
    ShareClaim(const ShareClaim&) = delete;
    ShareClaim& operator=(const ShareClaim&) = delete;

private:
    int ownFd_; // -1: the marks go with the admitted descriptor
};

// Admits an open of the file open as fd, which stays open as long as the
// claim. On a conflict, or when another open keeps the file's admission busy
// for longer than an admission takes: null with ERROR_SHARING_VIOLATION; on
// another failure: null with its error.
std::unique_ptr<ShareClaim> ClaimShareMode(int fd, unsigned rights, unsigned sharedRights);

// Admits removing or replacing the entry at path, whose own status (not
// following a link) is entry, sharing everything. Only regular files are
// opened with share modes, so only they are opened to be claimed; a link, a
// folder or a device needs no claim.
std::unique_ptr<ShareClaim> ClaimEntry(const std::string& path, const struct stat& entry,
                                       unsigned rights);

} // namespace platform

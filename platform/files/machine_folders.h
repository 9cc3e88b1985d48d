// For platform/ only: the folders of the machine state below QVU_ROOT, made
// on first use so a fresh machine root works without a set-up step.
//
// Some of them are shared by all accounts (mode 1777, like /tmp): each
// account keeps its own things in a folder of its own there, "uid-<N>"
// (mode 0700), where no other account can put a file or a link. Another
// account can take a name first; root takes its own place back, and can
// clear the places of the others, so that no account keeps another out for
// ever.
#pragma once

#include "platform/win_types.h"

#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace platform {

// Makes a missing folder and the folders above it (those with mode 0755); a
// folder made here gets exactly mode, whatever the umask. ERROR_SUCCESS when
// the folder exists afterwards.
LONG EnsureMachineFolder(const std::string& path, mode_t mode);

// Whether st (not following a link) is a folder of account uid's that only
// it may change.
bool IsAccountsFolder(const struct stat& st, uid_t uid);

// The name of the account uid's folder in a shared folder ("uid-1000").
std::string AccountFolderName(uid_t uid);
// The account a name of that form stands for (digits as written by
// AccountFolderName, nothing else), or nothing.
std::optional<uid_t> AccountOfFolderName(std::string_view name);

// Opens the calling account's folder in sharedFolder, making it when
// missing; the descriptor of the folder, or -1 with errno. When another
// account's folder, a file or a link holds the place: root removes it and
// makes its folder anew; any other account gets EACCES.
int OpenAccountFolder(const std::string& sharedFolder);

// For root: removes from sharedFolder every entry named for an account that
// is not that account's own folder (another account's, a file, a link), so
// that the account can make its folder there. Nothing for other accounts.
void ClearTakenAccountFolders(const std::string& sharedFolder);

} // namespace platform

// For platform/ only: where the registry hives lie and who may use them.
//
//   $QVU_ROOT/registry/machine.db            HKEY_LOCAL_MACHINE; folder and
//                                            file writable by root only
//   $QVU_ROOT/registry/users/                open to all like /tmp, so that
//                                            each account can make its folder
//   $QVU_ROOT/registry/users/uid-N/hive.db   the account N's hive, in N's own
//                                            folder (mode 0700) with SQLite's
//                                            files beside it
//
// SQLite plays back a journal it finds beside a hive, so a hive lies where no
// other account can put one. Another account cannot keep an account from its
// hive for ever by taking its folder's name first: root takes its own back,
// and clears the others' when it opens the registry (machine_folders.h).
#pragma once

#include "platform/registry/registry_store.h"

#include <memory>
#include <string>
#include <vector>

namespace platform::registry {

// The hives stay open for the life of the process, one object per file; the
// functions answer ERROR_SUCCESS or a system error code.

// The machine hive, made on first use when this account may.
LONG MachineHive(std::shared_ptr<Hive>& hive);
// The calling account's hive, made on first use.
LONG CurrentUserHive(std::shared_ptr<Hive>& hive);
// An existing account's hive by its name under HKEY_USERS.
LONG UserHive(const std::string& name, std::shared_ptr<Hive>& hive);

// The names of the accounts' hives, sorted.
std::vector<std::string> UserHiveNames();

} // namespace platform::registry

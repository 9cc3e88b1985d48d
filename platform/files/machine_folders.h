// For platform/ only: the folders of the machine state below QVU_ROOT, made
// on first use so a fresh machine root works without a set-up step.
#pragma once

#include "platform/win_types.h"

#include <string>
#include <sys/types.h>

namespace platform {

// Makes a missing folder and the folders above it (those with mode 0755); a
// folder made here gets exactly mode, whatever the umask. ERROR_SUCCESS when
// the folder exists afterwards.
LONG EnsureMachineFolder(const std::string& path, mode_t mode);

} // namespace platform

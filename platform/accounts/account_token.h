// For platform/ only: the account a token handle names.
#pragma once

#include "platform/sync/kernel_objects.h"
#include "platform/win_types.h"

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

struct AccountToken : KernelObject {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups; // the primary group among them
    std::string name;
    std::string home;  // native
    std::string shell; // native
};

// The account behind a token handle, or null with ERROR_INVALID_HANDLE.
std::shared_ptr<AccountToken> FindAccountToken(HANDLE handle);

} // namespace platform

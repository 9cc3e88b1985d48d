// The environment of a program started as another account: the account's
// own identity, and of this process's variables only those that describe
// the desktop and the language, not this account or how it was started.
#include "platform/accounts.h"
#include "platform/accounts/account_token.h"
#include "platform/errors.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

extern char** environ;

namespace {

// Variables of this process that belong to its account or its start.
bool BelongsToThisAccount(std::string_view name) {
    static constexpr std::string_view kOwn[] = {
        "HOME",           "USER",          "LOGNAME",         "USERNAME",
        "SHELL",          "MAIL",          "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME",
        "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",  "DBUS_SESSION_BUS_ADDRESS",
        "PKEXEC_UID"};
    for (std::string_view own : kOwn)
        if (name == own)
            return true;
    return name.starts_with("SUDO_") || name.starts_with("LD_");
}

// The account's runtime folder: only one the system made for it, owned by
// it and closed to others.
bool IsRuntimeFolderOf(const std::string& folder, uid_t uid) {
    struct stat st;
    return lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid &&
           (st.st_mode & 0077) == 0;
}

bool IsSocketOf(const std::string& path, uid_t uid) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == uid;
}

std::vector<std::string> AccountVariables(const platform::AccountToken& account) {
    std::vector<std::string> variables = {"HOME=" + account.home, "USER=" + account.name,
                                          "LOGNAME=" + account.name, "SHELL=" + account.shell};
    const std::string runtime = "/run/user/" + std::to_string(account.uid);
    if (IsRuntimeFolderOf(runtime, account.uid)) {
        variables.push_back("XDG_RUNTIME_DIR=" + runtime);
        if (IsSocketOf(runtime + "/bus", account.uid))
            variables.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + runtime + "/bus");
    }
    return variables;
}

} // namespace

BOOL CreateEnvironmentBlock(LPVOID* environment, HANDLE token, BOOL inherit) {
    const auto account = platform::FindAccountToken(token);
    if (!account)
        return FALSE;
    if (environment == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::string> variables = AccountVariables(*account);
    for (char** at = inherit ? environ : nullptr; at != nullptr && *at != nullptr; ++at) {
        const std::string_view entry(*at);
        const std::size_t equals = entry.find('=');
        if (equals != std::string_view::npos && !BelongsToThisAccount(entry.substr(0, equals)))
            variables.emplace_back(entry);
    }
    std::size_t size = 1;
    for (const std::string& variable : variables)
        size += variable.size() + 1;
    char* block = static_cast<char*>(std::malloc(size));
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    char* at = block;
    for (const std::string& variable : variables) {
        std::memcpy(at, variable.c_str(), variable.size() + 1);
        at += variable.size() + 1;
    }
    *at = '\0';
    *environment = block;
    return TRUE;
}

BOOL DestroyEnvironmentBlock(LPVOID environment) {
    std::free(environment);
    return TRUE;
}

// Tokens: an account of the system, found by its number in the password
// database, with the groups it belongs to.
#include "platform/accounts.h"
#include "platform/accounts/account_token.h"
#include "platform/errors.h"
#include "platform/files/native_path.h"

#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <unistd.h>

namespace {

// Any non-null value that names no kernel object serves as the pseudo handle.
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// The account of number uid, with its groups; none when there is no such account.
std::shared_ptr<platform::AccountToken> AccountOf(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return nullptr;
    auto token = std::make_shared<platform::AccountToken>();
    token->uid = entry.pw_uid;
    token->gid = entry.pw_gid;
    token->name = entry.pw_name;
    token->home = entry.pw_dir != nullptr ? entry.pw_dir : "/";
    token->shell = entry.pw_shell != nullptr ? entry.pw_shell : "/bin/sh";
    int count = 32;
    for (;;) {
        token->groups.resize(static_cast<std::size_t>(count));
        const int before = count;
        if (getgrouplist(entry.pw_name, entry.pw_gid, token->groups.data(), &count) >= 0) {
            token->groups.resize(static_cast<std::size_t>(count));
            break;
        }
        if (count <= before) { // no growth asked for: the database failed
            token->groups = {entry.pw_gid};
            break;
        }
    }
    return token;
}

// The account number a variable holds: decimal digits only, within range.
std::optional<uid_t> AccountNumberIn(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0' || std::strlen(value) > 10)
        return std::nullopt;
    unsigned long long number = 0;
    for (const char* at = value; *at != '\0'; ++at) {
        if (*at < '0' || *at > '9')
            return std::nullopt;
        number = number * 10 + static_cast<unsigned>(*at - '0');
    }
    if (number >= static_cast<uid_t>(-1))
        return std::nullopt;
    return static_cast<uid_t>(number);
}

BOOL Register(std::shared_ptr<platform::AccountToken> account, PHANDLE token) {
    if (!account)
        return Fail(ERROR_NO_TOKEN);
    *token = platform::RegisterKernelObject(std::move(account));
    return TRUE;
}

} // namespace

namespace platform {

std::shared_ptr<AccountToken> FindAccountToken(HANDLE handle) {
    auto token = FindKernelObjectAs<AccountToken>(handle);
    if (!token)
        SetLastError(ERROR_INVALID_HANDLE);
    return token;
}

} // namespace platform

HANDLE GetCurrentProcess() {
    return kCurrentProcess;
}

BOOL OpenProcessToken(HANDLE process, DWORD, PHANDLE token) {
    if (token == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (process != kCurrentProcess)
        return Fail(ERROR_INVALID_HANDLE);
    return Register(AccountOf(geteuid()), token);
}

BOOL WTSQueryUserToken(ULONG sessionId, PHANDLE token) {
    if (token == nullptr || sessionId != WTS_CURRENT_SESSION)
        return Fail(ERROR_INVALID_PARAMETER);
    if (geteuid() != 0)
        return Register(AccountOf(geteuid()), token);
    // pkexec clears the environment it starts a program with, so its
    // variable is the caller's; a SUDO_UID beside it is older.
    for (const char* variable : {"PKEXEC_UID", "SUDO_UID"})
        if (const std::optional<uid_t> uid = AccountNumberIn(variable))
            return Register(AccountOf(*uid), token);
    return Fail(ERROR_NO_TOKEN);
}

BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, LPVOID information,
                         DWORD informationLength, LPDWORD returnLength) {
    const auto account = platform::FindAccountToken(token);
    if (!account)
        return FALSE;
    if (informationClass != TokenElevation)
        return Fail(ERROR_NOT_SUPPORTED);
    if (returnLength != nullptr)
        *returnLength = sizeof(TOKEN_ELEVATION);
    if (information == nullptr || informationLength < sizeof(TOKEN_ELEVATION))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    static_cast<TOKEN_ELEVATION*>(information)->TokenIsElevated = account->uid == 0 ? 1 : 0;
    return TRUE;
}

BOOL GetUserProfileDirectoryA(HANDLE token, LPSTR profileDirectory, LPDWORD size) {
    const auto account = platform::FindAccountToken(token);
    if (!account)
        return FALSE;
    if (size == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    const std::string folder = platform::ToWindowsPath(account->home);
    const DWORD needed = static_cast<DWORD>(folder.size() + 1);
    if (profileDirectory == nullptr || *size < needed) {
        *size = needed;
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(profileDirectory, folder.c_str(), needed);
    *size = needed;
    return TRUE;
}

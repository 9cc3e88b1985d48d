#include "platform/registry/registry_hives.h"

#include "platform/files/machine_folders.h"
#include "platform/files/native_path.h"
#include "platform/runtime/native_errors.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::registry {

namespace {

constexpr mode_t kMachineFolderMode = 0755;
constexpr mode_t kMachineHiveMode = 0644;
// Like /tmp: every account may add its own folder, none may remove another's.
constexpr mode_t kUsersFolderMode = 01777;
constexpr mode_t kUserHiveMode = 0600;
constexpr const char* kUserHiveFile = "hive.db";

std::string RegistryFolder() {
    return MachineRoot() + "/registry";
}
std::string UsersFolder() {
    return RegistryFolder() + "/users";
}
std::string UserHivePath(const std::string& name) {
    return UsersFolder() + "/" + name + "/" + kUserHiveFile;
}

LONG ErrorFromErrno(int error) {
    return static_cast<LONG>(Win32ErrorFromErrno(error));
}

// Makes the hive file name of folder if it is missing, with exactly mode.
LONG EnsureHiveFile(int folder, const char* name, mode_t mode) {
    const int fd = openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0)
        return errno == EEXIST ? ERROR_SUCCESS : ErrorFromErrno(errno);
    const bool exact = fchmod(fd, mode) == 0;
    close(fd);
    return exact ? ERROR_SUCCESS : ErrorFromErrno(errno);
}

// Another account's hive is used only in that account's own folder, as its
// own file: anything else under its name was put there by someone else.
LONG CheckOwner(const std::string& name, uid_t owner) {
    const std::string folder = UsersFolder() + "/" + name;
    struct stat st;
    if (lstat(folder.c_str(), &st) != 0)
        return ErrorFromErrno(errno);
    if (!IsAccountsFolder(st, owner))
        return ERROR_ACCESS_DENIED;
    if (lstat(UserHivePath(name).c_str(), &st) != 0)
        return ErrorFromErrno(errno);
    return S_ISREG(st.st_mode) && st.st_uid == owner ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// An account's hive from before hives had folders of their own
// ("users/uid-N.db", with SQLite's write-ahead log beside it) moves into its
// folder, so the settings kept there stay. Only the account's own regular
// files move: whatever another account put beside them stays behind. The log
// goes first, so that a move cut short is finished by the next open.
void MoveEarlierHive(int folder) {
    const std::string earlier = UsersFolder() + "/" + AccountFolderName(geteuid()) + ".db";
    struct stat st;
    if (fstatat(folder, kUserHiveFile, &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        return;
    for (const char* suffix : {"-wal", ""}) {
        const std::string from = earlier + suffix;
        if (lstat(from.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == geteuid())
            renameat(AT_FDCWD, from.c_str(), folder, (std::string(kUserHiveFile) + suffix).c_str());
    }
}

std::mutex cacheLock;
std::map<std::string, std::shared_ptr<Hive>>& Cache() {
    static auto* cache = new std::map<std::string, std::shared_ptr<Hive>>();
    return *cache;
}

// The open hive of path, prepared by prepare when it is not open yet.
template <class Prepare>
LONG OpenHive(const std::string& path, std::shared_ptr<Hive>& hive, Prepare prepare) {
    std::lock_guard<std::mutex> guard(cacheLock);
    auto found = Cache().find(path);
    if (found != Cache().end()) {
        hive = found->second;
        return ERROR_SUCCESS;
    }
    const LONG prepared = prepare();
    if (prepared != ERROR_SUCCESS)
        return prepared;
    hive = std::make_shared<Hive>(path);
    Cache().emplace(path, hive);
    return ERROR_SUCCESS;
}

// The registry's folders: made by the first account that uses the registry,
// normally the administrator, so that the machine hive's folder is its own.
// Root clears the places other accounts took in the users' folder.
LONG EnsureRegistryFolders() {
    LONG result = EnsureMachineFolder(RegistryFolder(), kMachineFolderMode);
    if (result == ERROR_SUCCESS)
        result = EnsureMachineFolder(UsersFolder(), kUsersFolderMode);
    if (result == ERROR_SUCCESS)
        ClearTakenAccountFolders(UsersFolder());
    return result;
}

} // namespace

LONG MachineHive(std::shared_ptr<Hive>& hive) {
    const std::string path = RegistryFolder() + "/machine.db";
    return OpenHive(path, hive, [&] {
        const LONG folders = EnsureRegistryFolders();
        return folders != ERROR_SUCCESS ? folders
                                        : EnsureHiveFile(AT_FDCWD, path.c_str(), kMachineHiveMode);
    });
}

LONG CurrentUserHive(std::shared_ptr<Hive>& hive) {
    const std::string path = UserHivePath(AccountFolderName(geteuid()));
    return OpenHive(path, hive, [&] {
        LONG result = EnsureRegistryFolders();
        if (result != ERROR_SUCCESS)
            return result;
        // The hive and SQLite's files beside it lie in the account's own
        // folder, where no other account can put a journal for it to play.
        const int folder = OpenAccountFolder(UsersFolder());
        if (folder < 0)
            return ErrorFromErrno(errno);
        MoveEarlierHive(folder);
        result = EnsureHiveFile(folder, kUserHiveFile, kUserHiveMode);
        close(folder);
        return result;
    });
}

LONG UserHive(const std::string& name, std::shared_ptr<Hive>& hive) {
    const std::optional<uid_t> uid = AccountOfFolderName(name);
    if (!uid)
        return ERROR_FILE_NOT_FOUND;
    return OpenHive(UserHivePath(name), hive, [&] { return CheckOwner(name, *uid); });
}

std::vector<std::string> UserHiveNames() {
    std::vector<std::string> names;
    DIR* dir = opendir(UsersFolder().c_str());
    if (dir == nullptr)
        return names;
    while (dirent* entry = readdir(dir)) {
        if (AccountOfFolderName(entry->d_name))
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace platform::registry

#include "platform/registry/registry_hives.h"

#include "platform/files/machine_folders.h"
#include "platform/files/native_path.h"
#include "platform/runtime/native_errors.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
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
// Like /tmp: every account may add its own hive, none may remove another's.
constexpr mode_t kUsersFolderMode = 01777;
constexpr mode_t kUserHiveMode = 0600;
constexpr const char* kHiveSuffix = ".db";

std::string RegistryFolder() {
    return MachineRoot() + "/registry";
}
std::string UsersFolder() {
    return RegistryFolder() + "/users";
}
std::string UserHivePath(const std::string& name) {
    return UsersFolder() + "/" + name + kHiveSuffix;
}

std::string HiveNameOf(uid_t uid) {
    return "uid-" + std::to_string(uid);
}

// The account of a hive name "uid-N" (N plain decimal digits); nothing for any
// other name, so that no name can lead out of the users' folder.
std::optional<uid_t> AccountOf(const std::string& name) {
    constexpr std::string_view prefix = "uid-";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    const char* digits = name.data() + prefix.size();
    const char* end = name.data() + name.size();
    if (*digits == '0' && end - digits > 1)
        return std::nullopt;
    uid_t uid = 0;
    const auto [stop, error] = std::from_chars(digits, end, uid);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return uid;
}

LONG ErrorFromErrno(int error) {
    return static_cast<LONG>(Win32ErrorFromErrno(error));
}

// Makes the hive file if it is missing, with exactly mode.
LONG EnsureHiveFile(const std::string& path, mode_t mode) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0)
        return errno == EEXIST ? ERROR_SUCCESS : ErrorFromErrno(errno);
    const bool exact = fchmod(fd, mode) == 0;
    close(fd);
    return exact ? ERROR_SUCCESS : ErrorFromErrno(errno);
}

// A user's hive and its log files must belong to that account: in the shared
// folder another account could have put them there first.
LONG CheckOwner(const std::string& path, uid_t owner) {
    for (const char* suffix : {"", "-wal", "-shm"}) {
        struct stat st;
        const std::string file = path + suffix;
        if (lstat(file.c_str(), &st) != 0) {
            if (*suffix == '\0')
                return ErrorFromErrno(errno);
            continue;
        }
        if (!S_ISREG(st.st_mode) || st.st_uid != owner)
            return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
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
LONG EnsureRegistryFolders() {
    const LONG registry = EnsureMachineFolder(RegistryFolder(), kMachineFolderMode);
    return registry != ERROR_SUCCESS ? registry
                                     : EnsureMachineFolder(UsersFolder(), kUsersFolderMode);
}

} // namespace

LONG MachineHive(std::shared_ptr<Hive>& hive) {
    const std::string path = RegistryFolder() + "/machine" + kHiveSuffix;
    return OpenHive(path, hive, [&] {
        const LONG folders = EnsureRegistryFolders();
        return folders != ERROR_SUCCESS ? folders : EnsureHiveFile(path, kMachineHiveMode);
    });
}

LONG CurrentUserHive(std::shared_ptr<Hive>& hive) {
    const uid_t uid = geteuid();
    const std::string path = UserHivePath(HiveNameOf(uid));
    return OpenHive(path, hive, [&] {
        LONG result = EnsureRegistryFolders();
        if (result == ERROR_SUCCESS)
            result = EnsureHiveFile(path, kUserHiveMode);
        return result == ERROR_SUCCESS ? CheckOwner(path, uid) : result;
    });
}

LONG UserHive(const std::string& name, std::shared_ptr<Hive>& hive) {
    const std::optional<uid_t> uid = AccountOf(name);
    if (!uid)
        return ERROR_FILE_NOT_FOUND;
    const std::string path = UserHivePath(name);
    return OpenHive(path, hive, [&] { return CheckOwner(path, *uid); });
}

std::vector<std::string> UserHiveNames() {
    std::vector<std::string> names;
    DIR* dir = opendir(UsersFolder().c_str());
    if (dir == nullptr)
        return names;
    const std::string_view suffix = kHiveSuffix;
    while (dirent* entry = readdir(dir)) {
        const std::string_view file = entry->d_name;
        if (file.size() <= suffix.size() || file.substr(file.size() - suffix.size()) != suffix)
            continue;
        std::string name(file.substr(0, file.size() - suffix.size()));
        if (AccountOf(name))
            names.push_back(std::move(name));
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace platform::registry

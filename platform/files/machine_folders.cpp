#include "platform/files/machine_folders.h"

#include "platform/runtime/native_errors.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr mode_t kParentFolderMode = 0755;
constexpr mode_t kAccountFolderMode = 0700;
constexpr std::string_view kAccountPrefix = "uid-";
// Rounds of taking root's place back while another account keeps taking it.
constexpr int kTakeBackRounds = 16;
// Names tried for moving an entry aside.
constexpr int kAsideAttempts = 8;
// How deep a folder moved aside is emptied; anything deeper stays aside.
constexpr int kRemovalDepth = 32;

LONG ErrorFromErrno(int error) {
    return static_cast<LONG>(Win32ErrorFromErrno(error));
}

// Removes the entry name of folder, never through a link. A folder is made
// root's and closed to others before it is emptied, so that its owner can
// add nothing to it meanwhile; root's own folders are left alone.
bool RemoveEntry(int folder, const char* name, int depth) {
    if (unlinkat(folder, name, 0) == 0 || errno == ENOENT)
        return true;
    if (errno != EISDIR || depth == 0)
        return false;
    const int fd = openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || st.st_uid == 0 || fchown(fd, 0, 0) != 0 ||
        fchmod(fd, kAccountFolderMode) != 0) {
        if (fd >= 0)
            close(fd);
        return false;
    }
    DIR* entries = fdopendir(fd);
    if (entries == nullptr) {
        close(fd);
        return false;
    }
    bool emptied = true;
    while (const dirent* entry = readdir(entries)) {
        const std::string_view entryName = entry->d_name;
        if (entryName != "." && entryName != "..")
            emptied = RemoveEntry(dirfd(entries), entry->d_name, depth - 1) && emptied;
    }
    closedir(entries);
    return emptied && unlinkat(folder, name, AT_REMOVEDIR) == 0;
}

// Frees the place name of the shared folder at once, whatever another
// account put there: the entry moves aside under a name no account's folder
// has, and is then removed as far as it can be.
bool ClearPlace(int shared, const char* name) {
    std::random_device random;
    for (int attempt = 0; attempt < kAsideAttempts; ++attempt) {
        char aside[32];
        std::snprintf(aside, sizeof aside, ".taken-%08x%08x", random(), random());
        int moved = renameat2(shared, name, shared, aside, RENAME_NOREPLACE);
        if (moved != 0 && errno == EINVAL) // a file system that cannot refuse to replace
            moved = renameat(shared, name, shared, aside);
        if (moved == 0) {
            RemoveEntry(shared, aside, kRemovalDepth);
            return true;
        }
        if (errno == ENOENT)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

int OpenShared(const std::string& sharedFolder) {
    return open(sharedFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

LONG EnsureMachineFolder(const std::string& path, mode_t mode) {
    if (mkdir(path.c_str(), mode) == 0)
        return chmod(path.c_str(), mode) == 0 ? ERROR_SUCCESS : ErrorFromErrno(errno);
    if (errno == ENOENT) {
        const std::size_t slash = path.rfind('/');
        if (slash == 0 || slash == std::string::npos)
            return ERROR_PATH_NOT_FOUND;
        const LONG parent = EnsureMachineFolder(path.substr(0, slash), kParentFolderMode);
        if (parent != ERROR_SUCCESS)
            return parent;
        return EnsureMachineFolder(path, mode);
    }
    struct stat st;
    if (errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return ERROR_SUCCESS;
    return ErrorFromErrno(errno == EEXIST ? ENOTDIR : errno);
}

bool IsAccountsFolder(const struct stat& st, uid_t uid) {
    return S_ISDIR(st.st_mode) && st.st_uid == uid && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string AccountFolderName(uid_t uid) {
    return std::string(kAccountPrefix) + std::to_string(uid);
}

std::optional<uid_t> AccountOfFolderName(std::string_view name) {
    if (name.size() <= kAccountPrefix.size() ||
        name.substr(0, kAccountPrefix.size()) != kAccountPrefix)
        return std::nullopt;
    const std::string_view digits = name.substr(kAccountPrefix.size());
    if (digits.front() == '0' && digits.size() > 1)
        return std::nullopt;
    uid_t uid = 0;
    const auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), uid);
    if (error != std::errc() || stop != digits.data() + digits.size())
        return std::nullopt;
    return uid;
}

int OpenAccountFolder(const std::string& sharedFolder) {
    const int shared = OpenShared(sharedFolder);
    if (shared < 0)
        return -1;
    const uid_t uid = geteuid();
    const std::string name = AccountFolderName(uid);
    int fd = -1;
    int error = EACCES;
    for (int round = 0; round < kTakeBackRounds; ++round) {
        if (mkdirat(shared, name.c_str(), kAccountFolderMode) != 0 && errno != EEXIST) {
            error = errno;
            break;
        }
        fd = openat(shared, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st;
        if (fd >= 0 && fstat(fd, &st) == 0 && IsAccountsFolder(st, uid))
            break;
        if (fd >= 0)
            close(fd);
        fd = -1;
        // Another account came first: root takes its place back, others cannot.
        if (uid != 0 || !ClearPlace(shared, name.c_str()))
            break;
    }
    close(shared);
    if (fd < 0)
        errno = error;
    return fd;
}

void ClearTakenAccountFolders(const std::string& sharedFolder) {
    if (geteuid() != 0)
        return;
    const int shared = OpenShared(sharedFolder);
    DIR* entries = shared < 0 ? nullptr : fdopendir(shared);
    if (entries == nullptr) {
        if (shared >= 0)
            close(shared);
        return;
    }
    while (const dirent* entry = readdir(entries)) {
        const std::optional<uid_t> uid = AccountOfFolderName(entry->d_name);
        struct stat st;
        // An account's own folder stays, whatever the account did to its mode.
        if (uid && fstatat(dirfd(entries), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            !(S_ISDIR(st.st_mode) && st.st_uid == *uid))
            ClearPlace(dirfd(entries), entry->d_name);
    }
    closedir(entries);
}

} // namespace platform

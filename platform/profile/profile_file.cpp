#include "platform/profile/profile_file.h"

#include "platform/errors.h"
#include "platform/files/file_locks.h"
#include "platform/files/file_status.h"
#include "platform/files/native_path.h"
#include "platform/runtime/native_errors.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Closes now, for a caller that must see the result of close.
    int Close() {
        const int result = close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

bool ReadAll(int fd, const struct stat& st, std::string& content) {
    content.reserve(static_cast<std::size_t>(st.st_size));
    char block[65536];
    for (;;) {
        const ssize_t count = read(fd, block, sizeof block);
        if (count == 0)
            return true;
        if (count < 0 && errno != EINTR)
            return false;
        if (count > 0)
            content.append(block, static_cast<std::size_t>(count));
    }
}

bool WriteAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t count = write(fd, content.data() + done, content.size() - done);
        if (count < 0 && errno != EINTR)
            return false;
        if (count > 0)
            done += static_cast<std::size_t>(count);
    }
    return true;
}

// Opens a regular file for reading: -1 with errno set for anything else,
// and a pipe in the file's place does not block. flags: O_NOFOLLOW or 0.
int OpenRegularFile(int folder, const char* path, int flags, struct stat& st) {
    const int fd = openat(folder, path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | flags);
    if (fd < 0)
        return -1;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        return fd;
    close(fd);
    errno = EISDIR; // the kernel's answer for a folder opened as a file
    return -1;
}

constexpr std::chrono::milliseconds kWriterWait(5000);

// How many links in a row a write follows; a longer chain is taken for a loop.
constexpr int kMaxLinkSteps = 40;

// The file a profile write goes to. A symbolic link in the file's place stays
// a link and its target gets the new content, as long as the link is the
// writer's own or the administrator's; a link that another account put there
// would have the writer change a file of that account's choosing, so it is
// not followed: nothing then, as for a loop.
std::optional<std::string> WrittenFile(std::string path) {
    for (int step = 0; step < kMaxLinkSteps; ++step) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        if (!IsOwnOrRoots(st.st_uid))
            return std::nullopt;
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
        if (length < 0)
            return path;
        const std::string_view text(target, static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path = (!text.empty() && text.front() == '/') || slash == std::string::npos
                   ? std::string(text)
                   : path.substr(0, slash + 1) + std::string(text);
    }
    return std::nullopt;
}

void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

bool Fail(int error) {
    // A missing folder is a missing path, not a missing file.
    SetLastError(error == ENOENT ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(error));
    return false;
}

// Windows refuses to write a read-only file even for an administrator; and
// only the account's own files or root's take what it writes.
bool IsWritable(int folder, const std::string& name, const struct stat& st) {
    return IsOwnOrRoots(st.st_uid) && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
           faccessat(folder, name.c_str(), W_OK, 0) == 0;
}

// The start of the names of name's temporaries; "<process id>-<count>" follows.
std::string TemporaryPrefix(const std::string& name) {
    return "." + name.substr(0, 64) + ".~";
}

// A new file beside name, unique among this machine's processes and threads.
int CreateTemporary(int folder, const std::string& name, std::string& tempName) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName =
            TemporaryPrefix(name) + std::to_string(getpid()) + "-" + std::to_string(counter++);
        const int fd =
            openat(folder, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Whether the process named by a temporary's "<process id>-<count>" has ended.
bool WriterHasEnded(std::string_view suffix) {
    const std::size_t dash = suffix.find('-');
    if (dash == std::string_view::npos)
        return false;
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(suffix.data(), suffix.data() + dash, pid);
    if (error != std::errc() || end != suffix.data() + dash || pid <= 0)
        return false;
    return kill(pid, 0) != 0 && errno == ESRCH;
}

// Removes the temporaries of name that writers killed halfway left behind.
// Called under the folder's lock, so no writer is at work on one; a process
// that still runs keeps its own all the same.
void RemoveOrphanedTemporaries(int folder, const std::string& name) {
    const int listed = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listed < 0 ? nullptr : fdopendir(listed);
    if (dir == nullptr) {
        if (listed >= 0)
            close(listed);
        return;
    }
    const std::string prefix = TemporaryPrefix(name);
    while (const dirent* entry = readdir(dir)) {
        const std::string_view entryName = entry->d_name;
        if (entryName.substr(0, prefix.size()) == prefix &&
            WriterHasEnded(entryName.substr(prefix.size())))
            unlinkat(folder, entry->d_name, 0);
    }
    closedir(dir);
}

// Group and permission bits of the file being replaced, the writer's own.
bool KeepGroupAndMode(int fd, const struct stat& original) {
    if (original.st_gid != getegid())
        (void)!fchown(fd, static_cast<uid_t>(-1), original.st_gid);
    return fchmod(fd, original.st_mode & 07777) == 0;
}

bool ReplaceFile(int folder, const std::string& name, const std::string& content,
                 const struct stat* original) {
    std::string tempName;
    Descriptor out(CreateTemporary(folder, name, tempName));
    if (!out.IsOpen())
        return Fail(errno);
    int error = 0;
    if (original && !KeepGroupAndMode(out.Get(), *original))
        error = errno;
    else if (!WriteAll(out.Get(), content) || fsync(out.Get()) != 0)
        error = errno;
    if (out.Close() != 0 && error == 0)
        error = errno;
    if (error == 0 && renameat(folder, tempName.c_str(), folder, name.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlinkat(folder, tempName.c_str(), 0);
        return Fail(error);
    }
    return true;
}

// Writes the file read with status original over in place, where the
// writer could replace it: a file of root's that others may write (shared by
// all accounts) stays root's, which a writer that is not root could not give
// it back to once replaced.
bool RewriteInPlace(int folder, const std::string& name, const std::string& content,
                    const struct stat& original) {
    if (faccessat(folder, ".", W_OK, AT_EACCESS) != 0)
        return Fail(errno);
    Descriptor out(openat(folder, name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (!out.IsOpen() || fstat(out.Get(), &st) != 0)
        return Fail(errno);
    if (st.st_dev != original.st_dev || st.st_ino != original.st_ino)
        return Fail(EACCES); // another file put in its place meanwhile
    if (!WriteAll(out.Get(), content) ||
        ftruncate(out.Get(), static_cast<off_t>(content.size())) != 0 || fsync(out.Get()) != 0 ||
        out.Close() != 0)
        return Fail(errno);
    return true;
}

} // namespace

std::string ProfileFilePath(LPCSTR fileName) {
    return fileName == nullptr ? std::string() : ToNativePath(fileName);
}

std::optional<std::string> ReadProfileFile(const std::string& nativePath) {
    if (nativePath.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    struct stat st;
    Descriptor file(OpenRegularFile(AT_FDCWD, nativePath.c_str(), 0, st));
    std::string content;
    if (!file.IsOpen() || !ReadAll(file.Get(), st, content)) {
        SetLastErrorFromErrno(errno);
        return std::nullopt;
    }
    return content;
}

void FlushProfileFolder(const std::string& nativePath) {
    const std::optional<std::string> file = WrittenFile(nativePath);
    if (nativePath.empty() || !file)
        return;
    std::string folderPath, name;
    SplitPath(*file, folderPath, name);
    Descriptor folder(open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.IsOpen())
        fsync(folder.Get());
}

bool EditProfileFile(const std::string& nativePath, const ProfileEdit& edit) {
    if (nativePath.empty())
        return Fail(ENOENT);
    const std::optional<std::string> target = WrittenFile(nativePath);
    if (!target)
        return Fail(EACCES);
    std::string folderPath, name;
    SplitPath(*target, folderPath, name);
    if (name.empty())
        return Fail(EISDIR);

    Descriptor folder(open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen())
        return Fail(errno);
    // Writers hold the lock for a moment; any account that can read the
    // folder could hold it for ever, so the wait has an end.
    if (!FlockWithin(folder.Get(), kWriterWait)) {
        SetLastError(errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : Win32ErrorFromErrno(errno));
        return false;
    }
    RemoveOrphanedTemporaries(folder.Get(), name);

    struct stat st;
    std::string oldContent;
    // Under the name resolved above: a link put there meanwhile is not read.
    Descriptor file(OpenRegularFile(folder.Get(), name.c_str(), O_NOFOLLOW, st));
    const bool exists = file.IsOpen();
    if (!exists && errno != ENOENT)
        return Fail(errno);
    if (exists && !ReadAll(file.Get(), st, oldContent))
        return Fail(errno);

    const std::optional<std::string> newContent = edit(oldContent);
    if (!newContent)
        return true;
    if (exists && !IsWritable(folder.Get(), name, st))
        return Fail(EACCES);
    if (exists && st.st_uid != geteuid())
        return RewriteInPlace(folder.Get(), name, *newContent, st);
    return ReplaceFile(folder.Get(), name, *newContent, exists ? &st : nullptr);
}

} // namespace platform

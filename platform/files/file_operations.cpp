// Whole-file operations by name: delete, copy, move.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/files/file_open.h"
#include "platform/files/file_status.h"
#include "platform/files/native_path.h"
#include "platform/runtime/native_errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

BOOL FailForPath(int error, const std::string& nativePath) {
    platform::SetLastErrorForPath(nativePath.empty() ? ENOENT : error, nativePath);
    return FALSE;
}

bool HasWritePermission(const struct stat& st) {
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

// Admits replacing or removing the existing entry at path with status st (not
// following a link), which Windows refuses for folders, read-only files and
// files open without sharing `rights`.
std::unique_ptr<platform::ShareClaim> ClaimExisting(const std::string& path, const struct stat& st,
                                                    unsigned rights) {
    if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && !HasWritePermission(st))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return platform::ClaimEntry(path, st, rights);
}

// Renames without replacing an existing target (EEXIST then).
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL)
        return -1;
    // A file system that cannot refuse atomically: check first.
    struct stat st;
    if (lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return rename(from.c_str(), to.c_str());
}

bool CopyContent(int from, int to) {
    char block[65536];
    for (;;) {
        const ssize_t got = read(from, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(to, block + done, got - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                if (put == 0)
                    errno = ENOSPC;
                return false;
            }
            done += put;
        }
    }
}

// Writes a copy of the open file `from` under a temporary name in the folder of
// target: content, permission bits and times, synced to disk. "" with errno on failure.
std::string WriteTemporaryCopy(int from, const std::string& target) {
    const std::size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = folder + "." + name + ".copy-XXXXXX";
    const int to = mkostemp(temporary.data(), O_CLOEXEC);
    if (to < 0)
        return {};
    struct stat st {};
    bool written = fstat(from, &st) == 0 && CopyContent(from, to);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    written = written && fchmod(to, st.st_mode & 07777) == 0 && futimens(to, times) == 0 &&
              fsync(to) == 0;
    const int error = errno;
    if (close(to) != 0 || !written) {
        unlink(temporary.c_str());
        errno = written ? errno : error;
        return {};
    }
    return temporary;
}

} // namespace

BOOL DeleteFileA(LPCSTR fileName) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string native = platform::ToNativePath(fileName);
    struct stat st;
    if (native.empty() || lstat(native.c_str(), &st) != 0)
        return FailForPath(errno, native);
    const auto claim = ClaimExisting(native, st, platform::kRightDelete);
    if (!claim)
        return FALSE;
    if (unlink(native.c_str()) != 0)
        return FailForPath(errno, native);
    return TRUE;
}

BOOL CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
    if (existingFileName == nullptr || newFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const platform::SharedFile source = platform::OpenSharedFile(
        platform::ToNativePath(existingFileName), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
    if (!source.IsOpen())
        return FALSE;
    const std::string target = platform::ToNativePath(newFileName);
    if (target.empty())
        return FailForPath(ENOENT, target);

    // Keep the target's other users out until it has been replaced. A link in
    // its place is replaced itself, its target left alone.
    std::unique_ptr<platform::ShareClaim> targetClaim;
    struct stat st;
    if (lstat(target.c_str(), &st) == 0) {
        if (failIfExists) {
            SetLastError(ERROR_FILE_EXISTS);
            return FALSE;
        }
        targetClaim = ClaimExisting(target, st, platform::kRightWrite);
        if (!targetClaim)
            return FALSE;
    }
    const std::string temporary = WriteTemporaryCopy(source.Fd(), target);
    if (temporary.empty())
        return FailForPath(errno, target);
    const int renamed = failIfExists ? RenameNoReplace(temporary, target)
                                     : rename(temporary.c_str(), target.c_str());
    if (renamed != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        if (error == EEXIST) {
            SetLastError(ERROR_FILE_EXISTS);
            return FALSE;
        }
        return FailForPath(error, target);
    }
    return TRUE;
}

BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
    if (existingFileName == nullptr || newFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string source = platform::ToNativePath(existingFileName);
    const std::string target = platform::ToNativePath(newFileName);
    struct stat st;
    if (source.empty() || lstat(source.c_str(), &st) != 0)
        return FailForPath(errno, source);
    if (target.empty())
        return FailForPath(ENOENT, target);
    const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
    int error = 0;
    {
        // Moving needs the right to delete the source, and replacing the right
        // to delete the target, as on Windows.
        const auto sourceClaim = platform::ClaimEntry(source, st, platform::kRightDelete);
        if (!sourceClaim)
            return FALSE;
        std::unique_ptr<platform::ShareClaim> targetClaim;
        if (replace && lstat(target.c_str(), &st) == 0) {
            targetClaim = ClaimExisting(target, st, platform::kRightDelete);
            if (!targetClaim)
                return FALSE;
        }
        if ((replace ? rename(source.c_str(), target.c_str()) : RenameNoReplace(source, target)) !=
            0)
            error = errno;
    }
    if (error == 0)
        return TRUE;
    if (error == EEXIST) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (error != EXDEV)
        return FailForPath(error, access(source.c_str(), F_OK) == 0 ? target : source);
    if (!(flags & MOVEFILE_COPY_ALLOWED)) {
        SetLastError(ERROR_NOT_SAME_DEVICE);
        return FALSE;
    }
    return CopyFileA(existingFileName, newFileName, !replace) && DeleteFileA(existingFileName);
}

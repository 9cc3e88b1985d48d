// Directory search by wildcard: FindFirstFileA, FindNextFileA, FindClose.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/files/file_status.h"
#include "platform/files/native_path.h"
#include "platform/files/windows_names.h"
#include "platform/runtime/native_errors.h"
#include "platform/strings.h"
#include "platform/sync/kernel_objects.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct FindObject : platform::KernelObject {
    std::vector<WIN32_FIND_DATAA> entries;
    std::atomic<std::size_t> next{0};
};

char Folded(char c) {
    return ascii::ToUpper(c);
}

// "*" matches any run of characters, "?" any one, everything else itself
// ignoring case.
bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || Folded(pattern[p]) == Folded(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

// As Windows does, "name.*" also matches "name" without an extension, so that
// "*.*" matches every name.
bool Matches(std::string_view pattern, std::string_view name) {
    if (MatchesWildcard(pattern, name))
        return true;
    return pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*" &&
           MatchesWildcard(pattern.substr(0, pattern.size() - 2), name);
}

bool FoldedLess(const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
    for (std::size_t i = 0;; ++i) {
        const char x = Folded(a.cFileName[i]), y = Folded(b.cFileName[i]);
        if (x != y || x == '\0')
            return x < y;
    }
}

// Describes the entry of the native name under the name the system knows it
// by, windowsName.
bool Describe(int folderFd, const char* name, const std::string& windowsName,
              WIN32_FIND_DATAA& data) {
    platform::FileStatus status;
    if (windowsName.size() >= sizeof data.cFileName ||
        !platform::ReadFileStatus(folderFd, name, status))
        return false; // gone meanwhile, or a link that leads nowhere
    data = WIN32_FIND_DATAA{};
    data.dwFileAttributes = status.attributes;
    // A link is reported as Windows reports a symbolic link: with its
    // target's attributes and the reparse point, so walkers can keep out.
    struct stat entry;
    if (fstatat(folderFd, name, &entry, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(entry.st_mode))
        data.dwFileAttributes =
            (data.dwFileAttributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_REPARSE_POINT;
    data.ftCreationTime = status.creationTime; // zero where the file system keeps none
    data.ftLastAccessTime = status.lastAccessTime;
    data.ftLastWriteTime = status.lastWriteTime;
    data.nFileSizeHigh = static_cast<DWORD>(status.size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(status.size);
    std::strcpy(data.cFileName, windowsName.c_str());
    return true;
}

// The matching entries of a folder in the order of their upper-cased names,
// as NTFS lists them. False with the last error set when the folder cannot be read.
bool ListMatches(const std::string& folder, std::string_view pattern,
                 std::vector<WIN32_FIND_DATAA>& entries) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        if (errno == ENOENT || errno == ENOTDIR)
            SetLastError(ERROR_PATH_NOT_FOUND);
        else
            platform::SetLastErrorFromErrno(errno);
        return false;
    }
    while (const dirent* entry = readdir(dir)) {
        WIN32_FIND_DATAA data;
        const std::string name = platform::WindowsNames(entry->d_name);
        if (Matches(pattern, name) && Describe(dirfd(dir), entry->d_name, name, data))
            entries.push_back(data);
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(), FoldedLess);
    return true;
}

} // namespace

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findFileData) {
    if (fileName == nullptr || findFileData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // The folder part is a path; the last component is the pattern.
    const std::string_view whole(fileName);
    std::size_t split = whole.find_last_of("\\/");
    if (split == std::string_view::npos)
        split = platform::DriveLetterOf(whole) ? 1 : std::string_view::npos;
    const std::string_view folderPart =
        split == std::string_view::npos ? std::string_view() : whole.substr(0, split + 1);
    const std::string_view pattern = whole.substr(folderPart.size());
    const std::string folder = folderPart.empty() ? "." : platform::ToNativePath(folderPart);
    if (folder.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto search = std::make_shared<FindObject>();
    if (!ListMatches(folder, pattern, search->entries))
        return INVALID_HANDLE_VALUE;
    if (search->entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *findFileData = search->entries[search->next++];
    return platform::RegisterKernelObject(search);
}

BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findFileData) {
    const auto search = platform::FindKernelObjectAs<FindObject>(findFile);
    if (!search || findFileData == nullptr) {
        SetLastError(search ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const std::size_t index = search->next++;
    if (index >= search->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *findFileData = search->entries[index];
    return TRUE;
}

BOOL FindClose(HANDLE findFile) {
    if (!platform::FindKernelObjectAs<FindObject>(findFile) ||
        !platform::UnregisterKernelObject(findFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

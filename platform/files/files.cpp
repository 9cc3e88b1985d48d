#include "platform/files.h"

#include "platform/errors.h"
#include "platform/files/file_status.h"
#include "platform/files/native_path.h"
#include "platform/runtime/native_errors.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Copies text into a caller's buffer the way the kernel's string getters do:
// the length without terminator when it fits, else the size needed with it.
DWORD CopyOut(const std::string& text, DWORD bufferLength, LPSTR buffer) {
    if (buffer == nullptr || text.size() + 1 > bufferLength)
        return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

std::string NativeCurrentDirectory() {
    char buffer[PATH_MAX];
    if (getcwd(buffer, sizeof buffer) == nullptr)
        return {};
    return buffer;
}

std::string WindowsCurrentDirectory() {
    return platform::ToWindowsPath(NativeCurrentDirectory());
}

} // namespace

BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
    if (pathName == nullptr || *pathName == '\0') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    const std::string native = platform::ToNativePath(pathName);
    // Folders are writable by their owner alone, whatever the umask: others
    // could otherwise put files or links where the system writes.
    if (mkdir(native.c_str(), 0755) != 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : platform::Win32ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR pathName) {
    if (pathName == nullptr || rmdir(platform::ToNativePath(pathName).c_str()) != 0) {
        platform::SetLastErrorFromErrno(pathName ? errno : EINVAL);
        return FALSE;
    }
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    struct stat st;
    if (fileName == nullptr || stat(platform::ToNativePath(fileName).c_str(), &st) != 0) {
        platform::SetLastErrorFromErrno(fileName ? errno : EINVAL);
        return INVALID_FILE_ATTRIBUTES;
    }
    return platform::AttributesOfMode(st.st_mode);
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    const std::string current = WindowsCurrentDirectory();
    if (current.empty()) {
        platform::SetLastErrorFromErrno(errno);
        return 0;
    }
    return CopyOut(current, bufferLength, buffer);
}

BOOL SetCurrentDirectoryA(LPCSTR pathName) {
    if (_chdir(pathName) != 0) {
        platform::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = platform::ToWindowsPath((tmp && *tmp == '/') ? tmp : "/tmp");
    if (folder.back() != '\\')
        folder += '\\';
    return CopyOut(folder, bufferLength, buffer);
}

DWORD GetModuleFileNameA(HMODULE, LPSTR fileName, DWORD size) {
    char native[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", native, sizeof native - 1);
    if (length < 0) {
        platform::SetLastErrorFromErrno(errno);
        return 0;
    }
    native[length] = '\0';
    const std::string path = platform::ToWindowsPath(native);
    if (size == 0 || fileName == nullptr) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // Like the kernel: a path that does not fit is cut, terminated, and the
    // full buffer size is answered.
    if (path.size() + 1 > size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

int _access(const char* path, int mode) {
    if (path == nullptr || *path == '\0') {
        errno = ENOENT;
        return -1;
    }
    int how = F_OK;
    if (mode & 2)
        how |= W_OK;
    if (mode & 4)
        how |= R_OK;
    return access(platform::ToNativePath(path).c_str(), how) == 0 ? 0 : -1;
}

char* _getcwd(char* buffer, int maxlen) {
    const std::string current = WindowsCurrentDirectory();
    if (current.empty())
        return nullptr;
    if (buffer == nullptr) {
        // The runtime allocates at least maxlen bytes when no buffer is given.
        const std::size_t size = std::max<std::size_t>(current.size() + 1, maxlen > 0 ? maxlen : 0);
        buffer = static_cast<char*>(std::malloc(size));
        if (buffer == nullptr) {
            errno = ENOMEM;
            return nullptr;
        }
    } else if (maxlen <= 0 || current.size() + 1 > static_cast<std::size_t>(maxlen)) {
        errno = ERANGE;
        return nullptr;
    }
    std::memcpy(buffer, current.c_str(), current.size() + 1);
    return buffer;
}

int _chdir(const char* dirname) {
    if (dirname == nullptr || *dirname == '\0') {
        errno = ENOENT;
        return -1;
    }
    if (chdir(platform::ToNativePath(dirname).c_str()) != 0)
        return -1;
    if (const int drive = _getdrive())
        platform::RememberDriveDirectory(static_cast<char>('A' + drive - 1),
                                         NativeCurrentDirectory());
    return 0;
}

int _getdrive() {
    const char letter = platform::DriveLetterOf(WindowsCurrentDirectory());
    return letter ? letter - 'A' + 1 : 0;
}

int _chdrive(int drive) {
    if (drive < 1 || drive > 26) {
        errno = EACCES;
        return -1;
    }
    if (drive == _getdrive())
        return 0;
    const char letter = static_cast<char>('A' + drive - 1);
    const std::string root = platform::DriveRoot(letter);
    if (root.empty()) {
        errno = EACCES;
        return -1;
    }
    const std::string remembered = platform::RememberedDriveDirectory(letter);
    if (!remembered.empty() && chdir(remembered.c_str()) == 0)
        return 0;
    return chdir(root.c_str()) == 0 ? 0 : -1;
}

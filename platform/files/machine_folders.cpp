#include "platform/files/machine_folders.h"

#include "platform/runtime/native_errors.h"

#include <cerrno>
#include <sys/stat.h>

namespace platform {

namespace {

constexpr mode_t kParentFolderMode = 0755;

LONG ErrorFromErrno(int error) {
    return static_cast<LONG>(Win32ErrorFromErrno(error));
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

} // namespace platform

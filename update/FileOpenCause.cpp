#include "update/FileOpenCause.h"

int FileOpenCauseOf(DWORD error) {
    switch (error) {
    case ERROR_SUCCESS:
        return kCauseNone;
    case ERROR_FILE_NOT_FOUND:
        return kCauseFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return kCauseBadPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return kCauseTooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return kCauseAccessDenied;
    case ERROR_SHARING_VIOLATION:
        return kCauseSharingViolation;
    case ERROR_LOCK_VIOLATION:
        return kCauseLockViolation;
    case ERROR_DISK_FULL:
        return kCauseDiskFull;
    default:
        return kCauseGeneric;
    }
}

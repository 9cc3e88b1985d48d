// Why a file could not be opened, in the class library's file-exception
// causes: the download reports them to its caller, who tells a file held by
// another process (sharingViolation) apart from every other failure.
#pragma once

#include "platform/win_types.h"

enum FileOpenCause : int {
    kCauseNone = 0,
    kCauseGeneric = 1,
    kCauseFileNotFound = 2,
    kCauseBadPath = 3,
    kCauseTooManyOpenFiles = 4,
    kCauseAccessDenied = 5,
    kCauseSharingViolation = 11,
    kCauseLockViolation = 12,
    kCauseDiskFull = 13,
};

// The cause of a system error code (GetLastError); kCauseGeneric for codes
// without a cause of their own.
int FileOpenCauseOf(DWORD error);

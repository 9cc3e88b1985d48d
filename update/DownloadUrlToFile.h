// Fetches one address into one file, block by block, with an optional
// progress report to a window.
#pragma once

#include "platform/win_types.h"
#include "update/BackgroundMd5.h"

#include <optional>

// What a caller may ask of a download beyond storing the bytes.
struct DownloadChecks {
    // Stop as soon as more bytes than this arrived, so a server that sends
    // more than the published size cannot fill the disk.
    std::optional<DWORD> byteLimit;
    // Fed with every block as it is written, so the digest is known when the
    // last byte is on disk without reading the file a second time.
    BackgroundMd5* digest = nullptr;
};

struct DownloadResult {
    // Bytes written to the file.
    DWORD bytes = 0;
    // A block (or the final flush) could not be written, e.g. on a full disk:
    // the file is incomplete whatever its size.
    bool writeFailed = false;
};

// Fetches address (status code not examined: an error page is stored like
// any body) into filePath, creating its folders; the file is emptied first
// and opened denying every other access. With a window, command 1027 with
// the running total is posted after every block, and the download stops when
// the window is gone; the bytes written so far stay in the file. When the
// file cannot be opened, openErrorCause (if given) receives the cause
// (FileOpenCause.h; 11 when another process holds the file).
DownloadResult DownloadToFile(LPCSTR address, LPCSTR filePath, HWND window, int* openErrorCause,
                              const DownloadChecks& checks);

// The same without further checks: the bytes written, 0 on every failure
// (no session, address not opened, file not opened, empty body, a write
// that failed).
DWORD DownloadUrlToFile(LPCSTR address, LPCSTR filePath, HWND window, int* openErrorCause);

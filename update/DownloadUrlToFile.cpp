#include "update/DownloadUrlToFile.h"

#include "base/CreateFolderPath.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/internet.h"
#include "platform/window_queue.h"
#include "update/DownloadCommands.h"
#include "update/FileOpenCause.h"

#include <cstdio>
#include <memory>

namespace {

struct InternetCloser {
    void operator()(void* handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetCloser>;

void CreateFolderOf(LPCSTR filePath) {
    char drive[_MAX_DRIVE] = {};
    char folder[_MAX_DIR] = {};
    _splitpath(filePath, drive, folder, nullptr, nullptr);
    char path[_MAX_DRIVE + _MAX_DIR] = {};
    std::snprintf(path, sizeof path, "%s%s", drive, folder);
    CreateFolderPath(path);
}

// Copies the body into the open file; a read that fails ends it like a
// short block, keeping what came.
DownloadResult CopyBody(HINTERNET body, HANDLE file, HWND window, const DownloadChecks& checks) {
    DownloadResult result;
    char block[kDownloadBlockSize];
    DWORD got = 0;
    while (InternetReadFile(body, block, sizeof block, &got)) {
        if (got > 0) {
            DWORD written = 0;
            if (!WriteFile(file, block, got, &written, nullptr) || written != got) {
                result.bytes += written;
                result.writeFailed = true;
                break;
            }
            if (checks.digest != nullptr)
                checks.digest->Update(block, got);
        }
        result.bytes += got;
        if (window != nullptr) {
            if (!IsWindow(window))
                break;
            PostMessageA(window, WM_COMMAND, kCommandDownloadProgress,
                         static_cast<LPARAM>(result.bytes));
        }
        if (got < sizeof block)
            break;
        if (checks.byteLimit && result.bytes > *checks.byteLimit)
            break;
    }
    return result;
}

} // namespace

DownloadResult DownloadToFile(LPCSTR address, LPCSTR filePath, HWND window, int* openErrorCause,
                              const DownloadChecks& checks) {
    const InternetHandle session(
        InternetOpenA(kUpdateUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return {};
    const InternetHandle body(
        InternetOpenUrlA(session.get(), address, nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    if (!body)
        return {};

    CreateFolderOf(filePath);
    const HANDLE file = CreateFileA(filePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (openErrorCause != nullptr)
            *openErrorCause = FileOpenCauseOf(GetLastError());
        return {};
    }
    DownloadResult result = CopyBody(body.get(), file, window, checks);
    // Not forced to the disk: the installer reads the package through the
    // same system cache, and a package lost in a crash is fetched again, as
    // its size and digest are checked before it is reused. Forcing a large
    // package to the disk would cost as much as the download itself.
    if (!CloseHandle(file))
        result.writeFailed = true;
    return result;
}

DWORD DownloadUrlToFile(LPCSTR address, LPCSTR filePath, HWND window, int* openErrorCause) {
    const DownloadResult result = DownloadToFile(address, filePath, window, openErrorCause, {});
    return result.writeFailed ? 0 : result.bytes;
}

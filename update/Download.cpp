#include "update/Download.h"

#include "base/CreateFolderPath.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/internet.h"
#include "platform/profile.h"
#include "platform/sync.h"
#include "platform/window_queue.h"
#include "products/ProductCatalogue.h"
#include "update/UpdateDescription.h"

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

// The error of a write that failed, never ERROR_SUCCESS.
DWORD WriteErrorOf(DWORD error) {
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
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
                result.writeError = WriteErrorOf(GetLastError());
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

bool DigestMatches(BackgroundDigest* digest, const DigestCheck& check) {
    return digest == nullptr || check.Matches(digest->Final());
}

// The command that ends a package download, and its value.
struct FinalCommand {
    unsigned id = kCommandDownloadFailed;
    LPARAM value = 0;
};

// Downloads from the first address of the series that yields anything and
// answers the final command.
FinalCommand DownloadPackage(const DownloadRequest& request, DWORD expectedSize) {
    if (!IsInUpdateFolder(request.descriptionPath, request.targetPath))
        return {};
    const char* section = FindProduct(request.product).ShortId;
    const std::string& description = request.descriptionPath;
    const std::string md5Text = ReadProfileText(description, section, "MD5");
    const std::optional<std::string> sha256Text = ReadProfileValue(description, section, "SHA256");
    // A SHA256 that cannot be read vouches for no bytes: none are fetched, so
    // a package kept from before stays as it is.
    if (sha256Text && !ParseSha256Text(sha256Text->c_str()))
        return {};
    // Without MD5 the download is judged by its size (and SHA-256); such a
    // package is never reused from disk, though (PackageMatchesDigest).
    const DigestCheck check(md5Text.empty() ? nullptr : md5Text.c_str(),
                            sha256Text ? sha256Text->c_str() : nullptr);

    int openErrorCause = kCauseNone;
    DownloadResult result;
    std::unique_ptr<BackgroundDigest> digest;
    for (int i = 1;; ++i) {
        const std::string key = "MSI" + std::to_string(i);
        const std::string address = ReadProfileText(description, section, key.c_str());
        if (address.empty())
            break;
        digest =
            check.Checked().Any() ? std::make_unique<BackgroundDigest>(check.Checked()) : nullptr;
        result = DownloadToFile(address.c_str(), request.targetPath.c_str(), request.window,
                                &openErrorCause, {expectedSize, digest.get()});
        if (result.bytes != 0 || result.WriteFailed())
            break;
    }
    if (result.WriteFailed())
        return {kCommandDownloadFailed, static_cast<LPARAM>(result.writeError)};
    // An empty package is never ready: it is what a description without
    // addresses, or servers that all failed, leave behind.
    if (result.bytes != 0 && result.bytes == expectedSize && DigestMatches(digest.get(), check))
        return {kCommandPackageReady};
    if (openErrorCause == kCauseSharingViolation)
        return {kCommandPackageFileBusy};
    return {};
}

} // namespace

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

DownloadResult DownloadToFile(LPCSTR address, LPCSTR filePath, HWND window, int* openErrorCause,
                              const DownloadChecks& checks) {
    const InternetHandle session(
        InternetOpenA(kUpdateUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return {};
    if (checks.wholeWithinReceiveTimeout)
        platform::LimitInternetSessionTime(session.get());
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
    if (!CloseHandle(file) && !result.WriteFailed())
        result.writeError = WriteErrorOf(GetLastError());
    if (result.WriteFailed())
        DeleteFileA(filePath);
    return result;
}

DWORD DownloadUrlToFile(LPCSTR address, LPCSTR filePath, HWND window, int* openErrorCause) {
    const DownloadResult result = DownloadToFile(address, filePath, window, openErrorCause, {});
    return result.WriteFailed() ? 0 : result.bytes;
}

std::optional<std::string> PackageTargetPath(const std::string& settingsFolder,
                                             const char* fileName) {
    if (!IsPlainFileName(fileName))
        return std::nullopt;
    return settingsFolder + "Update\\" + fileName;
}

bool IsInUpdateFolder(const std::string& descriptionPath, const std::string& targetPath) {
    const std::size_t folderEnd = descriptionPath.rfind('\\');
    if (folderEnd == std::string::npos)
        return false;
    const std::string_view folder(descriptionPath.data(), folderEnd + 1);
    return targetPath.size() > folder.size() && targetPath.starts_with(folder) &&
           IsPlainFileName(targetPath.c_str() + folder.size());
}

HANDLE StartPackageDownload(HWND window, Product product, const std::string& descriptionPath,
                            const std::string& targetPath) {
    auto request = std::make_unique<DownloadRequest>();
    request->window = window;
    request->product = product;
    request->descriptionPath = descriptionPath;
    request->targetPath = targetPath;
    const HANDLE thread =
        CreateThread(nullptr, 0, PackageDownloadWorker, request.get(), 0, nullptr);
    if (thread != nullptr)
        request.release();
    return thread;
}

DWORD PackageDownloadWorker(LPVOID parameter) {
    const std::unique_ptr<DownloadRequest> request(static_cast<DownloadRequest*>(parameter));
    const DWORD expectedSize = GetPrivateProfileIntA(
        FindProduct(request->product).ShortId, "FileSize", 0, request->descriptionPath.c_str());
    PostMessageA(request->window, WM_COMMAND, kCommandDownloadStarted,
                 static_cast<LPARAM>(expectedSize));
    const FinalCommand finalCommand = DownloadPackage(*request, expectedSize);
    if (IsWindow(request->window))
        PostMessageA(request->window, WM_COMMAND, finalCommand.id, finalCommand.value);
    return 0;
}

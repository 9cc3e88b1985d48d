// The download engine: one address fetched into one file block by block, and the
// package download, a worker thread that fetches the product's Windows
// Installer package and reports to the update dialog with private commands.
#pragma once

#include "platform/win_types.h"
#include "products/ProductCatalogue.h"
#include "update/Digest.h"

#include <cstdint>
#include <optional>
#include <string>

// The private commands through which a download reports to the update
// dialog: WM_COMMAND with the id as the whole wParam and a value in lParam.

// lParam: the expected package size in bytes (0 when unknown).
constexpr unsigned kCommandDownloadStarted = 1026;
// lParam: the bytes written to the file so far.
constexpr unsigned kCommandDownloadProgress = 1027;
// lParam: 0, or the system error of a write that failed (ERROR_DISK_FULL:
// the package does not fit on the disk).
constexpr unsigned kCommandDownloadFailed = 1028;
constexpr unsigned kCommandPackageReady = 1029;
// The package file is held open by another process.
constexpr unsigned kCommandPackageFileBusy = 1030;

// The transfer's block: a progress command follows every one.
constexpr unsigned kDownloadBlockSize = 8192;

// Every request to the update server introduces itself so.
inline constexpr char kUpdateUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// Why a file could not be opened, in the class library's file-exception
// causes: the download reports them to its caller, who tells a file held by
// another process (sharingViolation) apart from every other failure.
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

// ---- One address into one file, with an optional progress report ----

// What a caller may ask of a download beyond storing the bytes.
struct DownloadChecks {
    // Stop as soon as more bytes than this arrived, so a server that sends
    // more than the published size cannot fill the disk.
    std::optional<DWORD> byteLimit;
    // Fed with every block as it is written, so the digests are known when
    // the last byte is on disk without reading the file a second time.
    BackgroundDigest* digest = nullptr;
    // The whole answer must come within the receive time-out, however
    // steadily it trickles (platform::LimitInternetSessionTime): for a small
    // file fetched where the user cannot cancel the wait.
    bool wholeWithinReceiveTimeout = false;
};

struct DownloadResult {
    // Bytes written to the file.
    DWORD bytes = 0;
    // The system error when a block (or the final flush) could not be
    // written, e.g. ERROR_DISK_FULL: the file was incomplete whatever its
    // size, and it has been removed.
    DWORD writeError = ERROR_SUCCESS;

    bool WriteFailed() const { return writeError != ERROR_SUCCESS; }
};

// Fetches address (status code not examined: an error page is stored like
// any body) into filePath, creating its folders; the file is emptied first
// and opened denying every other access. With a window, command 1027 with
// the running total is posted after every block, and the download stops when
// the window is gone; the bytes written so far stay in the file. A file
// whose write failed is removed: kept, a partial package would only keep a
// full disk full. When the file cannot be opened, openErrorCause (if given)
// receives the cause (FileOpenCause; 11 when another process holds the file).
DownloadResult DownloadToFile(LPCSTR address, LPCSTR filePath, HWND window, int* openErrorCause,
                              const DownloadChecks& checks);

// The same without further checks: the bytes written, 0 on every failure
// (no session, address not opened, file not opened, empty body, a write
// that failed).
DWORD DownloadUrlToFile(LPCSTR address, LPCSTR filePath, HWND window, int* openErrorCause);

// ---- The package download ----

// Where a package is stored: always directly inside the product's update
// folder (Update\ of its settings folder), whatever name the description
// file gives it. The settings folder (ending with a backslash) followed by "Update\" and
// fileName; nothing when fileName is not a plain name (IsPlainFileName), so
// a name such as "..\x" or "C:x" never leads out of the folder.
std::optional<std::string> PackageTargetPath(const std::string& settingsFolder,
                                             const char* fileName);

// Whether targetPath is a plain file name directly in the folder of the
// stored description file (its Update\ folder).
bool IsInUpdateFolder(const std::string& descriptionPath, const std::string& targetPath);

// The worker thread fetches the product's Windows Installer package from
// the addresses of the stored description file and reports start, progress
// and outcome to the update dialog with the commands above. The worker's parameter block: made by
// StartPackageDownload, owned and freed by the worker.
struct DownloadRequest {
    // The update dialog, receiver of every report.
    HWND window = nullptr;
    // Its ShortId names the section of the description file.
    Product product = NoProduct;
    // The stored description file: settings folder + "Update\QVU.ini".
    std::string descriptionPath;
    // The package file, directly in the same Update\ folder (PackageTargetPath).
    std::string targetPath;
    std::int32_t reserved1 = 0;
    std::int32_t reserved2 = 0;
};

// Starts PackageDownloadWorker on a new thread and answers its handle for
// the caller to close (closing does not stop it); null when no thread could
// be started, and nothing will be reported then.
HANDLE StartPackageDownload(HWND window, Product product, const std::string& descriptionPath,
                            const std::string& targetPath);

// The thread routine; takes a DownloadRequest made with new. Posts 1026 with
// the published FileSize, tries MSI1, MSI2, ... until an address yields any
// bytes, and, while the window exists, posts one final command: 1029 when the
// package is not empty and has exactly the published size and (each when one
// is published) MD5 and SHA-256; 1030 when another process holds the package
// file; 1028 otherwise, including a file that could not be written (with the
// write's error, the file removed), a server sending more than the published
// size, and, with nothing fetched or created, a SHA256 that cannot be read
// (ParseSha256Text) or a target outside the Update\ folder. Answers 0.
DWORD PackageDownloadWorker(LPVOID request);

// The package download: a worker thread that fetches the product's Windows
// Installer package from the addresses of the stored description file and
// reports start, progress and outcome to the update dialog (DownloadCommands.h).
#pragma once

#include "platform/win_types.h"
#include "products/Product.h"

#include <cstdint>
#include <string>

// The worker's parameter block: made by StartPackageDownload, owned and
// freed by the worker.
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
// package is not empty and has exactly the published size and (when one is
// published) MD5;
// 1030 when another process holds the package file; 1028 otherwise,
// including a file that could not be written, a server sending more than the
// published size, and a target outside the Update\ folder (nothing is then
// created). Answers 0.
DWORD PackageDownloadWorker(LPVOID request);

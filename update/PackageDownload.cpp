#include "update/PackageDownload.h"

#include "platform/handles.h"
#include "platform/profile.h"
#include "platform/sync.h"
#include "platform/window_queue.h"
#include "products/ProductCatalogue.h"
#include "update/DownloadCommands.h"
#include "update/DownloadUrlToFile.h"
#include "update/FileOpenCause.h"
#include "update/PackageDigest.h"
#include "update/PackageTarget.h"
#include "update/ProfileText.h"

#include <memory>

namespace {

bool DigestMatches(BackgroundMd5* digest, const std::string& published) {
    if (digest == nullptr)
        return true;
    const std::optional<Md5Bytes> expected = ParseDigestText(published.c_str());
    const std::optional<Md5Bytes> actual = digest->Final();
    return expected && actual && *expected == *actual;
}

// Downloads from the first address of the series that yields anything and
// answers the final command.
unsigned DownloadPackage(const DownloadRequest& request, DWORD expectedSize) {
    if (!IsInUpdateFolder(request.descriptionPath, request.targetPath))
        return kCommandDownloadFailed;
    const char* section = FindProduct(request.product).ShortId;
    const std::string& description = request.descriptionPath;
    const std::string publishedDigest = ReadProfileText(description, section, "MD5");

    int openErrorCause = kCauseNone;
    DownloadResult result;
    std::unique_ptr<BackgroundMd5> digest;
    for (int i = 1;; ++i) {
        const std::string key = "MSI" + std::to_string(i);
        const std::string address = ReadProfileText(description, section, key.c_str());
        if (address.empty())
            break;
        digest = publishedDigest.empty() ? nullptr : std::make_unique<BackgroundMd5>();
        result = DownloadToFile(address.c_str(), request.targetPath.c_str(), request.window,
                                &openErrorCause, {expectedSize, digest.get()});
        if (result.bytes != 0 || result.writeFailed)
            break;
    }
    // An empty package is never ready: it is what a description without
    // addresses, or servers that all failed, leave behind.
    if (!result.writeFailed && result.bytes != 0 && result.bytes == expectedSize &&
        DigestMatches(digest.get(), publishedDigest))
        return kCommandPackageReady;
    if (openErrorCause == kCauseSharingViolation)
        return kCommandPackageFileBusy;
    return kCommandDownloadFailed;
}

} // namespace

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
    const unsigned finalCommand = DownloadPackage(*request, expectedSize);
    if (IsWindow(request->window))
        PostMessageA(request->window, WM_COMMAND, finalCommand, 0);
    return 0;
}

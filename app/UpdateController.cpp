// The run's controller: the private commands, Start and Cancel.
#include "app/QVUUpdateDlg.h"

#include "app/SelectProductDlg.h"
#include "app/UpdateFrontEnd.h"
#include "base/KxString.h"
#include "platform/dialog_controls.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "products/ProductCatalogue.h"
#include "products/ProductDetection.h"
#include "products/SystemIdentification.h"
#include "update/Digest.h"
#include "update/Download.h"
#include "update/SelfCheck.h"
#include "update/UpdateDescription.h"

namespace {

constexpr char kBetaProgramQuery[] = "?File=ZoZuzaviz/QVUUpdateBeta.exe";

// Tells the front end while the update check holds the dialog's thread.
class UpdateCheck {
public:
    UpdateCheck(UpdateFrontEnd& frontEnd, CQVUUpdateDlg& dialog)
        : frontEnd_(frontEnd), dialog_(dialog) {
        frontEnd_.UpdateCheckRunning(dialog_, true);
    }
    ~UpdateCheck() { End(); }
    void End() {
        if (running_)
            frontEnd_.UpdateCheckRunning(dialog_, false);
        running_ = false;
    }
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

private:
    UpdateFrontEnd& frontEnd_;
    CQVUUpdateDlg& dialog_;
    bool running_ = true;
};

} // namespace

BOOL CQVUUpdateDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
    case kCommandStartRun:
        OnStartRun();
        return TRUE;
    case kCommandDownloadStarted:
        progress_.OnDownloadStarted(lParam);
        return TRUE;
    case kCommandDownloadProgress:
        progress_.OnDownloadProgress(lParam);
        return TRUE;
    case kCommandDownloadFailed:
    case kCommandPackageFileBusy:
        OnDownloadFailed(static_cast<unsigned>(wParam), lParam);
        return TRUE;
    case kCommandPackageReady:
        InstallPackage();
        return TRUE;
    default:
        return FALSE;
    }
}

void CQVUUpdateDlg::OnStartRun() {
    UpdateCheck check(frontEnd_, *this);
    // A product preselected from the program's folder has its folders already.
    if (selection_.Selected == NoProduct && !SelectProduct())
        return;

    if (CheckForNewerUpdateManager(beta_, texts_, window_, app_.ApplicationName().c_str(),
                                   app_.AutoStart())) {
        OpenNewerUpdateManagerPage();
        OnCancel();
        return;
    }

    ShowProductPage();
    ShowInstalledVersion(window_, kInstalledVersionText, selection_);
    if (!EvaluateUpdateDescription(selection_.Selected, selection_.SettingsFolder, texts_, window_,
                                   kOfferedVersionText, app_.ApplicationName().c_str(),
                                   offeredVersion_, descriptionNote_)) {
        OnCancel();
        return;
    }

    // Equal versions go on: the same version may be installed again.
    if (CompareVersions(selection_.InstalledVersion, offeredVersion_) > 0) {
        KxString message;
        message.Format(Text("ERROR_NEWERVERSIONINSTALLED").c_str(),
                       selection_.InstalledVersion.c_str(), offeredVersion_.c_str());
        ShowMessage(static_cast<const char*>(message), MB_ICONINFORMATION);
        OnCancel();
        return;
    }

    std::string systemName;
    if (IsUnsupportedSystem(systemName)) {
        KxString message;
        message.Format(Text("ERROR_UNSUPPORTED_WINVER").c_str(), systemName.c_str());
        ShowMessage(static_cast<const char*>(message), MB_ICONINFORMATION);
        OnCancel();
        return;
    }

    check.End();
    if (app_.AutoStart())
        OnOK();
    else
        EnableStart(true);
}

bool CQVUUpdateDlg::SelectProduct() {
    if (selection_.Installed == 0) {
        ShowMessage(Text("ERROR_NOTINSTALLED"), MB_ICONERROR);
        OnCancel();
        return false;
    }
    if (IsCatalogued(selection_.Installed)) {
        selection_.Selected = static_cast<Product>(selection_.Installed);
    } else {
        CSelectProductDlg choice(*this, selection_.Installed, app_.Profile(), frontEnd_);
        choice.DoModal();
        selection_.Selected = choice.ChosenProduct();
        // A run in which the user had to choose never starts by itself.
        app_.AutoStart() = false;
        if (selection_.Selected == NoProduct)
            return false;
    }
    ReadProductInstallation(selection_.Selected, &selection_.SettingsFolder,
                            &selection_.InstallationFolder);
    return true;
}

void CQVUUpdateDlg::OpenNewerUpdateManagerPage() {
    std::string address = WebServerAddress();
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    if (beta_) {
        address += kBetaProgramQuery;
    } else if (IsCatalogued(selection_.Selected)) {
        address = WebPageAddress(Text(FindProduct(selection_.Selected).UpdatePageItem));
    }
    // The browser is the user's: the front end of the user's account opens it.
    if (IsBrowserAddress(address, "Page of the newer update manager"))
        frontEnd_.OpenBrowser(*this, address, app_.ApplicationName());
}

void CQVUUpdateDlg::ShowProductPage() {
    std::string address = WebPageAddress(Text(FindProduct(selection_.Selected).HistoryPageItem));
    // Only a web address replaces it: a local file, or anything the browser
    // would hand to another program, leaves the product's own page.
    const std::string display = app_.GetDisplayAddress();
    if (!display.empty() && IsBrowserAddress(display, "Address of /display="))
        address = display;
    browser_.Navigate(address, kPageNavigationFlags);
}

void CQVUUpdateDlg::OnOK() {
    if (busy_)
        return;
    busy_ = true;
    EnableStart(false);

    const std::string descriptionPath = UpdateDescriptionPath(selection_.SettingsFolder);
    const PackageEntry entry =
        ReadPackageEntry(descriptionPath, FindProduct(selection_.Selected).ShortId);
    packageName_ = entry.fileName;
    const std::optional<std::string> package =
        PackageTargetPath(selection_.SettingsFolder, entry.fileName.c_str());
    if (package && OfferKeptPackage(*package, entry))
        return;
    // A name that is no plain file name keeps its path here, and the worker
    // refuses it as a failed download without creating anything.
    StartDownload(descriptionPath,
                  package.value_or(selection_.SettingsFolder + "Update\\" + entry.fileName));
}

bool CQVUUpdateDlg::OfferKeptPackage(const std::string& package, const PackageEntry& entry) {
    if (_access(package.c_str(), 6) != 0)
        return false;
    const HANDLE file = CreateFileA(package.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool complete = GetFileSize(file, nullptr) == entry.fileSize &&
                          PackageMatchesDigest(file, entry.md5.c_str(),
                                               entry.sha256 ? entry.sha256->c_str() : nullptr);
    if (!complete) {
        CloseHandle(file);
        return false;
    }

    const int answer =
        ShowMessage(Text("MSI_ALREADY_DOWNLOADED"), MB_YESNOCANCEL | MB_ICONQUESTION);
    CloseHandle(file);
    if (answer == IDYES)
        return false;
    if (answer == IDNO) {
        // Keep the file: install it without downloading.
        PostMessageA(window_, WM_COMMAND, kCommandDownloadProgress,
                     static_cast<LPARAM>(entry.fileSize));
        PostMessageA(window_, WM_COMMAND, kCommandPackageReady, 0);
    } else {
        busy_ = false;
        EnableStart(true);
    }
    return true;
}

void CQVUUpdateDlg::StartDownload(const std::string& descriptionPath, const std::string& package) {
    const HANDLE worker =
        StartPackageDownload(window_, selection_.Selected, descriptionPath, package);
    if (worker == nullptr) {
        // No thread, so no report would come: end it as the failed download it is.
        PostMessageA(window_, WM_COMMAND, kCommandDownloadFailed, 0);
        return;
    }
    CloseHandle(worker);
}

void CQVUUpdateDlg::OnCancel() {
    if (busy_ && ShowMessage(Text("APP_DOWNLOAD_CANCEL"), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    EndDialog(IDCANCEL);
}

void CQVUUpdateDlg::AbandonRun() {
    endedByUser_ = true;
    EndDialog(IDCANCEL);
}

void CQVUUpdateDlg::OnDownloadFailed(unsigned command, LPARAM writeError) {
    const bool fileBusy = command == kCommandPackageFileBusy;
    failureShown_ = true;
    ShowMessage(Text(fileBusy ? "ERROR_DOWNLOAD_ALREADY_RUNNING" : "ERROR_CORRUPTDOWNLOAD"),
                MB_ICONEXCLAMATION);
    // The message blames the download; where the front end has room, the
    // user learns that the disk is the cause, so freeing space helps.
    if (!fileBusy && writeError == static_cast<LPARAM>(ERROR_DISK_FULL))
        ShowNote("The disk is full: the update file does not fit into " +
                 selection_.SettingsFolder + "Update\\ and was removed.");
    progress_.OnDownloadEnded();
    busy_ = false;
    EnableStart(true);
    if (fileBusy)
        PostMessageA(window_, WM_CLOSE, 0, 0);
}

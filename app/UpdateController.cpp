// The run's controller: the private commands, Start and Cancel.
#include "app/QVUUpdateDlg.h"

#include "app/SelectProductDlg.h"
#include "base/KxString.h"
#include "platform/dialog_controls.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/shell.h"
#include "products/ProductCatalogue.h"
#include "products/ProductDetection.h"
#include "products/SystemIdentification.h"
#include "update/Digest.h"
#include "update/Download.h"
#include "update/SelfCheck.h"
#include "update/UpdateDescription.h"

namespace {

constexpr char kBetaProgramQuery[] = "?File=ZoZuzaviz/QVUUpdateBeta.exe";

} // namespace

BOOL CQVUUpdateDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
    case kCommandStartRun:
        OnStartRun();
        return TRUE;
    case kCommandDownloadStarted:
        m_Progress.OnDownloadStarted(lParam);
        return TRUE;
    case kCommandDownloadProgress:
        m_Progress.OnDownloadProgress(lParam);
        return TRUE;
    case kCommandDownloadFailed:
    case kCommandPackageFileBusy:
        OnDownloadFailed(static_cast<unsigned>(wParam));
        return TRUE;
    case kCommandPackageReady:
        InstallPackage();
        return TRUE;
    default:
        return FALSE;
    }
}

void CQVUUpdateDlg::OnStartRun() {
    // A product preselected from the program's folder has its folders already.
    if (m_Selection.Selected == NoProduct && !SelectProduct())
        return;

    if (CheckForNewerUpdateManager(m_Beta, m_Texts, m_hWnd, m_App.ApplicationName().c_str(),
                                   m_App.m_AutoStart)) {
        OpenNewerUpdateManagerPage();
        OnCancel();
        return;
    }

    ShowProductPage();
    ShowInstalledVersion(m_hWnd, kInstalledVersionText, m_Selection);
    if (!EvaluateUpdateDescription(m_Selection.Selected, m_Selection.SettingsFolder, m_Texts,
                                   m_hWnd, kOfferedVersionText, m_App.ApplicationName().c_str(),
                                   m_OfferedVersion)) {
        OnCancel();
        return;
    }

    // Equal versions go on: the same version may be installed again.
    if (CompareVersions(m_Selection.InstalledVersion, m_OfferedVersion) > 0) {
        KxString message;
        message.Format(Text("ERROR_NEWERVERSIONINSTALLED").c_str(),
                       m_Selection.InstalledVersion.c_str(), m_OfferedVersion.c_str());
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

    if (m_App.m_AutoStart)
        OnOK();
    else
        EnableStart(true);
}

bool CQVUUpdateDlg::SelectProduct() {
    if (m_Selection.Installed == 0) {
        ShowMessage(Text("ERROR_NOTINSTALLED"), MB_ICONERROR);
        OnCancel();
        return false;
    }
    if (IsCatalogued(m_Selection.Installed)) {
        m_Selection.Selected = static_cast<Product>(m_Selection.Installed);
    } else {
        CSelectProductDlg choice(*this, m_Selection.Installed, m_App.Profile(), m_FrontEnd);
        choice.DoModal();
        m_Selection.Selected = choice.m_ChosenProduct;
        // A run in which the user had to choose never starts by itself.
        m_App.m_AutoStart = false;
        if (m_Selection.Selected == NoProduct)
            return false;
    }
    ReadProductInstallation(m_Selection.Selected, &m_Selection.SettingsFolder,
                            &m_Selection.InstallationFolder);
    return true;
}

void CQVUUpdateDlg::OpenNewerUpdateManagerPage() {
    std::string address = WebServerAddress();
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    if (m_Beta) {
        address += kBetaProgramQuery;
    } else if (IsCatalogued(m_Selection.Selected)) {
        address = WebPageAddress(Text(FindProduct(m_Selection.Selected).UpdatePageItem));
    }
    ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CQVUUpdateDlg::ShowProductPage() {
    std::string address = WebPageAddress(Text(FindProduct(m_Selection.Selected).HistoryPageItem));
    const std::string display = m_App.GetDisplayAddress();
    if (!display.empty())
        address = display;
    m_Browser.Navigate(address, navNoHistory | navNoReadFromCache | navNoWriteToCache);
}

void CQVUUpdateDlg::OnOK() {
    if (m_Busy)
        return;
    m_Busy = true;
    EnableStart(false);

    const std::string descriptionPath = UpdateDescriptionPath(m_Selection.SettingsFolder);
    const PackageEntry entry =
        ReadPackageEntry(descriptionPath, FindProduct(m_Selection.Selected).ShortId);
    const std::optional<std::string> package =
        PackageTargetPath(m_Selection.SettingsFolder, entry.fileName.c_str());
    if (package && OfferKeptPackage(*package, entry))
        return;
    // A name that is no plain file name keeps its path here, and the worker
    // refuses it as a failed download without creating anything.
    StartDownload(descriptionPath,
                  package.value_or(m_Selection.SettingsFolder + "Update\\" + entry.fileName));
}

bool CQVUUpdateDlg::OfferKeptPackage(const std::string& package, const PackageEntry& entry) {
    if (_access(package.c_str(), 6) != 0)
        return false;
    const HANDLE file = CreateFileA(package.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool complete = GetFileSize(file, nullptr) == entry.fileSize &&
                          PackageMatchesDigest(file, entry.md5.c_str());
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
        PostMessageA(m_hWnd, WM_COMMAND, kCommandDownloadProgress,
                     static_cast<LPARAM>(entry.fileSize));
        PostMessageA(m_hWnd, WM_COMMAND, kCommandPackageReady, 0);
    } else {
        m_Busy = false;
        EnableStart(true);
    }
    return true;
}

void CQVUUpdateDlg::StartDownload(const std::string& descriptionPath, const std::string& package) {
    const HANDLE worker =
        StartPackageDownload(m_hWnd, m_Selection.Selected, descriptionPath, package);
    if (worker == nullptr) {
        // No thread, so no report would come: end it as the failed download it is.
        PostMessageA(m_hWnd, WM_COMMAND, kCommandDownloadFailed, 0);
        return;
    }
    CloseHandle(worker);
}

void CQVUUpdateDlg::OnCancel() {
    if (m_Busy && ShowMessage(Text("APP_DOWNLOAD_CANCEL"), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    EndDialog(IDCANCEL);
}

void CQVUUpdateDlg::OnDownloadFailed(unsigned command) {
    const bool fileBusy = command == kCommandPackageFileBusy;
    m_FailureShown = true;
    ShowMessage(Text(fileBusy ? "ERROR_DOWNLOAD_ALREADY_RUNNING" : "ERROR_CORRUPTDOWNLOAD"),
                MB_ICONEXCLAMATION);
    m_Progress.OnDownloadEnded();
    m_Busy = false;
    EnableStart(true);
    if (fileBusy)
        PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
}

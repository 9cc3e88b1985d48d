// The update dialog: the update manager's only window. It holds one update
// run, from finding the product to handing the package to the installer,
// driven by private commands that it posts to itself and that the download
// worker posts to it (update/DownloadCommands.h).
#pragma once

#include "app/ProgressDisplay.h"
#include "app/QVUUpdateApp.h"
#include "app/WebBrowser.h"
#include "localization/XMLLocalizer.h"
#include "platform/win_types.h"
#include "platform/window.h"
#include "platform/window_queue.h"
#include "products/ProductSelection.h"

#include <functional>
#include <string>

class UpdateFrontEnd;
struct PackageEntry;

// The command that starts the run, posted at the end of the initialisation.
constexpr unsigned kCommandStartRun = 1025;

// The dialog's controls.
constexpr int kStartButton = IDOK;
constexpr int kCancelButton = IDCANCEL;
constexpr int kCurrentVersionLabel = 1000;
constexpr int kUpdateVersionLabel = 1002;
constexpr int kVersionTextControl = 1009;

class CQVUUpdateDlg {
public:
    // Loads the translation table, decides the beta flag from the program's
    // file name and finds the installed products; app and frontEnd must
    // outlive the dialog.
    CQVUUpdateDlg(CQVUUpdateApp& app, UpdateFrontEnd& frontEnd);
    ~CQVUUpdateDlg();
    CQVUUpdateDlg(const CQVUUpdateDlg&) = delete;
    CQVUUpdateDlg& operator=(const CQVUUpdateDlg&) = delete;

    // Creates the window, initialises it and handles its messages until it
    // ends; answers the result it ended with (IDCANCEL).
    INT_PTR DoModal();

    // Handles posted messages until done answers true or the dialog has
    // ended: what a modal request runs while it waits for the user.
    void RunModalLoop(const std::function<bool()>& done);

    // The handlers: private commands (TRUE for the six of the run, else the
    // default handling of buttons), Start and Cancel.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    void OnOK();
    void OnCancel();

    HWND GetSafeHwnd() const { return m_hWnd; }
    bool HasEnded() const { return m_Ended; }
    bool IsBusy() const { return m_Busy; }
    bool IsStartEnabled() const;
    RunOutcome Outcome() const;

    const XMLLocalizer& Texts() const { return m_Texts; }
    const ProductSelection& Selection() const { return m_Selection; }
    const std::string& OfferedVersion() const { return m_OfferedVersion; }
    bool IsBeta() const { return m_Beta; }

private:
    BOOL OnInitDialog();
    void Dispatch(const MSG& message);
    void DispatchGuarded(const MSG& message);
    void EndDialog(int result);
    int ShowMessage(const std::string& text, UINT type);
    std::string Text(const char* itemId) const { return m_Texts.GetText(itemId); }
    void EnableStart(bool enable);

    // The steps of the run.
    void OnStartRun();
    bool SelectProduct();
    void OpenNewerUpdateManagerPage();
    void ShowProductPage();
    bool OfferKeptPackage(const std::string& package, const PackageEntry& entry);
    void StartDownload(const std::string& descriptionPath, const std::string& package);
    void OnDownloadFailed(unsigned command);
    void InstallPackage();

    CQVUUpdateApp& m_App;
    UpdateFrontEnd& m_FrontEnd;
    HWND m_hWnd = nullptr;
    XMLLocalizer m_Texts;
    std::string m_ProgramFolder;
    bool m_Beta = false;

    // The run.
    ProductSelection m_Selection;
    std::string m_OfferedVersion;
    bool m_Busy = false;
    ProgressDisplay m_Progress;
    CWebBrowser m_Browser;

    bool m_Ended = false;
    int m_Result = IDCANCEL;
    int m_ModalDepth = 0;
    bool m_InstallerStarted = false;
    bool m_EndedByUser = false;
    // A failure was reported during the run: ending it is no plain Cancel.
    bool m_FailureShown = false;
};

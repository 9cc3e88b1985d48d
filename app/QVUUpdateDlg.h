// The update dialog: the update manager's only window. It holds one update
// run, from finding the product to handing the package to the installer,
// driven by private commands that it posts to itself and that the download
// worker posts to it (update/Download.h). Its progress display shows the
// download.
#pragma once

#include "app/DialogTemplates.h"
#include "app/QVUUpdateApp.h"
#include "app/WebBrowser.h"
#include "localization/XMLLocalizer.h"
#include "platform/win_types.h"
#include "platform/window.h"
#include "platform/window_queue.h"
#include "products/ProductDetection.h"

#include <functional>
#include <string>

class UpdateFrontEnd;
struct PackageEntry;

// The progress bar and the progress text during a package download, with the
// download's expected size and start time.
class ProgressDisplay {
public:
    // Shows on dialog with texts from texts, which must outlive this object.
    ProgressDisplay(HWND dialog, const XMLLocalizer& texts);

    // Empties and shows the bar, now running from 0 to range bytes, and the
    // text. Sizes are unsigned 32-bit, as the description file publishes
    // them: a package of 2 to 4 GiB is no negative size.
    void StartProgress(DWORD range);
    // Moves the bar to done and shows the percentage of total, with the time
    // left once 2 percent are done, estimated from the time since start.
    void UpdateProgress(DWORD done, DWORD total, DWORD start);
    void UpdateProgress(DWORD done, DWORD total, DWORD start, DWORD now);
    void HideProgress();

    // The download commands: started with the expected size, progress with
    // the bytes done (ignored while no size is known), and the end of a
    // download that failed or could not write its file.
    void OnDownloadStarted(LPARAM expectedSize);
    void OnDownloadStarted(LPARAM expectedSize, DWORD now);
    void OnDownloadProgress(LPARAM done);
    void OnDownloadProgress(LPARAM done, DWORD now);
    void OnDownloadEnded();

    DWORD DownloadTotal() const { return downloadTotal_; }
    DWORD DownloadStart() const { return downloadStart_; }

private:
    HWND dialog_;
    const XMLLocalizer& texts_;
    DWORD downloadTotal_ = 0;
    DWORD downloadStart_ = 0;
    // The bar's range is a signed 32-bit number: bytes are halved for it
    // when the range would not fit.
    unsigned barShift_ = 0;
};

// The command that starts the run, posted at the end of the initialisation.
constexpr unsigned kCommandStartRun = 1025;

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
    // Ends the run as Cancel does, without asking: the front end is gone or
    // broke its protocol.
    void AbandonRun();

    HWND GetSafeHwnd() const { return window_; }
    bool HasEnded() const { return ended_; }
    bool IsBusy() const { return busy_; }
    bool IsStartEnabled() const;
    RunOutcome Outcome() const;
    // The last message the run showed the user: why a run that did not
    // install ended. Empty when it showed none.
    const std::string& LastMessage() const { return lastMessage_; }

    const XMLLocalizer& Texts() const { return texts_; }
    const ProductSelection& Selection() const { return selection_; }
    const std::string& OfferedVersion() const { return offeredVersion_; }
    bool IsBeta() const { return beta_; }

private:
    BOOL OnInitDialog();
    void Dispatch(const MSG& message);
    void DispatchGuarded(const MSG& message);
    void EndDialog(int result);
    int ShowMessage(const std::string& text, UINT type);
    // A note the front end shows where it has room for one.
    void ShowNote(const std::string& text);
    std::string Text(const char* itemId) const { return texts_.GetText(itemId); }
    void EnableStart(bool enable);

    // The steps of the run.
    void OnStartRun();
    bool SelectProduct();
    void OpenNewerUpdateManagerPage();
    void ShowProductPage();
    bool OfferKeptPackage(const std::string& package, const PackageEntry& entry);
    void StartDownload(const std::string& descriptionPath, const std::string& package);
    void OnDownloadFailed(unsigned command, LPARAM writeError);
    void InstallPackage();

    CQVUUpdateApp& app_;
    UpdateFrontEnd& frontEnd_;
    HWND window_ = nullptr;
    XMLLocalizer texts_;
    std::string programFolder_;
    bool beta_ = false;

    // The run.
    ProductSelection selection_;
    std::string offeredVersion_;
    // Whether the description was signed, for the update log.
    std::string descriptionNote_;
    // The package Start checked or had downloaded, in the update folder: the
    // installer gets exactly this file, whatever the description says later.
    std::string packageName_;
    bool busy_ = false;
    ProgressDisplay progress_;
    CWebBrowser browser_;

    bool ended_ = false;
    int result_ = IDCANCEL;
    int modalDepth_ = 0;
    bool installerStarted_ = false;
    bool installerFailed_ = false;
    bool endedByUser_ = false;
    // A failure was reported during the run: ending it is no plain Cancel.
    bool failureShown_ = false;
    std::string lastMessage_;
};

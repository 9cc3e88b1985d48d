#include "app/QVUUpdateDlg.h"

#include "app/UpdateFrontEnd.h"
#include "platform/dialog_controls.h"
#include "platform/http_session.h"
#include "platform/sync.h"
#include "platform/time.h"
#include "platform/window.h"
#include "products/ProductDetection.h"
#include "update/SelfCheck.h"
#include "update/UpdateDescription.h"

#include <cstdio>
#include <limits>
#include <string>

namespace {

// Replaces every occurrence of placeholder, never looking into what it put in.
void ReplaceAll(std::string& text, const std::string& placeholder, const std::string& value) {
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

std::string Format(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// The milliseconds still to go when percent took elapsedMs. Past 100 percent
// the estimate turns negative and means nothing: nothing is left then. A
// slow start could give more than the counter holds: that is kept at its top.
DWORD RemainingMs(double elapsedMs, double percent) {
    const double remaining = elapsedMs * ((100.0 - percent) / percent);
    if (remaining <= 0.0)
        return 0;
    if (remaining >= static_cast<double>(std::numeric_limits<DWORD>::max()))
        return std::numeric_limits<DWORD>::max();
    return static_cast<DWORD>(remaining);
}

std::string RemainingTime(const XMLLocalizer& texts, DWORD remainingMs) {
    const bool minutes = remainingMs > 60000;
    const DWORD amount = minutes ? remainingMs / 60000 : remainingMs / 1000;
    const std::string unit =
        texts.GetText(minutes ? "APP_PROGRESS_MINUTES" : "APP_PROGRESS_SECONDS");
    return std::to_string(amount) + " " + unit;
}

std::string ProgressText(const XMLLocalizer& texts, DWORD done, DWORD total, DWORD elapsedMs) {
    const double percent = done * 100.0 / total;
    std::string text = texts.GetText(percent < 2.0 ? "APP_PROGRESS" : "APP_PROGRESSTIME");
    ReplaceAll(text, "#P", Format("%.1f", percent));
    if (percent >= 2.0)
        ReplaceAll(text, "#T", RemainingTime(texts, RemainingMs(elapsedMs, percent)));
    return text;
}

constexpr WORD BN_CLICKED = 0;

} // namespace

ProgressDisplay::ProgressDisplay(HWND dialog, const XMLLocalizer& texts)
    : dialog_(dialog), texts_(texts) {}

void ProgressDisplay::StartProgress(DWORD range) {
    barShift_ = range > static_cast<DWORD>(std::numeric_limits<int>::max()) ? 1 : 0;
    const HWND bar = GetDlgItem(dialog_, kProgressBar);
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    SendMessageA(bar, PBM_SETRANGE32, 0, static_cast<LPARAM>(range >> barShift_));
    ShowWindow(bar, SW_SHOW);
    SetDlgItemTextA(dialog_, kProgressText, "");
    ShowWindow(GetDlgItem(dialog_, kProgressText), SW_SHOW);
}

void ProgressDisplay::UpdateProgress(DWORD done, DWORD total, DWORD start) {
    UpdateProgress(done, total, start, timeGetTime());
}

void ProgressDisplay::UpdateProgress(DWORD done, DWORD total, DWORD start, DWORD now) {
    // No size, no percentage.
    if (total == 0)
        return;
    // Unsigned difference: right across the wrap of the millisecond counter.
    const DWORD elapsedMs = now - start;
    SendMessageA(GetDlgItem(dialog_, kProgressBar), PBM_SETPOS,
                 static_cast<WPARAM>(done >> barShift_), 0);
    SetDlgItemTextA(dialog_, kProgressText, ProgressText(texts_, done, total, elapsedMs).c_str());
}

void ProgressDisplay::HideProgress() {
    ShowWindow(GetDlgItem(dialog_, kProgressBar), SW_HIDE);
    ShowWindow(GetDlgItem(dialog_, kProgressText), SW_HIDE);
}

void ProgressDisplay::OnDownloadStarted(LPARAM expectedSize) {
    OnDownloadStarted(expectedSize, timeGetTime());
}

void ProgressDisplay::OnDownloadStarted(LPARAM expectedSize, DWORD now) {
    downloadTotal_ = static_cast<DWORD>(expectedSize);
    downloadStart_ = now;
    StartProgress(downloadTotal_);
}

void ProgressDisplay::OnDownloadProgress(LPARAM done) {
    OnDownloadProgress(done, timeGetTime());
}

void ProgressDisplay::OnDownloadProgress(LPARAM done, DWORD now) {
    if (downloadTotal_ == 0)
        return;
    UpdateProgress(static_cast<DWORD>(done), downloadTotal_, downloadStart_, now);
}

void ProgressDisplay::OnDownloadEnded() {
    HideProgress();
    downloadTotal_ = 0;
    downloadStart_ = 0;
}

CQVUUpdateDlg::CQVUUpdateDlg(CQVUUpdateApp& app, UpdateFrontEnd& frontEnd)
    : app_(app), frontEnd_(frontEnd), window_(platform::CreateWindowQueue()),
      progress_(window_, texts_), browser_(window_, kBrowserControl) {
    // A table that fails to load shows item ids instead of texts.
    texts_.ResourceName = "IDR_STRINGS";
    texts_.Load();

    const std::string& programPath = app_.ProgramPath();
    beta_ = IsBetaBuild(programPath);
    programFolder_ = programPath.substr(0, programPath.find_last_of('\\') + 1);

    DetectInstalledProducts(programFolder_, selection_);
}

CQVUUpdateDlg::~CQVUUpdateDlg() {
    if (IsWindow(window_))
        DestroyWindow(window_);
}

BOOL CQVUUpdateDlg::OnInitDialog() {
    SetWindowTextA(window_, Text("APP_HEADLINE").c_str());
    SetDlgItemTextA(window_, kVersionText, kUpdateManagerVersion);
    EnableWindow(GetDlgItem(window_, kVersionText), FALSE);

    EnableStart(false);
    SetDlgItemTextA(window_, kStartButton, Text("APP_START").c_str());
    SetDlgItemTextA(window_, kCancelButton, Text("APP_EXIT").c_str());
    SetDlgItemTextA(window_, kCurrentVersionLabel, Text("APP_CURRENTVERSION").c_str());
    SetDlgItemTextA(window_, kInstalledVersionText, "");
    SetDlgItemTextA(window_, kUpdateVersionLabel, Text("APP_UPDATEVERSION").c_str());
    SetDlgItemTextA(window_, kOfferedVersionText, "");

    SetDlgItemTextA(window_, kProgressText, "");
    ShowWindow(GetDlgItem(window_, kProgressText), SW_HIDE);
    ShowWindow(GetDlgItem(window_, kProgressBar), SW_HIDE);

    PostMessageA(window_, WM_COMMAND, kCommandStartRun, 0);
    return TRUE;
}

INT_PTR CQVUUpdateDlg::DoModal() {
    // Message boxes of every layer (the update checks show their own) go to
    // the front end, which keeps this dialog's messages flowing meanwhile.
    // The front end lives on this thread; a box of another thread (a worker's
    // trace log that cannot be opened) is shown as without a front end.
    const DWORD dialogThread = GetCurrentThreadId();
    platform::SetMessageBoxHandler(
        [this, dialogThread](HWND, const char* text, const char* caption, UINT type) {
            if (GetCurrentThreadId() != dialogThread)
                return platform::ShowMessageBoxOnStandardError(text, caption, type);
            lastMessage_ = text;
            return frontEnd_.ShowMessageBox(*this, text, caption, type);
        });
    frontEnd_.DialogOpened(*this);
    OnInitDialog();
    RunModalLoop([] { return false; });
    frontEnd_.DialogClosed(*this);
    platform::SetMessageBoxHandler(nullptr);
    DestroyWindow(window_);
    return result_;
}

void CQVUUpdateDlg::RunModalLoop(const std::function<bool()>& done) {
    ++modalDepth_;
    const bool outermost = modalDepth_ == 1;
    MSG message{};
    while (!ended_ && !done()) {
        if (!platform::PeekWindowMessage(window_, &message)) {
            if (outermost)
                frontEnd_.WaitingForUser(*this);
            if (ended_ || done())
                continue;
            if (!frontEnd_.WaitForMessage(*this, message)) {
                // A window destroyed under the loop can post nothing more.
                if (!IsWindow(window_))
                    EndDialog(IDCANCEL);
                continue;
            }
        }
        DispatchGuarded(message);
    }
    --modalDepth_;
}

void CQVUUpdateDlg::DispatchGuarded(const MSG& message) {
    // As the application framework does: an internet failure ends the
    // command that raised it and is shown; the dialog stays as it was.
    try {
        Dispatch(message);
    } catch (const CInternetException& error) {
        failureShown_ = true;
        ShowMessage(error.what(), MB_OK | MB_ICONEXCLAMATION);
    }
}

void CQVUUpdateDlg::Dispatch(const MSG& message) {
    if (message.message >= WM_APP) {
        frontEnd_.HandleFrontEndMessage(*this, message);
        return;
    }
    if (message.message == WM_CLOSE) {
        OnCancel();
        return;
    }
    if (message.message != WM_COMMAND || OnCommand(message.wParam, message.lParam))
        return;
    // A button's click: its id in the low word, BN_CLICKED in the high word.
    // A disabled button cannot be clicked.
    if (HIWORD(message.wParam) != BN_CLICKED)
        return;
    const int control = LOWORD(message.wParam);
    if (control == kStartButton && IsStartEnabled()) {
        OnOK();
    } else if (control == kCancelButton) {
        OnCancel();
        endedByUser_ = endedByUser_ || ended_;
    }
}

void CQVUUpdateDlg::EndDialog(int result) {
    if (ended_)
        return;
    ended_ = true;
    result_ = result;
}

bool CQVUUpdateDlg::IsStartEnabled() const {
    return IsWindowEnabled(GetDlgItem(window_, kStartButton)) != FALSE;
}

void CQVUUpdateDlg::EnableStart(bool enable) {
    EnableWindow(GetDlgItem(window_, kStartButton), enable ? TRUE : FALSE);
}

RunOutcome CQVUUpdateDlg::Outcome() const {
    if (installerStarted_)
        return RunOutcome::InstallerStarted;
    if (installerFailed_)
        return RunOutcome::InstallerNotStarted;
    return endedByUser_ && !failureShown_ ? RunOutcome::EndedByUser : RunOutcome::Refused;
}

int CQVUUpdateDlg::ShowMessage(const std::string& text, UINT type) {
    return MessageBoxA(window_, text.c_str(), app_.ApplicationName().c_str(), type);
}

void CQVUUpdateDlg::ShowNote(const std::string& text) {
    lastMessage_ = text;
    frontEnd_.ShowNote(*this, text, app_.ApplicationName());
}

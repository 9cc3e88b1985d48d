#include "app/QVUUpdateDlg.h"

#include "app/UpdateFrontEnd.h"
#include "platform/dialog_controls.h"
#include "platform/http_session.h"
#include "platform/time.h"
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

std::string ProgressText(const XMLLocalizer& texts, int done, int total, DWORD elapsedMs) {
    const double percent = done * 100.0 / total;
    std::string text = texts.GetText(percent < 2.0 ? "APP_PROGRESS" : "APP_PROGRESSTIME");
    ReplaceAll(text, "#P", Format("%.1f", percent));
    if (percent >= 2.0)
        ReplaceAll(text, "#T", RemainingTime(texts, RemainingMs(elapsedMs, percent)));
    return text;
}

constexpr WORD BN_CLICKED = 0;
constexpr DWORD kWaitSliceMs = 60 * 60 * 1000;

} // namespace

ProgressDisplay::ProgressDisplay(HWND dialog, const XMLLocalizer& texts)
    : m_Dialog(dialog), m_Texts(texts) {}

void ProgressDisplay::StartProgress(int range) {
    const HWND bar = GetDlgItem(m_Dialog, kProgressBar);
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    SendMessageA(bar, PBM_SETRANGE32, 0, range);
    ShowWindow(bar, SW_SHOW);
    SetDlgItemTextA(m_Dialog, kProgressText, "");
    ShowWindow(GetDlgItem(m_Dialog, kProgressText), SW_SHOW);
}

void ProgressDisplay::UpdateProgress(int done, int total, DWORD start) {
    UpdateProgress(done, total, start, timeGetTime());
}

void ProgressDisplay::UpdateProgress(int done, int total, DWORD start, DWORD now) {
    // No size, no percentage: a size past 2 GiB reads as negative here.
    if (total <= 0)
        return;
    // Unsigned difference: right across the wrap of the millisecond counter.
    const DWORD elapsedMs = now - start;
    SendMessageA(GetDlgItem(m_Dialog, kProgressBar), PBM_SETPOS, static_cast<WPARAM>(done), 0);
    SetDlgItemTextA(m_Dialog, kProgressText, ProgressText(m_Texts, done, total, elapsedMs).c_str());
}

void ProgressDisplay::HideProgress() {
    ShowWindow(GetDlgItem(m_Dialog, kProgressBar), SW_HIDE);
    ShowWindow(GetDlgItem(m_Dialog, kProgressText), SW_HIDE);
}

void ProgressDisplay::OnDownloadStarted(LPARAM expectedSize) {
    OnDownloadStarted(expectedSize, timeGetTime());
}

void ProgressDisplay::OnDownloadStarted(LPARAM expectedSize, DWORD now) {
    m_DownloadTotal = static_cast<int>(expectedSize);
    m_DownloadStart = now;
    StartProgress(m_DownloadTotal);
}

void ProgressDisplay::OnDownloadProgress(LPARAM done) {
    OnDownloadProgress(done, timeGetTime());
}

void ProgressDisplay::OnDownloadProgress(LPARAM done, DWORD now) {
    if (m_DownloadTotal == 0)
        return;
    UpdateProgress(static_cast<int>(done), m_DownloadTotal, m_DownloadStart, now);
}

void ProgressDisplay::OnDownloadEnded() {
    HideProgress();
    m_DownloadTotal = 0;
    m_DownloadStart = 0;
}

CQVUUpdateDlg::CQVUUpdateDlg(CQVUUpdateApp& app, UpdateFrontEnd& frontEnd)
    : m_App(app), m_FrontEnd(frontEnd), m_hWnd(platform::CreateWindowQueue()),
      m_Progress(m_hWnd, m_Texts), m_Browser(m_hWnd, kBrowserControl) {
    // A table that fails to load shows item ids instead of texts.
    m_Texts.ResourceName = "IDR_STRINGS";
    m_Texts.Load();

    const std::string& programPath = m_App.ProgramPath();
    m_Beta = IsBetaBuild(programPath);
    m_ProgramFolder = programPath.substr(0, programPath.find_last_of('\\') + 1);

    DetectInstalledProducts(m_ProgramFolder, m_Selection);
}

CQVUUpdateDlg::~CQVUUpdateDlg() {
    if (IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
}

BOOL CQVUUpdateDlg::OnInitDialog() {
    SetWindowTextA(m_hWnd, Text("APP_HEADLINE").c_str());
    SetDlgItemTextA(m_hWnd, kVersionText, kUpdateManagerVersion);
    EnableWindow(GetDlgItem(m_hWnd, kVersionText), FALSE);

    EnableStart(false);
    SetDlgItemTextA(m_hWnd, kStartButton, Text("APP_START").c_str());
    SetDlgItemTextA(m_hWnd, kCancelButton, Text("APP_EXIT").c_str());
    SetDlgItemTextA(m_hWnd, kCurrentVersionLabel, Text("APP_CURRENTVERSION").c_str());
    SetDlgItemTextA(m_hWnd, kInstalledVersionText, "");
    SetDlgItemTextA(m_hWnd, kUpdateVersionLabel, Text("APP_UPDATEVERSION").c_str());
    SetDlgItemTextA(m_hWnd, kOfferedVersionText, "");

    SetDlgItemTextA(m_hWnd, kProgressText, "");
    ShowWindow(GetDlgItem(m_hWnd, kProgressText), SW_HIDE);
    ShowWindow(GetDlgItem(m_hWnd, kProgressBar), SW_HIDE);

    PostMessageA(m_hWnd, WM_COMMAND, kCommandStartRun, 0);
    return TRUE;
}

INT_PTR CQVUUpdateDlg::DoModal() {
    // Message boxes of every layer (the update checks show their own) go to
    // the front end, which keeps this dialog's messages flowing meanwhile.
    platform::SetMessageBoxHandler([this](HWND, const char* text, const char* caption, UINT type) {
        return m_FrontEnd.ShowMessageBox(*this, text ? text : "", caption ? caption : "Error",
                                         type);
    });
    m_FrontEnd.DialogOpened(*this);
    OnInitDialog();
    RunModalLoop([] { return false; });
    m_FrontEnd.DialogClosed(*this);
    platform::SetMessageBoxHandler(nullptr);
    DestroyWindow(m_hWnd);
    return m_Result;
}

void CQVUUpdateDlg::RunModalLoop(const std::function<bool()>& done) {
    ++m_ModalDepth;
    const bool outermost = m_ModalDepth == 1;
    MSG message{};
    while (!m_Ended && !done()) {
        if (!platform::PeekWindowMessage(m_hWnd, &message)) {
            if (outermost)
                m_FrontEnd.WaitingForUser(*this);
            if (m_Ended || done())
                continue;
            if (!platform::GetWindowMessage(m_hWnd, &message, kWaitSliceMs)) {
                // A window destroyed under the loop can post nothing more.
                if (!IsWindow(m_hWnd))
                    EndDialog(IDCANCEL);
                continue;
            }
        }
        DispatchGuarded(message);
    }
    --m_ModalDepth;
}

void CQVUUpdateDlg::DispatchGuarded(const MSG& message) {
    // As the application framework does: an internet failure ends the
    // command that raised it and is shown; the dialog stays as it was.
    try {
        Dispatch(message);
    } catch (const CInternetException& error) {
        m_FailureShown = true;
        ShowMessage(error.what(), MB_OK | MB_ICONEXCLAMATION);
    }
}

void CQVUUpdateDlg::Dispatch(const MSG& message) {
    if (message.message >= WM_APP) {
        m_FrontEnd.HandleFrontEndMessage(*this, message);
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
        m_EndedByUser = m_EndedByUser || m_Ended;
    }
}

void CQVUUpdateDlg::EndDialog(int result) {
    if (m_Ended)
        return;
    m_Ended = true;
    m_Result = result;
}

bool CQVUUpdateDlg::IsStartEnabled() const {
    return IsWindowEnabled(GetDlgItem(m_hWnd, kStartButton)) != FALSE;
}

void CQVUUpdateDlg::EnableStart(bool enable) {
    EnableWindow(GetDlgItem(m_hWnd, kStartButton), enable ? TRUE : FALSE);
}

RunOutcome CQVUUpdateDlg::Outcome() const {
    if (m_InstallerStarted)
        return RunOutcome::InstallerStarted;
    return m_EndedByUser && !m_FailureShown ? RunOutcome::EndedByUser : RunOutcome::Refused;
}

int CQVUUpdateDlg::ShowMessage(const std::string& text, UINT type) {
    return MessageBoxA(m_hWnd, text.c_str(), m_App.ApplicationName().c_str(), type);
}

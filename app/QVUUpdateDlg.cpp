#include "app/QVUUpdateDlg.h"

#include "app/UpdateFrontEnd.h"
#include "platform/dialog_controls.h"
#include "platform/http_session.h"
#include "products/InstalledProducts.h"
#include "products/InstalledVersionLabel.h"
#include "update/EvaluateUpdateDescription.h"
#include "update/UpdateManagerVersion.h"

namespace {

constexpr WORD BN_CLICKED = 0;
constexpr DWORD kWaitSliceMs = 60 * 60 * 1000;

} // namespace

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
    SetDlgItemTextA(m_hWnd, kVersionTextControl, kUpdateManagerVersion);
    EnableWindow(GetDlgItem(m_hWnd, kVersionTextControl), FALSE);

    EnableStart(false);
    SetDlgItemTextA(m_hWnd, kStartButton, Text("APP_START").c_str());
    SetDlgItemTextA(m_hWnd, kCancelButton, Text("APP_EXIT").c_str());
    SetDlgItemTextA(m_hWnd, kCurrentVersionLabel, Text("APP_CURRENTVERSION").c_str());
    SetDlgItemTextA(m_hWnd, kInstalledVersionControl, "");
    SetDlgItemTextA(m_hWnd, kUpdateVersionLabel, Text("APP_UPDATEVERSION").c_str());
    SetDlgItemTextA(m_hWnd, kOfferedVersionControl, "");

    SetDlgItemTextA(m_hWnd, ProgressDisplay::kProgressTextControl, "");
    ShowWindow(GetDlgItem(m_hWnd, ProgressDisplay::kProgressTextControl), SW_HIDE);
    ShowWindow(GetDlgItem(m_hWnd, ProgressDisplay::kProgressBarControl), SW_HIDE);

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

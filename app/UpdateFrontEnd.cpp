#include "app/UpdateFrontEnd.h"

#include "app/QVUUpdateDlg.h"
#include "platform/window.h"

namespace {

// Long enough never to matter; a loop that slept through it only looks again.
constexpr DWORD kWaitSliceMs = 60 * 60 * 1000;

} // namespace

bool UpdateFrontEnd::WaitForMessage(CQVUUpdateDlg& dialog, MSG& message) {
    return platform::GetWindowMessage(dialog.GetSafeHwnd(), &message, kWaitSliceMs);
}

void UpdateFrontEnd::OpenBrowser(CQVUUpdateDlg& dialog, const std::string& address,
                                 const std::string& caption) {
    ShowNote(dialog, "Open this page in your web browser: " + address, caption);
}

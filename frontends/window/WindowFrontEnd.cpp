#include "frontends/window/WindowFrontEnd.h"

#include "app/QVUUpdateDlg.h"
#include "app/SelectProductDlg.h"
#include "frontends/window/MessageBoxWindow.h"
#include "frontends/window/ProductChoiceWindow.h"
#include "frontends/window/UpdateWindow.h"
#include "platform/debug.h"
#include "platform/dialog_controls.h"
#include "platform/time.h"
#include "platform/window_queue.h"
#include "update/Download.h"

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/utils.h>

// The toolkit's main loop on GTK, for waking it from other threads.
#include <glib.h>

#include <algorithm>
#include <string>

namespace {

// While commands pour in, the toolkit catches up with its own events (input,
// painting, timers) this often.
constexpr long long kCatchUpIntervalMs = 1000 / 30;

class ToolkitApp : public wxApp {
public:
    bool OnInit() override {
        // The program icon is a PNG resource.
        wxImage::AddHandler(new wxPNGHandler);
        return true;
    }
};

} // namespace

WindowFrontEnd::WindowFrontEnd() = default;
WindowFrontEnd::~WindowFrontEnd() = default;

void WindowFrontEnd::DialogOpened(CQVUUpdateDlg& dialog) {
    const HWND handle = dialog.GetSafeHwnd();
    window_ = new UpdateWindow(handle);
    window_->SetProgressShownHandler([this] {
        if (heldProgressPostedAt_ != 0)
            NoteProgressShown(heldProgressPostedAt_);
        heldProgressPostedAt_ = 0;
    });
    platform::SetDialogListener(
        handle, [this](const platform::DialogChange& change) { ShowChange(change); });
    platform::SetWindowQueueWaker(handle, [this] { Wake(); });
    window_->Show(true);
}

void WindowFrontEnd::DialogClosed(CQVUUpdateDlg& dialog) {
    const HWND handle = dialog.GetSafeHwnd();
    platform::SetWindowQueueWaker(handle, {});
    platform::SetDialogListener(handle, {});
    if (longestProgressDelayMs_ != 0) {
        // For whoever measures the window's responsiveness (QVU_DEBUG_OUTPUT=1).
        OutputDebugStringA(("QVUUpdate: progress shown at most " +
                            std::to_string(longestProgressDelayMs_) + " ms after its post\n")
                               .c_str());
    }
    window_->Hide();
    window_->Destroy();
    window_ = nullptr;
}

void WindowFrontEnd::ShowChange(const platform::DialogChange& change) {
    // The update check runs without a break on this thread: its status
    // lines are only seen if the window paints meanwhile.
    window_->Follow(change);
    CatchUp();
}

void WindowFrontEnd::CatchUp() {
    const long long now = wxGetLocalTimeMillis().GetValue();
    if (now - caughtUpAt_ < kCatchUpIntervalMs)
        return;
    caughtUpAt_ = now;
    wxTheApp->Yield(true);
}

void WindowFrontEnd::Wake() {
    // Ends the poll the dialog's thread sleeps in. Safe from any thread, and
    // never lost: a wake-up before the poll makes the poll return at once.
    g_main_context_wakeup(nullptr);
}

bool WindowFrontEnd::WaitForMessage(CQVUUpdateDlg& dialog, MSG& message) {
    const HWND handle = dialog.GetSafeHwnd();
    if (platform::PeekWindowMessage(handle, &message))
        return true;
    platform::GatherWindowMessages(handle);
    if (platform::PeekWindowMessage(handle, &message))
        return true;
    // One pass of the toolkit's main loop, which sleeps until one of its
    // sources (the display, timers, the page view) or the queue's wake-up
    // has something: input and painting go on while the run waits, and a
    // box's button answers it.
    g_main_context_iteration(nullptr, TRUE);
    return platform::PeekWindowMessage(handle, &message);
}

void WindowFrontEnd::MessageHandled(CQVUUpdateDlg& /*dialog*/, const MSG& message) {
    if (message.message == WM_COMMAND && message.wParam == kCommandDownloadProgress &&
        window_ != nullptr) {
        if (!window_->HasProgressToShow())
            NoteProgressShown(message.time);
        else if (heldProgressPostedAt_ == 0)
            heldProgressPostedAt_ = std::max<DWORD>(message.time, 1);
    }
    CatchUp();
}

void WindowFrontEnd::NoteProgressShown(DWORD postedAt) {
    longestProgressDelayMs_ = std::max(longestProgressDelayMs_, GetTickCount() - postedAt);
}

void WindowFrontEnd::RunModal(CQVUUpdateDlg& dialog, wxWindow& window,
                              const std::function<bool()>& answered) {
    window.Show();
    window.Raise();
    {
        // Modal for the update window: only the request takes input.
        const wxWindowDisabler others(&window);
        if (modalOpened_)
            modalOpened_(window);
        dialog.RunModalLoop(answered);
    }
    window.Hide();
}

int WindowFrontEnd::ShowMessageBox(CQVUUpdateDlg& dialog, const std::string& text,
                                   const std::string& caption, UINT type) {
    auto* box = new MessageBoxWindow(window_, text, caption, type);
    RunModal(dialog, *box, [box] { return box->IsAnswered(); });
    // A box whose dialog ended meanwhile closes with its last button.
    const int answer = box->IsAnswered() ? box->Answer() : DismissingMessageBoxButton(type);
    box->Destroy();
    return answer;
}

std::size_t WindowFrontEnd::ChooseProduct(CQVUUpdateDlg& dialog, const ProductChoice& choice) {
    auto* list = new ProductChoiceWindow(window_, choice);
    RunModal(dialog, *list, [list] { return list->IsChosen(); });
    const std::size_t index = list->IsChosen() ? list->ChosenIndex() : choice.PreselectedIndex();
    list->Destroy();
    return index;
}

bool StartToolkit(const std::string& programName) {
    wxApp::SetInstance(new ToolkitApp());
    // The toolkit sees the program's name only: the command line is the run's.
    static std::string name;
    name = programName;
    static char* arguments[] = {name.data(), nullptr};
    static int count = 1;
    if (!wxEntryStart(count, arguments))
        return false;
    if (!wxTheApp->CallOnInit()) {
        wxEntryCleanup();
        return false;
    }
    return true;
}

void StopToolkit() {
    wxEntryCleanup();
}

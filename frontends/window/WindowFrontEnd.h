// The update dialog in windows of the desktop (wxWidgets on GTK): the
// dialog's model drawn as the update window, message boxes and the product
// choice as windows of their own. The dialog's thread is the toolkit's: while
// the run waits (for the user, for a box's answer, for the download's next
// command) it sleeps in the toolkit's event loop, which the dialog's queue
// wakes when a command is posted, so windows stay alive and posted commands
// keep flowing under an open box.
#pragma once

#include "app/UpdateFrontEnd.h"
#include "platform/dialog_controls.h"

#include <functional>
#include <string>

class UpdateWindow;
class wxWindow;

class WindowFrontEnd : public UpdateFrontEnd {
public:
    // The toolkit must have started (StartToolkit).
    WindowFrontEnd();
    ~WindowFrontEnd() override;

    void DialogOpened(CQVUUpdateDlg& dialog) override;
    int ShowMessageBox(CQVUUpdateDlg& dialog, const std::string& text, const std::string& caption,
                       UINT type) override;
    std::size_t ChooseProduct(CQVUUpdateDlg& dialog, const ProductChoice& choice) override;
    // The window's Start button waits by itself.
    void WaitingForUser(CQVUUpdateDlg& /*dialog*/) override {}
    bool WaitForMessage(CQVUUpdateDlg& dialog, MSG& message) override;
    void MessageHandled(CQVUUpdateDlg& dialog, const MSG& message) override;
    void DialogClosed(CQVUUpdateDlg& dialog) override;

    // The update window while the dialog is open; null before and after.
    UpdateWindow* Window() const { return window_; }
    // Called on the dialog's thread each time a box or the choice opens,
    // with its window, before the run waits for it.
    void SetModalWindowHandler(std::function<void(wxWindow&)> handler) {
        modalOpened_ = std::move(handler);
    }
    // The longest time between the post of a progress command and its
    // display in the window, in milliseconds, over the dialog's life.
    DWORD LongestProgressDelayMs() const { return longestProgressDelayMs_; }

protected:
    // One change of the dialog's model, on the dialog's thread: shown in the
    // window, which then catches up with its events if it is time to.
    virtual void ShowChange(const platform::DialogChange& change);

private:
    // Lets the toolkit handle its pending events (input, painting, timers),
    // at most 30 times a second, while the dialog's thread is at work.
    void CatchUp();
    // From any thread: wakes the dialog's thread from the toolkit's loop.
    void Wake();
    // Shows window over the update window, which it disables, and handles
    // the dialog's messages until answered says the window is done.
    void RunModal(CQVUUpdateDlg& dialog, wxWindow& window, const std::function<bool()>& answered);
    void NoteProgressShown(DWORD postedAt);

    UpdateWindow* window_ = nullptr;
    long long caughtUpAt_ = 0;
    std::function<void(wxWindow&)> modalOpened_;
    // The post time of the oldest progress command not yet on screen; 0 for none.
    DWORD heldProgressPostedAt_ = 0;
    DWORD longestProgressDelayMs_ = 0;
};

// ---- The toolkit ----

// Starts the toolkit for the program of programName (the desktop and the
// page view's folders are named after it) on the display of the environment (DISPLAY or
// WAYLAND_DISPLAY); false when it cannot, for instance when the display
// cannot be reached. Once per process.
bool StartToolkit(const std::string& programName);
// Ends it; the windows are gone by then.
void StopToolkit();

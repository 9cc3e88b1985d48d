// The window program's side of a run: the engine's messages shown in the
// update window, its boxes and the product choice, on the toolkit's thread;
// the user's acts sent back. The engine's messages are read on a thread of
// their own and handed to the toolkit's thread, so the windows stay alive
// whatever the engine does (a slow update check, a burst of progress).
#pragma once

#include "app/protocol/FrontEndProtocol.h"
#include "platform/win_types.h"

#include <functional>
#include <string>
#include <vector>

class EngineLink;
class UpdateWindow;
class wxDialog;
class wxWindow;

class WindowSession {
public:
    // link must outlive the session; the toolkit must have started.
    explicit WindowSession(EngineLink& link);
    ~WindowSession();
    WindowSession(const WindowSession&) = delete;
    WindowSession& operator=(const WindowSession&) = delete;

    // Greets the engine and starts reading its messages; false when no
    // thread can read them (the session has then ended).
    bool Start();

    // Once the engine ended the dialog, or went: every window is closed
    // and the toolkit's main loop was asked to end.
    bool HasEnded() const { return ended_; }
    // The program's exit status then: the engine's own when this program
    // started it; 1 when the administrator's authentication was cancelled;
    // 2 when it was refused, or the engine went or failed.
    int ExitStatus() const { return status_; }

    // The update window, shown once the engine opened its dialog; null after.
    UpdateWindow* Window() const { return window_; }
    // For tests: called with each box or the choice when it opens.
    void SetModalWindowHandler(std::function<void(wxWindow&)> handler) {
        modalOpened_ = std::move(handler);
    }
    // The longest time between a progress change's arrival and its display,
    // in milliseconds, over the session.
    DWORD LongestProgressDelayMs() const { return longestProgressDelayMs_; }

    // On the toolkit's thread: one message of the engine (that reached this
    // program at arrivedAt, GetTickCount's clock), or its end.
    void Receive(const ViewMessage& message, DWORD arrivedAt);
    void EngineGone(const std::string& why);

private:
    // The update window, hidden until the engine's dialog shows in it.
    void BuildWindow();
    UpdateWindow& EnsureWindow();
    void Ask(const ViewBox& box);
    void Offer(const ViewChoice& choice);
    // Shows window over the update window, modal for it without greying it.
    void ShowModal(wxDialog& window);
    void CloseModal(wxDialog* window);
    // Shows a box of this program's own, then ends with status.
    void Fail(const std::string& text, int status);
    // Closes every window; with leaveLoop, the toolkit's main loop ends too.
    void End(int status, bool leaveLoop = true);

    EngineLink& link_;
    UpdateWindow* window_ = nullptr;
    std::vector<wxDialog*> modals_;
    std::function<void(wxWindow&)> modalOpened_;
    bool greeted_ = false;
    bool ended_ = false;
    int status_ = 2;
    DWORD longestProgressDelayMs_ = 0;
};

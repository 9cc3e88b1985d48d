// The update dialog on screen: a fixed-size window laid out as template 102,
// whose controls follow the dialog's model (text, shown, enabled, progress
// range and position, caption, page address); only the label column widens
// where a language needs it. Clicks and keys become the
// posted commands a Windows dialog would send: Start and Cancel clicks,
// Enter for Start, Escape and the close box for Cancel.
#pragma once

#include "platform/dialog_controls.h"
#include "platform/win_types.h"

#include <wx/frame.h>
#include <wx/timer.h>

#include <functional>
#include <map>
#include <memory>

class PageView;
class wxPanel;

class UpdateWindow : public wxFrame {
public:
    // Shows dialog's model as it stands; later changes arrive through Show.
    explicit UpdateWindow(HWND dialog);
    ~UpdateWindow() override;

    // One change of the model. Progress is shown at most 30 times a second:
    // the download posts far more, and only the latest counts.
    void Follow(const platform::DialogChange& change);

    // Called each time held-back progress reaches the screen.
    void SetProgressShownHandler(std::function<void()> handler) {
        progressShown_ = std::move(handler);
    }
    bool HasProgressToShow() const { return !heldProgress_.empty(); }

    wxPanel& Panel() const { return *panel_; }
    PageView& Page() const { return *page_; }
    // The control window of a template id; null for others.
    wxWindow* Control(int id) const;

private:
    void Apply(int id, platform::DialogChangeKind kind, const platform::DialogControlState& state);
    void ShowHeldProgress();
    void FitLabelColumn();
    void OnCharHook(wxKeyEvent& event);
    void OnClose(wxCloseEvent& event);

    HWND dialog_;
    wxPanel* panel_;
    std::unique_ptr<PageView> page_;
    std::map<int, wxWindow*> controls_;
    // The latest progress changes not yet on screen, by control and kind.
    std::map<std::pair<int, platform::DialogChangeKind>, platform::DialogControlState>
        heldProgress_;
    wxLongLong progressShownAt_ = 0;
    wxTimer progressTimer_;
    std::function<void()> progressShown_;
};

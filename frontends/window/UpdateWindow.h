// The update dialog on screen: a fixed-size window laid out as template 102,
// whose controls follow the dialog's model (text, shown, enabled, progress
// range and position, caption, page address) as the engine sends its
// changes; only the label column widens where a language needs it. Clicks
// and keys become the button presses a Windows dialog would send: Start and
// Cancel clicks, Enter for Start, Escape and the close box for Cancel while
// Cancel is enabled.
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
    // An empty dialog; press is called with IDOK or IDCANCEL for each press
    // of an enabled button.
    explicit UpdateWindow(std::function<void(int)> press);
    ~UpdateWindow() override;

    // One change of the model, that reached the program at arrivedAt
    // (GetTickCount's clock). Progress is shown at most 30 times a second:
    // the download posts far more, and only the latest counts.
    void Follow(const platform::DialogChange& change, DWORD arrivedAt);

    // Called each time progress reaches the screen, with how long the
    // oldest of it waited since it arrived, or since the window appeared
    // when it came before, in milliseconds.
    void SetProgressShownHandler(std::function<void(DWORD)> handler) {
        progressShown_ = std::move(handler);
    }

    bool Show(bool show = true) override;

    wxPanel& Panel() const { return *panel_; }
    PageView& Page() const { return *page_; }
    // The control window of a template id; null for others.
    wxWindow* Control(int id) const;

private:
    void Apply(int id, platform::DialogChangeKind kind, const platform::DialogControlState& state);
    void ShowHeldProgress();
    void FitLabelColumn();
    // Presses button when it is enabled, as a click on it would.
    void Press(int button);
    void OnCharHook(wxKeyEvent& event);
    void OnClose(wxCloseEvent& event);

    std::function<void(int)> press_;
    wxPanel* panel_;
    std::unique_ptr<PageView> page_;
    std::map<int, wxWindow*> controls_;
    // The latest progress changes not yet on screen, by control and kind.
    std::map<std::pair<int, platform::DialogChangeKind>, platform::DialogControlState>
        heldProgress_;
    wxLongLong progressShownAt_ = 0;
    DWORD heldSince_ = 0;
    DWORD shownAt_ = 0;
    wxTimer progressTimer_;
    std::function<void(DWORD)> progressShown_;
};

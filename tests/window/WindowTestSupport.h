// The window tests' world: one X server of their own (Xvfb) and the toolkit
// for the whole test program, an update run whose front end is the real
// window with hooks for a test's script, real key presses and clicks (the X
// server's test extension), and screenshots.
#pragma once

#include "frontends/window/WindowFrontEnd.h"
#include "tests/support/UpdateRunFixture.h"

#include <wx/window.h>

#include <functional>
#include <string>

namespace qvutest {

// The window front end with a test's script: what happens each time the run
// waits (for the user, for the download's next command), on each change of
// the dialog, and when a box or the product choice opens.
class ScriptedWindow : public WindowFrontEnd {
public:
    std::function<void(CQVUUpdateDlg&)> whenWaiting;
    std::function<void(const platform::DialogChange&)> whenChanged;

    void WaitingForUser(CQVUUpdateDlg& dialog) override {
        if (whenWaiting)
            whenWaiting(dialog);
    }

protected:
    void ShowChange(const platform::DialogChange& change) override {
        WindowFrontEnd::ShowChange(change);
        if (whenChanged)
            whenChanged(change);
    }
};

class WindowTest : public UpdateRunTest {
protected:
    void SetUp() override;

    ScriptedWindow window;
};

// Lets the toolkit handle its events for ms milliseconds: input arrives,
// windows paint.
void Settle(int ms = 150);
// Handles events until done answers true, for at most ms milliseconds;
// answers done's last word.
bool SettleUntil(const std::function<bool()>& done, int ms = 5000);

// Real input, as the user's keyboard and mouse give it: the pointer moves
// onto target (the X server gives the keyboard to the window under it),
// then the key is pressed and released.
void PressKey(wxWindow& target, int keyCode);
void ClickOn(wxWindow& target, const wxPoint& within);
void ClickOn(wxWindow& target);

// Saves the screen area of window as NAME.png in the screenshot folder
// (QVU_SCREENSHOT_DIR, else the build's screenshots/), once it has painted.
void SaveScreenshot(wxWindow& window, const std::string& name);

// Whether label, in window's font, fits window's width.
bool LabelFits(wxWindow& window);

} // namespace qvutest

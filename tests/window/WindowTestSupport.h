// The window tests' world: one X server of their own (Xvfb) and the toolkit
// for the whole test program, an update run of the real engine (QVUUpdate,
// a child process) shown by the window program's session in this process,
// with hooks for a test's script, real key presses and clicks (the X
// server's test extension), and screenshots.
#pragma once

#include "frontends/window/WindowSession.h"
#include "tests/support/UpdateRunFixture.h"

#include <wx/window.h>

#include <functional>
#include <string>
#include <vector>

namespace qvutest {

class WindowTest : public UpdateRunTest {
protected:
    void SetUp() override;

    // Runs the engine with arguments, shown by a window session of this
    // process, until the session ends; eachTurn is called again and again
    // while the update window is there, and modalOpened with each box or
    // choice as it opens.
    // Answers the engine's exit status, -1 when the run did not end in time.
    int RunEngine(const std::vector<std::string>& arguments,
                  const std::function<void(WindowSession&)>& eachTurn,
                  const std::function<void(wxWindow&)>& modalOpened = {});

    // The session of the running engine and the engine's process id; null
    // and 0 outside RunEngine.
    WindowSession* session = nullptr;
    DWORD engineProcessId = 0;
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

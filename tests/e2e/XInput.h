// The user's mouse and keyboard on the test's X server (its test extension),
// aimed at a window found by its title: for tests that drive real programs
// in their windows (built with the window only).
#pragma once

namespace qvutest {

// Clicks into the shown top-level window titled title, at the share x, y of
// its width and height; false when no such window is shown.
bool ClickIntoWindow(const char* title, double x, double y);

// Moves the pointer into the window titled title (which gives it the
// keyboard on a server without a window manager) and presses and releases
// the key of keySym there; false when no such window is shown.
bool PressKeyInWindow(const char* title, unsigned long keySym);

} // namespace qvutest

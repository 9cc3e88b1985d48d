// The window program's toolkit (wxWidgets on GTK): started once per
// process, on the display of the environment.
#pragma once

#include <string>

// Starts the toolkit for the program of programName (the desktop and the
// page view's folders are named after it) on the display of the environment
// (DISPLAY or WAYLAND_DISPLAY); false when it cannot, for instance when the
// display cannot be reached.
bool StartToolkit(const std::string& programName);
// Runs the toolkit's main loop until it is asked to end.
void RunToolkit();
// Ends it; the windows are gone by then.
void StopToolkit();

// The window program, QVUUpdateWindow, started by the engine for the
// desktop's user when the engine was started as root from a shell with a
// display (sudo QVUUpdate, pkexec QVUUpdate): it shows the run as that user,
// never as root, and talks to the engine over a pair of pipes.
#pragma once

#include "platform/win_types.h"

#include <optional>
#include <string>

struct WindowProgram {
    HANDLE fromWindow;
    HANDLE toWindow;
};

// Starts the window program beside the running one as the account that
// asked for the run (its groups, home folder, runtime folder and
// environment, with this process's display), the pipes as its standard
// input and output. None, with why in a few words, when there is no such
// account but root, or the program cannot be started.
std::optional<WindowProgram> StartWindowProgram(std::string& why);

// The update manager's program: one update run, in a window on the desktop
// or at the console. The exit status tells a calling script how the run ended.
#include "app/QVUUpdateApp.h"
#include "frontends/console/ConsoleFrontEnd.h"
#include "platform/strings.h"
#include "platform/sync.h"
#ifdef QVU_WITH_WINDOW
#include "frontends/window/WindowFrontEnd.h"
#endif

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

constexpr int kInstallerStarted = 0;
constexpr int kEndedByUser = 1;
constexpr int kRefused = 2;

int ExitStatus(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::InstallerStarted:
        return kInstallerStarted;
    case RunOutcome::EndedByUser:
        return kEndedByUser;
    case RunOutcome::Refused:
    case RunOutcome::InstallerNotStarted:
        break;
    }
    return kRefused;
}

#ifdef QVU_WITH_WINDOW
bool HasEnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The window when a desktop is there to show it and the console was not
// asked for. Decided before the toolkit starts, which would end a program
// that cannot open its display.
bool WantsWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (ascii::EqualsIgnoringCase(argv[i], "--console"))
            return false;
    return HasEnvironmentValue("DISPLAY") || HasEnvironmentValue("WAYLAND_DISPLAY");
}

// Runs the update in windows; false when the toolkit could not start, and
// nothing ran.
bool RunInWindow(CQVUUpdateApp& app, const std::string& commandLine) {
    if (!StartToolkit(app.ApplicationName()))
        return false;
    {
        WindowFrontEnd frontEnd;
        app.InitInstance(commandLine, frontEnd);
    }
    StopToolkit();
    return true;
}
#endif

} // namespace

int main(int argc, char** argv) {
    // "--console" chooses the front end; as text the switches do not know,
    // it changes nothing else.
    CQVUUpdateApp app(RunningProgramPath());
    const std::string commandLine = JoinArguments(argc, argv);
#ifdef QVU_WITH_WINDOW
    const bool wantsWindow = WantsWindow(argc, argv);
    if (!wantsWindow || !RunInWindow(app, commandLine)) {
        if (wantsWindow)
            std::cerr << app.ApplicationName()
                      << ": the display cannot be opened; the update runs at the console\n";
#else
    {
#endif
        ConsoleFrontEnd frontEnd;
        app.InitInstance(commandLine, frontEnd);
    }
    // A download cancelled by the user may still be at work: the process ends
    // around it, as it does on Windows, instead of tearing down the libraries
    // it uses.
    ExitProcess(static_cast<UINT>(ExitStatus(app.Outcome())));
}

// The update manager's program: one update run, in a window on the desktop
// or at the console. The exit status tells a calling script how the run ended.
#include "app/QVUUpdateApp.h"
#include "frontends/console/ConsoleFrontEnd.h"
#include "platform/strings.h"
#include "platform/sync.h"
#include "update/SelfCheck.h"
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
constexpr int kInformationShown = 0; // --help, --version

const char* const kUsage =
    "Usage: QVUUpdate [/autostart] [/display=ADDRESS] [--console]\n"
    "       QVUUpdate --help | --version\n"
    "\n"
    "Finds the installed Quorvane products, checks the update server for the\n"
    "product's update, shows the offered version and the product's page, downloads\n"
    "the package when Start is given and hands it to the Windows Installer\n"
    "(msiexec on PATH). It shows its window when a desktop is there, and runs at\n"
    "the console otherwise, reading one answer per line from standard input.\n"
    "\n"
    "  /autostart        start the download at once, without waiting for Start\n"
    "  /display=ADDRESS  show ADDRESS (in lower case) instead of the product's\n"
    "                    version-history page\n"
    "  --console         run at the console even when a desktop is there\n"
    "  --help            show this text and end\n"
    "  --version         show the update manager's version and end\n"
    "\n"
    "Switches are read in any letter case; other text on the command line changes\n"
    "nothing.\n"
    "\n"
    "Exit status: 0 the installer was started, 1 the user ended the run with Cancel\n"
    "and nothing had failed, 2 the run ended on an error or a refusal.\n";

// "--help" or "--version" as an argument of its own, in any letter case; the
// first one given wins. Null when neither is there.
const char* InformationAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (ascii::EqualsIgnoringCase(argv[i], "--help") ||
            ascii::EqualsIgnoringCase(argv[i], "--version"))
            return argv[i];
    return nullptr;
}

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
    // Asking for the usage or the version runs no update.
    if (const char* asked = InformationAsked(argc, argv)) {
        if (ascii::EqualsIgnoringCase(asked, "--help"))
            std::cout << kUsage;
        else
            std::cout << "QVUUpdate (Quorvane Zelvo Update) " << kUpdateManagerVersion << '\n';
        return kInformationShown;
    }
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

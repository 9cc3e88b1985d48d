// The update manager's engine: one update run, shown in the window program
// of the desktop's user or at the console. The engine links no window
// toolkit: it runs as the administrator, and nothing that shows outside
// content does. The exit status tells a calling script how the run ended.
#include "app/protocol/FrontEndProtocol.h"
#include "app/QVUUpdateApp.h"
#include "app/RemoteFrontEnd.h"
#include "app/WindowProgram.h"
#include "frontends/console/ConsoleFrontEnd.h"
#include "platform/locale.h"
#include "platform/pipes.h"
#include "platform/strings.h"
#include "platform/sync.h"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr int kInformationShown = 0; // --help, --version
// How long the window program may take to greet the engine.
constexpr DWORD kWindowGreetingMs = 20000;

const char* const kUsage =
    "Usage: QVUUpdate [/autostart] [/display=ADDRESS] [--console]\n"
    "       QVUUpdate --help | --version\n"
    "\n"
    "Finds the installed Quorvane products, checks the update server for the\n"
    "product's update, shows the offered version and the product's page, downloads\n"
    "the package when Start is given and hands it to the Windows Installer\n"
    "(msiexec on PATH). Run as root from a desktop's shell (sudo, pkexec), it shows\n"
    "its window as the user who asked (QVUUpdateWindow); it runs at the console\n"
    "otherwise, reading one answer per line from standard input. From the desktop\n"
    "menu, QVUUpdateWindow starts it.\n"
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

bool HasArgument(int argc, char** argv, const char* wanted) {
    for (int i = 1; i < argc; ++i)
        if (ascii::EqualsIgnoringCase(argv[i], wanted))
            return true;
    return false;
}

// "--help" or "--version" as an argument of its own, in any letter case; the
// first one given wins. Null when neither is there.
const char* InformationAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (ascii::EqualsIgnoringCase(argv[i], "--help") ||
            ascii::EqualsIgnoringCase(argv[i], "--version"))
            return argv[i];
    return nullptr;
}

bool HasEnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The window when a desktop is there to show it and the console was not asked for.
bool WantsWindow(int argc, char** argv) {
    return !HasArgument(argc, argv, "--console") &&
           (HasEnvironmentValue("DISPLAY") || HasEnvironmentValue("WAYLAND_DISPLAY"));
}

// The front end of the window program on pipes; null, with why, when it
// does not answer as the protocol asks.
std::unique_ptr<RemoteFrontEnd> ConnectWindow(HANDLE fromWindow, HANDLE toWindow,
                                              std::string& why) {
    auto frontEnd = std::make_unique<RemoteFrontEnd>(fromWindow, toWindow);
    if (!frontEnd->Connect(GetUserDefaultLangID(), kWindowGreetingMs, why))
        return nullptr;
    return frontEnd;
}

} // namespace

int main(int argc, char** argv) {
    // Asking for the usage or the version runs no update.
    if (const char* asked = InformationAsked(argc, argv)) {
        if (ascii::EqualsIgnoringCase(asked, "--help"))
            std::cout << kUsage;
        else
            std::cout << "QVUUpdate (Quorvane Zelvo Update) " << UpdateManagerVersion() << '\n';
        return kInformationShown;
    }
    // The switches that choose the front end change nothing else: as text
    // the run's switches do not know, they are ignored.
    CQVUUpdateApp app(RunningProgramPath());
    const std::string commandLine = JoinArguments(argc, argv);
    std::string why;
    std::unique_ptr<RemoteFrontEnd> window;
    if (HasArgument(argc, argv, kEngineWindowSwitch)) {
        // The window program started this engine (through pkexec) and
        // talks on standard input and output; nobody else is there to ask.
        HANDLE fromWindow = nullptr, toWindow = nullptr;
        if (!platform::TakeStandardStreams(&fromWindow, &toWindow) ||
            !(window = ConnectWindow(fromWindow, toWindow, why))) {
            std::cerr << app.ApplicationName() << ": the window program cannot be reached"
                      << (why.empty() ? "" : ": " + why) << '\n';
            ExitProcess(kExitFailed);
        }
    } else if (WantsWindow(argc, argv)) {
        const std::optional<WindowProgram> started = StartWindowProgram(why);
        if (started)
            window = ConnectWindow(started->fromWindow, started->toWindow, why);
        if (!window)
            std::cerr << app.ApplicationName() << ": the update runs at the console: " << why
                      << '\n';
    } else if (!HasArgument(argc, argv, "--console") && HasEnvironmentValue("PKEXEC_UID")) {
        // pkexec hands no display on: the window is the desktop menu's.
        std::cerr << app.ApplicationName()
                  << ": the update runs at the console: pkexec passes no display on (start "
                     "QVUUpdateWindow, or sudo QVUUpdate, for the window)\n";
    }
    if (window) {
        app.InitInstance(commandLine, *window);
    } else {
        ConsoleFrontEnd frontEnd;
        app.InitInstance(commandLine, frontEnd);
    }
    // A download cancelled by the user may still be at work: the process ends
    // around it, as it does on Windows, instead of tearing down the libraries
    // it uses.
    ExitProcess(static_cast<UINT>(ExitStatusOf(app.Outcome())));
}

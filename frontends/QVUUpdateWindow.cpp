// The update manager's window: the program of the desktop's user that shows
// the update run of the engine, QVUUpdate, which does the work as the
// administrator. Started from the desktop, it starts the engine through
// pkexec; started by the engine (sudo QVUUpdate), it talks to it on its
// standard input and output. It never runs as root: nothing that shows the
// vendor's pages does.
#include "frontends/window/EngineLink.h"
#include "frontends/window/Toolkit.h"
#include "frontends/window/WindowSession.h"
#include "platform/accounts.h"
#include "platform/handles.h"
#include "platform/strings.h"
#include "platform/sync.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kFailed = 2;

bool IsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool elevated =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

} // namespace

int main(int argc, char** argv) {
    if (IsElevated()) {
        std::cerr << "QVUUpdateWindow: the window does not run as root. Start it as your own "
                     "user, or run QVUUpdate with sudo, which shows it as you.\n";
        return kFailed;
    }
    std::vector<std::string> arguments(argv + 1, argv + argc);
    bool startedByEngine = false;
    for (const std::string& argument : arguments)
        startedByEngine = startedByEngine || argument == kWindowEngineSwitch;
    if (startedByEngine)
        arguments.clear();

    // The engine starts while the toolkit does; this program greets it once
    // its toolkit runs, so that an engine started from a shell whose display
    // fails runs at the console instead.
    std::string why;
    const std::unique_ptr<EngineLink> link = startedByEngine
                                                 ? EngineLink::FromStandardStreams(why)
                                                 : EngineLink::StartEngine(arguments, why);
    if (!link) {
        std::cerr << "QVUUpdateWindow: the update engine cannot be reached: " << why << '\n';
        return kFailed;
    }
    if (!StartToolkit("QVUUpdate")) {
        // The engine sees the pipe close and ends its run as cancelled.
        std::cerr << "QVUUpdateWindow: the display cannot be opened\n";
        return kFailed;
    }
    int status = kFailed;
    {
        WindowSession session(*link);
        if (session.Start())
            RunToolkit();
        status = session.ExitStatus();
    }
    // The thread that reads the engine may still wait on its pipe: the
    // process ends around it instead of tearing down the toolkit under it.
    ExitProcess(static_cast<UINT>(status));
}

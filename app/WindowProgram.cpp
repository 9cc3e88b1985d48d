#include "app/WindowProgram.h"

#include "app/protocol/FrontEndProtocol.h"
#include "app/protocol/ProtocolPipe.h"
#include "platform/accounts.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/process.h"

namespace {

// A handle closed when it goes, unless released.
class OwnedHandle {
public:
    OwnedHandle() = default;
    ~OwnedHandle() {
        if (handle_ != nullptr)
            CloseHandle(handle_);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE* Out() { return &handle_; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

bool IsElevated(HANDLE token) {
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

} // namespace

std::optional<WindowProgram> StartWindowProgram(std::string& why) {
    OwnedHandle token;
    if (!WTSQueryUserToken(WTS_CURRENT_SESSION, token.Out())) {
        why = "no desktop user asked for it (SUDO_UID or PKEXEC_UID)";
        return std::nullopt;
    }
    if (IsElevated(token.Get())) {
        why = "the window is not shown as root";
        return std::nullopt;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PeerPipes pipes;
    if (!pipes.Create(startup)) {
        why = "no pipe could be made";
        return std::nullopt;
    }
    LPVOID environment = nullptr;
    char home[MAX_PATH] = {};
    DWORD homeSize = sizeof home;
    if (!CreateEnvironmentBlock(&environment, token.Get(), TRUE)) {
        why = "the user's environment cannot be made";
        return std::nullopt;
    }
    const bool hasHome = GetUserProfileDirectoryA(token.Get(), home, &homeSize) &&
                         GetFileAttributesA(home) != INVALID_FILE_ATTRIBUTES;
    const std::string program = PeerProgramPath("QVUUpdateWindow");
    std::string commandLine = std::string("QVUUpdateWindow ") + kWindowEngineSwitch;
    PROCESS_INFORMATION started{};
    const BOOL ok =
        CreateProcessAsUserA(token.Get(), program.c_str(), commandLine.data(), nullptr, nullptr,
                             FALSE, 0, environment, hasHome ? home : nullptr, &startup, &started);
    DestroyEnvironmentBlock(environment);
    pipes.ClosePeerEnds();
    if (!ok) {
        why = "the window program QVUUpdateWindow cannot be started";
        return std::nullopt;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return WindowProgram{pipes.ReleaseFromPeer(), pipes.ReleaseToPeer()};
}

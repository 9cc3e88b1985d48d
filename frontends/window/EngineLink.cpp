#include "frontends/window/EngineLink.h"

#include "app/protocol/ProtocolPipe.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/pipes.h"
#include "platform/process.h"
#include "platform/sync.h"

EngineLink::EngineLink(HANDLE fromEngine, HANDLE toEngine, HANDLE process)
    : fromEngine_(fromEngine), toEngine_(toEngine), process_(process) {}

EngineLink::~EngineLink() {
    CloseHandle(fromEngine_);
    CloseHandle(toEngine_);
    if (process_ != nullptr)
        CloseHandle(process_);
}

std::unique_ptr<EngineLink> EngineLink::FromStandardStreams(std::string& why) {
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    if (!platform::TakeStandardStreams(&input, &output)) {
        why = "its standard input and output lead nowhere";
        return nullptr;
    }
    return std::make_unique<EngineLink>(input, output, nullptr);
}

std::unique_ptr<EngineLink> EngineLink::StartEngine(const std::vector<std::string>& arguments,
                                                    std::string& why) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PeerPipes pipes;
    if (!pipes.Create(startup)) {
        why = "no pipe could be made";
        return nullptr;
    }
    std::vector<std::string> engineArguments = {kEngineWindowSwitch};
    engineArguments.insert(engineArguments.end(), arguments.begin(), arguments.end());
    PROCESS_INFORMATION started{};
    const BOOL ok = platform::CreateProcessAsAdministrator(PeerProgramPath("QVUUpdate").c_str(),
                                                           engineArguments, &startup, &started);
    pipes.ClosePeerEnds();
    if (!ok) {
        why = "QVUUpdate or pkexec is missing";
        return nullptr;
    }
    CloseHandle(started.hThread);
    return std::make_unique<EngineLink>(pipes.ReleaseFromPeer(), pipes.ReleaseToPeer(),
                                        started.hProcess);
}

bool EngineLink::Send(const ActMessage& message) {
    return SendFrame(toEngine_, EncodeFrame(message));
}

std::optional<DWORD> EngineLink::EngineStatus(DWORD timeoutMs) const {
    DWORD status = 0;
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_, &status))
        return std::nullopt;
    return status;
}

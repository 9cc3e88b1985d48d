// The window program's line to the update engine: the pipe pair of the
// front-end protocol, and the engine's process when this program started it.
// Either the engine started this program (as the desktop's user) and speaks
// on its standard input and output, or this program starts the engine, the
// QVUUpdate beside it, as the administrator through pkexec.
#pragma once

#include "app/protocol/FrontEndProtocol.h"
#include "platform/win_types.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class EngineLink {
public:
    // The pipe's ends to and from an engine, and its process (null when
    // this program did not start it); all owned from now on.
    EngineLink(HANDLE fromEngine, HANDLE toEngine, HANDLE process);
    ~EngineLink();
    EngineLink(const EngineLink&) = delete;
    EngineLink& operator=(const EngineLink&) = delete;

    // The engine that started this program; null, with why, when the
    // standard streams cannot be taken.
    static std::unique_ptr<EngineLink> FromStandardStreams(std::string& why);
    // Starts the engine beside this program as the administrator, with
    // arguments after the switch that makes it talk to this window; null,
    // with why, when it cannot be started.
    static std::unique_ptr<EngineLink> StartEngine(const std::vector<std::string>& arguments,
                                                   std::string& why);

    // Writes one message; false when the engine no longer reads.
    bool Send(const ActMessage& message);
    HANDLE FromEngine() const { return fromEngine_; }

    // Whether this program started the engine (and can learn its status).
    bool StartedEngine() const { return process_ != nullptr; }
    // The engine's exit status once it ended, waiting up to timeoutMs;
    // none when it still runs or this program did not start it.
    std::optional<DWORD> EngineStatus(DWORD timeoutMs) const;

private:
    HANDLE fromEngine_;
    HANDLE toEngine_;
    HANDLE process_;
};
